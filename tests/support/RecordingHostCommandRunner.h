#pragma once

#include "core/host/HostCommands.h"

#include <QStringList>
#include <vector>

namespace quorvel::testing {

// Records host commands instead of starting anything; installs itself for
// its lifetime.
class RecordingHostCommandRunner : public HostCommandRunner {
public:
    struct Run {
        HostWindow how; // the operation that was asked for
        HostCommand command;
    };

    RecordingHostCommandRunner() { m_previous = SetHostCommandRunner(this); }
    ~RecordingHostCommandRunner() override { SetHostCommandRunner(m_previous); }

    void runHidden(const HostCommand& command, OutcomeHandler onEnd) override {
        runs.push_back({HostWindow::Hidden, command});
        if (onEnd)
            onEnd(hiddenOutcome);
    }
    void runInTerminal(const HostCommand& command) override {
        runs.push_back({HostWindow::Terminal, command});
    }
    void openUrl(const HostCommand& command) override {
        runs.push_back({HostWindow::Browser, command});
    }
    QString missingFor(const HostCommand&) override { return missing; }
    QString interfaceRoutingTo(const Ipv4Address&) override { return routeInterface; }
    HostAddressFacts hostAddressFacts() override { return facts; }
    // Each claim as "+IP LINK", each release as "-IP LINK", in order.
    void claimNeighbour(const NeighbourClaim& c) override { claims << "+" + text(c); }
    void releaseNeighbour(const NeighbourClaim& c) override { claims << "-" + text(c); }
    static QString text(const NeighbourClaim& c) {
        return QString::fromStdString(Ipv4Text(c.ip) + ' ' + c.interfaceName);
    }

    QStringList windowsTexts() const {
        QStringList texts;
        for (const Run& run : runs)
            texts << run.command.windowsText;
        return texts;
    }

    std::vector<Run> runs;
    QStringList claims;
    HostAddressFacts facts; // what hostAddressFacts answers
    QString routeInterface = QStringLiteral("eth0");
    QString missing; // what missingFor answers
    // How every hidden command ends, reported at once.
    CommandOutcome hiddenOutcome = CommandOutcome::Succeeded;

private:
    HostCommandRunner* m_previous = nullptr;
};

} // namespace quorvel::testing
