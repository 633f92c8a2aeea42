#pragma once

#include "BoardSearch.h"
#include "protocol/PrinterStatusDatagrams.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

namespace quorvel {

class CliSession;
class StatusExchange;

// `quorvel status`: finds the board by a search (for its reply port and
// link), then asks the status dialog's one question with its 4-second wait.
// With --watch it asks again every few seconds and prints what changed.
class StatusCommand : public QObject {
    Q_OBJECT
public:
    explicit StatusCommand(CliSession& session, QObject* parent = nullptr);
    ~StatusCommand() override;
    void start();

Q_SIGNALS:
    void done(int exitCode);

private:
    bool isWanted(const DeviceRecord& record) const;
    void boardSearched();
    void answered(const std::optional<PrinterStatusFlags>& flags);
    void showCountdown(int progress);

    CliSession& m_session;
    BoardSearch m_search;
    std::unique_ptr<StatusExchange> m_exchange;
    QTimer m_watch;
    std::string m_mac, m_ip;
    bool m_looked = false;
    std::optional<PrinterStatusFlags> m_last;
};

} // namespace quorvel
