#pragma once

#include <QDialog>
#include <QRegion>

class QMenu;

namespace quorvel {

// The dialog base that draws its own caption and border: a frameless window
// whose frame is painted here, with its two top corners rounded off. Derived
// windows put their controls into clientArea(). It also stands in for the
// platform's system menu: items carry a numeric command id, and choosing one
// calls OnSysCommand with it.
class CVtDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCaptionHeight = 25; // top border included
    static constexpr int kBorderWidth = 3;    // sides and bottom
    static constexpr int kCornerRadius = 6;

    explicit CVtDialog(QWidget* parent = nullptr);

    // The widget that stands for the client area; controls go inside it.
    QWidget* clientArea() const { return m_clientArea; }
    // Fixes the window's size to a client area of `size` inside the frame.
    void setFixedClientSize(const QSize& size);
    // The client area in window coordinates.
    QRect clientRect() const;

    QMenu* systemMenu() const { return m_systemMenu; }
    void appendSystemMenuSeparator();
    void appendSystemMenuItem(unsigned commandId, const QString& text);
    void showSystemMenu(const QPoint& globalPosition);

    // A system command; the base class ignores the ones it does not know.
    virtual void OnSysCommand(unsigned commandId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool inCaption(const QPoint& position) const;

    QWidget* m_clientArea;
    QMenu* m_systemMenu;
    bool m_regionMade = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

// The two bands of the caption gradient for a window `width` wide whose
// client area starts at row `captionHeight`: split at half the caption.
struct CaptionBands {
    QRect upper;
    QRect lower;
};
CaptionBands CaptionGradientBands(int width, int captionHeight);

// The window region: the top corners cut to a quarter circle of `radius`.
QRegion RoundedTopRegion(int width, int height, int radius);

} // namespace quorvel
