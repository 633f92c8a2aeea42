#pragma once

#include "core/monitor/PrinterCondition.h"
#include "core/monitor/StatusMonitor.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QTableView;

namespace quorvel {

// The monitor's boards as rows, worst condition first. A row whose condition
// changed stays highlighted for a while.
class PrinterOverviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ConditionColumn, NameColumn, IpColumn, MacColumn, LastAnswerColumn, ColumnCount };
    static constexpr qint64 kHighlightMs = 10000;

    explicit PrinterOverviewModel(const StatusMonitor& monitor, QObject* parent = nullptr);

    // Takes in new boards and conditions and sorts again; `nowMs` is epoch
    // time, which the highlights count in.
    void refresh(qint64 nowMs);

    const MonitoredBoard& boardAt(int row) const;
    std::optional<PrinterCondition> conditionAt(int row) const;
    bool isHighlighted(int row) const;
    // The flags of the row's last answer, one caption a line, translated.
    QString flagText(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Seen {
        std::optional<PrinterCondition> condition;
        qint64 highlightUntil = 0;
    };
    const StatusMonitor& m_monitor;
    std::vector<std::size_t> m_order; // monitor indexes, by row
    std::vector<Seen> m_seen;         // by monitor index
    qint64 m_now = 0;
};

// "打印机状态总览": every board of the searches as it answers the status
// monitor, which runs on the socket it is handed while the window is shown.
class PrinterOverviewDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 3000;

    PrinterOverviewDlg(std::unique_ptr<DatagramSocket> socket, QWidget* parent = nullptr);
    ~PrinterOverviewDlg() override;

    // Boards of a search: new ones join, known ones take their new address.
    void addBoards(const std::vector<DeviceRecord>& records);

    StatusMonitor& monitor() { return *m_monitor; }
    PrinterOverviewModel& model() { return *m_model; }
    QTableView& view() { return *m_view; }
    // Refreshes the rows now, as the timer does every kRefreshMs.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showFlagsOfCurrentRow();

    std::unique_ptr<DatagramSocket> m_socket;
    std::unique_ptr<StatusMonitor> m_monitor;
    PrinterOverviewModel* m_model = nullptr;
    QTableView* m_view = nullptr;
    QLabel* m_flags = nullptr;
    QTimer m_refresh;
    bool m_refreshQueued = false;
};

} // namespace quorvel
