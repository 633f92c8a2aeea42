#include "CVtDialog.h"

#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QWindow>
#include <cmath>

namespace quorvel {

namespace {

const QColor kOuterOutline(50, 98, 189);
const QColor kInnerOutline(132, 176, 223);
const QColor kBorderFill(94, 137, 203);
const QColor kUpperBandTop(131, 194, 237);
const QColor kUpperBandBottom(85, 147, 222);
const QColor kLowerBandTop(54, 119, 201);
const QColor kLowerBandBottom(44, 85, 177);
const QColor kTitleShadow(10, 24, 131);
const QColor kTitle(255, 255, 255);
const QColor kClientBackground(240, 240, 240);

// The top-left corner arc, from its top through to its left end.
const QPoint kCornerArc[] = {{6, 1}, {5, 1}, {4, 1}, {3, 2}, {2, 2},
                             {2, 3}, {1, 4}, {1, 5}, {1, 6}};

// Row by row, so the first and last rows carry the end colours exactly.
void fillVerticalGradient(QPainter& painter, const QRect& rect, const QColor& top,
                          const QColor& bottom) {
    const int rows = rect.height();
    for (int row = 0; row < rows; ++row) {
        const double t = rows > 1 ? double(row) / (rows - 1) : 0.0;
        const auto mix = [t](int a, int b) {
            return static_cast<int>(std::lround(a + (b - a) * t));
        };
        painter.fillRect(rect.left(), rect.top() + row, rect.width(), 1,
                         QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                                mix(top.blue(), bottom.blue())));
    }
}

// The outline of the rectangle (left, top, right, bottom), right and bottom excluded.
void frameRect(QPainter& painter, int left, int top, int right, int bottom, const QColor& colour) {
    painter.fillRect(left, top, right - left, 1, colour);
    painter.fillRect(left, bottom - 1, right - left, 1, colour);
    painter.fillRect(left, top, 1, bottom - top, colour);
    painter.fillRect(right - 1, top, 1, bottom - top, colour);
}

QFont titleFont() {
    // 11 points at 96 pixels per inch.
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(15);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

CaptionBands CaptionGradientBands(int width, int captionHeight) {
    const int half = captionHeight / 2;
    return {QRect(QPoint(2, 2), QPoint(width - 2 - 1, half - 1)),
            QRect(QPoint(2, half), QPoint(width - 2 - 1, captionHeight - 1 - 1))};
}

QRegion RoundedTopRegion(int width, int height, int radius) {
    QRegion region(0, radius, width, std::max(height - radius, 0));
    for (int y = 0; y < radius && y < height; ++y) {
        const double dy = radius - (y + 0.5);
        const int inset =
            static_cast<int>(std::lround(radius - std::sqrt(double(radius) * radius - dy * dy)));
        region += QRect(inset, y, std::max(width - 2 * inset, 0), 1);
    }
    return region;
}

CVtDialog::CVtDialog(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), m_clientArea(new QWidget(this)),
      m_systemMenu(new QMenu(this)) {
    m_clientArea->setObjectName(QStringLiteral("clientArea"));
    m_clientArea->setGeometry(clientRect());
    auto* altSpace = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(altSpace, &QShortcut::activated, this,
            [this] { showSystemMenu(mapToGlobal(clientRect().topLeft())); });
}

QRect CVtDialog::clientRect() const {
    return QRect(QPoint(kBorderWidth, kCaptionHeight),
                 QPoint(width() - kBorderWidth - 1, height() - kBorderWidth - 1));
}

void CVtDialog::setFixedClientSize(const QSize& size) {
    setFixedSize(size + QSize(2 * kBorderWidth, kCaptionHeight + kBorderWidth));
    m_clientArea->setGeometry(clientRect());
}

void CVtDialog::resizeEvent(QResizeEvent* event) {
    m_clientArea->setGeometry(clientRect());
    QDialog::resizeEvent(event);
}

void CVtDialog::appendSystemMenuSeparator() {
    m_systemMenu->addSeparator();
}

void CVtDialog::appendSystemMenuItem(unsigned commandId, const QString& text) {
    QAction* action = m_systemMenu->addAction(text);
    connect(action, &QAction::triggered, this, [this, commandId] { OnSysCommand(commandId); });
}

void CVtDialog::showSystemMenu(const QPoint& globalPosition) {
    m_systemMenu->popup(globalPosition);
}

void CVtDialog::OnSysCommand(unsigned) {}

void CVtDialog::showEvent(QShowEvent* event) {
    // The region is cut once, from the size the window opens with.
    if (!m_regionMade) {
        setMask(RoundedTopRegion(width(), height(), kCornerRadius));
        m_regionMade = true;
    }
    QDialog::showEvent(event);
}

void CVtDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    switch (event->type()) {
    case QEvent::ActivationChange:
        // The frame looks the same active or not; repaint it whole anyway.
        if (!isMinimized())
            update();
        break;
    case QEvent::WindowTitleChange:
        update(0, 0, width(), kCaptionHeight);
        break;
    default:
        break;
    }
}

void CVtDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const QRect client = clientRect();
    painter.fillRect(client, kClientBackground);

    // Nothing of the frame touches the client area.
    painter.setClipRegion(QRegion(rect()) - QRegion(client));
    frameRect(painter, 0, 0, w, h, kOuterOutline);
    frameRect(painter, 1, 1, w - 1, h - 1, kInnerOutline);
    painter.fillRect(QRect(QPoint(2, 2), QPoint(w - 3, h - 3)), kBorderFill);
    const CaptionBands bands = CaptionGradientBands(w, client.top());
    fillVerticalGradient(painter, bands.upper, kUpperBandTop, kUpperBandBottom);
    fillVerticalGradient(painter, bands.lower, kLowerBandTop, kLowerBandBottom);

    // Quarter circles of radius 5, one pixel inside the rounded corners; the
    // right one mirrors the left pixel for pixel.
    for (const QPoint& p : kCornerArc) {
        painter.fillRect(p.x(), p.y(), 1, 1, kOuterOutline);
        painter.fillRect(w - 1 - p.x(), p.y(), 1, 1, kOuterOutline);
    }

    const QString title = windowTitle();
    if (!title.isEmpty()) {
        painter.setFont(titleFont());
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        painter.setPen(kTitleShadow);
        painter.drawText(QRect(1, 1, w, client.top()), flags, title);
        painter.setPen(kTitle);
        painter.drawText(QRect(0, 0, w, client.top()), flags, title);
    }
}

bool CVtDialog::inCaption(const QPoint& position) const {
    return position.y() >= 0 && position.y() < kCaptionHeight && position.x() >= 0 &&
           position.x() < width();
}

void CVtDialog::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && inCaption(pos)) {
        // The window system moves the window where it can; elsewhere follow the pointer.
        QWindow* window = windowHandle();
        if (!window || !window->startSystemMove()) {
            m_dragging = true;
            m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        }
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CVtDialog::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CVtDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    if (event->button() == Qt::RightButton && inCaption(event->position().toPoint())) {
        showSystemMenu(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

} // namespace quorvel
