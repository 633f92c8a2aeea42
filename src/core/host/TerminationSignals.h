#pragma once

#include <QObject>

class QSocketNotifier;

namespace quorvel {

// SIGINT, SIGTERM and SIGHUP delivered through the event loop: the handler
// only writes the signal's number to a pipe. After the first, the default
// actions are back, so a second one ends the program at once; a service can
// take SIGHUP as "read your configuration again" instead.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // The first signal caught, 0 before one.
    int caught() const { return m_caught; }
    // From now on SIGHUP asks for a reload, each time it comes, instead of
    // ending the program (until another signal ends it).
    void takeHangupAsReload();

Q_SIGNALS:
    void received(int signalNumber);
    void reloadRequested();

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
    int m_caught = 0;
};

} // namespace quorvel
