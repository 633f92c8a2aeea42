#pragma once

#include "core/host/HostCommands.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace quorvel {

// The host's neighbour table as one assign dialog changes it: the cache
// flush, and the permanent entries that carry a new address to a board.
// Every entry it added is removed again by removeAll() or its destructor;
// entries it did not add are never touched. Each entry is claimed with the
// runner before it is added and released once it is gone, so that a run
// killed in between leaves a record of it. When the table is closed to this
// user, one line says so, once per process; the assignment goes on without
// the entries.
class NeighbourEntries {
public:
    using LineWriter = std::function<void(const QString&)>;

    // `writeLine` null: the process's writer (setDefaultLineWriter), else the
    // standard error stream. The line comes without the program's name.
    explicit NeighbourEntries(LineWriter writeLine = {});
    static void setDefaultLineWriter(LineWriter writeLine);
    ~NeighbourEntries();
    NeighbourEntries(const NeighbourEntries&) = delete;
    NeighbourEntries& operator=(const NeighbourEntries&) = delete;

    // "arp -d *" on `interfaceName`, or on the interface that routes to `ip`
    // when empty; nothing without one.
    void flush(const Ipv4Address& ip, const QString& interfaceName = {});
    // "arp -s": `ip` at `mac` on `interfaceName`, or on the interface that
    // routes to `ip` when empty; with no such interface, one line and no
    // entry. Nothing for an all-zero MAC or address.
    void add(const Ipv4Address& ip, const MacAddress& mac, const QString& interfaceName = {});
    void removeAll();
    // One line on the writer, for what the assignment leaves out and why.
    void say(const QString& line);

private:
    struct State;
    OutcomeHandler reporting();

    std::shared_ptr<State> m_state; // shared with commands that end later
};

} // namespace quorvel
