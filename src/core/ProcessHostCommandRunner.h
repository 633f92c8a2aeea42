#pragma once

#include "HostCommands.h"

namespace quorvel {

// Starts programs with QProcess::startDetached, with nothing but Qt Core: a
// face without a desktop gets no terminal windows and no browser.
class ProcessHostCommandRunner : public HostCommandRunner {
public:
    void runHidden(const HostCommand& command) override;
    void runInTerminal(const HostCommand& command) override;
    void openUrl(const HostCommand& command) override;
    QString interfaceRoutingTo(const std::uint8_t (&ip)[4]) override;

protected:
    // Whether a terminal window can be seen by someone.
    virtual bool canShowTerminal() const { return false; }
};

} // namespace quorvel
