#pragma once

#include <QDialog>

namespace quorvel {

// The dialog base that draws its own caption and border.
class CVtDialog : public QDialog {
    Q_OBJECT
public:
    explicit CVtDialog(QWidget* parent = nullptr);
};

} // namespace quorvel
