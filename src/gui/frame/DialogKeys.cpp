#include "DialogKeys.h"

#include "gui/frame/TemplateControls.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

namespace quorvel {

namespace {

bool isEnter(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers();
    return (key.key() == Qt::Key_Return && mods == Qt::NoModifier) ||
           (key.key() == Qt::Key_Enter && (mods & ~Qt::KeypadModifier) == Qt::NoModifier);
}

class DialogKeyFilter : public QObject {
public:
    DialogKeyFilter(QDialog& dialog, const TemplateControls& controls, DialogKeyMode mode)
        : QObject(&dialog), m_dialog(dialog), m_controls(controls), m_mode(mode) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_dialog || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEnter(*key)) {
            onEnter();
            return true;
        }
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            // Escape is Cancel even where its button is disabled, as in a
            // finished search.
            if (m_mode == DialogKeyMode::Dialog)
                m_dialog.reject();
            return true;
        }
        return false;
    }

private:
    void onEnter() {
        if (auto* focused = qobject_cast<QPushButton*>(m_dialog.focusWidget())) {
            if (focused->isEnabled())
                focused->click();
            return;
        }
        if (m_mode == DialogKeyMode::MainWindow)
            return;
        const int id = m_controls.defaultButtonId().value_or(DialogButton::Ok);
        if (auto* button = m_controls.as<QPushButton>(id)) {
            // A disabled default button takes no Enter; a hidden one still does.
            if (button->isEnabled())
                button->click();
            return;
        }
        m_dialog.accept();
    }

    QDialog& m_dialog;
    const TemplateControls& m_controls;
    DialogKeyMode m_mode;
};

} // namespace

void InstallDialogKeys(QDialog& dialog, const TemplateControls& controls, DialogKeyMode mode) {
    dialog.installEventFilter(new DialogKeyFilter(dialog, controls, mode));
}

} // namespace quorvel
