#include "CliSession.h"

#include "IgnoredDatagrams.h"
#include "core/messages/Messages.h"
#include "core/host/NeighbourEntries.h"
#include "core/net/NetworkInterfaces.h"
#include "core/net/UdpSocket.h"

#include <QTimer>
#include <cerrno>
#include <cstring>
#include <net/if.h>

namespace quorvel {

// The exchanges' messages (a bad datagram, a failed send) as lines on
// standard error, clear of the progress line. A quiet run says what it
// ignored in one line a minute at most, and the rest when it ends.
class CliSession::StderrSink : public MessageSink {
public:
    StderrSink(Progress& progress, bool quiet) : m_progress(progress), m_quiet(quiet) {
        m_summaryDue.setSingleShot(true);
        m_summaryDue.setInterval(60 * 1000);
        QObject::connect(&m_summaryDue, &QTimer::timeout, [this] { sayIgnored(); });
    }
    ~StderrSink() override { sayIgnored(); }

    void show(const QString&, const QString& text, MessageIcon) override {
        m_progress.line(text.toStdString());
    }
    void ignoredDatagram(const QString& caption, const QString& text, MessageIcon icon) override {
        if (!m_quiet)
            return show(caption, text, icon);
        m_ignored.count(text.toStdString());
        if (!m_summaryDue.isActive())
            m_summaryDue.start();
    }

private:
    void sayIgnored() {
        if (const auto summary = m_ignored.takeSummary())
            m_progress.line(*summary);
    }

    Progress& m_progress;
    const bool m_quiet;
    IgnoredDatagrams m_ignored;
    QTimer m_summaryDue;
};

CliSession::CliSession(CommandLine line)
    : m_line(std::move(line)), m_progress(m_line.quiet),
      m_sink(std::make_unique<StderrSink>(m_progress, m_line.quiet)) {
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
    m_sink.reset(); // with what it still has to say
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
