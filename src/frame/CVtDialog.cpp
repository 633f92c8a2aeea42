#include "CVtDialog.h"

namespace quorvel {

CVtDialog::CVtDialog(QWidget* parent) : QDialog(parent) {}

} // namespace quorvel
