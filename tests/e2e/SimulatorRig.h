#pragma once

#include "protocol/DeviceRecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace quorvel::testing {

// One datagram the simulated boards received, from the simulator's log.
struct LoggedDatagram {
    double t = 0; // CLOCK_MONOTONIC seconds, comparable with MonotonicNow()
    QString from; // "198.18.0.1:40000"
    QString to;   // "255.255.255.255:3040"
    QString kind; // search, assign, status or other
    QByteArray bytes;
};

// The rig (tests/e2e/rig.sh) as seen by a test running in the tool's
// namespace: starts board simulators in the boards' namespace and reads what
// they received.
class SimulatorRig {
public:
    // On the rig's link 1, or on link 2 of a two-link rig.
    explicit SimulatorRig(int link = 1) : m_link(link) {}
    ~SimulatorRig();
    SimulatorRig(const SimulatorRig&) = delete;
    SimulatorRig& operator=(const SimulatorRig&) = delete;

    // Why a test cannot use the rig here, or an empty text when it can.
    static QString unavailableReason(int links = 1);

    // Starts a simulator with these arguments (after stopping the one before)
    // and returns once it listens. --log and --ready-file are added.
    bool start(const QStringList& arguments, QString* error);
    void stop();

    // What the simulator received so far, of one kind or of every kind.
    QList<LoggedDatagram> received(const QString& kind = {}) const;
    QString logPath() const { return m_logPath; }
    // The account the last simulator gave when it stopped (boards, received,
    // replies_sent, send_errors, cpu_user_s, cpu_system_s); empty before.
    QJsonObject account() const { return m_account; }

private:
    QProcess m_process;
    QString m_logPath;
    QJsonObject m_account;
    int m_runs = 0;
    int m_link = 1;
};

// True only inside the network namespace the rig made for the tool, where a
// test may change links, routes and neighbours; else false and why.
bool InRigToolNamespace(QString* why);

double MonotonicNow();

// Runs the event loop until `done` is true (then true) or the time is up.
bool SpinUntil(const std::function<bool()>& done, int timeoutMs);
void SpinFor(int milliseconds);

// Board n of a generated set has the address 198.18.1.0 + n; -1 for any other.
inline int boardNumber(const DeviceRecord& r) {
    return r.ip[0] == 198 && r.ip[1] == 18 ? (r.ip[2] - 1) * 256 + r.ip[3] : -1;
}

} // namespace quorvel::testing
