#include "Progress.h"

#include <cstdio>
#include <unistd.h>

namespace quorvel {

Progress::Progress(bool quiet) : m_enabled(!quiet && isatty(STDERR_FILENO) == 1) {}

void Progress::show(const std::string& text) {
    show(std::vector<std::string>{text});
}

void Progress::show(const std::vector<std::string>& lines) {
    if (!m_enabled)
        return;
    // Up to the first line shown, then each line, erasing what a longer one
    // left; written at once, so that the block does not flicker.
    std::string out = "\r";
    for (std::size_t i = 1; i < m_shownLines; ++i)
        out += "\033[A";
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += (i ? "\n" : "") + lines[i] + "\033[K";
    // Lines left over from a longer block.
    if (lines.size() < m_shownLines)
        out += "\033[J";
    std::fputs(out.c_str(), stderr);
    std::fflush(stderr);
    m_shownLines = lines.size();
}

void Progress::clear() {
    if (m_shownLines == 0)
        return;
    std::string out = "\r\033[K";
    for (std::size_t i = 1; i < m_shownLines; ++i)
        out += "\033[A\r\033[K";
    std::fputs(out.c_str(), stderr);
    std::fflush(stderr);
    m_shownLines = 0;
}

void Progress::line(const std::string& text) {
    clear();
    std::fprintf(stderr, "quorvel: %s\n", text.c_str());
    std::fflush(stderr);
}

} // namespace quorvel
