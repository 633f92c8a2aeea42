#include "CNetDisplay.h"

#include "BoardText.h"
#include "CellFont.h"
#include "CellText.h"
#include "NetDisplayAccessible.h"
#include "ScrollModel.h"
#include "gui/frame/AppMessageBox.h"
#include "core/net/NetworkInterfaces.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <climits>
#include <cmath>
#include <qdrawutil.h>

namespace quorvel {

namespace {

const QColor kGradientTop(144, 255, 144);
const QColor kGradientBottom(0, 204, 0);
const QColor kNormalText(0, 0, 0);
const QColor kSortedText(0, 0, 255);
const QColor kSelectionFrame(0, 0, 0);
constexpr int kSelectionFrameWidth = 4;

constexpr int kTextIndent = 10;
constexpr int kLine1 = 10;
constexpr int kLine2 = 28;
constexpr int kLine3 = 44;
constexpr int kTitleCellHeight = 18;
constexpr int kDetailCellHeight = 14;
// How far above its top a line's glyphs may reach (accents over capitals).
constexpr int kTextBleed = 2;

// The first and last rows carry the end colours exactly.
int channel(int top, int bottom, int row, int rows) {
    return rows > 1 ? static_cast<int>(std::lround(top + (bottom - top) * double(row) / (rows - 1)))
                    : top;
}

} // namespace

CNetDisplay::CNetDisplay(DeviceTable& table, QWidget* parent)
    : QWidget(parent), m_table(table), m_scrollBar(new QScrollBar(Qt::Vertical, this)),
      m_titleFont(CellFont("Tahoma", kTitleCellHeight, true)),
      m_detailFont(CellFont("宋体", kDetailCellHeight, false)),
      m_highlightFont(CellFont("宋体", kDetailCellHeight, true)) {
    m_titleAscent = QFontMetrics(m_titleFont).ascent();
    m_detailAscent = QFontMetrics(m_detailFont).ascent();
    m_highlightAscent = QFontMetrics(m_highlightFont).ascent();
    // Every pixel is painted here; the erase fills with the button face.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBackgroundRole(QPalette::Button);

    // The cells follow the thumb only when it is released, never while dragged.
    m_scrollBar->setTracking(false);
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->setContextMenuPolicy(Qt::NoContextMenu);
    m_scrollBar->setRange(0, 0);
    m_scrollBar->setPageStep(1);
    m_scrollBar->setSingleStep(1);
    m_scrollBar->hide();
    m_scrollBar->installEventFilter(this);
    connect(m_scrollBar, &QAbstractSlider::actionTriggered, this, &CNetDisplay::onSliderAction);
    connect(m_scrollBar, &QAbstractSlider::sliderMoved, this,
            [this](int position) { OnVScroll(SB_THUMBTRACK, position); });
    connect(m_scrollBar, &QAbstractSlider::sliderReleased, this,
            [this] { OnVScroll(SB_THUMBPOSITION, m_scrollBar->sliderPosition()); });

    m_table.setView(this);
    setFocusPolicy(Qt::StrongFocus);
    InstallNetDisplayAccessibility();
}

CNetDisplay::~CNetDisplay() {
    if (m_table.view() == this)
        m_table.setView(nullptr);
}

int CNetDisplay::scrollPosition() const {
    return m_scrollBar->value();
}

QRect CNetDisplay::clientRect() const {
    QRect client = rect();
    if (!m_scrollBar->isHidden())
        client.setRight(m_scrollBar->x() - 1);
    return client;
}

void CNetDisplay::placeScrollBar() {
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollBar);
    m_scrollBar->setGeometry(width() - extent, 0, extent, height());
}

void CNetDisplay::resizeEvent(QResizeEvent* event) {
    placeScrollBar();
    QWidget::resizeEvent(event);
}

void CNetDisplay::UpdateScrollBar() {
    const std::uint32_t count = m_table.GetRecordCount();
    if (count <= kRecordsWithoutScrollBar) {
        // A hidden bar keeps no position: with every cell fitting, the list
        // starts at the top again rather than hiding its first cells.
        m_scrollBar->setRange(0, 0);
        m_scrollBar->hide();
    } else {
        const int maximum = static_cast<int>(std::min<std::uint32_t>(count - 1, INT_MAX));
        m_scrollBar->setRange(0, maximum);
        m_scrollBar->setPageStep(1);
        placeScrollBar();
        m_scrollBar->show();
    }
    m_table.SortAndRedraw();
}

void CNetDisplay::RequestRedraw() {
    update();
}

