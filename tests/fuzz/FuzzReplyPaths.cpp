// Drives the reply handlers through the in-memory socket with any sequence
// of datagrams. Each record of the input is [path][length, 2 bytes][bytes];
// the path picks which dialog owns the socket when the datagram arrives.
#include "FakeDatagramSocket.h"
#include "core/exchange/AssignExchange.h"
#include "core/exchange/DeviceTable.h"
#include "core/exchange/RemotePortList.h"
#include "core/exchange/SearchExchange.h"
#include "core/exchange/StatusExchange.h"
#include "core/messages/Messages.h"
#include "core/net/SocketDispatch.h"

#include <QCoreApplication>
#include <cstdlib>
#include <memory>

using namespace quorvel;
using quorvel::testing::FakeDatagramSocket;

namespace {

enum Path {
    SearchWithCurrentNumber,
    SearchRaw,
    PrinterStatus,
    OutOfPlace,
    AssignWithCurrentNumber,
    AssignRaw,
    PathCount
};

// A box "open" runs the nested event loop, which hands over the next datagram.
class NestingSink : public MessageSink {
public:
    void show(const QString&, const QString&, MessageIcon) override {
        if (socket && socket->hasPendingDatagram())
            socket->onReadyRead();
    }
    FakeDatagramSocket* socket = nullptr;
};

struct World {
    World() {
        static int argc = 1;
        static char name[] = "fuzz_reply_paths";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QCoreApplication>(argc, argv);
        socket = new FakeDatagramSocket;
        dispatch = std::make_unique<SocketDispatch>(std::unique_ptr<DatagramSocket>(socket));
        sink.socket = socket;
        SetMessageSink(&sink);
        std::srand(1);
        search = std::make_unique<SearchExchange>(*dispatch, ports, table);
        search->start();
        search->OnTimer(); // draws the run's number and sends the first request
        DeviceRecord board;
        board.mac[5] = 0x42;
        status = std::make_unique<StatusExchange>(*dispatch, board);
        status->open();
        assign = std::make_unique<AssignExchange>(*dispatch, board);
        assign->open();
        assign->start({}); // builds the request the replies must echo
    }

    std::unique_ptr<QCoreApplication> application;
    FakeDatagramSocket* socket;
    std::unique_ptr<SocketDispatch> dispatch;
    NestingSink sink;
    RemotePortList ports;
    DeviceTable table;
    std::unique_ptr<SearchExchange> search;
    std::unique_ptr<StatusExchange> status;
    std::unique_ptr<AssignExchange> assign;
};

World& world() {
    static World* w = new World; // lives to the end of the process
    return *w;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    world();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    World& w = world();
    w.table.Clear();
    w.socket->sent.clear();
    const std::uint16_t number = *w.search->randomNumber();
    std::size_t at = 0;
    while (at + 3 <= size) {
        const std::uint8_t path = data[at];
        std::size_t length = std::size_t(data[at + 1]) << 8 | data[at + 2];
        at += 3;
        length = std::min(length, size - at);
        std::vector<std::uint8_t> bytes(data + at, data + at + length);
        at += length;

        switch (path % PathCount) {
        case SearchWithCurrentNumber:
            if (bytes.size() >= 4) {
                bytes[2] = static_cast<std::uint8_t>(number >> 8);
                bytes[3] = static_cast<std::uint8_t>(number & 0xFF);
            }
            [[fallthrough]];
        case SearchRaw:
            w.dispatch->claim(ExchangeSearch, w.search.get());
            break;
        case PrinterStatus:
            w.dispatch->claim(ExchangePrinterStatus, w.status.get());
            if (path & 0x40)
                w.status->requestStatus();
            break;
        case OutOfPlace:
            w.dispatch->claim(ExchangeNone, nullptr);
            break;
        case AssignWithCurrentNumber:
            if (bytes.size() >= 4) {
                bytes[2] = static_cast<std::uint8_t>(w.assign->randomNumber >> 8);
                bytes[3] = static_cast<std::uint8_t>(w.assign->randomNumber & 0xFF);
            }
            [[fallthrough]];
        case AssignRaw:
            w.dispatch->claim(ExchangeAssign, w.assign.get());
            if (path & 0x40)
                w.assign->OnTimer();
            break;
        }
        if (path & 0x80)
            w.socket->pushReadError();
        else
            w.socket->push(std::move(bytes));
        w.socket->deliverAll();
        if (w.socket->hasPendingDatagram() || MessageBoxDepth() != 0)
            __builtin_trap();
    }
    return 0;
}
