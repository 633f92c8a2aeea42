#pragma once

#include "core/net/DatagramSocket.h"
#include "protocol/TftpOptionNegotiation.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

namespace quorvel {

struct TftpTransferSettings {
    std::string remoteName = "boot.img";
    std::uint16_t serverPort = kTftpServerPort;
    TftpOffer offer; // its transferSize is the image's
    bool offerOptions = true;
    // Each packet goes out at most this often, offer.timeoutSeconds apart.
    int sendsPerPacket = 5;
};

enum class TftpResult {
    Running,
    Sent,        // every block acknowledged
    NoServer,    // the request was refused by the host (ICMP port unreachable)
    NoAnswer,    // the request was never answered
    Stalled,     // the server stopped answering mid-transfer
    ServerGone,  // the server's port closed mid-transfer
    ServerError, // the server sent an error packet
    BadServer,   // the server broke the protocol
    Cancelled,
};

struct TftpOutcome {
    TftpResult result = TftpResult::Running;
    std::uint64_t bytesAcknowledged = 0;
    std::uint64_t size = 0;
    std::uint16_t errorCode = 0; // ServerError
    std::string detail;          // ServerError: its message (printable ASCII); BadServer: why
    int lastSendError = 0;       // errno of the last failed send, 0 when the last send left
    int waitedSeconds = 0;       // NoAnswer and Stalled: how long nothing came
    TftpAgreement agreement;
};

// One write request (octet mode) of an image to a TFTP server, on a socket of
// its own, one block at a time: RFC 1350, with blksize, tsize and timeout
// offered (RFC 2347-2349) and the plain 512-byte transfer when the server
// answers without them. A server that refuses the options (error 8) is asked
// once more without them. Block numbers roll over from 65535 to 0, as most
// servers expect, so an image of any size can be sent. Only the server's
// address is listened to: what comes from elsewhere is dropped; its other
// ports are told "unknown transfer ID" (error 5), a bounded number of times.
class TftpTransfer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxUnknownTransferReplies = 16;

    TftpTransfer(std::unique_ptr<DatagramSocket> socket, std::uint32_t serverIp,
                 unsigned interfaceIndex, QByteArray image, TftpTransferSettings settings = {},
                 QObject* parent = nullptr);
    ~TftpTransfer() override;

    void start();
    // Stops at once; a server that has answered is told so (error 0).
    void cancel();

    // The retransmission timer's step; tests call it in place of the clock.
    void OnTimeout();
    // One datagram from the socket.
    void readDatagram();

    const TftpOutcome& outcome() const { return m_outcome; }
    bool isFinished() const { return m_outcome.result != TftpResult::Running; }
    std::uint32_t serverIp() const { return m_serverIp; }
    // Packets dropped or refused because they came from elsewhere or made no sense.
    int ignoredPackets() const { return m_ignored; }
    QTimer& retransmitTimer() { return m_timer; }

Q_SIGNALS:
    void progressed(quint64 bytesAcknowledged, quint64 size);
    void finished();

private:
    enum class Stage { Idle, Requesting, Sending, Done };

    void sendRequest();
    void sendBlock();
    void transmit();
    void replyUnknownTransfer(std::uint32_t ip, std::uint16_t port);
    void handleAnswer(std::span<const std::uint8_t> bytes, std::uint16_t port);
    void acknowledged(std::uint16_t block);
    void fail(TftpResult result, std::string detail = {});
    void finish(TftpResult result);
    std::uint64_t blockOffset(std::uint64_t block) const;

    std::unique_ptr<DatagramSocket> m_socket;
    std::uint32_t m_serverIp;
    unsigned m_interfaceIndex;
    QByteArray m_image;
    TftpTransferSettings m_settings;
    Stage m_stage = Stage::Idle;
    bool m_offering = false;
    std::uint16_t m_serverPort = 0; // the server's transfer ID, once it answered
    std::uint64_t m_block = 0;      // the block in flight, counted from 1 without rollover
    std::vector<std::uint8_t> m_packet;
    int m_sends = 0;
    int m_ignored = 0;
    int m_unknownTransferReplies = 0;
    TftpOutcome m_outcome;
    QTimer m_timer;
};

} // namespace quorvel
