#pragma once

#include "CommandLine.h"
#include "Progress.h"
#include "core/exchange/RemotePortList.h"
#include "core/net/SocketDispatch.h"
#include "protocol/DeviceRecord.h"

#include <map>
#include <memory>
#include <string>

namespace quorvel {

class UdpSocket;

// What every command shares: the options, the one socket and its dispatch,
// the remote ports, the progress line, and messages as lines on standard
// error.
class CliSession {
public:
    explicit CliSession(CommandLine line);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Checks the --interface names: 0, or 2 with its line printed.
    int checkInterfaces();
    // Opens the socket: 0, or 4 with its line printed.
    int open();

    const CommandLine& line() const { return m_line; }
    SocketDispatch& dispatch() { return m_dispatch; }
    const RemotePortList& ports() const { return m_ports; }
    Progress& progress() { return m_progress; }

    // The links a broadcast could not leave by, with the errno of each.
    std::map<std::string, int> broadcastFailures();
    // The name of the link a board answered on ("" when unknown).
    std::string interfaceName(const DeviceRecord& record) const;

private:
    class StderrSink;

    CommandLine m_line;
    RemotePortList m_ports;
    SocketDispatch m_dispatch;
    Progress m_progress;
    std::unique_ptr<StderrSink> m_sink;
};

} // namespace quorvel