void CNetDisplay::OnVScroll(int code, int thumbPosition) {
    const int position = m_scrollBar->value();
    const std::optional<int> next =
        ScrolledPosition(code, position, m_scrollBar->maximum(), thumbPosition);
    if (!next) {
        AppMessageBox(tr("Scrolling Error"));
        return;
    }
    // Writing an unchanged position would snap a dragged thumb back.
    if (*next != position)
        m_scrollBar->setValue(*next);
    if (code == SB_ENDSCROLL)
        RequestRedraw();
}

void CNetDisplay::onSliderAction(int action) {
    // The bar has already moved its slider by its own rule; ours decides.
    OnVScroll(ScrollCodeForSliderAction(action), m_scrollBar->sliderPosition());
    m_scrollBar->setSliderPosition(m_scrollBar->value());
}

bool CNetDisplay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scrollBar) {
        switch (event->type()) {
        case QEvent::Wheel:
            // A notch over the bar scrolls like a notch over the cells.
            wheelEvent(static_cast<QWheelEvent*>(event));
            return true;
        case QEvent::MouseButtonRelease:
            // The end of a scroll comes after the bar has handled the release.
            QMetaObject::invokeMethod(
                this, [this] { OnVScroll(SB_ENDSCROLL, 0); }, Qt::QueuedConnection);
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CNetDisplay::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && clientRect().contains(pos)) {
        m_table.selectIndex(HitTestIndex(pos.y(), scrollPosition()));
        RequestRedraw();
        selectionChanged();
    }
    QWidget::mouseReleaseEvent(event);
}

const QImage& CNetDisplay::cellBackground(int width) {
    if (m_cellBackground.width() != width) {
        m_cellBackground = QImage(std::max(width, 1), kCellHeight, QImage::Format_RGB32);
        for (int row = 0; row < kCellHeight; ++row) {
            const QRgb colour =
                qRgb(channel(kGradientTop.red(), kGradientBottom.red(), row, kCellHeight),
                     channel(kGradientTop.green(), kGradientBottom.green(), row, kCellHeight),
                     channel(kGradientTop.blue(), kGradientBottom.blue(), row, kCellHeight));
            auto* line = reinterpret_cast<QRgb*>(m_cellBackground.scanLine(row));
            std::fill(line, line + m_cellBackground.width(), colour);
        }
    }
    return m_cellBackground;
}

void CNetDisplay::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect client = clientRect();
    const QRect dirty = event->rect() & client;
    painter.fillRect(dirty, palette().color(QPalette::Button));

    // Only the cells that meet the dirty rows are drawn. Nothing of a cell
    // reaches outside it, so the pixels are those of drawing every record.
    const int position = scrollPosition();
    const std::vector<DeviceRecord>& records = m_table.recordList();
    const CellRange range = CellsInRows(dirty.top() - client.top(), dirty.bottom() - client.top(),
                                        position, m_table.GetRecordCount());
    const int left = client.left() + kCellMargin;
    const int right = client.right() + 1 - kCellMargin;
    for (std::int64_t i = range.first; i <= range.last; ++i) {
        const QRect cell(left, client.top() + static_cast<int>(CellTop(i, position)), right - left,
                         kCellHeight);
        drawCell(painter, cell, dirty, records[static_cast<std::size_t>(i)], i);
    }
    painter.setClipping(false);
    qDrawWinPanel(&painter, client, palette(), true);
}

