#include "SearchOptions.h"

#include "CQuorvelApp.h"
#include "CQuorvelDlg.h"
#include "core/host/HostNetworkProbe.h"
#include "core/exchange/SearchExchange.h"
#include "core/net/UdpSocket.h"
#include "gui/boardlist/CNetDisplay.h"
#include "gui/dialogs/SearchExplanationDlg.h"
#include "gui/dialogs/SearchSettingsDlg.h"
#include "gui/frame/AppMessageBox.h"
#include "protocol/Addresses.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QShortcut>
#include <cerrno>
#include <cstring>

namespace quorvel {

namespace {

std::optional<SearchExplanation>& lastExplanation() {
    static std::optional<SearchExplanation> explanation;
    return explanation;
}

// The port the socket was last bound to on the settings' behalf.
std::uint16_t& boundPort() {
    static std::uint16_t port = 0;
    return port;
}

const char kMarkerName[] = "searchSettingsMarker";

void updateMarker(CQuorvelDlg& window) {
    auto* marker = window.findChild<QLabel*>(QLatin1String(kMarkerName));
    if (!marker)
        return;
    const QString summary = SearchSettingsSummary(SearchSettings::load());
    marker->setText(summary);
    marker->setToolTip(summary);
    marker->setAccessibleDescription(summary);
    marker->setVisible(!summary.isEmpty());
}

} // namespace

QString SearchSettingsSummary(const SearchSettings& settings) {
    QStringList parts;
    if (!settings.interfaces.isEmpty())
        parts << CQuorvelDlg::tr("仅接口 %1").arg(settings.interfaces.join(QStringLiteral(", ")));
    if (!settings.targets.isEmpty())
        parts << CQuorvelDlg::tr("另搜 %1").arg(settings.targets.join(QStringLiteral(", ")));
    if (settings.localPort != 0)
        parts << CQuorvelDlg::tr("本地端口 %1").arg(settings.localPort);
    if (parts.isEmpty())
        return {};
    return CQuorvelDlg::tr("搜索设置已更改：%1").arg(parts.join(QStringLiteral("；")));
}

SearchRun::SearchRun(CQuorvelApp& app, SearchExchange& exchange)
    : m_app(app), m_settings(SearchSettings::load()) {
    std::vector<std::uint32_t> targets;
    for (const QString& text : m_settings.targets)
        if (const auto address = ParseIpv4Address(text.toStdString()))
            targets.push_back(Ipv4Word(*address));
    exchange.setExtraTargets(std::move(targets));

    auto* socket = dynamic_cast<UdpSocket*>(app.dispatch.socket());
    if (!socket)
        return;
    std::vector<std::string> allowed;
    for (const QString& name : m_settings.interfaces)
        allowed.push_back(name.toStdString());
    socket->setAllowedInterfaces(std::move(allowed));
    if (m_settings.localPort != boundPort() || !socket->isOpen()) {
        socket->close();
        socket->setLocalPort(m_settings.localPort);
        if (socket->open() == SocketOpenResult::Opened) {
            boundPort() = m_settings.localPort;
        } else {
            const int error = errno;
            // The search still runs, from a port the system picks.
            AppMessageBox(CQuorvelDlg::tr("无法使用本地端口 %1：%2")
                              .arg(m_settings.localPort)
                              .arg(QString::fromLocal8Bit(std::strerror(error))));
            socket->setLocalPort(0);
            socket->open();
            boundPort() = 0;
        }
    }
    m_martiansBefore = ReadMartianSourceCount();
}

void SearchRun::finished(CQuorvelDlg& window, std::size_t boardsFound) {
    updateMarker(window);
    auto* socket = dynamic_cast<UdpSocket*>(m_app.dispatch.socket());
    // The host's facts describe only a search on the real socket.
    if (!socket)
        return;
    std::vector<std::string> allowed;
    for (const QString& name : m_settings.interfaces)
        allowed.push_back(name.toStdString());
    SearchEnvironment env =
        GatherSearchEnvironment(allowed, socket->broadcastFailures(), boardsFound == 0);
    env.martiansBefore = m_martiansBefore;
    if (m_settings.localPort != 0)
        env.localPort = m_settings.localPort;
    lastExplanation() = ExplainSearch(env, boardsFound);
    if (boardsFound == 0 && ExplainEmptySearches())
        ShowWhyBoardsAreMissing(&window);
}

const std::optional<SearchExplanation>& LastSearchExplanation() {
    return lastExplanation();
}

void ShowWhyBoardsAreMissing(QWidget* parent) {
    // One box at a time: a new search's explanation replaces the last one.
    static QPointer<SearchExplanationDlg> open;
    if (open)
        open->close();
    open = new SearchExplanationDlg(lastExplanation(), parent);
    open->setAttribute(Qt::WA_DeleteOnClose);
    open->show();
}

void OpenSearchSettings(CQuorvelDlg& window) {
    SearchSettingsDlg dialog(SearchSettings::load(), &window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.settings().save();
    updateMarker(window);
}

void AddSearchOptionEntries(QMenu& menu, CQuorvelDlg& window) {
    menu.addSeparator();
    QAction* settings = menu.addAction(CQuorvelDlg::tr("搜索设置…"));
    settings->setObjectName(QStringLiteral("boardMenu.searchSettings"));
    settings->setShortcut(QKeySequence(Qt::Key_F8));
    QObject::connect(settings, &QAction::triggered, &window,
                     [&window] { OpenSearchSettings(window); });
    QAction* why = menu.addAction(CQuorvelDlg::tr("为什么找不到设备？"));
    why->setObjectName(QStringLiteral("boardMenu.whyMissing"));
    QObject::connect(why, &QAction::triggered, &window,
                     [&window] { ShowWhyBoardsAreMissing(&window); });
}

void InstallSearchOptions(CQuorvelDlg& window) {
    // Above the list, where only hidden controls lie: a forgotten filter is
    // in sight whenever the window is.
    QWidget* list = &window.deviceList();
    auto* marker = new QLabel(list->parentWidget());
    marker->setObjectName(QLatin1String(kMarkerName));
    marker->setGeometry(list->x(), 2, list->width(), list->y() - 4);
    marker->setStyleSheet(QStringLiteral("color: #b34700;"));
    marker->setAccessibleName(CQuorvelDlg::tr("搜索设置"));
    marker->setTextFormat(Qt::PlainText);
    updateMarker(window);

    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F8), &window);
    QObject::connect(shortcut, &QShortcut::activated, &window,
                     [&window] { OpenSearchSettings(window); });
}

} // namespace quorvel
