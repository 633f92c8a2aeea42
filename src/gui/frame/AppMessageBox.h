#pragma once

#include "core/messages/Messages.h"

namespace quorvel {

// The window's names for the one routine every message goes through: a modal
// box with one OK button, or a Yes/No question (true for Yes).
inline void AppMessageBox(const QString& text, MessageIcon icon = MessageIcon::Warning) {
    ReportMessage(text, icon);
}
inline bool AppQuestionBox(const QString& text) { return AskYesNo(text); }

} // namespace quorvel
