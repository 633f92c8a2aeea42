#include "StatusCommand.h"

#include "CliSession.h"
#include "SearchCommand.h"
#include "StandardOutput.h"
#include "StatusOutput.h"
#include "core/exchange/StatusExchange.h"
#include "protocol/BoardColumns.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>

namespace quorvel {

namespace {

void writeOut(const QByteArray& bytes) {
    WriteOut(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

} // namespace

StatusCommand::StatusCommand(CliSession& session, QObject* parent)
    : QObject(parent), m_session(session),
      m_search(session, [this](const std::vector<DeviceRecord>& records) {
          return std::any_of(records.begin(), records.end(),
                             [this](const DeviceRecord& r) { return isWanted(r); });
      }) {
    connect(&m_search, &BoardSearch::finished, this, &StatusCommand::boardSearched);
    m_watch.setSingleShot(true);
}

StatusCommand::~StatusCommand() = default;

void StatusCommand::start() {
    m_search.start();
}

bool StatusCommand::isWanted(const DeviceRecord& r) const {
    const CommandLine& line = m_session.line();
    if (line.mac)
        return *line.mac == r.mac;
    return line.boardAddress && *line.boardAddress == r.ip;
}

void StatusCommand::boardSearched() {
    const auto& records = m_search.records();
    const auto board = std::find_if(records.begin(), records.end(),
                                    [this](const DeviceRecord& r) { return isWanted(r); });
    const CommandLine& line = m_session.line();
    if (board == records.end()) {
        m_session.progress().line(
            "no board " +
            (line.mac ? "with MAC " + MacText(*line.mac) : "at " + Ipv4Text(*line.boardAddress)) +
            " answered the search");
        ExplainSearchRun(m_session, m_search, records.size());
        Q_EMIT done(m_search.sendFailed() ? ExitHost : ExitNothing);
        return;
    }
    m_mac = MacText(board->mac);
    m_ip = Ipv4Text(board->ip);
    m_exchange = std::make_unique<StatusExchange>(m_session.dispatch(), *board);
    connect(m_exchange.get(), &StatusExchange::progressChanged, this,
            &StatusCommand::showCountdown);
    connect(m_exchange.get(), &StatusExchange::flagsReceived, this,
            [this](const PrinterStatusFlags& flags) { answered(flags); });
    connect(m_exchange.get(), &StatusExchange::timedOut, this, [this] { answered(std::nullopt); });
    connect(m_exchange.get(), &StatusExchange::sendFailed, this, [this](int error) {
        m_session.progress().line("cannot send the status request to " + m_ip + ": " +
                                  std::strerror(error));
        m_exchange->close();
        Q_EMIT done(ExitHost);
    });
    connect(&m_watch, &QTimer::timeout, m_exchange.get(), &StatusExchange::requestStatus);
    m_exchange->open();
    m_exchange->requestStatus();
}

void StatusCommand::showCountdown(int progress) {
    if (progress > 0)
        m_session.progress().show("waiting for the status of " + m_mac + ": " +
                                  std::to_string(progress / 10) + " s left");
}

void StatusCommand::answered(const std::optional<PrinterStatusFlags>& flags) {
    m_session.progress().clear();
    const CommandLine& line = m_session.line();
    if (!line.watchSeconds) {
        if (line.format == OutputFormat::Json)
            writeOut(StatusJson(m_mac, m_ip, flags));
        else if (flags)
            writeOut(QByteArray::fromStdString(StatusText(*flags)));
        else
            m_session.progress().line("no status answer from " + m_mac + " (" + m_ip + ")");
        m_exchange->close();
        Q_EMIT done(flags ? ExitSuccess : ExitNothing);
        return;
    }
    // Watching: only what changed, each line stamped, until interrupted.
    const QString now = QDateTime::currentDateTime().toString(Qt::ISODate);
    const std::vector<std::string> changes = StatusChanges(m_last, m_looked, flags);
    if (line.format == OutputFormat::Json) {
        if (!changes.empty())
            writeOut(StatusJson(m_mac, m_ip, flags, now.toStdString()));
    } else {
        for (const std::string& change : changes)
            writeOut(now.toUtf8() + ' ' + QByteArray::fromStdString(change) + '\n');
    }
    m_looked = true;
    m_last = flags;
    // Nobody reads a watch whose output is gone.
    if (OutputFailure()) {
        m_exchange->close();
        Q_EMIT done(ExitOutput);
        return;
    }
    m_watch.start(*line.watchSeconds * 1000);
}

} // namespace quorvel
