#include "FakeDatagramSocket.h"
#include "RecordingMessageSink.h"
#include "core/exchange/RemotePortList.h"
#include "core/net/SocketDispatch.h"

#include <QTest>

using namespace quorvel;
using quorvel::testing::FakeDatagramSocket;
using quorvel::testing::RecordingMessageSink;

namespace {

const QString kOutOfPlace = QStringLiteral("Recevied an out-of-place Packet -- Discarding");

// An owner that reads one datagram per call, as every reply handler must.
class CountingOwner : public ReplyHandler {
public:
    explicit CountingOwner(SocketDispatch& dispatch) : m_dispatch(dispatch) {}
    void HandleReply() override {
        ReceiveBuffer buffer;
        buffer.read(*m_dispatch.socket());
        ++calls;
    }
    int calls = 0;

private:
    SocketDispatch& m_dispatch;
};

} // namespace

class DispatchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithTheDefaults() {
        SocketDispatch app(std::make_unique<FakeDatagramSocket>());
        RemotePortList ports;
        QCOMPARE(app.mode(), ExchangeNone);
        QCOMPARE(ports.remotePortCount, 1u);
        QCOMPARE(ports.remotePorts[0], 3040u);
        QCOMPARE(ports.remotePorts[9], 0u);
    }

    void reportsEachOutOfPlaceDatagramOnce() {
        RecordingMessageSink sink;
        auto* fake = new FakeDatagramSocket;
        SocketDispatch app{std::unique_ptr<DatagramSocket>(fake)};
        fake->push({1, 2, 3});
        fake->push({});
        fake->deliverAll();
        QCOMPARE(sink.texts(), (QStringList{kOutOfPlace, kOutOfPlace}));
        QCOMPARE(sink.messages[0].icon, MessageIcon::Warning);
        QVERIFY(fake->queue.empty());
        QCOMPARE(fake->reads, 2);
    }

    void routesByExchangeMode() {
        RecordingMessageSink sink;
        auto* fake = new FakeDatagramSocket;
        SocketDispatch app{std::unique_ptr<DatagramSocket>(fake)};
        CountingOwner search(app), assign(app), status(app);
        ReplyHandler* owners[] = {nullptr, &search, &assign, &status};
        for (int mode : {1, 2, 2, 3, 3, 3}) {
            app.claim(ExchangeModeValue(mode), owners[mode]);
            fake->push({0});
            fake->deliverAll();
        }
        QCOMPARE(search.calls, 1);
        QCOMPARE(assign.calls, 2);
        QCOMPARE(status.calls, 3);
        QVERIFY(sink.messages.empty());

        // Mode 0 again: the owners are not called, the datagram is reported.
        app.claim(ExchangeNone, nullptr);
        fake->push({0});
        fake->deliverAll();
        QCOMPARE(search.calls + assign.calls + status.calls, 6);
        QCOMPARE(sink.texts(), QStringList{kOutOfPlace});
    }

    void floodOfBadDatagramsNestsBoxesOnlyToTheBound() {
        RecordingMessageSink sink;
        auto* fake = new FakeDatagramSocket;
        SocketDispatch app{std::unique_ptr<DatagramSocket>(fake)};
        // Each "open box" runs the event loop, which delivers the next datagram.
        sink.whileOpen = [&] {
            if (fake->hasPendingDatagram())
                fake->onReadyRead();
        };
        for (int i = 0; i < 5000; ++i)
            fake->push({0xEE});
        fake->deliverAll();
        QVERIFY(fake->queue.empty());
        QCOMPARE(fake->reads, 5000);
        QCOMPARE(MaxMessageBoxDepthSeen(), kMaxNestedMessageBoxes);
        QCOMPARE(MessageBoxDepth(), 0);
        QVERIFY(SuppressedMessageCount() > 0);
    }

    void captionIsTheExecutableNameWithoutExtension() {
        RecordingMessageSink sink;
        ReportMessage(QStringLiteral("x"));
        ReportMessage(QStringLiteral("y"), MessageIcon::Information);
        QCOMPARE(sink.messages[0].caption, QStringLiteral("DispatchTest"));
        QCOMPARE(sink.messages[0].icon, MessageIcon::Warning);
        QCOMPARE(sink.messages[1].icon, MessageIcon::Information);
    }
};

QTEST_GUILESS_MAIN(DispatchTest)
#include "DispatchTest.moc"
