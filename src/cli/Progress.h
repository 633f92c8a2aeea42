#pragma once

#include <string>

namespace quorvel {

// A one-line countdown on standard error, redrawn in place; only on a
// terminal, and never with --quiet. Anything else written to standard error
// clears it first.
class Progress {
public:
    explicit Progress(bool quiet);

    void show(const std::string& text);
    void clear();
    // One line of its own (an error, an explanation), the countdown out of its way.
    void line(const std::string& text);

private:
    bool m_enabled = false;
    bool m_shown = false;
};

} // namespace quorvel
