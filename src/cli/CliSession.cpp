#include "CliSession.h"

#include "core/Messages.h"
#include "core/NeighbourEntries.h"
#include "core/NetworkInterfaces.h"
#include "core/UdpSocket.h"

#include <cerrno>
#include <cstring>
#include <net/if.h>

namespace quorvel {

// The exchanges' messages (a bad datagram, a failed send) as lines on
// standard error, clear of the progress line.
class CliSession::StderrSink : public MessageSink {
public:
    explicit StderrSink(Progress& progress) : m_progress(progress) {}
    void show(const QString&, const QString& text, MessageIcon) override {
        m_progress.line(text.toStdString());
    }

private:
    Progress& m_progress;
};

CliSession::CliSession(CommandLine line)
    : m_line(std::move(line)), m_progress(m_line.quiet),
      m_sink(std::make_unique<StderrSink>(m_progress)) {
    SetMessageSink(m_sink.get());
    NeighbourEntries::setDefaultLineWriter(
        [this](const QString& text) { m_progress.line(text.toStdString()); });
    if (!m_line.ports.empty()) {
        m_ports.remotePortCount = 0;
        for (std::uint16_t port : m_line.ports)
            if (m_ports.remotePortCount < kMaxRemotePorts)
                m_ports.remotePorts[m_ports.remotePortCount++] = port;
    }
}

CliSession::~CliSession() {
    m_dispatch.setSocket(nullptr);
    SetMessageSink(nullptr);
    NeighbourEntries::setDefaultLineWriter({});
}

int CliSession::checkInterfaces() {
    for (const std::string& name : m_line.interfaces)
        if (if_nametoindex(name.c_str()) == 0) {
            m_progress.line("--interface: no interface named \"" + name +
                            "\" (see quorvel --help)");
            return ExitUsage;
        }
    return ExitSuccess;
}

int CliSession::open() {
    auto socket = std::make_unique<UdpSocket>();
    socket->setLocalPort(m_line.localPort.value_or(0));
    socket->setAllowedInterfaces(m_line.interfaces);
    if (socket->open() != SocketOpenResult::Opened) {
        const int error = errno;
        m_progress.line(m_line.localPort
                            ? "cannot bind local port " + std::to_string(*m_line.localPort) + ": " +
                                  std::strerror(error)
                            : std::string("cannot open the UDP socket: ") + std::strerror(error));
        return ExitHost;
    }
    m_dispatch.setSocket(std::move(socket));
    return ExitSuccess;
}

std::map<std::string, int> CliSession::broadcastFailures() {
    const auto* socket = dynamic_cast<const UdpSocket*>(m_dispatch.socket());
    return socket ? socket->broadcastFailures() : std::map<std::string, int>{};
}

std::string CliSession::interfaceName(const DeviceRecord& record) const {
    return InterfaceName(record.interfaceIndex);
}

} // namespace quorvel
