#include "CNetDisplay.h"

namespace quorvel {

CNetDisplay::CNetDisplay(QWidget* parent) : QWidget(parent) {
    m_table.setView(this);
}

void CNetDisplay::UpdateScrollBar() {
    m_table.SortAndRedraw();
}

void CNetDisplay::RequestRedraw() {
    update();
}

} // namespace quorvel
