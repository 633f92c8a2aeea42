#include "DisplayCheck.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace quorvel {

namespace {

bool x11Answers(const QString& display) {
    if (display.isEmpty())
        return false;
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

bool waylandAnswers(const QString& socketPath) {
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

} // namespace

QString DisplayProblem(const QString& platform, const QString& x11Display,
                       const QString& waylandDisplay, const QString& runtimeDir) {
    const QString plugin = platform.section(u':', 0, 0);
    const bool x11 = plugin.isEmpty() || plugin == QLatin1String("xcb");
    const bool wayland = plugin.isEmpty() || plugin.startsWith(QLatin1String("wayland"));
    if (!x11 && !wayland)
        return {};
    // Asked for by name, Wayland's client library falls back to wayland-0.
    const QString waylandName = waylandDisplay.isEmpty() && !plugin.isEmpty() && wayland
                                    ? QStringLiteral("wayland-0")
                                    : waylandDisplay;
    if (x11Display.isEmpty() && waylandName.isEmpty())
        return QStringLiteral("Quorvel is a desktop program and needs a graphical display, but "
                              "neither DISPLAY nor WAYLAND_DISPLAY is set.");
    const QString socket =
        QDir::isAbsolutePath(waylandName) ? waylandName : QDir(runtimeDir).filePath(waylandName);
    if ((wayland && !waylandName.isEmpty() && waylandAnswers(socket)) ||
        (x11 && x11Answers(x11Display)))
        return {};
    QStringList tried;
    if (x11 && !x11Display.isEmpty())
        tried << QStringLiteral("the X display %1").arg(x11Display);
    if (wayland && !waylandName.isEmpty())
        tried << QStringLiteral("the Wayland display %1").arg(socket);
    if (tried.isEmpty())
        return QStringLiteral("Quorvel cannot open a display for the platform %1: none is set.")
            .arg(plugin);
    return QStringLiteral("Quorvel cannot open the display: %1 does not answer.")
        .arg(tried.join(QStringLiteral(" nor ")));
}

} // namespace quorvel
