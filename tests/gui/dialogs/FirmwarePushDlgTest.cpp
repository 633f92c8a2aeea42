// The firmware dialog's wiring, on in-memory sockets: the transfer's bytes on
// the bar, the wait for the board, the verdict, and Cancel.
#include "gui/dialogs/FirmwarePushDlg.h"

#include "FakeDatagramSocket.h"
#include "SearchReplyBytes.h"
#include "core/firmware/BoardReturnWatch.h"
#include "core/firmware/FirmwarePush.h"
#include "protocol/TftpPackets.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

constexpr std::uint32_t kBoard = 0xC0A80132; // 192.168.1.50, as SearchReplyBytes answers
constexpr std::uint16_t kTid = 40001;

struct Fixture {
    Fixture()
        : tftp(new FakeDatagramSocket), search(new FakeDatagramSocket),
          dispatch(std::unique_ptr<DatagramSocket>(search)), watch(dispatch, ports),
          push({{192, 168, 1, 50}, MacAddress{0x00, 0x0B, 0x3C, 0x12, 0x34, 0x07}, 0},
               QByteArray(2500, 'x'), std::unique_ptr<DatagramSocket>(tftp), &watch),
          dialog(push, QStringLiteral("printer-v2.img")) {
        push.start();
        answer(EncodeTftpOptionAck({{"blksize", "1000"}}));
    }
    void answer(std::vector<std::uint8_t> bytes) {
        tftp->push(std::move(bytes), kTid, kBoard);
        tftp->deliverAll();
    }

    FakeDatagramSocket* tftp;
    FakeDatagramSocket* search;
    RemotePortList ports;
    SocketDispatch dispatch;
    BoardReturnWatch watch;
    FirmwarePush push;
    FirmwarePushDlg dialog;
};

} // namespace

class FirmwarePushDlgTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheBytesThenWaitsThenSaysTheBoardIsBack() {
        Fixture f;
        QCOMPARE(f.dialog.stageText(), QStringLiteral("Starting TFTP Bootloader..."));
        f.answer(EncodeTftpAck(1));
        QCOMPARE(f.dialog.bar().value(), 40);
        QCOMPARE(f.dialog.bytesText(), QStringLiteral("已发送 1000 / 2500 字节"));
        f.answer(EncodeTftpAck(2));
        f.answer(EncodeTftpAck(3));
        QCOMPARE(f.dialog.bar().value(), 100);
        QCOMPARE(f.dialog.stageText(),
                 QStringLiteral("Please wait 10 - 15 seconds for firmware update to complete..."));
        QCOMPARE(f.dialog.verdictText(),
                 QStringLiteral("sent; waiting for the board to answer again"));
        QCOMPARE(f.dialog.button().text(), QStringLiteral("取消"));

        // The wait asks the board's own address, never the shared socket.
        QTRY_VERIFY(!f.search->sent.empty());
        QCOMPARE(f.search->sent[0].ip, kBoard);
        const auto& request = f.search->sent[0].bytes;
        const auto number = std::uint16_t(request[2] << 8 | request[3]);
        f.search->push(SearchReplyBytes(number, 0x08), 3040, kBoard); // another board
        f.search->deliverAll();
        QCOMPARE(f.push.verdict(), FirmwareVerdict::Pending);
        f.search->push(SearchReplyBytes(number, 0x07), 3040, kBoard);
        f.search->deliverAll();
        QTRY_COMPARE(f.dialog.verdictText(), QStringLiteral("sent, and the board answers again"));
        QCOMPARE(f.dialog.button().text(), QStringLiteral("关闭"));
    }

    void cancelStopsTheTransferAndTheNextPressCloses() {
        Fixture f;
        f.dialog.show();
        f.answer(EncodeTftpAck(1));
        f.dialog.button().click();
        QCOMPARE(DecodeTftpPacket(f.tftp->sent.back().bytes).kind, TftpPacket::Kind::Error);
        QCOMPARE(f.tftp->sent.back().port, kTid);
        QCOMPARE(f.dialog.verdictText(),
                 QStringLiteral("cancelled: 1000 of 2500 bytes acknowledged"));
        QVERIFY(f.dialog.isVisible());
        QVERIFY(f.search->sent.empty());
        f.dialog.button().click();
        QVERIFY(!f.dialog.isVisible());
        QCOMPARE(f.dialog.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(FirmwarePushDlgTest)
#include "FirmwarePushDlgTest.moc"
