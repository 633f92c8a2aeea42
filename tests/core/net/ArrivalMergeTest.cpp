// The order datagrams of several sockets of one port are handed out in,
// from synthetic receive stamps.
#include "core/net/ArrivalMerge.h"

#include <QTest>
#include <string>
#include <vector>

using namespace quorvel;

namespace {

// One datagram read: from which socket, stamped when, sent by whom; its one
// byte is its name, which the order is told by.
struct Read {
    std::uint32_t socket;
    std::int64_t stamp;
    char name;
    std::uint16_t sourcePort = 3040;
    std::uint32_t length = 1;
};

std::string takeAll(ArrivalMerge& merge, std::int64_t complete) {
    std::string order;
    merge.take(complete, [&](const ArrivedDatagram& d, std::span<const std::uint8_t> bytes) {
        order += d.cut ? '~' : char(bytes[0]);
    });
    return order;
}

} // namespace

class ArrivalMergeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void handsOutInArrivalOrderOnce() {
        const struct {
            const char* why;
            std::vector<Read> reads;
            std::int64_t complete;
            const char *now, *later; // handed out by `complete`, then by the end
        } cases[] = {
            {"by stamp across sockets", {{0, 30, 'c'}, {1, 10, 'a'}, {2, 20, 'b'}}, 100, "abc", ""},
            {"equal stamps keep the order read", {{0, 5, 'x'}, {1, 5, 'y', 3041}}, 5, "xy", ""},
            {"later than complete waits",
             {{0, 10, 'a'}, {1, 50, 'c'}, {0, 40, 'b'}},
             40,
             "ab",
             "c"},
            {"a broadcast's copies once", {{0, 7, 'b'}, {1, 7, 'B'}, {2, 7, 'B'}}, 7, "b", ""},
            {"twice in one socket is twice", {{0, 7, 'a'}, {0, 7, 'b'}}, 7, "ab", ""},
            {"another length is no copy", {{0, 7, 'a'}, {1, 7, 'b', 3040, 2}}, 7, "ab", ""},
            {"another port is no copy", {{0, 7, 'a'}, {1, 7, 'b', 3041}}, 7, "ab", ""},
            {"a cut datagram keeps its place", {{0, 3, 'a'}, {1, 2, 'x', 3040, 5000}}, 9, "~a", ""},
        };
        for (const auto& c : cases) {
            ArrivalMerge merge;
            for (const Read& r : c.reads) {
                ArrivedDatagram d;
                d.sourceIp = 0xC6120001;
                d.sourcePort = r.sourcePort;
                d.length = r.length;
                d.cut = r.length > 4096;
                const std::uint8_t bytes[2] = {std::uint8_t(r.name), 0};
                merge.add(d, r.stamp, r.socket, bytes);
            }
            QCOMPARE(takeAll(merge, c.complete), std::string(c.now));
            QCOMPARE(takeAll(merge, INT64_MAX), std::string(c.later));
            QVERIFY2(merge.empty(), c.why);
        }
    }

    void knowsHowFarASocketIsRead() {
        // A full batch: read up to its last stamp; else up to the read's
        // start, less the margin a stamp may lag by.
        QCOMPARE(ArrivalMerge::ReadUpTo(true, 1000, 5000000), 1000);
        QCOMPARE(ArrivalMerge::ReadUpTo(false, 1000, 5000000),
                 5000000 - ArrivalMerge::kStampMarginNanoseconds);
    }
};

QTEST_GUILESS_MAIN(ArrivalMergeTest)
#include "ArrivalMergeTest.moc"
