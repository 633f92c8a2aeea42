#include "core/firmware/FirmwareText.h"

#include "core/firmware/BoardReturnWatch.h"

#include <QCoreApplication>
#include <cstring>

namespace quorvel {

namespace {

QString sentSoFar(const TftpOutcome& outcome) {
    return QCoreApplication::translate("FirmwareText", "%1 of %2 bytes acknowledged")
        .arg(outcome.bytesAcknowledged)
        .arg(outcome.size);
}

QString lastSend(const TftpOutcome& outcome) {
    if (outcome.lastSendError == 0)
        return {};
    return QCoreApplication::translate("FirmwareText", " (the last send failed: %1)")
        .arg(QString::fromLocal8Bit(std::strerror(outcome.lastSendError)));
}

} // namespace

QString FirmwareImageProblemText(const FirmwareImage& image, const QString& path) {
    switch (image.problem) {
    case FirmwareImageProblem::None:
        return {};
    case FirmwareImageProblem::Missing:
        return QCoreApplication::translate("FirmwareText",
                                           "%1 does not exist; choose the firmware image file.")
            .arg(path);
    case FirmwareImageProblem::NotAFile:
        return QCoreApplication::translate(
                   "FirmwareText",
                   "%1 is not a file (a folder or a device); choose the firmware image file.")
            .arg(path);
    case FirmwareImageProblem::Unreadable:
        return QCoreApplication::translate("FirmwareText", "%1 cannot be read: %2")
            .arg(path, image.reason);
    case FirmwareImageProblem::Empty:
        return QCoreApplication::translate("FirmwareText",
                                           "%1 is empty; no board takes an empty image.")
            .arg(path);
    case FirmwareImageProblem::TooLarge:
        return QCoreApplication::translate(
                   "FirmwareText",
                   "%1 is larger than %2 MiB, more than any board's firmware; check the file.")
            .arg(path)
            .arg(kFirmwareImageLimit / (1024 * 1024));
    }
    return {};
}

QString TftpOutcomeText(const TftpOutcome& outcome, const QString& address) {
    switch (outcome.result) {
    case TftpResult::Running:
        return sentSoFar(outcome);
    case TftpResult::Sent:
        return QCoreApplication::translate("FirmwareText", "sent: %1 bytes").arg(outcome.size);
    case TftpResult::NoServer:
        return QCoreApplication::translate(
                   "FirmwareText", "no TFTP server answered at %1 (its TFTP port is closed)")
            .arg(address);
    case TftpResult::NoAnswer:
        return QCoreApplication::translate(
                   "FirmwareText", "no TFTP server answered at %1 (nothing came back in %2 s)")
                   .arg(address)
                   .arg(outcome.waitedSeconds) +
               lastSend(outcome);
    case TftpResult::Stalled:
        return QCoreApplication::translate("FirmwareText",
                                           "%1 stopped answering: %2, nothing more in %3 s")
                   .arg(address, sentSoFar(outcome))
                   .arg(outcome.waitedSeconds) +
               lastSend(outcome);
    case TftpResult::ServerGone:
        return QCoreApplication::translate("FirmwareText",
                                           "the TFTP server at %1 went away (its port closed): %2")
            .arg(address, sentSoFar(outcome));
    case TftpResult::ServerError:
        return QCoreApplication::translate("FirmwareText",
                                           "the TFTP server at %1 refused: error %2 (%3): %4; %5")
            .arg(address)
            .arg(outcome.errorCode)
            .arg(QString::fromStdString(TftpErrorName(outcome.errorCode)),
                 QString::fromStdString(outcome.detail), sentSoFar(outcome));
    case TftpResult::BadServer:
        return QCoreApplication::translate("FirmwareText",
                                           "the TFTP server at %1 broke the protocol: %2; %3")
            .arg(address, QString::fromStdString(outcome.detail), sentSoFar(outcome));
    case TftpResult::Cancelled:
        return QCoreApplication::translate("FirmwareText", "cancelled: %1").arg(sentSoFar(outcome));
    }
    return {};
}

QString FirmwareVerdictText(const FirmwarePush& push) {
    const QString address = QString::fromStdString(Ipv4Text(push.target().ip));
    switch (push.verdict()) {
    case FirmwareVerdict::Pending:
        return push.isWaitingForBoard()
                   ? QCoreApplication::translate("FirmwareText",
                                                 "sent; waiting for the board to answer again")
                   : TftpOutcomeText(push.transfer(), address);
    case FirmwareVerdict::Sent:
        return TftpOutcomeText(push.transfer(), address);
    case FirmwareVerdict::SentAndBack:
        return QCoreApplication::translate("FirmwareText", "sent, and the board answers again");
    case FirmwareVerdict::SentNotBack:
        if (push.waitCancelled())
            return QCoreApplication::translate("FirmwareText",
                                               "sent; the wait for the board was cancelled");
        return QCoreApplication::translate(
                   "FirmwareText", "sent, but the board did not answer a search within %1 s")
            .arg(BoardReturnWatch::kDefaultSeconds);
    case FirmwareVerdict::Failed:
        return TftpOutcomeText(push.transfer(), address);
    }
    return {};
}

} // namespace quorvel
