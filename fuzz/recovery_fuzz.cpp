// The password-recovery file: one opened record turned into a password of a
// given room (the bytes of a wrong answer's record are arbitrary, possibly
// without a terminator), and all three records of a 332-byte file opened with
// three answers. The password buffers are allocated at their exact size so
// that any write past them is seen.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "fuzz_input.h"
#include "keys/core/recovery_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const bool wholeFile = in.ConsumeBool();
    const size_t room = in.ConsumeIntegralInRange<size_t>(0, 2 * kPasswordRecordSize);
    std::vector<char> password(room);
    char *out = password.empty() ? nullptr : password.data();

    if (!wholeFile) {
        std::vector<unsigned char> candidate = Take(in, kPasswordRecordSize);
        const void *end = memchr(candidate.data(), 0, kPasswordRecordSize);
        size_t length = end ? size_t(static_cast<const unsigned char *>(end) - candidate.data()) : 0;
        bool fits = end != nullptr && length < room;
        int got = PasswordFromRecord(candidate.data(), out, room);
        if (got != (fits ? 1 : 0)) abort();
        if (got && (strlen(out) != length || memcmp(out, candidate.data(), length) != 0)) abort();
        return 0;
    }
    std::string answers[3];
    for (std::string &answer : answers) answer = in.ConsumeRandomLengthString(64);
    const char *const answerTexts[3] = {answers[0].c_str(), answers[1].c_str(), answers[2].c_str()};
    std::vector<unsigned char> file = Take(in, kRecoveryFileSize);
    if (OpenRecoveryRecords(file.data(), answerTexts, out, room) && strlen(out) >= room) abort();
    return 0;
}
