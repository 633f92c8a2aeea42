#include "core/host/HostCommands.h"

#include "core/messages/Messages.h"

#include <QCoreApplication>

namespace quorvel {

namespace {

QString text(const Ipv4Address& ip) {
    return QString::fromStdString(Ipv4Text(ip));
}

} // namespace

HostCommand HostCommands::clearArpCache(const QString& interfaceName) {
    // Permanent entries stay: the administrator's, and the tool's own until
    // its assign dialog closes.
    return {QStringLiteral("arp -d *"),
            HostWindow::Hidden,
            {QStringLiteral("ip"), QStringLiteral("-4"), QStringLiteral("neigh"),
             QStringLiteral("flush"), QStringLiteral("dev"), interfaceName},
            {}};
}

HostCommand HostCommands::staticArpEntry(const Ipv4Address& ip, const MacAddress& mac,
                                         const QString& interfaceName) {
    HostCommand command;
    command.windowsText =
        QStringLiteral("arp -s ") + QString::asprintf("%i.%i.%i.%i ", ip[0], ip[1], ip[2], ip[3]) +
        QString::asprintf("%X-%X-%X-%X-%X-%X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    command.window = HostWindow::Hidden;
    const QString address = text(ip);
    const QString lladdr = QString::asprintf("%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1],
                                             mac[2], mac[3], mac[4], mac[5]);
    if (interfaceName.isEmpty())
        command.argv = {QStringLiteral("arp"), QStringLiteral("-s"), address, lladdr};
    else
        command.argv = {QStringLiteral("ip"),       QStringLiteral("neigh"),
                        QStringLiteral("add"),      address,
                        QStringLiteral("lladdr"),   lladdr,
                        QStringLiteral("nud"),      QStringLiteral("permanent"),
                        QStringLiteral("dev"),      interfaceName,
                        QStringLiteral("protocol"), QString::number(kNeighbourProtocol)};
    return command;
}

HostCommand HostCommands::removeNeighbourEntry(const Ipv4Address& ip,
                                               const QString& interfaceName) {
    const QString address = text(ip);
    HostCommand command;
    command.windowsText = QStringLiteral("arp -d ") + address;
    command.window = HostWindow::Hidden;
    if (interfaceName.isEmpty())
        command.argv = {QStringLiteral("arp"), QStringLiteral("-d"), address};
    else
        command.argv = {QStringLiteral("ip"),  QStringLiteral("neigh"),
                        QStringLiteral("del"), address,
                        QStringLiteral("dev"), interfaceName};
    return command;
}

HostCommand HostCommands::ping(const Ipv4Address& ip, const QString& interfaceName) {
    QStringList argv{QStringLiteral("ping")};
    if (!interfaceName.isEmpty())
        argv << QStringLiteral("-I") << interfaceName;
    argv << QStringLiteral("-c") << QStringLiteral("6") << text(ip);
    return {QStringLiteral("ping -n 6 ") +
                QString::asprintf("%i.%i.%i.%i ", ip[0], ip[1], ip[2], ip[3]),
            HostWindow::Terminal,
            argv,
            {}};
}

HostCommand HostCommands::webPage(const Ipv4Address& ip) {
    const QString address = QString::asprintf("http://%d.%d.%d.%d/", ip[0], ip[1], ip[2], ip[3]);
    return {address, HostWindow::Browser, {}, QUrl(address)};
}

HostCommand HostCommands::telnet(const Ipv4Address& ip) {
    return {QString::asprintf("explorer telnet://%i.%i.%i.%i", ip[0], ip[1], ip[2], ip[3]),
            HostWindow::Terminal,
            {QStringLiteral("telnet"), text(ip)},
            {},
            QStringLiteral("telnet"),
            QStringLiteral("telnet")};
}

void HostCommands::runWhereSeen(const HostCommand& command) {
    if (!CurrentHostCommandRunner())
        return;
    const QString missing = CurrentHostCommandRunner()->missingFor(command);
    if (missing.isEmpty()) {
        run(command);
        return;
    }
    if (missing == command.tool)
        ReportMessage(QCoreApplication::translate(
                          "HostCommands", "%1 was not found; install the Debian package %2.")
                          .arg(missing, command.toolPackage));
    else
        ReportMessage(QCoreApplication::translate("HostCommands",
                                                  "No terminal window can be opened (%1 was not "
                                                  "found), so %2 was not started.")
                          .arg(missing, command.tool));
}

void HostCommands::run(const HostCommand& command, OutcomeHandler onEnd) {
    if (!CurrentHostCommandRunner())
        return;
    switch (command.window) {
    case HostWindow::Hidden:
        CurrentHostCommandRunner()->runHidden(command, std::move(onEnd));
        break;
    case HostWindow::Terminal:
        CurrentHostCommandRunner()->runInTerminal(command);
        break;
    case HostWindow::Browser:
        CurrentHostCommandRunner()->openUrl(command);
        break;
    }
}

} // namespace quorvel
