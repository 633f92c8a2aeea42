#include "core/firmware/TftpTransfer.h"

#include <algorithm>
#include <cerrno>

namespace quorvel {

namespace {

constexpr std::size_t kMaxDetail = 200;

// An error message is the server's text: printable ASCII only, and not much of it.
std::string printable(std::string_view text) {
    std::string out;
    for (const char c : text.substr(0, kMaxDetail))
        out += c >= 0x20 && c < 0x7F ? c : '?';
    return out;
}

} // namespace

TftpTransfer::TftpTransfer(std::unique_ptr<DatagramSocket> socket, std::uint32_t serverIp,
                           unsigned interfaceIndex, QByteArray image, TftpTransferSettings settings,
                           QObject* parent)
    : QObject(parent), m_socket(std::move(socket)), m_serverIp(serverIp),
      m_interfaceIndex(interfaceIndex), m_image(std::move(image)), m_settings(std::move(settings)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &TftpTransfer::OnTimeout);
    m_outcome.size = std::uint64_t(m_image.size());
    m_settings.offer.transferSize = m_outcome.size;
}

TftpTransfer::~TftpTransfer() {
    if (m_socket)
        m_socket->onReadyRead = {};
}

void TftpTransfer::start() {
    m_socket->onReadyRead = [this] { readDatagram(); };
    m_offering = m_settings.offerOptions;
    sendRequest();
}

void TftpTransfer::cancel() {
    if (isFinished())
        return;
    if (m_serverPort != 0)
        m_socket->sendTo(EncodeTftpError(TftpNotDefined, "transfer cancelled"), m_serverIp,
                         m_serverPort, m_interfaceIndex);
    finish(TftpResult::Cancelled);
}

void TftpTransfer::sendRequest() {
    m_stage = Stage::Requesting;
    m_serverPort = 0;
    m_packet =
        EncodeTftpRequest(TftpOpcode::WriteRequest, m_settings.remoteName, "octet",
                          m_offering ? TftpOfferOptions(m_settings.offer) : TftpOptionList{});
    m_sends = 0;
    transmit();
}

std::uint64_t TftpTransfer::blockOffset(std::uint64_t block) const {
    return (block - 1) * m_outcome.agreement.blockSize;
}

void TftpTransfer::sendBlock() {
    const std::uint64_t offset = blockOffset(m_block);
    const std::uint64_t length =
        std::min<std::uint64_t>(m_outcome.agreement.blockSize, m_outcome.size - offset);
    const auto* data = reinterpret_cast<const std::uint8_t*>(m_image.constData());
    // The block number on the wire rolls over from 65535 to 0.
    EncodeTftpData(std::uint16_t(m_block), {data + offset, std::size_t(length)}, m_packet);
    m_sends = 0;
    transmit();
}

void TftpTransfer::transmit() {
    const std::uint16_t port = m_stage == Stage::Requesting ? m_settings.serverPort : m_serverPort;
    m_outcome.lastSendError = m_socket->sendTo(m_packet, m_serverIp, port, m_interfaceIndex);
    ++m_sends;
    const int seconds = m_outcome.agreement.timeoutSeconds ? m_outcome.agreement.timeoutSeconds
                                                           : m_settings.offer.timeoutSeconds;
    m_timer.start(seconds * 1000);
}

void TftpTransfer::OnTimeout() {
    if (m_stage != Stage::Requesting && m_stage != Stage::Sending)
        return;
    if (m_sends < m_settings.sendsPerPacket) {
        transmit();
        return;
    }
    m_outcome.waitedSeconds = m_sends * m_timer.interval() / 1000;
    fail(m_stage == Stage::Requesting ? TftpResult::NoAnswer : TftpResult::Stalled);
}

