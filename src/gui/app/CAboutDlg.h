#pragma once

#include "gui/frame/TemplateControls.h"

#include <QDialog>

namespace quorvel {

// The About box: version and notice, closed by OK or Escape.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QWidget* control(int id) const { return m_controls.control(id); }

private:
    TemplateControls m_controls;
};

} // namespace quorvel