void CNetDisplay::drawCell(QPainter& painter, const QRect& cell, const QRect& dirty,
                           const DeviceRecord& record, std::int64_t index) {
    painter.drawImage(cell.topLeft(), cellBackground(cell.width()));

    // Each text line is kept to a band from just above its top to the cell's
    // bottom; a line whose band misses the dirty rows is not even built.
    const auto band = [&](int line) {
        return QRect(QPoint(cell.left(), cell.top() + line - kTextBleed), cell.bottomRight()) &
               dirty;
    };
    const int column1 = cell.left() + kTextIndent;
    const int column2 = cell.left() + cell.width() / 2;
    const auto text = [&](int x, int line, const QFont& font, int ascent, bool sorted,
                          const QString& s) {
        painter.setClipRect(band(line));
        painter.setFont(font);
        painter.setPen(sorted ? kSortedText : kNormalText);
        painter.drawText(QPoint(x, cell.top() + line + ascent), s);
    };

    if (!band(kLine1).isEmpty()) {
        text(column1, kLine1, m_titleFont, m_titleAscent, false,
             QString::fromStdString(record.name));
        text(column2, kLine1, m_titleFont, m_titleAscent, m_table.sortMode == SortByIpAddress,
             IpLineText(record));
    }
    if (!band(kLine2).isEmpty()) {
        text(column1, kLine2, m_detailFont, m_detailAscent, false,
             QString::fromStdString(record.description));
        if (m_table.showMac)
            text(column2, kLine2, m_detailFont, m_detailAscent, false, MacLineText(record));
    }
    if (!band(kLine3).isEmpty()) {
        const auto timeColumn = [&](int x, bool sorted, const QString& s) {
            if (sorted)
                text(x, kLine3, m_highlightFont, m_highlightAscent, true, s);
            else
                text(x, kLine3, m_detailFont, m_detailAscent, false, s);
        };
        if (m_table.showLeftColumn)
            timeColumn(column1, m_table.sortMode == SortByLeftColumn, LeftColumnText(record));
        if (m_table.showRightColumn)
            timeColumn(column2, m_table.sortMode == SortByRightColumn, RightColumnText(record));
    }
    painter.setClipping(false);

    if (index == m_table.selectedIndex) {
        const int w = kSelectionFrameWidth;
        painter.fillRect(cell.left(), cell.top(), cell.width(), w, kSelectionFrame);
        painter.fillRect(cell.left(), cell.bottom() + 1 - w, cell.width(), w, kSelectionFrame);
        painter.fillRect(cell.left(), cell.top(), w, cell.height(), kSelectionFrame);
        painter.fillRect(cell.right() + 1 - w, cell.top(), w, cell.height(), kSelectionFrame);
    }
}

QRect CNetDisplay::cellRect(std::int64_t index) const {
    const QRect client = clientRect();
    const int left = client.left() + kCellMargin;
    const int right = client.right() + 1 - kCellMargin;
    const std::int64_t top = client.top() + CellTop(index, scrollPosition());
    return QRect(left, static_cast<int>(std::clamp<std::int64_t>(top, INT_MIN / 2, INT_MAX / 2)),
                 right - left, kCellHeight);
}

void CNetDisplay::selectAndShow(std::int64_t index) {
    m_table.selectIndex(index);
    if (m_table.HasSelection()) {
        const int target =
            PositionShowing(m_table.selectedIndex, scrollPosition(),
                            WholeCellsIn(clientRect().height()), m_scrollBar->maximum());
        if (target != scrollPosition())
            OnVScroll(SB_THUMBPOSITION, target);
    }
    OnVScroll(SB_ENDSCROLL, 0);
    selectionChanged();
}

void CNetDisplay::selectionChanged() {
    NotifyListSelection(*this);
}

void CNetDisplay::scrollByNotches(int notches) {
    // More notches than positions would only repeat the last step.
    const int steps = std::min(std::abs(notches), m_scrollBar->maximum() + 1);
    for (int i = 0; i < steps; ++i)
        OnVScroll(notches > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    OnVScroll(SB_ENDSCROLL, 0);
}

void CNetDisplay::wheelEvent(QWheelEvent* event) {
    const int notches = m_wheel.take(event->angleDelta().y());
    if (notches != 0)
        scrollByNotches(notches);
    event->accept();
}

void CNetDisplay::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (m_table.HasSelection()) {
            const auto& board =
                m_table.recordList()[static_cast<std::size_t>(m_table.selectedIndex)];
            QGuiApplication::clipboard()->setText(BoardClipboardText(
                board, QString::fromStdString(InterfaceName(board.interfaceIndex))));
        }
        event->accept();
        return;
    }
    // The list keeps its navigation keys, also when empty, so that they never
    // move the focus to another control.
    if (IsListNavigationKey(event->key()) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        const std::optional<std::int64_t> next =
            SelectionAfterKey(event->key(), m_table.selectedIndex, scrollPosition(),
                              WholeCellsIn(clientRect().height()), m_table.GetRecordCount());
        if (next)
            selectAndShow(*next);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CNetDisplay::contextMenuEvent(QContextMenuEvent* event) {
    QPoint at = event->pos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        if (clientRect().contains(at))
            selectAndShow(HitTestIndex(at.y(), scrollPosition()));
    } else {
        // From the keyboard the menu opens on the selected cell.
        const QRect cell =
            m_table.HasSelection() ? cellRect(m_table.selectedIndex) & clientRect() : QRect();
        at = cell.isEmpty() ? clientRect().topLeft() + QPoint(kCellMargin, kCellMargin)
                            : cell.center();
    }
    Q_EMIT boardMenuRequested(mapToGlobal(at));
    event->accept();
}

} // namespace quorvel
