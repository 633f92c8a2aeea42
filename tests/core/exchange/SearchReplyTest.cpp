#include "FakeDatagramSocket.h"
#include "RecordingMessageSink.h"
#include "SearchReplyBytes.h"
#include "core/exchange/DeviceTable.h"
#include "core/exchange/SearchReplyHandler.h"
#include "core/net/SocketDispatch.h"

#include <QTest>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

const QString kMismatch =
    QStringLiteral("Invalid Search Packet Received or Random Number Mismatch");

// The dispatch and one search run over a table, wired to the fake socket.
struct Fixture : ReplyHandler {
    Fixture() : fake(new FakeDatagramSocket), app(std::unique_ptr<DatagramSocket>(fake)) {
        app.claim(ExchangeSearch, this);
    }
    void HandleReply() override {
        const SearchReplyOutcome outcome = HandleSearchDatagram(*fake, devices, run);
        added += outcome.added;
        relabelled += outcome.labelsChanged;
    }
    void deliver(std::vector<std::uint8_t> bytes, std::uint16_t port = 3040,
                 unsigned interfaceIndex = 0) {
        fake->push(std::move(bytes), port, 0xC0A80164, interfaceIndex);
        fake->deliverAll();
    }
    DeviceTable& table() { return devices; }
    std::pair<std::string, std::string> labels() const { return *run.labels; }

    FakeDatagramSocket* fake;
    SocketDispatch app;
    DeviceTable devices;
    SearchRunState run;
    int added = 0;
    int relabelled = 0;
};

using Labels = std::pair<std::string, std::string>;

} // namespace

class SearchReplyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addsANewBoardWithItsLabels() {
        RecordingMessageSink sink;
        Fixture f;
        f.run.randomNumber = 0x1234;
        f.deliver(SearchReplyBytes(0x1234, 1, {"P1", "desc", "Up", "Link"}), 50123, 3);
        QVERIFY(sink.messages.empty());
        QCOMPARE(f.run.foundCount, 1);
        QCOMPARE(f.table().GetRecordCount(), 1u);
        const DeviceRecord& r = f.table().recordList()[0];
        QCOMPARE(r.name, std::string("P1"));
        QCOMPARE(r.description, std::string("desc"));
        QCOMPARE(r.leftLabel, std::string("Up: "));
        QCOMPARE(r.rightLabel, std::string("Link: "));
        QCOMPARE(r.replyPort, 50123);
        QCOMPARE(f.relabelled, 1);
        QCOMPARE(f.labels(), Labels("Up", "Link"));
        QCOMPARE(r.interfaceIndex, 3u);
        QCOMPARE(f.table().sortMode, 3);
    }

    void emptyTextsGiveBareLabels() {
        Fixture f;
        f.run.randomNumber = 7;
        f.deliver(SearchReplyBytes(7, 1));
        QCOMPARE(f.table().recordList()[0].leftLabel, std::string(": "));
        QCOMPARE(f.labels(), Labels("", ""));
    }

    void boardsOfOneKindShareTheirTexts() {
        // Held once for the whole fleet, not copied per board, also when
        // boards of another kind answer in between.
        Fixture f;
        f.run.randomNumber = 9;
        const std::vector<std::string> texts = {"Receipt printer 80", "Network board, 100M",
                                                "Time since power-on", "Time since link-up"};
        f.deliver(SearchReplyBytes(9, 1, texts));
        f.deliver(SearchReplyBytes(9, 2, {"Label printer", "", "Printed", "Cut"}));
        f.deliver(SearchReplyBytes(9, 3, texts));
        const DeviceRecord& first = f.table().recordList()[0];
        const DeviceRecord& third = f.table().recordList()[2];
        QVERIFY(third.name.sharesWith(first.name));
        QVERIFY(third.description.sharesWith(first.description));
        QVERIFY(third.leftLabel.sharesWith(first.leftLabel));
        QVERIFY(third.rightLabel.sharesWith(first.rightLabel));
        QCOMPARE(third.leftLabel, std::string("Time since power-on: "));
    }

    void dropsDuplicatesByAllSixMacBytes() {
        RecordingMessageSink sink;
        Fixture f;
        f.run.randomNumber = 0x0102;
        f.deliver(SearchReplyBytes(0x0102, 1, {"first", "", "A", "B"}), 3040, 2);
        // Same MAC, everything else different, also the link it came in on
        // (a bridged host): dropped silently, labels kept.
        f.deliver(SearchReplyBytes(0x0102, 1, {"second", "", "C", "D"}, 99), 3040, 5);
        // Differs only in the first MAC byte: a new board.
        auto other = SearchReplyBytes(0x0102, 1, {"third", "", "E", "F"});
        other[14] = 0x01;
        f.deliver(other);
        QVERIFY(sink.messages.empty());
        QCOMPARE(f.table().GetRecordCount(), 2u);
        QCOMPARE(f.run.foundCount, 2);
        QCOMPARE(f.table().recordList()[0].name, std::string("first"));
        QCOMPARE(f.labels(), Labels("E", "F"));
        QCOMPARE(f.relabelled, 2);
        QCOMPARE(f.table().recordList()[0].interfaceIndex, 2u);
    }

    void reportsBadDatagramsAndGoesOn() {
        RecordingMessageSink sink;
        Fixture f;
        // Before the first request: any reply is a mismatch.
        f.deliver(SearchReplyBytes(0x1234, 1));
        f.run.randomNumber = 0x1234;
        auto shortReply = SearchReplyBytes(0x1234, 2);
        shortReply.resize(31);
        f.deliver(shortReply);
        f.deliver({0x00, 0x00, 0x12, 0x34}); // our own request: silent
        f.deliver({0x00, 0x00, 0x12, 0x35});
        f.deliver(SearchReplyBytes(0x4321, 3));
        f.fake->pushReadError();
        f.fake->deliverAll();
        f.deliver(std::vector<std::uint8_t>(5000, 1));
        f.deliver({});
        QCOMPARE(sink.texts(),
                 (QStringList{kMismatch, kMismatch, kMismatch, kMismatch, "Error receiving data",
                              "Error receiving data", kMismatch}));
        QCOMPARE(f.table().GetRecordCount(), 0u);
        // The search still works afterwards.
        f.deliver(SearchReplyBytes(0x1234, 4));
        QCOMPARE(f.table().GetRecordCount(), 1u);
    }

    void followsBoardsListedOrClearedBehindItsBack() {
        RecordingMessageSink sink;
        Fixture f;
        f.run.randomNumber = 5;
        DeviceRecord listedBefore;
        const MacAddress mac = {0x00, 0x0B, 0x3C, 0x12, 0x34, 7};
        listedBefore.mac = mac;
        f.table().AddRecord(listedBefore);
        f.deliver(SearchReplyBytes(5, 7));
        QCOMPARE(f.table().GetRecordCount(), 1u);
        f.deliver(SearchReplyBytes(5, 8));
        f.deliver(SearchReplyBytes(5, 8));
        QCOMPARE(f.table().GetRecordCount(), 2u);
        f.table().Clear();
        f.deliver(SearchReplyBytes(5, 8));
        f.deliver(SearchReplyBytes(5, 7));
        QCOMPARE(f.table().GetRecordCount(), 2u);
        QCOMPARE(f.run.foundCount, 3);
    }

    void neverReadsPastAnyLength() {
        RecordingMessageSink sink;
        Fixture f;
        f.run.randomNumber = 0x0101;
        for (std::size_t length = 0; length <= 4200; length += (length < 64 ? 1 : 97)) {
            std::vector<std::uint8_t> bytes(length, 0x01);
            f.deliver(bytes);
        }
        // Every datagram was consumed; the long run of 0x01 bytes is one valid board.
        QVERIFY(f.fake->queue.empty());
        QCOMPARE(f.table().GetRecordCount(), 1u);
    }
};

QTEST_GUILESS_MAIN(SearchReplyTest)
#include "SearchReplyTest.moc"
