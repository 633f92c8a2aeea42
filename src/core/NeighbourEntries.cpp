#include "NeighbourEntries.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace quorvel {

struct NeighbourEntries::State {
    struct Entry {
        std::uint8_t ip[4];
        QString interfaceName;
        bool operator==(const Entry& other) const {
            return std::equal(ip, ip + 4, other.ip) && interfaceName == other.interfaceName;
        }
    };

    void remove(const Entry& entry) {
        HostCommands::run(HostCommands::removeNeighbourEntry(entry.ip, entry.interfaceName));
    }

    LineWriter writeLine;
    std::vector<Entry> added;
    bool closed = false;
    bool reported = false;
};

NeighbourEntries::NeighbourEntries(LineWriter writeLine) : m_state(std::make_shared<State>()) {
    m_state->writeLine = writeLine ? std::move(writeLine) : [](const QString& line) {
        std::fprintf(stderr, "%s\n", qPrintable(line));
    };
}

NeighbourEntries::~NeighbourEntries() {
    removeAll();
}

OutcomeHandler NeighbourEntries::reporting() {
    return [state = m_state](CommandOutcome outcome) {
        if (outcome != CommandOutcome::NotPermitted || state->reported)
            return;
        state->reported = true;
        state->writeLine(QCoreApplication::translate(
            "NeighbourEntries",
            "Quorvel: no permission to change the neighbour table; the address assignment goes "
            "on without its neighbour entries (run as root for them)."));
    };
}

void NeighbourEntries::flush() {
    HostCommands::run(HostCommands::clearArpCache(), reporting());
}

void NeighbourEntries::add(const std::uint8_t (&ip)[4], const std::uint8_t (&mac)[6],
                           const QString& interfaceName) {
    if (std::all_of(mac, mac + 6, [](std::uint8_t b) { return b == 0; }))
        return;
    HostCommandRunner* runner = CurrentHostCommandRunner();
    if (!runner)
        return;
    State::Entry entry{{ip[0], ip[1], ip[2], ip[3]},
                       interfaceName.isEmpty() ? runner->interfaceRoutingTo(ip) : interfaceName};
    const OutcomeHandler report = reporting();
    // Only an entry the kernel took from us is ours; one that was already
    // there (the administrator's) makes the add fail and is left alone.
    HostCommands::run(HostCommands::staticArpEntry(ip, mac, entry.interfaceName),
                      [state = m_state, entry, report](CommandOutcome outcome) {
                          report(outcome);
                          if (outcome != CommandOutcome::Succeeded)
                              return;
                          if (state->closed)
                              state->remove(entry);
                          else if (std::find(state->added.begin(), state->added.end(), entry) ==
                                   state->added.end())
                              state->added.push_back(entry);
                      });
}

void NeighbourEntries::removeAll() {
    m_state->closed = true;
    for (const State::Entry& entry : m_state->added)
        m_state->remove(entry);
    m_state->added.clear();
}

} // namespace quorvel
