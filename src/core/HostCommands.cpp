#include "HostCommands.h"

#include "Messages.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <bit>
#include <cstring>

namespace quorvel {

namespace {

HostCommandRunner* g_runner = nullptr;

constexpr unsigned kRouteUp = 0x0001;

// A /proc/net/route address: the raw network-order word, printed as a
// native integer.
bool routeAddress(const QString& hex, std::uint8_t (&bytes)[4]) {
    bool ok = false;
    const std::uint32_t word = hex.toUInt(&ok, 16);
    if (ok)
        std::memcpy(bytes, &word, sizeof bytes);
    return ok;
}

} // namespace

HostCommandRunner* CurrentHostCommandRunner() {
    return g_runner;
}

HostCommandRunner* SetHostCommandRunner(HostCommandRunner* runner) {
    HostCommandRunner* previous = g_runner;
    g_runner = runner;
    return previous;
}

QString RouteInterfaceFor(const QString& procNetRoute, const std::uint8_t (&ip)[4]) {
    QString best;
    int bestPrefix = -1;
    unsigned bestMetric = 0;
    const QStringList lines = procNetRoute.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList f =
            line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        if (f.size() < 8)
            continue;
        std::uint8_t destination[4], mask[4];
        bool flagsOk = false, metricOk = false;
        const unsigned flags = f[3].toUInt(&flagsOk, 16);
        const unsigned metric = f[6].toUInt(&metricOk);
        if (!flagsOk || !metricOk || !(flags & kRouteUp) || !routeAddress(f[1], destination) ||
            !routeAddress(f[7], mask))
            continue;
        int prefix = 0;
        bool matches = true;
        for (int i = 0; i < 4; ++i) {
            matches = matches && (ip[i] & mask[i]) == destination[i];
            prefix += std::popcount(mask[i]);
        }
        if (!matches)
            continue;
        if (prefix > bestPrefix || (prefix == bestPrefix && metric < bestMetric)) {
            best = f[0];
            bestPrefix = prefix;
            bestMetric = metric;
        }
    }
    return best;
}

QString DottedAddress(const std::uint8_t (&ip)[4]) {
    return QString::asprintf("%i.%i.%i.%i", ip[0], ip[1], ip[2], ip[3]);
}

HostCommand HostCommands::clearArpCache() {
    // Permanent entries stay: the administrator's, and the tool's own until
    // its assign dialog closes.
    return {QStringLiteral("arp -d *"),
            HostWindow::Hidden,
            {QStringLiteral("ip"), QStringLiteral("-4"), QStringLiteral("neigh"),
             QStringLiteral("flush"), QStringLiteral("all")},
            {}};
}

HostCommand HostCommands::staticArpEntry(const std::uint8_t (&ip)[4], const std::uint8_t (&mac)[6],
                                         const QString& interfaceName) {
    HostCommand command;
    command.windowsText =
        QStringLiteral("arp -s ") + QString::asprintf("%i.%i.%i.%i ", ip[0], ip[1], ip[2], ip[3]) +
        QString::asprintf("%X-%X-%X-%X-%X-%X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    command.window = HostWindow::Hidden;
    const QString address = DottedAddress(ip);
    const QString lladdr = QString::asprintf("%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1],
                                             mac[2], mac[3], mac[4], mac[5]);
    if (interfaceName.isEmpty())
        command.argv = {QStringLiteral("arp"), QStringLiteral("-s"), address, lladdr};
    else
        command.argv = {QStringLiteral("ip"),     QStringLiteral("neigh"),
                        QStringLiteral("add"),    address,
                        QStringLiteral("lladdr"), lladdr,
                        QStringLiteral("nud"),    QStringLiteral("permanent"),
                        QStringLiteral("dev"),    interfaceName};
    return command;
}

HostCommand HostCommands::removeNeighbourEntry(const std::uint8_t (&ip)[4],
                                               const QString& interfaceName) {
    const QString address = DottedAddress(ip);
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

HostCommand HostCommands::ping(const std::uint8_t (&ip)[4], const QString& interfaceName) {
    QStringList argv{QStringLiteral("ping")};
    if (!interfaceName.isEmpty())
        argv << QStringLiteral("-I") << interfaceName;
    argv << QStringLiteral("-c") << QStringLiteral("6") << DottedAddress(ip);
    return {QStringLiteral("ping -n 6 ") +
                QString::asprintf("%i.%i.%i.%i ", ip[0], ip[1], ip[2], ip[3]),
            HostWindow::Terminal,
            argv,
            {}};
}

HostCommand HostCommands::webPage(const std::uint8_t (&ip)[4]) {
    const QString address = QString::asprintf("http://%d.%d.%d.%d/", ip[0], ip[1], ip[2], ip[3]);
    return {address, HostWindow::Browser, {}, QUrl(address)};
}

HostCommand HostCommands::telnet(const std::uint8_t (&ip)[4]) {
    return {QString::asprintf("explorer telnet://%i.%i.%i.%i", ip[0], ip[1], ip[2], ip[3]),
            HostWindow::Terminal,
            {QStringLiteral("telnet"), DottedAddress(ip)},
            {},
            QStringLiteral("telnet"),
            QStringLiteral("telnet")};
}

HostCommand HostCommands::tftpPush(const std::uint8_t (&ip)[4], const QString& imagePath) {
    // Up to and including the first colon: "C:" for a drive letter, nothing
    // for a path without one.
    const qsizetype colon = imagePath.indexOf(QLatin1Char(':'));
    const QString drive = colon < 0 ? QString() : imagePath.left(colon + 1);
    const QString address = QString::asprintf("%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);

    HostCommand command;
    command.windowsText = QStringLiteral("CMD /K ECHO Starting TFTP Bootloader... && ECHO Please "
                                         "wait 10 - 15 seconds for firmware update to complete... "
                                         "&& ") +
                          drive + QStringLiteral(" && tftp -i ") + address +
                          QStringLiteral(" PUT ") + QLatin1Char('"') + imagePath +
                          QLatin1Char('"') + QStringLiteral(" boot.img");
    command.window = HostWindow::Terminal;
    // The script is fixed; the path and the address arrive as $1 and $2.
    // tftp's -c takes the words after it as they are, so a path with blanks,
    // quotes or newlines stays one file name. Like the /K window, the
    // terminal stays open with a shell afterwards.
    static const QString script =
        QStringLiteral("echo 'Starting TFTP Bootloader...'\n"
                       "echo 'Please wait 10 - 15 seconds for firmware update to complete...'\n"
                       "tftp -m binary \"$2\" -c put \"$1\" boot.img\n"
                       "if [ -t 0 ]; then exec \"${SHELL:-/bin/sh}\"; fi\n");
    command.argv = {QStringLiteral("sh"),
                    QStringLiteral("-c"),
                    script,
                    QStringLiteral("sh"),
                    imagePath,
                    address};
    command.tool = QStringLiteral("tftp");
    command.toolPackage = QStringLiteral("tftp-hpa");
    return command;
}

void HostCommands::runWhereSeen(const HostCommand& command) {
    if (!g_runner)
        return;
    const QString missing = g_runner->missingFor(command);
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
    if (!g_runner)
        return;
    switch (command.window) {
    case HostWindow::Hidden:
        g_runner->runHidden(command, std::move(onEnd));
        break;
    case HostWindow::Terminal:
        g_runner->runInTerminal(command);
        break;
    case HostWindow::Browser:
        g_runner->openUrl(command);
        break;
    }
}

} // namespace quorvel
