#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>

namespace quorvel::sim {

// Boards that answer nothing for a while, as a board rebooting after a
// firmware push: set by the TFTP side's thread, read by the replies'.
class BoardSilence {
public:
    using Clock = std::chrono::steady_clock;

    void silence(std::size_t board, Clock::time_point until) {
        const std::lock_guard lock(m_mutex);
        m_until[board] = until;
    }
    bool isSilent(std::size_t board, Clock::time_point now) const {
        const std::lock_guard lock(m_mutex);
        const auto found = m_until.find(board);
        return found != m_until.end() && now < found->second;
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::size_t, Clock::time_point> m_until;
};

} // namespace quorvel::sim
