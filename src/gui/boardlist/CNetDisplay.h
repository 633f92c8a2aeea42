#pragma once

#include "ListNavigation.h"
#include "core/exchange/DeviceTable.h"

#include <QFont>
#include <QImage>
#include <QWidget>

class QScrollBar;

namespace quorvel {

// The device list: the view of the table it is handed, drawing each record
// as a green cell under a vertical scroll bar that moves one cell at a time.
// The table must outlive it.
class CNetDisplay : public QWidget, public DeviceTableView {
    Q_OBJECT
public:
    explicit CNetDisplay(DeviceTable& table, QWidget* parent = nullptr);
    ~CNetDisplay() override;

    DeviceTable& table() { return m_table; }
    const DeviceTable& table() const { return m_table; }

    void UpdateScrollBar() override;
    void RequestRedraw() override;

    // One scroll request with its platform code (SB_LINEUP ... SB_ENDSCROLL).
    void OnVScroll(int code, int thumbPosition);

    int scrollPosition() const;
    QScrollBar* verticalScrollBar() const { return m_scrollBar; }
    // The drawing area: the widget without the scroll bar while it shows.
    QRect clientRect() const;

    // Selects a record (an index past the last clears the selection), scrolls
    // it into view and tells assistive technology.
    void selectAndShow(std::int64_t index);
    // The cell rectangle of a record in widget coordinates.
    QRect cellRect(std::int64_t index) const;

Q_SIGNALS:
    // A right click (which first selects the board under the pointer, as a
    // click does) or the menu key asks for the board menu at this point.
    void boardMenuRequested(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onSliderAction(int action);
    void placeScrollBar();
    void scrollByNotches(int notches);
    void selectionChanged();
    void drawCell(QPainter& painter, const QRect& cell, const QRect& dirty,
                  const DeviceRecord& record, std::int64_t index);
    const QImage& cellBackground(int width);

    DeviceTable& m_table;
    QScrollBar* m_scrollBar;
    QFont m_titleFont;
    QFont m_detailFont;
    QFont m_highlightFont;
    int m_titleAscent = 0;
    int m_detailAscent = 0;
    int m_highlightAscent = 0;
    QImage m_cellBackground;
    WheelNotches m_wheel;
};

} // namespace quorvel
