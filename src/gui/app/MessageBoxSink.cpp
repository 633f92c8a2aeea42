#include "MessageBoxSink.h"

#include <QApplication>
#include <QMessageBox>

namespace quorvel {

void MessageBoxSink::show(const QString& caption, const QString& text, MessageIcon icon) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setIcon(icon == MessageIcon::Information ? QMessageBox::Information
                : icon == MessageIcon::Error     ? QMessageBox::Critical
                                                 : QMessageBox::Warning);
    box.exec();
}

bool MessageBoxSink::ask(const QString& caption, const QString& text) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace quorvel
