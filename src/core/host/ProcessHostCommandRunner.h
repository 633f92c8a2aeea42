#pragma once

#include "core/host/HostCommands.h"

#include <functional>
#include <memory>
#include <unistd.h>

namespace quorvel {

// Starts programs with QProcess, with nothing but Qt Core: a face without a
// desktop gets no terminal windows and no browser. Hidden commands still
// running when the runner goes are waited for, so that the last neighbour
// entries are removed before the program ends.
class ProcessHostCommandRunner : public HostCommandRunner {
public:
    ProcessHostCommandRunner();
    ~ProcessHostCommandRunner() override;
    // Lets every hidden command still running end, and those their endings
    // start (the removal after a late add), within `milliseconds`.
    void waitForAll(int milliseconds = 3000);
    void runHidden(const HostCommand& command, OutcomeHandler onEnd = {}) override;
    void runInTerminal(const HostCommand& command) override;
    void openUrl(const HostCommand& command) override;
    QString missingFor(const HostCommand& command) override;
    QString interfaceRoutingTo(const Ipv4Address& ip) override;
    HostAddressFacts hostAddressFacts() override;
    void claimNeighbour(const NeighbourClaim& entry) override;
    void releaseNeighbour(const NeighbourClaim& entry) override;
    // Removes the tagged entries that earlier runs, killed or crashed, left
    // in the table; one line each on `writeLine`. Once, at start-up.
    void removeAbandonedNeighbours(const std::function<void(const QString&)>& writeLine);

protected:
    // Whether a terminal window can be seen by someone.
    virtual bool canShowTerminal() const { return false; }

private:
    struct Pending;
    std::unique_ptr<Pending> m_pending;
};

// The program to start for the tool `name`: as root only from the system's
// own directories (/usr/sbin/ip, /usr/bin/ping), so that a PATH kept by
// sudo cannot choose what root runs; otherwise through PATH.
QString HostProgramPath(const QString& name, bool asRoot = ::geteuid() == 0);

} // namespace quorvel
