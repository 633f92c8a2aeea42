#pragma once

#include <QByteArray>
#include <QString>

namespace quorvel {

// Replaces the file at `path` whole with `bytes`: a new file beside it, then
// renamed over it, so that a reader never sees half a file. A symbolic link
// at `path` is refused, never followed. Empty when written, else why not.
QString WriteTextfile(const QString& path, const QByteArray& bytes);

// Whether `path` is a symbolic link (to anything, or to nothing).
bool IsSymbolicLink(const QString& path);

} // namespace quorvel
