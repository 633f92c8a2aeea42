#pragma once

#include <QByteArray>
#include <QString>
#include <map>

namespace quorvel {

// The largest image a push takes: far above any board's firmware, and small
// enough that two hundred boards sharing a few images cost little memory.
constexpr qint64 kFirmwareImageLimit = 32 * 1024 * 1024;

enum class FirmwareImageProblem { None, Missing, NotAFile, Unreadable, Empty, TooLarge };

// An image read whole before anything is sent, or why it cannot be sent.
struct FirmwareImage {
    QByteArray bytes;
    FirmwareImageProblem problem = FirmwareImageProblem::None;
    QString reason; // the system's words, for Unreadable
};

// A regular, readable, non-empty file of at most kFirmwareImageLimit bytes.
FirmwareImage ReadFirmwareImage(const QString& path);

// The images of a batch, each file read once however many boards take it.
class FirmwareImages {
public:
    const FirmwareImage& read(const QString& path);

private:
    std::map<QString, FirmwareImage> m_byPath; // by canonical path
};

} // namespace quorvel
