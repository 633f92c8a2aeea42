#pragma once

#include <QDialog>

class QMenu;

namespace quorvel {

// The dialog base that draws its own caption and border. It also stands in
// for the platform's system menu: items carry a numeric command id, and
// choosing one calls OnSysCommand with it.
class CVtDialog : public QDialog {
    Q_OBJECT
public:
    explicit CVtDialog(QWidget* parent = nullptr);

    QMenu* systemMenu() const { return m_systemMenu; }
    void appendSystemMenuSeparator();
    void appendSystemMenuItem(unsigned commandId, const QString& text);

    // A system command; the base class ignores the ones it does not know.
    virtual void OnSysCommand(unsigned commandId);

private:
    QMenu* m_systemMenu;
};

} // namespace quorvel