void TftpTransfer::readDatagram() {
    std::uint8_t buffer[kReceiveBufferSize];
    const ReadOutcome read = m_socket->receive(buffer);
    if (isFinished() || m_stage == Stage::Idle)
        return;
    if (read.failed) {
        // The kernel's report on a datagram of ours: only one to the port we
        // are talking to counts; one to a port told "unknown transfer" does not.
        const std::uint16_t port =
            m_stage == Stage::Requesting ? m_settings.serverPort : m_serverPort;
        const bool ours = (read.sourceIp == m_serverIp || read.sourceIp == 0) &&
                          (read.sourcePort == port || read.sourcePort == 0);
        if (read.error == ECONNREFUSED && ours)
            fail(m_stage == Stage::Requesting ? TftpResult::NoServer : TftpResult::ServerGone);
        else if (ours && (read.error == EHOSTUNREACH || read.error == ENETUNREACH))
            m_outcome.lastSendError = read.error; // the timer still decides
        return;
    }
    if (read.sourceIp != m_serverIp) {
        ++m_ignored;
        return;
    }
    if (m_stage == Stage::Sending && read.sourcePort != m_serverPort) {
        ++m_ignored;
        replyUnknownTransfer(read.sourceIp, read.sourcePort);
        return;
    }
    handleAnswer({buffer, read.length}, read.sourcePort);
}

void TftpTransfer::replyUnknownTransfer(std::uint32_t ip, std::uint16_t port) {
    // RFC 1350 answers every stray packet; a flood gets only so many answers.
    if (m_unknownTransferReplies++ < kMaxUnknownTransferReplies)
        m_socket->sendTo(EncodeTftpError(TftpUnknownTransferId, "unknown transfer ID"), ip, port,
                         m_interfaceIndex);
}

void TftpTransfer::handleAnswer(std::span<const std::uint8_t> bytes, std::uint16_t port) {
    const TftpPacket packet = DecodeTftpPacket(bytes);
    if (packet.kind == TftpPacket::Kind::Error) {
        // Told that the options are refused: the plain request once more.
        if (m_stage == Stage::Requesting && packet.errorCode == TftpOptionsRefused && m_offering) {
            m_offering = false;
            sendRequest();
            return;
        }
        m_outcome.errorCode = packet.errorCode;
        fail(TftpResult::ServerError, printable(packet.errorMessage));
        return;
    }
    if (m_stage == Stage::Sending) {
        if (packet.kind == TftpPacket::Kind::Ack)
            acknowledged(packet.block);
        else
            ++m_ignored; // a repeated option acknowledgement, or noise
        return;
    }
    if (packet.kind == TftpPacket::Kind::OptionAck && m_offering) {
        m_serverPort = port;
        const TftpNegotiated negotiated = AcceptTftpOptionAck(m_settings.offer, packet.options);
        if (negotiated.problem) {
            m_socket->sendTo(EncodeTftpError(TftpOptionsRefused, *negotiated.problem), m_serverIp,
                             port, m_interfaceIndex);
            fail(TftpResult::BadServer, *negotiated.problem);
            return;
        }
        m_outcome.agreement = negotiated.agreement;
    } else if (packet.kind == TftpPacket::Kind::Ack && packet.block == 0) {
        m_serverPort = port; // no options: 512-byte blocks
    } else {
        ++m_ignored;
        return;
    }
    m_stage = Stage::Sending;
    m_block = 1;
    sendBlock();
}

void TftpTransfer::acknowledged(std::uint16_t block) {
    const auto current = std::uint16_t(m_block);
    if (block != current) {
        // Half the number space ahead is a block never sent; behind, a late
        // duplicate, which must not be answered (the Sorcerer's Apprentice).
        if (std::uint16_t(block - current) < 0x8000) {
            const std::string problem =
                "it acknowledged block " + std::to_string(block) + " before it was sent";
            m_socket->sendTo(EncodeTftpError(TftpIllegalOperation, problem), m_serverIp,
                             m_serverPort, m_interfaceIndex);
            fail(TftpResult::BadServer, problem);
        } else {
            ++m_ignored;
        }
        return;
    }
    const bool last = blockOffset(m_block) + m_outcome.agreement.blockSize > m_outcome.size;
    m_outcome.bytesAcknowledged = std::min<std::uint64_t>(m_outcome.size, blockOffset(m_block + 1));
    Q_EMIT progressed(m_outcome.bytesAcknowledged, m_outcome.size);
    if (last) {
        finish(TftpResult::Sent);
        return;
    }
    ++m_block;
    sendBlock();
}

void TftpTransfer::fail(TftpResult result, std::string detail) {
    m_outcome.detail = std::move(detail);
    finish(result);
}

void TftpTransfer::finish(TftpResult result) {
    m_timer.stop();
    m_stage = Stage::Done;
    m_outcome.result = result;
    Q_EMIT finished();
}

} // namespace quorvel
