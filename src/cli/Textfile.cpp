#include "Textfile.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace quorvel {

bool IsSymbolicLink(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

QString WriteTextfile(const QString& path, const QByteArray& bytes) {
    if (IsSymbolicLink(path))
        return QStringLiteral("it is a symbolic link, which is not followed");
    const QFileInfo info(path);
    QTemporaryFile file(info.absolutePath() + QLatin1String("/.") + info.fileName() +
                        QLatin1String(".XXXXXX"));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return file.errorString();
    // Readable by the textfile collector, which runs as another user.
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // rename() replaces the name itself: a link planted since the check above
    // is replaced, its target untouched.
    if (std::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    file.setAutoRemove(false);
    return {};
}

} // namespace quorvel
