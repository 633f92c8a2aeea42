#include "StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorvel {

namespace {

int g_error = 0;

void keepError() {
    if (g_error == 0)
        g_error = errno != 0 ? errno : EIO;
}

} // namespace

void WriteOut(std::string_view bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
        std::fflush(stdout) != 0)
        keepError();
}

std::optional<std::string> OutputFailure() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        keepError();
    if (g_error == 0)
        return std::nullopt;
    return std::string("cannot write to standard output: ") + std::strerror(g_error);
}

} // namespace quorvel
