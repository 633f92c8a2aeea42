#pragma once

#include <QString>

namespace quorvel {

// Why the window cannot open on the display Qt is about to use, in one line;
// empty when a display server answers, or when the platform plugin is one
// that needs none (offscreen, vnc, ...). `platform` is -platform's value or
// QT_QPA_PLATFORM; the displays are -display or DISPLAY, and WAYLAND_DISPLAY
// (relative to `runtimeDir`, XDG_RUNTIME_DIR, unless a path).
QString DisplayProblem(const QString& platform, const QString& x11Display,
                       const QString& waylandDisplay, const QString& runtimeDir);

} // namespace quorvel
