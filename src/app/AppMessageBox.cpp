#include "AppMessageBox.h"

#include "resources/StringTable.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>

namespace quorvel {

namespace {

class QMessageBoxSink : public MessageSink {
public:
    void show(const QString& caption, const QString& text, MessageIcon icon) override {
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
    bool ask(const QString& caption, const QString& text) override {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(caption);
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }
};

QMessageBoxSink g_realSink;
MessageSink* g_sink = &g_realSink;
int g_depth = 0;
int g_maxDepth = 0;
int g_suppressed = 0;

} // namespace

QString ApplicationTitle() {
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QStringLiteral("Quorvel") : QFileInfo(path).completeBaseName();
}

void AppMessageBox(const QString& text, MessageIcon icon) {
    if (g_depth >= kMaxNestedMessageBoxes) {
        ++g_suppressed;
        return;
    }
    ++g_depth;
    g_maxDepth = std::max(g_maxDepth, g_depth);
    g_sink->show(ApplicationTitle(), text, icon);
    --g_depth;
}

bool AppQuestionBox(const QString& text) {
    ++g_depth;
    g_maxDepth = std::max(g_maxDepth, g_depth);
    const bool yes = g_sink->ask(ApplicationTitle(), text);
    --g_depth;
    return yes;
}

void AppMessageBox(int stringId, MessageIcon icon) {
    AppMessageBox(LoadResourceString(stringId), icon);
}

MessageSink* SetMessageSink(MessageSink* sink) {
    MessageSink* previous = g_sink == &g_realSink ? nullptr : g_sink;
    g_sink = sink ? sink : &g_realSink;
    return previous;
}

int MessageBoxDepth() {
    return g_depth;
}

int MaxMessageBoxDepthSeen() {
    return g_maxDepth;
}

int SuppressedMessageCount() {
    return g_suppressed;
}

void ResetMessageBoxStatistics() {
    g_maxDepth = g_depth;
    g_suppressed = 0;
}

} // namespace quorvel
