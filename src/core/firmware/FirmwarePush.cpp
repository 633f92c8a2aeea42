#include "core/firmware/FirmwarePush.h"

#include "core/firmware/BoardReturnWatch.h"

namespace quorvel {

FirmwarePush::FirmwarePush(FirmwareTarget target, QByteArray image,
                           std::unique_ptr<DatagramSocket> socket, BoardReturnWatch* watch,
                           TftpTransferSettings settings, QObject* parent)
    : QObject(parent), m_target(target),
      m_transfer(std::move(socket), Ipv4Word(target.ip), target.interfaceIndex, std::move(image),
                 std::move(settings)),
      m_watch(watch) {
    connect(&m_transfer, &TftpTransfer::progressed, this, &FirmwarePush::progressed);
    connect(&m_transfer, &TftpTransfer::finished, this, &FirmwarePush::transferred);
    if (m_watch)
        connect(m_watch, &BoardReturnWatch::settled, this, [this](int id, bool answered) {
            if (id == m_watchId)
                settle(answered ? FirmwareVerdict::SentAndBack : FirmwareVerdict::SentNotBack);
        });
}

FirmwarePush::~FirmwarePush() {
    if (m_watch && m_watchId)
        m_watch->forget(m_watchId);
}

void FirmwarePush::start() {
    m_clock.start();
    m_transfer.start();
}

void FirmwarePush::cancel() {
    if (m_verdict != FirmwareVerdict::Pending)
        return;
    if (m_watchId) {
        m_watch->forget(m_watchId);
        m_waitCancelled = true;
        settle(FirmwareVerdict::SentNotBack);
        return;
    }
    m_transfer.cancel();
}

double FirmwarePush::transferSeconds() const {
    const qint64 ms = m_transferMs >= 0 ? m_transferMs : m_clock.isValid() ? m_clock.elapsed() : 0;
    return double(ms) / 1000.0;
}

void FirmwarePush::transferred() {
    m_transferMs = m_clock.elapsed();
    if (m_transfer.outcome().result != TftpResult::Sent)
        return settle(FirmwareVerdict::Failed);
    if (!m_watch)
        return settle(FirmwareVerdict::Sent);
    m_watchId = m_watch->watch(m_target.ip, m_target.mac);
    Q_EMIT waitingForBoard();
}

void FirmwarePush::settle(FirmwareVerdict verdict) {
    m_watchId = 0;
    m_verdict = verdict;
    Q_EMIT finished();
}

} // namespace quorvel
