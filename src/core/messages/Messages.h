#pragma once

#include <QString>

namespace quorvel {

enum class MessageIcon { Warning, Information, Error, Question };

// Where application messages go: a modal box in the program, a line on the
// standard error stream without one, or a test recorder.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void show(const QString& caption, const QString& text, MessageIcon icon) = 0;
    // A Yes/No question; true for Yes. A sink that cannot ask answers No.
    virtual bool ask(const QString&, const QString&) { return false; }
    // A datagram that was read and dropped as bad or out of place: a box or
    // a line like any other message, unless the sink counts them instead.
    virtual void ignoredDatagram(const QString& caption, const QString& text, MessageIcon icon) {
        show(caption, text, icon);
    }
};

// A flood of bad datagrams must not stack boxes without end: past this many
// open at once, further messages are dropped (their datagrams were read).
constexpr int kMaxNestedMessageBoxes = 4;

// The one routine every message of the program goes through: one OK button,
// the executable's name as caption, the warning icon unless told otherwise.
void ReportMessage(const QString& text, MessageIcon icon = MessageIcon::Warning);

// The same for a datagram that was read and dropped: anyone may send those,
// as many as they like.
void ReportIgnoredDatagram(const QString& text, MessageIcon icon = MessageIcon::Warning);

// A Yes/No question in the same kind of box, with the question icon; true
// for Yes. Only the address checks ask anything.
bool AskYesNo(const QString& text);

// The executable's file name without its extension.
QString ApplicationTitle();

// Installs `sink` (null restores the standard error stream); returns the
// previous one (null for the standard error stream).
MessageSink* SetMessageSink(MessageSink* sink);

int MessageBoxDepth();        // boxes open now
int MaxMessageBoxDepthSeen(); // deepest nesting since start (or the last reset)
int SuppressedMessageCount(); // messages dropped at the bound
void ResetMessageBoxStatistics();

} // namespace quorvel
