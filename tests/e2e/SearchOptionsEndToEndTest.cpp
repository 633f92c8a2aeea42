// The window's explanation of an empty search and its search settings, over
// the real socket in a two-link rig without a default route and with loose
// reverse-path filtering: a foreign board's dropped reply, a host firewall
// and the fixed local port that gets past it, an address searched besides
// the broadcast, and a cable without an address. Runs inside
// tests/e2e/rig.sh --links 2 --no-default-route --rp-filter 2; and inside
// rig.sh --router, where the boards sit behind a router.
#include "ModalDriver.h"
#include "RealSocketApp.h"
#include "RecordingMessageSink.h"
#include "SimulatorRig.h"
#include "core/exchange/DeviceTable.h"
#include "core/exchange/SearchSettings.h"
#include "gui/dialogs/SearchExplanationDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <set>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

QString writeFile(const QString& name, const QByteArray& text) {
    const QString path = qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + u'/' + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return path;
}

QStringList boards(const char* name, const char* row) {
    return {"--boards", writeFile(name, QByteArray("mac,ip,mask,gateway,name\n") + row)};
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

// One search of the window to its end: the IPs listed.
std::set<QString> search(RealSocketApp& a) {
    ModalDriver driver;
    driver.pollMs = 50;
    driver.drive = [](QDialog&) {}; // the search closes by itself
    driver.run(
        [&] { qobject_cast<QAbstractButton*>(a.window->control(MainControl::Search))->click(); });
    std::set<QString> ips;
    for (const DeviceRecord& r : a.window->deviceTable().recordList())
        ips.insert(QString::fromStdString(Ipv4Text(r.ip)));
    return ips;
}

// The box that opened after the search: its title, summary and details, one
// text; its commands copied; then closed. Empty when none opened.
QString shownExplanation() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<SearchExplanationDlg*>(w); box && box->isVisible()) {
            if (auto* copy = box->findChild<QPushButton*>("copyCommands"))
                copy->click();
            const QString text = box->windowTitle() + u'\n' +
                                 box->findChild<QLabel*>("summary")->text() + u'\n' +
                                 box->findChild<QPlainTextEdit*>("details")->toPlainText();
            box->close();
            return text;
        }
    return {};
}

#define EXPECT_IN(text, needle) QVERIFY2((text).contains(needle), qPrintable(text))

} // namespace

class SearchOptionsEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString why = SimulatorRig::unavailableReason();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        // Settings of this rig's own: other runs of this test go on at the same time.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           qEnvironmentVariable("QUORVEL_RIG_WORKDIR"));
    }

    void theWindowExplainsAndSearchesWhereItIsPointed() {
        if (qEnvironmentVariable("QUORVEL_RIG_LINKS") != "2")
            QSKIP("runs in rig.sh --links 2 --no-default-route --rp-filter 2");
        const QString link1 = qEnvironmentVariable("QUORVEL_RIG_TOOL_IF");
        const QString link2 = qEnvironmentVariable("QUORVEL_RIG_TOOL_IF_2");
        RecordingMessageSink sink;
        RealSocketApp a;
        QCOMPARE(a.opened, SocketOpenResult::Opened);
        a.window->show();
        auto* marker = a.window->findChild<QLabel*>("searchSettingsMarker");
        QVERIFY(marker && marker->isHidden());
        SimulatorRig rig1(1), rig2(2);
        QString error;
        const QClipboard* clipboard = QGuiApplication::clipboard();

        // A board on a factory address foreign to link 2's subnet: its reply
        // is dropped, and the box says where and why.
        QVERIFY2(rig2.start(boards("foreign.csv", "02-51-56-CC-00-12,198.19.100.7,255.255.0.0,"
                                                  "198.19.100.1,新机\n"),
                            &error),
                 qPrintable(error));
        QCOMPARE(search(a), std::set<QString>{});
        QVERIFY(!rig2.received("search").isEmpty());
        QString shown = shownExplanation();
        QVERIFY(shown.startsWith(QStringLiteral("未找到设备\n没有设备应答搜索。")));
        EXPECT_IN(shown, QStringLiteral("发往 %1 的应答（宽松反向路径过滤 (rp_filter 2) "
                                        "且没有默认路由）")
                             .arg(link2));
        EXPECT_IN(shown, QStringLiteral("已搜索的接口：%1, %2").arg(link1, link2));
        EXPECT_IN(shown, QStringLiteral("(in_martian_src)"));
        EXPECT_IN(clipboard->text(), QStringLiteral("ip route add default dev %1\nsysctl -w "
                                                    "net/ipv4/conf/%1/rp_filter=0 "
                                                    "net/ipv4/conf/all/rp_filter=0\n")
                                         .arg(link2));

        // A host firewall that drops what nobody asked for: the broadcast's
        // replies come from addresses it was not sent to. The fixed local
        // port it lets in finds the boards.
        QVERIFY2(rig1.start({"--count", "2"}, &error), qPrintable(error));
        rig2.stop();
        QVERIFY(
            run("nft", {"-f", writeFile("firewall.nft",
                                        "table inet quorvel_e2e { chain input {\n"
                                        "  type filter hook input priority filter; policy drop;\n"
                                        "  ct state established,related accept\n"
                                        "  udp dport 47000 accept\n}\n}\n")}));
        QCOMPARE(search(a), std::set<QString>{});
        shown = shownExplanation();
        EXPECT_IN(shown, QStringLiteral("主机防火墙已启用（丢弃入站数据的 nftables 策略）"));
        EXPECT_IN(shown, QStringLiteral("搜索设置 (F8)"));
        SearchSettings{{}, {}, 47000}.save();
        QCOMPARE(search(a), (std::set<QString>{"198.18.1.1", "198.18.1.2"}));
        QVERIFY(shownExplanation().isEmpty());
        QCOMPARE(a.socket->localPort(), 47000);
        QVERIFY(run("nft", {"delete", "table", "inet", "quorvel_e2e"}));

        // Link 1 only, and link 2's directed broadcast: the limited broadcast
        // stays on link 1, the directed one goes where the routes lead.
        QVERIFY2(rig2.start(boards("beyond.csv", "02-51-56-CC-00-11,198.19.0.11,255.255.255.0,"
                                                 "198.19.0.1,仓库\n"),
                            &error),
                 qPrintable(error));
        SearchSettings{{link1}, {"198.19.0.255"}, 47000}.save();
        QCOMPARE(search(a), (std::set<QString>{"198.18.1.1", "198.18.1.2", "198.19.0.11"}));
        QSet<QString> heardOn2;
        for (const LoggedDatagram& d : rig2.received("search"))
            heardOn2.insert(d.to);
        QCOMPARE(heardOn2, QSet<QString>{"198.19.0.255:3040"});
        QVERIFY(marker->isVisible());
        QCOMPARE(marker->text(),
                 QStringLiteral("搜索设置已更改：仅接口 %1；另搜 198.19.0.255；本地端口 47000")
                     .arg(link1));
        SearchSettings().save();

        // A cable in, no address: the box names the link and the command
        // that gives it one.
        rig1.stop();
        rig2.stop();
        QVERIFY(run("ip", {"addr", "flush", "dev", link2}));
        QCOMPARE(search(a), std::set<QString>{});
        shown = shownExplanation();
        EXPECT_IN(shown, QStringLiteral("%1 已连接网线，但没有 IPv4 地址").arg(link2));
        EXPECT_IN(shown, QStringLiteral("ip addr add 169.254."));
        EXPECT_IN(clipboard->text(), QStringLiteral("/16 dev %1\n").arg(link2));
        QVERIFY(marker->isHidden());
        QVERIFY(sink.messages.empty());
    }

    // The limited broadcast stops at the router; the far subnet's directed
    // broadcast and a board's own address cross it, and the replies come back.
    void theWindowAndTheCommandLineReachBoardsBehindARouter() {
        if (qEnvironmentVariableIsEmpty("QUORVEL_RIG_ROUTER_NS"))
            QSKIP("runs in rig.sh --router");
        const QString broadcast = qEnvironmentVariable("QUORVEL_RIG_FAR_BROADCAST");
        RecordingMessageSink sink;
        RealSocketApp a;
        QCOMPARE(a.opened, SocketOpenResult::Opened);
        a.window->show();
        SimulatorRig rig;
        QString error;
        QVERIFY2(rig.start(boards("far.csv", "02-51-56-CC-00-21,198.19.5.11,255.255.255.0,"
                                             "198.19.5.254,前台\n"
                                             "02-51-56-CC-00-22,198.19.5.12,255.255.255.0,"
                                             "198.19.5.254,厨房\n"),
                           &error),
                 qPrintable(error));
        const std::pair<QString, std::set<QString>> cases[] = {
            {{}, {}},
            {broadcast, {"198.19.5.11", "198.19.5.12"}},
            {"198.19.5.12", {"198.19.5.12"}}};
        for (const auto& [target, found] : cases) {
            const QStringList targets = target.isEmpty() ? QStringList() : QStringList{target};
            SearchSettings{{}, targets, 0}.save();
            const qsizetype heardBefore = rig.received("search").size();
            QCOMPARE(search(a), found);
            QStringList heard; // nothing crossed the router but the target
            for (const LoggedDatagram& d : rig.received("search").mid(heardBefore))
                heard << d.to.section(u':', 0, 0);
            heard.removeDuplicates();
            QCOMPARE(heard, targets);
            QCOMPARE(shownExplanation().isEmpty(), !found.empty());
        }
        SearchSettings().save();
        QVERIFY(sink.messages.empty());

        QProcess cli;
        cli.start(QStringLiteral(QUORVEL_CLI),
                  {"search", "--csv", "--wait", "2", "--target", broadcast});
        QVERIFY(cli.waitForFinished(20000) && cli.exitCode() == 0);
        const QString out = QString::fromUtf8(cli.readAllStandardOutput());
        QVERIFY2(out.contains("198.19.5.11,") && out.contains("198.19.5.12,"), qPrintable(out));
    }
};

QTEST_MAIN(SearchOptionsEndToEndTest)
#include "SearchOptionsEndToEndTest.moc"
