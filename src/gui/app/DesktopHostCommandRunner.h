#pragma once

#include "core/host/ProcessHostCommandRunner.h"

namespace quorvel {

// The program's host commands: terminal windows where a desktop shows them,
// and URLs through QDesktopServices.
class DesktopHostCommandRunner : public ProcessHostCommandRunner {
public:
    void openUrl(const HostCommand& command) override;

protected:
    bool canShowTerminal() const override;
};

} // namespace quorvel
