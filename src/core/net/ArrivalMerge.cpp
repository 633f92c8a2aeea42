#include "core/net/ArrivalMerge.h"

#include <algorithm>

namespace quorvel {

void ArrivalMerge::add(ArrivedDatagram datagram, std::int64_t stamp, std::uint32_t socket,
                       std::span<const std::uint8_t> bytes) {
    datagram.offset = static_cast<std::uint32_t>(m_bytes.size());
    if (!datagram.cut)
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.begin() + datagram.length);
    m_pending.push_back({datagram, stamp, m_nextOrder++, socket});
}

bool ArrivalMerge::copyOfEarlier(std::size_t index) const {
    // The copies of one broadcast carry the same stamp in different sockets.
    const Pending& p = m_pending[index];
    for (std::size_t k = index; k-- > 0 && m_pending[k].stamp == p.stamp;)
        if (m_pending[k].socket != p.socket &&
            m_pending[k].datagram.sourceIp == p.datagram.sourceIp &&
            m_pending[k].datagram.sourcePort == p.datagram.sourcePort &&
            m_pending[k].datagram.length == p.datagram.length)
            return true;
    return false;
}

std::size_t ArrivalMerge::sortUpTo(std::int64_t complete) {
    std::sort(m_pending.begin(), m_pending.end(), [](const Pending& a, const Pending& b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.order < b.order;
    });
    std::size_t taken = 0;
    while (taken < m_pending.size() && m_pending[taken].stamp <= complete)
        ++taken;
    return taken;
}

void ArrivalMerge::keepFrom(std::size_t taken) {
    m_held.clear();
    for (std::size_t i = taken; i < m_pending.size(); ++i) {
        ArrivedDatagram& d = m_pending[i].datagram;
        const std::size_t from = d.offset;
        d.offset = static_cast<std::uint32_t>(m_held.size());
        if (!d.cut)
            m_held.insert(m_held.end(), m_bytes.begin() + from, m_bytes.begin() + from + d.length);
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(taken));
    m_bytes.swap(m_held);
    if (m_pending.empty())
        m_nextOrder = 0;
}

} // namespace quorvel
