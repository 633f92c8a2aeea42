#include "PrinterOverviewDlg.h"

#include "core/exchange/StatusFlagCaptions.h"
#include "protocol/Addresses.h"

#include <QBrush>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace quorvel {

namespace {

struct Colours {
    const char* background;
    const char* text;
};

// By condition, worst first; the last is for a board not yet heard of.
const Colours kConditionColours[kPrinterConditionCount + 1] = {
    {"#616161", "#ffffff"}, // no answer
    {"#b71c1c", "#ffffff"}, // fault
    {"#ad1457", "#ffffff"}, // offline
    {"#e65100", "#ffffff"}, // cover open
    {"#e53935", "#ffffff"}, // paper out
    {"#fdd835", "#000000"}, // paper near end
    {"#2e7d32", "#ffffff"}, // normal
    {"#e0e0e0", "#000000"}, // asking
};
const char kHighlight[] = "#b2ebf2";

std::size_t rankOf(const std::optional<PrinterCondition>& condition) {
    return condition ? std::size_t(*condition) : kPrinterConditionCount;
}

QString clockText(qint64 epochMs) {
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(epochMs);
    return at.toString(at.date() == QDate::currentDate() ? QStringLiteral("HH:mm:ss")
                                                         : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

PrinterOverviewModel::PrinterOverviewModel(const StatusMonitor& monitor, QObject* parent)
    : QAbstractTableModel(parent), m_monitor(monitor) {}

void PrinterOverviewModel::refresh(qint64 nowMs) {
    m_now = nowMs;
    const std::vector<MonitoredBoard>& boards = m_monitor.boards();
    if (boards.size() > m_order.size()) {
        beginInsertRows({}, int(m_order.size()), int(boards.size()) - 1);
        for (std::size_t i = m_order.size(); i < boards.size(); ++i)
            m_order.push_back(i);
        m_seen.resize(boards.size());
        endInsertRows();
    }
    for (std::size_t i = 0; i < boards.size(); ++i) {
        const std::optional<PrinterCondition> condition = ConditionOf(boards[i]);
        Seen& seen = m_seen[i];
        // The first word a board gets is no change.
        if (seen.condition && condition != seen.condition)
            seen.highlightUntil = nowMs + kHighlightMs;
        seen.condition = condition;
    }

    std::vector<std::size_t> order = m_order;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const std::size_t rankA = rankOf(m_seen[a].condition), rankB = rankOf(m_seen[b].condition);
        if (rankA != rankB)
            return rankA < rankB;
        return Ipv4Word(boards[a].record.ip) < Ipv4Word(boards[b].record.ip);
    });
    if (order != m_order) {
        // Moved rows keep their selection and the keyboard's place.
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<int> rowOf(boards.size());
        for (std::size_t row = 0; row < order.size(); ++row)
            rowOf[order[row]] = int(row);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        for (const QModelIndex& index : before)
            after << this->index(rowOf[m_order[std::size_t(index.row())]], index.column());
        m_order = std::move(order);
        changePersistentIndexList(before, after);
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    if (!m_order.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

const MonitoredBoard& PrinterOverviewModel::boardAt(int row) const {
    return m_monitor.boards().at(m_order.at(std::size_t(row)));
}

std::optional<PrinterCondition> PrinterOverviewModel::conditionAt(int row) const {
    return m_seen.at(m_order.at(std::size_t(row))).condition;
}

bool PrinterOverviewModel::isHighlighted(int row) const {
    return m_seen.at(m_order.at(std::size_t(row))).highlightUntil > m_now;
}

QString PrinterOverviewModel::flagText(int row) const {
    const MonitoredBoard& board = boardAt(row);
    if (!conditionAt(row))
        return tr("正在等待第一次应答。");
    if (!board.flags)
        return tr("从未应答状态查询。");
    QStringList lines;
    if (!board.up)
        lines << tr("最后一次应答（%1）时的状态：").arg(clockText(board.lastAnswerMs));
    for (std::size_t flag = 0; flag < kPrinterStatusFlagCount; ++flag)
        if ((*board.flags)[flag])
            lines << StatusFlagCaption(flag);
    if (lines.size() == int(!board.up))
        lines << tr("没有状态标志。");
    return lines.join(u'\n');
}

int PrinterOverviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_order.size());
}

int PrinterOverviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PrinterOverviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row();
    const MonitoredBoard& board = boardAt(row);
    const std::optional<PrinterCondition> condition = conditionAt(row);
    const Colours& colours = kConditionColours[rankOf(condition)];
    const bool isCondition = index.column() == ConditionColumn;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ConditionColumn:
            return condition ? PrinterConditionWord(*condition) : tr("查询中…");
        case NameColumn:
            return QString::fromStdString(board.record.name);
        case IpColumn:
            return QString::fromStdString(Ipv4Text(board.record.ip));
        case MacColumn:
            return QString::fromStdString(MacText(board.record.mac));
        case LastAnswerColumn:
            return board.lastAnswerMs ? clockText(board.lastAnswerMs) : tr("从未");
        }
        return {};
    case Qt::BackgroundRole:
        if (isCondition)
            return QBrush(QColor(QLatin1String(colours.background)));
        return isHighlighted(row) ? QVariant(QBrush(QColor(QLatin1String(kHighlight))))
                                  : QVariant();
    case Qt::ForegroundRole:
        if (isCondition)
            return QBrush(QColor(QLatin1String(colours.text)));
        return isHighlighted(row) ? QVariant(QBrush(Qt::black)) : QVariant();
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return flagText(row);
    }
    return {};
}

