#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace quorvel::testing {

// Runs a call that may open modal dialogs without ever blocking: each dialog
// that becomes the active modal widget is handed to `drive` once, from
// inside its own event loop. `drive` must end it; by default it is rejected.
class ModalDriver {
public:
    std::function<void(QDialog&)> drive = [](QDialog& dialog) { dialog.reject(); };
    QStringList opened; // class names, in the order the dialogs opened
    // How often to look for a new dialog. 0 is quickest, but keeps the event
    // loop spinning; runs that last seconds of real time want a pause.
    int pollMs = 0;

    void run(const std::function<void()>& call) {
        QPointer<QDialog> current;
        QTimer poll;
        poll.setInterval(pollMs);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog == current)
                return;
            current = dialog;
            opened << QString::fromLatin1(dialog->metaObject()->className());
            drive(*dialog);
        });
        poll.start();
        call();
    }
};

} // namespace quorvel::testing
