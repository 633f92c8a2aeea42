#include "core/monitor/BoardProbes.h"

#include "protocol/RandomNumber.h"
#include "protocol/SearchDatagrams.h"

namespace quorvel {

bool BoardProbes::start(std::uint32_t ip, std::uint16_t port, qint64 budgetMs, qint64 nowMs,
                        Done done) {
    if (m_probes.size() >= kMaxInFlight)
        return false;
    Probe& probe = m_probes.emplace_back();
    probe.ip = ip;
    probe.searchPort = port;
    probe.randomNumber = NewRandomNumber();
    probe.deadline = nowMs + budgetMs;
    probe.nextSend = nowMs;
    probe.clock.start();
    probe.done = std::move(done);
    advance(nowMs);
    return true;
}

void BoardProbes::advance(qint64 nowMs) {
    for (auto probe = m_probes.begin(); probe != m_probes.end();) {
        const auto next = std::next(probe);
        if (nowMs >= probe->deadline) {
            finish(probe);
        } else if (nowMs >= probe->nextSend) {
            send(*probe);
            probe->nextSend = nowMs + kResendMs;
        }
        probe = next;
    }
}

void BoardProbes::send(Probe& probe) {
    // A request that cannot leave goes unanswered, and the deadline tells.
    if (!probe.result.record) {
        const auto request = BuildSearchRequest(probe.randomNumber);
        m_socket.sendTo(request, probe.ip, probe.searchPort);
    } else {
        static const auto request = BuildPrinterStatusRequest();
        m_socket.sendTo(request, probe.ip, probe.result.record->replyPort,
                        probe.result.record->interfaceIndex);
    }
}

bool BoardProbes::take(const ReadOutcome& from, std::span<const std::uint8_t> bytes) {
    bool taken = false;
    for (auto probe = m_probes.begin(); probe != m_probes.end();) {
        const auto next = std::next(probe);
        if (probe->ip != from.sourceIp) {
            probe = next;
            continue;
        }
        if (!probe->result.record) {
            if (ClassifySearchDatagram(bytes, probe->randomNumber) == SearchDatagramKind::Reply) {
                taken = true;
                ParsedSearchReply parsed = ParseSearchReply(bytes, from.sourcePort);
                if (Ipv4Word(parsed.record.ip) != from.sourceIp) {
                    ++m_addressMismatches;
                } else {
                    parsed.record.interfaceIndex = from.interfaceIndex;
                    parsed.record.replyAddress = parsed.record.ip;
                    probe->result.record = std::move(parsed.record);
                    send(*probe);
                }
            }
        } else if (from.sourcePort == probe->result.record->replyPort) {
            if (const auto flags = DecodePrinterStatusReply(bytes)) {
                taken = true;
                probe->result.flags = flags;
                finish(probe);
            }
        }
        probe = next;
    }
    return taken;
}

void BoardProbes::finish(std::list<Probe>::iterator probe) {
    probe->result.seconds = probe->clock.nsecsElapsed() / 1e9;
    const Done done = std::move(probe->done);
    const ProbeResult result = std::move(probe->result);
    m_probes.erase(probe);
    if (done)
        done(result);
}

} // namespace quorvel
