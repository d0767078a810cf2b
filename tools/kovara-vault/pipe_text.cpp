#include "pipe_text.h"

#include <errno.h>
#include <unistd.h>

std::string ReadToEnd(int fd) {
    std::string text;
    char buffer[1024];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n > 0) text.append(buffer, size_t(n));
        else if (errno != EINTR) break;
    }
    return text;
}
