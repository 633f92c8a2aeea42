#include "core/host/NeighbourClaimFile.h"

#include "core/host/ProcessHostCommandRunner.h"

#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr qint64 kMaxClaimFileBytes = 64 * 1024;
const QString kFilePrefix = QStringLiteral("neighbours-");

unsigned long long networkNamespaceOf(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 ? info.st_ino : 0;
}

// Only a file of this user's own, read through no link: anyone else's file
// in the directory would be a claim on entries that are not theirs.
std::optional<std::string> readOwnFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> text;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
        info.st_size <= kMaxClaimFileBytes) {
        std::string bytes(std::size_t(info.st_size), '\0');
        if (::read(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()))
            text = std::move(bytes);
    }
    ::close(fd);
    return text;
}

std::string readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(4096).toStdString() : std::string();
}

bool ownerAlive(const ClaimOwner& owner) {
    const auto start = ProcessStartTime(readText(QStringLiteral("/proc/%1/stat").arg(owner.pid)));
    return start && *start == owner.startTime;
}

// Runs `ip` and waits for it: the clean-up comes before anything else the run does.
bool runIp(const QStringList& arguments, QByteArray* out = nullptr) {
    QProcess ip;
    ip.setProgram(HostProgramPath(QStringLiteral("ip")));
    ip.setArguments(arguments);
    ip.setStandardInputFile(QProcess::nullDevice());
    ip.start();
    if (!ip.waitForFinished(3000)) {
        ip.kill();
        ip.waitForFinished(1000);
        return false;
    }
    if (out)
        *out = ip.readAllStandardOutput();
    return ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
}

QString text(const NeighbourClaim& claim) {
    return QStringLiteral("%1 (%2 on %3)")
        .arg(QString::fromStdString(Ipv4Text(claim.ip)), QString::fromStdString(MacText(claim.mac)),
             QString::fromStdString(claim.interfaceName));
}

} // namespace

NeighbourClaimFile::NeighbourClaimFile() {
    m_owner.pid = long(::getpid());
    m_owner.startTime = ProcessStartTime(readText(QStringLiteral("/proc/self/stat"))).value_or(0);
    m_owner.networkNamespace = networkNamespaceOf("/proc/self/ns/net");
}

// Claims still held at the end stay in the file: their entries may still be
// in the table, and the next run removes them.
NeighbourClaimFile::~NeighbourClaimFile() = default;

const std::optional<QString>& NeighbourClaimFile::directory(bool create) {
    if (m_resolved)
        return m_directory;
    const bool root = ::geteuid() == 0;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!root && runtime.isEmpty())
        return m_directory;
    // Root keeps its own whatever the environment says: sudo -E keeps a
    // user's XDG_RUNTIME_DIR, which that user could fill with claims.
    const QString path =
        root ? QStringLiteral("/run/quorvel") : runtime + QStringLiteral("/quorvel");
    const QByteArray name = QFile::encodeName(path);
    if (!create && ::access(name.constData(), F_OK) != 0)
        return m_directory; // nothing was ever kept there
    m_resolved = true;
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return m_directory;
    struct stat info {};
    if (::lstat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        m_directory = path;
    return m_directory;
}

QString NeighbourClaimFile::ownPath() {
    return *m_directory + QLatin1Char('/') + kFilePrefix + QString::number(m_owner.pid);
}

void NeighbourClaimFile::claim(const NeighbourClaim& entry) {
    m_claims.push_back(entry);
    write();
}

void NeighbourClaimFile::release(const NeighbourClaim& entry) {
    const auto at = std::find(m_claims.begin(), m_claims.end(), entry);
    if (at == m_claims.end())
        return;
    m_claims.erase(at);
    write();
}

void NeighbourClaimFile::write() {
    if (!directory(true) || m_owner.startTime == 0 || m_owner.networkNamespace == 0)
        return;
    if (m_claims.empty()) {
        QFile::remove(ownPath());
        return;
    }
    ClaimFile file{m_owner, {}};
    for (const NeighbourClaim& claim : m_claims)
        if (std::find(file.claims.begin(), file.claims.end(), claim) == file.claims.end() &&
            file.claims.size() < kMaxClaims)
            file.claims.push_back(claim);
    QSaveFile save(ownPath());
    if (!save.open(QIODevice::WriteOnly))
        return;
    save.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    save.write(QByteArray::fromStdString(ClaimFileText(file)));
    save.commit();
}

void NeighbourClaimFile::removeAbandoned(const std::function<void(const QString&)>& writeLine) {
    if (!directory(false))
        return;
    const QDir dir(*m_directory);
    std::vector<QString> paths;
    std::vector<ClaimFile> files;
    std::vector<bool> alive;
    for (const QString& name : dir.entryList({kFilePrefix + QLatin1Char('*')}, QDir::Files)) {
        const auto text = readOwnFile(dir.filePath(name));
        if (const auto file = text ? ParseClaimFile(*text) : std::nullopt) {
            paths.push_back(dir.filePath(name));
            files.push_back(*file);
            alive.push_back(ownerAlive(file->owner));
        }
    }
    const auto gone = [&](std::size_t i) {
        return !alive[i] && files[i].owner.networkNamespace == m_owner.networkNamespace;
    };
    std::size_t i = 0;
    while (i < files.size() && !gone(i))
        ++i;
    if (i == files.size())
        return;

    QByteArray listing;
    if (!runIp({QStringLiteral("-4"), QStringLiteral("neigh"), QStringLiteral("show"),
                QStringLiteral("nud"), QStringLiteral("permanent"), QStringLiteral("proto"),
                QString::number(kNeighbourProtocol)},
               &listing))
        return;
    const auto isAlive = [&](const ClaimOwner& owner) {
        const auto at = std::find_if(files.begin(), files.end(),
                                     [&](const ClaimFile& f) { return f.owner == owner; });
        return alive[std::size_t(at - files.begin())];
    };
    std::vector<NeighbourClaim> left; // still in the table after trying
    for (const NeighbourClaim& entry : AbandonedEntries(
             files, isAlive, m_owner.networkNamespace, ParseTaggedEntries(listing.toStdString()))) {
        if (runIp({QStringLiteral("neigh"), QStringLiteral("del"),
                   QString::fromStdString(Ipv4Text(entry.ip)), QStringLiteral("dev"),
                   QString::fromStdString(entry.interfaceName)}))
            writeLine(QStringLiteral("removed the neighbour entry for %1 left behind by an "
                                     "earlier run that did not end cleanly")
                          .arg(text(entry)));
        else
            left.push_back(entry);
    }
    for (std::size_t f = 0; f < files.size(); ++f)
        if (gone(f) && std::none_of(files[f].claims.begin(), files[f].claims.end(),
                                    [&](const NeighbourClaim& claim) {
                                        return std::find(left.begin(), left.end(), claim) !=
                                               left.end();
                                    }))
            QFile::remove(paths[f]);
}

} // namespace quorvel
