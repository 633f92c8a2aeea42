// The window's search options and its explanation of an empty search, over
// the real socket in a two-link rig without a default route and with loose
// reverse-path filtering: a foreign board's dropped reply, a host firewall
// and the fixed local port that gets past it, an address searched beyond
// the broadcast's links, and a cable without an address. Runs inside
// tests/e2e/rig.sh --links 2 --no-default-route --rp-filter 2.
#include "ModalDriver.h"
#include "RealSocketApp.h"
#include "RecordingMessageSink.h"
#include "SimulatorRig.h"
#include "core/DeviceTable.h"
#include "core/SearchSettings.h"
#include "gui/dialogs/SearchExplanationDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <set>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

const QString kHeader = QStringLiteral("mac,ip,mask,gateway,name\n");

QString writeBoards(const QString& name, const QString& rows) {
    const QString path = qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + u'/' + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write((kHeader + rows).toUtf8());
    return path;
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Runs one search of the window to its end; returns the IPs listed.
std::set<QString> search(RealSocketApp& a) {
    ModalDriver driver;
    driver.pollMs = 50;
    driver.drive = [](QDialog&) {}; // the search closes by itself
    driver.run([&] { qobject_cast<QAbstractButton*>(a.window->control(1005))->click(); });
    std::set<QString> ips;
    for (const DeviceRecord& r : a.window->deviceTable().recordList())
        ips.insert(QString::fromStdString(Ipv4Text(r.ip)));
    return ips;
}

// The explanation box that opened after the search, as its texts.
struct Shown {
    QString title, summary, details;
    bool canCopy = false;
};
std::optional<Shown> shownExplanation() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<SearchExplanationDlg*>(w); box && box->isVisible()) {
            Shown s{box->windowTitle(), box->findChild<QLabel*>("summary")->text(),
                    box->findChild<QPlainTextEdit*>("details")->toPlainText(),
                    box->findChild<QPushButton*>("copyCommands") != nullptr};
            if (s.canCopy)
                box->findChild<QPushButton*>("copyCommands")->click();
            box->close();
            return s;
        }
    return std::nullopt;
}

} // namespace

class SearchOptionsEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString why = SimulatorRig::unavailableReason(2);
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        if (qEnvironmentVariable("QUORVEL_RIG_LINKS") != "2")
            QSKIP("runs in rig.sh --links 2 --no-default-route --rp-filter 2");
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("quorvel"), QStringLiteral("Quorvel")).clear();
    }

    void theWindowExplainsAndSearchesWhereItIsPointed() {
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

        // A board on a factory address foreign to link 2's subnet: its reply
        // is dropped, and the box says where and why.
        QVERIFY2(
            rig2.start({"--boards", writeBoards("foreign.csv", "02-51-56-CC-00-12,198.19.100.7,"
                                                               "255.255.0.0,198.19.100.1,新机\n")},
                       &error),
            qPrintable(error));
        QCOMPARE(search(a), std::set<QString>{});
        QVERIFY(!rig2.received("search").isEmpty());
        auto shown = shownExplanation();
        QVERIFY(shown);
        QCOMPARE(shown->title, QStringLiteral("未找到设备"));
        QVERIFY2(shown->summary.contains(QStringLiteral("没有设备应答搜索。")),
                 qPrintable(shown->summary));
        QVERIFY2(
            shown->summary.contains(QStringLiteral("发往 %1 的应答（宽松反向路径过滤 (rp_filter 2) "
                                                   "且没有默认路由）")
                                        .arg(link2)),
            qPrintable(shown->summary));
        QVERIFY2(shown->details.contains(QStringLiteral("已搜索的接口：%1, %2").arg(link1, link2)),
                 qPrintable(shown->details));
        QVERIFY2(shown->details.contains(QStringLiteral("(in_martian_src)")),
                 qPrintable(shown->details));
        QVERIFY2(QGuiApplication::clipboard()->text().contains(
                     QStringLiteral("ip route add default dev %1\nsysctl -w "
                                    "net/ipv4/conf/%1/rp_filter=0 net/ipv4/conf/all/rp_filter=0\n")
                         .arg(link2)),
                 qPrintable(QGuiApplication::clipboard()->text()));

        // A host firewall that drops what nobody asked for: the broadcast's
        // replies come from addresses it was not sent to.
        QVERIFY2(rig1.start({"--count", "2"}, &error), qPrintable(error));
        rig2.stop();
        const QString rules = qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + "/firewall.nft";
        QFile ruleFile(rules);
        QVERIFY(ruleFile.open(QIODevice::WriteOnly));
        ruleFile.write("table inet quorvel_e2e {\n"
                       "  chain input {\n"
                       "    type filter hook input priority filter; policy drop;\n"
                       "    ct state established,related accept\n"
                       "    iif lo accept\n"
                       "    udp dport 47000 accept\n"
                       "  }\n"
                       "}\n");
        ruleFile.close();
        QVERIFY(run("nft", {"-f", rules}));
        QCOMPARE(search(a), std::set<QString>{});
        shown = shownExplanation();
        QVERIFY(shown);
        QVERIFY2(shown->summary.contains(
                     QStringLiteral("主机防火墙已启用（丢弃入站数据的 nftables 策略）")),
                 qPrintable(shown->summary));
        QVERIFY2(shown->summary.contains(QStringLiteral("搜索设置 (F8)")),
                 qPrintable(shown->summary));

        SearchSettings fixedPort;
        fixedPort.localPort = 47000;
        fixedPort.save();
        QCOMPARE(search(a), (std::set<QString>{"198.18.1.1", "198.18.1.2"}));
        QVERIFY(!shownExplanation());
        QCOMPARE(a.socket->localPort(), 47000);
        QVERIFY(run("nft", {"delete", "table", "inet", "quorvel_e2e"}));

        // One link only, and the other link's directed broadcast: the limited
        // broadcast stays on link 1, the directed one goes where the routes
        // lead.
        QVERIFY2(
            rig2.start({"--boards", writeBoards("beyond.csv", "02-51-56-CC-00-11,198.19.0.11,"
                                                              "255.255.255.0,198.19.0.1,仓库\n")},
                       &error),
            qPrintable(error));
        SearchSettings pointed;
        pointed.interfaces = {link1};
        pointed.targets = {"198.19.0.255"};
        pointed.save();
        QCOMPARE(search(a), (std::set<QString>{"198.18.1.1", "198.18.1.2", "198.19.0.11"}));
        QSet<QString> heardOn2;
        for (const LoggedDatagram& d : rig2.received("search"))
            heardOn2.insert(d.to);
        QVERIFY(heardOn2.contains("198.19.0.255:3040"));
        QVERIFY(!heardOn2.contains("255.255.255.255:3040"));
        QVERIFY(marker->isVisible());
        QCOMPARE(marker->text(),
                 QStringLiteral("搜索设置已更改：仅接口 %1；另搜 198.19.0.255").arg(link1));
        SearchSettings().save();

        // A cable in, no address: the box names the link and the command
        // that gives it one.
        rig1.stop();
        rig2.stop();
        QVERIFY(run("ip", {"addr", "flush", "dev", link2}));
        QCOMPARE(search(a), std::set<QString>{});
        shown = shownExplanation();
        QVERIFY(shown);
        QVERIFY2(
            shown->summary.contains(QStringLiteral("%1 已连接网线，但没有 IPv4 地址").arg(link2)),
            qPrintable(shown->summary));
        QVERIFY2(shown->summary.contains(QStringLiteral("ip addr add 169.254.")),
                 qPrintable(shown->summary));
        QVERIFY2(QGuiApplication::clipboard()->text().contains(
                     QStringLiteral("/16 dev %1\n").arg(link2)),
                 qPrintable(QGuiApplication::clipboard()->text()));
        QVERIFY(sink.messages.empty());
    }
};

QTEST_MAIN(SearchOptionsEndToEndTest)
#include "SearchOptionsEndToEndTest.moc"
