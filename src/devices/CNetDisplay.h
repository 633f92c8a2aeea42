#pragma once

#include "DeviceTable.h"

#include <QWidget>

namespace quorvel {

// The device list: the table's view, drawing each record as a cell.
class CNetDisplay : public QWidget, public DeviceTableView {
    Q_OBJECT
public:
    explicit CNetDisplay(QWidget* parent = nullptr);

    DeviceTable& table() { return m_table; }
    const DeviceTable& table() const { return m_table; }

    void UpdateScrollBar() override;
    void RequestRedraw() override;

private:
    DeviceTable m_table;
};

} // namespace quorvel
