#include "Progress.h"

#include <cstdio>
#include <unistd.h>

namespace quorvel {

Progress::Progress(bool quiet) : m_enabled(!quiet && isatty(STDERR_FILENO) == 1) {}

void Progress::show(const std::string& text) {
    if (!m_enabled)
        return;
    // Back to the line's start, the text, then erase what a longer one left.
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    m_shown = true;
}

void Progress::clear() {
    if (!m_shown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_shown = false;
}

void Progress::line(const std::string& text) {
    clear();
    std::fprintf(stderr, "quorvel: %s\n", text.c_str());
    std::fflush(stderr);
}

} // namespace quorvel
