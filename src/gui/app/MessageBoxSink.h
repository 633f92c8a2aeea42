#pragma once

#include "core/messages/Messages.h"

namespace quorvel {

// The program's messages as modal boxes: one OK button, plain text, modal to
// the active window.
class MessageBoxSink : public MessageSink {
public:
    void show(const QString& caption, const QString& text, MessageIcon icon) override;
    bool ask(const QString& caption, const QString& text) override;
};

} // namespace quorvel