QVariant PrinterOverviewModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ConditionColumn:
        return tr("状态");
    case NameColumn:
        return tr("名称");
    case IpColumn:
        return tr("IP 地址");
    case MacColumn:
        return tr("MAC 地址");
    case LastAnswerColumn:
        return tr("最后应答");
    }
    return {};
}

PrinterOverviewDlg::PrinterOverviewDlg(std::unique_ptr<DatagramSocket> socket, QWidget* parent)
    : QDialog(parent), m_socket(std::move(socket)),
      m_monitor(std::make_unique<StatusMonitor>(*m_socket, kRefreshMs)) {
    setObjectName(QStringLiteral("printerOverview"));
    setWindowTitle(tr("打印机状态总览"));
    m_model = new PrinterOverviewModel(*m_monitor, this);

    auto* layout = new QVBoxLayout(this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("boards"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setTabKeyNavigation(false); // Tab goes on to the flags and "关闭"
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setAccessibleName(tr("打印机列表"));
    m_view->setAccessibleDescription(tr("最严重的状态排在最前"));
    layout->addWidget(m_view);

    m_flags = new QLabel(this);
    m_flags->setObjectName(QStringLiteral("flags"));
    m_flags->setTextFormat(Qt::PlainText);
    m_flags->setWordWrap(true);
    m_flags->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_flags->setFocusPolicy(Qt::StrongFocus);
    m_flags->setAccessibleName(tr("所选打印机的状态标志"));
    layout->addWidget(m_flags);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 380);

    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &PrinterOverviewDlg::refresh);
    // Many boards change within one round: one refresh for all of them.
    connect(m_monitor.get(), &StatusMonitor::changed, this, [this] {
        if (std::exchange(m_refreshQueued, true))
            return;
        QTimer::singleShot(0, this, &PrinterOverviewDlg::refresh);
    });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &PrinterOverviewDlg::showFlagsOfCurrentRow);
    m_view->setFocus();
}

PrinterOverviewDlg::~PrinterOverviewDlg() {
    m_monitor->stop();
    // Before the monitor they read goes.
    delete m_view;
    delete m_model;
}

void PrinterOverviewDlg::addBoards(const std::vector<DeviceRecord>& records) {
    m_monitor->addBoards(records);
    refresh();
}

void PrinterOverviewDlg::refresh() {
    m_refreshQueued = false;
    const int rowsBefore = m_model->rowCount();
    m_model->refresh(m_monitor->wallClock());
    if (m_model->rowCount() != rowsBefore) {
        m_view->resizeColumnsToContents();
        // Wide enough for every word, not only those shown now.
        int widest = 0;
        for (std::size_t c = 0; c < kPrinterConditionCount; ++c)
            widest = std::max(widest, m_view->fontMetrics().horizontalAdvance(
                                          PrinterConditionWord(PrinterCondition(c))));
        m_view->setColumnWidth(PrinterOverviewModel::ConditionColumn,
                               std::max(m_view->columnWidth(PrinterOverviewModel::ConditionColumn),
                                        widest + 2 * m_view->fontMetrics().averageCharWidth() + 8));
        if (!m_view->currentIndex().isValid())
            m_view->setCurrentIndex(m_model->index(0, 0));
    }
    showFlagsOfCurrentRow();
}

void PrinterOverviewDlg::showFlagsOfCurrentRow() {
    const QModelIndex current = m_view->currentIndex();
    m_flags->setText(current.isValid() ? m_model->flagText(current.row()) : QString());
}

void PrinterOverviewDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // shown again after being minimised: never stopped
    m_monitor->start();
    m_refresh.start();
    refresh();
}

void PrinterOverviewDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    m_monitor->stop();
    m_refresh.stop();
}

} // namespace quorvel
