#include "core/messages/Messages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace quorvel {

namespace {

// Until a face installs its own (the program its message boxes), messages
// go to the standard error stream, one line each.
class StandardErrorSink : public MessageSink {
public:
    void show(const QString& caption, const QString& text, MessageIcon) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    }
};

StandardErrorSink g_fallbackSink;
MessageSink* g_sink = &g_fallbackSink;
int g_depth = 0;
int g_maxDepth = 0;
int g_suppressed = 0;

} // namespace

QString ApplicationTitle() {
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QStringLiteral("Quorvel") : QFileInfo(path).completeBaseName();
}

namespace {

template <typename Show> void boundedBox(Show show) {
    if (g_depth >= kMaxNestedMessageBoxes) {
        ++g_suppressed;
        return;
    }
    ++g_depth;
    g_maxDepth = std::max(g_maxDepth, g_depth);
    show();
    --g_depth;
}

} // namespace

void ReportMessage(const QString& text, MessageIcon icon) {
    boundedBox([&] { g_sink->show(ApplicationTitle(), text, icon); });
}

void ReportIgnoredDatagram(const QString& text, MessageIcon icon) {
    boundedBox([&] { g_sink->ignoredDatagram(ApplicationTitle(), text, icon); });
}

bool AskYesNo(const QString& text) {
    ++g_depth;
    g_maxDepth = std::max(g_maxDepth, g_depth);
    const bool yes = g_sink->ask(ApplicationTitle(), text);
    --g_depth;
    return yes;
}

MessageSink* SetMessageSink(MessageSink* sink) {
    MessageSink* previous = g_sink == &g_fallbackSink ? nullptr : g_sink;
    g_sink = sink ? sink : &g_fallbackSink;
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
