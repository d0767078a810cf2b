// Faults for the recovery tool's tests, loaded into the tool with LD_PRELOAD.
//   KOVARA_TEST_EIO_AT=BYTE      a read covering that byte of any file fails
//                                with EIO, as a damaged disk would.
//   KOVARA_TEST_THROW_ON_WRITE=1 a write to a file (not the standard
//                                streams) throws, an unexpected exception in
//                                the middle of a command.
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

#include <stdexcept>

namespace {

bool Covers(off_t offset, size_t length) {
    const char *at = getenv("KOVARA_TEST_EIO_AT");
    if (!at) return false;
    long long byte = atoll(at);
    return offset <= byte && byte < offset + (long long)length;
}

template <typename Call>
Call Real(const char *name) {
    return reinterpret_cast<Call>(dlsym(RTLD_NEXT, name));
}

}  // namespace

// A read covering the chosen byte fails; any other goes to the real call.
template <typename Read>
ssize_t ReadUnlessCovered(Read real, int fd, void *buffer, size_t length, off_t offset) {
    if (Covers(offset, length)) {
        errno = EIO;
        return -1;
    }
    return real(fd, buffer, length, offset);
}

extern "C" ssize_t pread(int fd, void *buffer, size_t length, off_t offset) {
    static auto real = Real<ssize_t (*)(int, void *, size_t, off_t)>("pread");
    return ReadUnlessCovered(real, fd, buffer, length, offset);
}

extern "C" ssize_t pread64(int fd, void *buffer, size_t length, off_t offset) {
    static auto real = Real<ssize_t (*)(int, void *, size_t, off_t)>("pread64");
    return ReadUnlessCovered(real, fd, buffer, length, offset);
}

extern "C" ssize_t write(int fd, const void *buffer, size_t length) {
    static auto real = Real<ssize_t (*)(int, const void *, size_t)>("write");
    if (fd > 2 && getenv("KOVARA_TEST_THROW_ON_WRITE")) throw std::runtime_error("injected write fault");
    return real(fd, buffer, length);
}
