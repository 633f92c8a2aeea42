#include "core/firmware/FirmwareImage.h"

#include <QFile>
#include <QFileInfo>

namespace quorvel {

FirmwareImage ReadFirmwareImage(const QString& path) {
    FirmwareImage image;
    const QFileInfo info(path);
    if (!info.exists()) {
        image.problem = FirmwareImageProblem::Missing;
        return image;
    }
    // A folder, a device or a pipe: only a file has a size to send.
    if (!info.isFile()) {
        image.problem = FirmwareImageProblem::NotAFile;
        return image;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        image.problem = FirmwareImageProblem::Unreadable;
        image.reason = file.errorString();
        return image;
    }
    // One byte past the limit tells a file that grew since it was looked at.
    image.bytes = file.read(kFirmwareImageLimit + 1);
    if (file.error() != QFileDevice::NoError) {
        image.problem = FirmwareImageProblem::Unreadable;
        image.reason = file.errorString();
        image.bytes.clear();
    } else if (image.bytes.isEmpty()) {
        image.problem = FirmwareImageProblem::Empty;
    } else if (image.bytes.size() > kFirmwareImageLimit) {
        image.problem = FirmwareImageProblem::TooLarge;
        image.bytes.clear();
    }
    return image;
}

const FirmwareImage& FirmwareImages::read(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString key = canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
    auto found = m_byPath.find(key);
    if (found == m_byPath.end())
        found = m_byPath.emplace(key, ReadFirmwareImage(path)).first;
    return found->second;
}

} // namespace quorvel
