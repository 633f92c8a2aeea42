#pragma once

#include "core/messages/Messages.h"

#include <QStringList>
#include <functional>
#include <vector>

namespace quorvel::testing {

// Records message boxes instead of showing them; installs itself for its lifetime.
class RecordingMessageSink : public MessageSink {
public:
    struct Message {
        QString caption;
        QString text;
        MessageIcon icon;
    };

    RecordingMessageSink() {
        m_previous = SetMessageSink(this);
        ResetMessageBoxStatistics();
    }
    ~RecordingMessageSink() override { SetMessageSink(m_previous); }

    void show(const QString& caption, const QString& text, MessageIcon icon) override {
        messages.push_back({caption, text, icon});
        if (whileOpen)
            whileOpen();
    }

    bool ask(const QString& caption, const QString& text) override {
        messages.push_back({caption, text, MessageIcon::Question});
        return answerYes;
    }

    QStringList texts() const {
        QStringList list;
        for (const Message& m : messages)
            list << m.text;
        return list;
    }

    std::vector<Message> messages;
    bool answerYes = false; // the answer to every question
    // Runs while the "box" is open, like the nested event loop of a real one.
    std::function<void()> whileOpen;

private:
    MessageSink* m_previous = nullptr;
};

} // namespace quorvel::testing
