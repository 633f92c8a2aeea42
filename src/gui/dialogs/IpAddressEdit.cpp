#include "IpAddressEdit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace quorvel {

namespace {

// Blank or a decimal number up to 255: a keystroke that would go past 255 is
// refused rather than clamped later.
class OctetValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.isEmpty())
            return Acceptable;
        if (input.size() > 3)
            return Invalid;
        for (QChar c : input)
            if (!c.isDigit() || c.unicode() > '9')
                return Invalid;
        return input.toInt() <= 255 ? Acceptable : Invalid;
    }
};

constexpr int kDotWidth = 6;

} // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    for (int i = 0; i < 4; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("field%1").arg(i));
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMaxLength(3);
        edit->setValidator(new OctetValidator(edit));
        // Tab leaves the whole address, as on the platform's control.
        edit->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, i, edit](const QString& text) {
            if (text.size() == 3 && edit->cursorPosition() == 3 && i < 3)
                moveTo(i + 1, true);
        });
        m_fields[i] = edit;
    }
    for (QWidget*& dot : m_dots) {
        auto* label = new QLabel(QStringLiteral("."), this);
        label->setAlignment(Qt::AlignCenter);
        label->setTextFormat(Qt::PlainText);
        dot = label;
    }
    setFocusProxy(m_fields[0]);
    layoutFields();
}

void IpAddressEdit::setAddress(const Ipv4Address& address) {
    for (int i = 0; i < 4; ++i)
        m_fields[i]->setText(QString::number(address[i]));
}

void IpAddressEdit::address(Ipv4Address& address) const {
    for (int i = 0; i < 4; ++i)
        address[i] = static_cast<std::uint8_t>(m_fields[i]->text().toUInt());
}

QString IpAddressEdit::text() const {
    Ipv4Address bytes;
    address(bytes);
    return QString::asprintf("%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
}

int IpAddressEdit::indexOf(QObject* object) const {
    for (int i = 0; i < 4; ++i)
        if (m_fields[i] == object)
            return i;
    return -1;
}

void IpAddressEdit::moveTo(int index, bool toStart) {
    QLineEdit* edit = m_fields[index];
    edit->setFocus(Qt::OtherFocusReason);
    if (toStart)
        edit->selectAll();
    else
        edit->setCursorPosition(edit->text().size());
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int index = indexOf(watched);
    if (index < 0 || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* edit = m_fields[index];
    const bool atStart = edit->cursorPosition() == 0 && !edit->hasSelectedText();
    const bool atEnd = edit->cursorPosition() == edit->text().size() && !edit->hasSelectedText();
    switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Space:
        if (index < 3 && !edit->text().isEmpty())
            moveTo(index + 1, true);
        return true;
    case Qt::Key_Right:
        if (atEnd && index < 3) {
            moveTo(index + 1, false);
            m_fields[index + 1]->setCursorPosition(0);
            return true;
        }
        break;
    case Qt::Key_Left:
    case Qt::Key_Backspace:
        if (atStart && index > 0) {
            moveTo(index - 1, false);
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

void IpAddressEdit::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    layoutFields();
}

void IpAddressEdit::layoutFields() {
    const QRect inner = contentsRect();
    const int fieldWidth = (inner.width() - 3 * kDotWidth) / 4;
    int x = inner.left();
    for (int i = 0; i < 4; ++i) {
        m_fields[i]->setGeometry(x, inner.top(), fieldWidth, inner.height());
        x += fieldWidth;
        if (i < 3) {
            m_dots[i]->setGeometry(x, inner.top(), kDotWidth, inner.height());
            x += kDotWidth;
        }
    }
}

} // namespace quorvel
