// The TFTP write, stepped packet by packet against a scripted server on the
// in-memory socket: each row plays one server and checks how the transfer
// ends, what it said, and what it sent.
#include "core/firmware/TftpTransfer.h"

#include "FakeDatagramSocket.h"
#include "core/firmware/FirmwareText.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <functional>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kServer = 0xC6120105; // 198.18.1.5
constexpr std::uint16_t kTid = 40001;

struct Fixture {
    explicit Fixture(int size, TftpTransferSettings settings = {})
        : socket(new FakeDatagramSocket),
          transfer(std::unique_ptr<DatagramSocket>(socket), kServer, 7, image(size), settings) {}

    static QByteArray image(int size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7 + i / 251);
        return bytes;
    }
    TftpPacket last() const { return DecodeTftpPacket(socket->sent.back().bytes); }
    void answer(Bytes bytes, std::uint16_t port = kTid, std::uint32_t ip = kServer) {
        socket->push(std::move(bytes), port, ip);
        socket->deliverAll();
    }
    // A good server: acknowledges every block it is sent, keeping a copy.
    void acknowledgeUntil(std::uint64_t bytesAcknowledged) {
        while (!transfer.isFinished() && transfer.outcome().bytesAcknowledged < bytesAcknowledged) {
            auto sent = std::find_if(socket->sent.rbegin(), socket->sent.rend(), [](auto& p) {
                return DecodeTftpPacket(p.bytes).kind == TftpPacket::Kind::Data;
            });
            if (sent == socket->sent.rend())
                return;
            const TftpPacket data = DecodeTftpPacket(sent->bytes);
            received.append(reinterpret_cast<const char*>(data.payload.data()),
                            qsizetype(data.payload.size()));
            answer(EncodeTftpAck(data.block));
        }
    }

    FakeDatagramSocket* socket;
    TftpTransfer transfer;
    QByteArray received;
};

const auto optionAck = EncodeTftpOptionAck;

struct Row {
    const char* name;
    int size;
    std::function<void(Fixture&)> server;
    TftpResult result;
    std::uint64_t acknowledged;
    const char* text; // part of what the user reads
};

} // namespace

class TftpTransferTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serversOfEveryKind() {
        const std::vector<Row> rows = {
            {"options granted: 1468-byte blocks, image arrives whole", 5000,
             [](Fixture& f) {
                 const TftpPacket request = DecodeTftpPacket(f.socket->sent[0].bytes);
                 QVERIFY(request.fileName == "boot.img" && request.mode == "octet");
                 QVERIFY(
                     request.options ==
                     (TftpOptionList{{"blksize", "1468"}, {"tsize", "5000"}, {"timeout", "2"}}));
                 QVERIFY(f.socket->sent[0].port == 69 && f.socket->sent[0].interfaceIndex == 7);
                 QCOMPARE(f.transfer.retransmitTimer().interval(), 2000);
                 f.answer(optionAck({{"blksize", "1468"}, {"tsize", "5000"}, {"timeout", "2"}}));
                 QCOMPARE(f.last().payload.size(), 1468u);
                 f.acknowledgeUntil(5000);
             },
             TftpResult::Sent, 5000, "sent: 5000 bytes"},
            {"options ignored: plain 512-byte blocks, a last empty block", 1024,
             [](Fixture& f) {
                 f.answer(EncodeTftpAck(0));
                 QCOMPARE(f.last().payload.size(), 512u);
                 f.acknowledgeUntil(1024);
                 QCOMPARE(f.socket->sent.size(), 4u); // request, two blocks, an empty one
                 QCOMPARE(f.last().payload.size(), 0u);
                 f.answer(EncodeTftpAck(3));
             },
             TftpResult::Sent, 1024, "sent"},
            {"options refused by error 8: asked again without them", 700,
             [](Fixture& f) {
                 f.answer(EncodeTftpError(TftpOptionsRefused, "no options"), kTftpServerPort);
                 QVERIFY(f.last().options.empty());
                 f.answer(EncodeTftpAck(0));
                 f.acknowledgeUntil(700);
             },
             TftpResult::Sent, 700, "sent"},
            {"read-only folder: the server's error in words", 700,
             [](Fixture& f) {
                 f.answer(EncodeTftpError(TftpAccessViolation, "Permission denied"));
             },
             TftpResult::ServerError, 0,
             "refused: error 2 (access violation): Permission denied; 0 of 700 bytes"},
            {"no server: port unreachable", 700,
             [](Fixture& f) {
                 f.socket->pushReadError();
                 f.socket->deliverAll();
             },
             TftpResult::NoServer, 0, "no TFTP server answered at 198.18.1.5"},
            {"silence: five requests, two seconds apart", 700,
             [](Fixture& f) {
                 for (int i = 0; i < 5; ++i)
                     f.transfer.OnTimeout();
                 QCOMPARE(f.socket->sent.size(), 5u);
             },
             TftpResult::NoAnswer, 0,
             "no TFTP server answered at 198.18.1.5 (nothing came back in 10 s)"},
            {"server falls silent midway: what was sent is said", 3000,
             [](Fixture& f) {
                 f.answer(optionAck({{"blksize", "1000"}}));
                 f.acknowledgeUntil(1000);
                 for (int i = 0; i < 5; ++i)
                     f.transfer.OnTimeout();
             },
             TftpResult::Stalled, 1000, "stopped answering: 1000 of 3000 bytes acknowledged"},
            {"error mid-transfer", 3000,
             [](Fixture& f) {
                 f.answer(optionAck({{"blksize", "1000"}}));
                 f.acknowledgeUntil(2000);
                 f.answer(EncodeTftpError(TftpDiskFull, "Disk full\nor\x1b[2J worse"));
             },
             TftpResult::ServerError, 2000, "error 3 (disk full): Disk full?or?[2J worse"},
            {"strays, garbage and duplicates: the transfer carries on", 2900,
             [](Fixture& f) {
                 f.answer(optionAck({{"blksize", "1000"}}));
                 f.answer(EncodeTftpAck(1), kTid + 9); // another port: told error 5
                 QCOMPARE(DecodeTftpPacket(f.socket->sent.back().bytes).errorCode,
                          TftpUnknownTransferId);
                 QCOMPARE(f.socket->sent.back().port, kTid + 9);
                 const std::size_t sent = f.socket->sent.size();
                 f.answer(EncodeTftpAck(1), kTid, kServer + 1); // another host: dropped
                 f.answer({0xDE, 0xAD});                        // garbage
                 f.answer(EncodeTftpAck(0));                    // an old duplicate
                 QCOMPARE(f.socket->sent.size(), sent);         // nothing answered
                 f.acknowledgeUntil(2900);
                 QCOMPARE(f.transfer.ignoredPackets(), 4);
                 QCOMPARE(f.received, Fixture::image(2900));
             },
             TftpResult::Sent, 2900, "sent"},
            {"an acknowledgement ahead of what was sent", 3000,
             [](Fixture& f) {
                 f.answer(optionAck({{"blksize", "1000"}}));
                 f.answer(EncodeTftpAck(2));
                 QCOMPARE(f.last().errorCode, TftpIllegalOperation);
             },
             TftpResult::BadServer, 0, "it acknowledged block 2 before it was sent"},
            {"an option acknowledgement beyond the offer", 3000,
             [](Fixture& f) {
                 f.answer(optionAck({{"blksize", "9000"}}));
                 QCOMPARE(f.last().errorCode, TftpOptionsRefused);
             },
             TftpResult::BadServer, 0, "block size \"9000\" where 8 to 1468 was offered"},
            {"cancelled: the server is told", 3000,
             [](Fixture& f) {
                 f.answer(optionAck({{"blksize", "1000"}}));
                 f.acknowledgeUntil(1000);
                 f.transfer.cancel();
                 QCOMPARE(f.last().kind, TftpPacket::Kind::Error);
                 QCOMPARE(f.socket->sent.back().port, kTid);
             },
             TftpResult::Cancelled, 1000, "cancelled: 1000 of 3000 bytes acknowledged"},
        };
        for (const Row& row : rows) {
            Fixture f(row.size);
            QSignalSpy finished(&f.transfer, &TftpTransfer::finished);
            f.transfer.start();
            row.server(f);
            const TftpOutcome& outcome = f.transfer.outcome();
            const QString text = TftpOutcomeText(outcome, QStringLiteral("198.18.1.5"));
            QVERIFY2(outcome.result == row.result, row.name);
            QVERIFY2(outcome.bytesAcknowledged == row.acknowledged, row.name);
            QVERIFY2(finished.count() == 1, row.name);
            QVERIFY2(text.contains(QLatin1String(row.text)), qPrintable(row.name + (": " + text)));
        }
    }

    // 8-byte blocks: block 65536 goes out as 0, and the image still arrives whole.
    void blockNumbersRollOver() {
        const int size = 8 * 65536 + 3;
        Fixture f(size);
        QSignalSpy progress(&f.transfer, &TftpTransfer::progressed);
        f.transfer.start();
        f.answer(optionAck({{"blksize", "8"}}));
        f.acknowledgeUntil(8 * 65535);
        QCOMPARE(f.last().block, 0);
        f.acknowledgeUntil(size);
        QCOMPARE(f.transfer.outcome().result, TftpResult::Sent);
        QCOMPARE(f.received, Fixture::image(size));
        QCOMPARE(progress.count(), 65537);
        QCOMPARE(progress.last().at(0).toULongLong(), quint64(size));
    }
};

QTEST_GUILESS_MAIN(TftpTransferTest)
#include "TftpTransferTest.moc"
