#pragma once

#include <string>
#include <vector>

namespace quorvel {

// A one-line countdown on standard error, redrawn in place; only on a
// terminal, and never with --quiet. Anything else written to standard error
// clears it first.
class Progress {
public:
    explicit Progress(bool quiet);

    void show(const std::string& text);
    // Several lines at once, one per job in flight, redrawn in place.
    void show(const std::vector<std::string>& lines);
    void clear();
    // One line of its own (an error, an explanation), the countdown out of its way.
    void line(const std::string& text);

private:
    bool m_enabled = false;
    std::size_t m_shownLines = 0;
};

} // namespace quorvel
