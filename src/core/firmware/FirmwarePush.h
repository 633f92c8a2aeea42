#pragma once

#include "core/firmware/TftpTransfer.h"
#include "protocol/Addresses.h"

#include <QElapsedTimer>
#include <QObject>
#include <memory>
#include <optional>

namespace quorvel {

class BoardReturnWatch;

enum class FirmwareVerdict {
    Pending,
    Sent,        // the whole image acknowledged; not waited for
    SentAndBack, // ...and the board answered a search again
    SentNotBack, // ...but the board did not answer within the wait
    Failed,      // the transfer failed or was cancelled; TftpOutcome says how
};

// The board an image goes to: its address, and its MAC when a search heard it.
struct FirmwareTarget {
    Ipv4Address ip{};
    std::optional<MacAddress> mac;
    unsigned interfaceIndex = 0;
};

// One board's firmware update: the image over TFTP to its boot loader, then,
// with a watch, the wait for the board to answer a search again.
class FirmwarePush : public QObject {
    Q_OBJECT
public:
    // `watch` null: done once the image is sent.
    FirmwarePush(FirmwareTarget target, QByteArray image, std::unique_ptr<DatagramSocket> socket,
                 BoardReturnWatch* watch, TftpTransferSettings settings = {},
                 QObject* parent = nullptr);
    ~FirmwarePush() override;

    void start();
    // Stops the transfer, or the wait (the image was then sent whole).
    void cancel();

    const FirmwareTarget& target() const { return m_target; }
    const TftpOutcome& transfer() const { return m_transfer.outcome(); }
    FirmwareVerdict verdict() const { return m_verdict; }
    bool isWaitingForBoard() const { return m_watchId != 0; }
    bool waitCancelled() const { return m_waitCancelled; }
    // How long the transfer took, or has taken so far.
    double transferSeconds() const;
    TftpTransfer& tftp() { return m_transfer; }

Q_SIGNALS:
    void progressed(quint64 bytesAcknowledged, quint64 size);
    // The image is sent; the wait for the board begins.
    void waitingForBoard();
    void finished();

private:
    void transferred();
    void settle(FirmwareVerdict verdict);

    FirmwareTarget m_target;
    TftpTransfer m_transfer;
    BoardReturnWatch* m_watch;
    int m_watchId = 0;
    bool m_waitCancelled = false;
    FirmwareVerdict m_verdict = FirmwareVerdict::Pending;
    QElapsedTimer m_clock;
    qint64 m_transferMs = -1;
};

} // namespace quorvel
