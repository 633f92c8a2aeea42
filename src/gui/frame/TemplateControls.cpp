#include "TemplateControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <cmath>
#include <cstring>

namespace quorvel {

DialogUnits DialogUnits::forFont(const char* face, int pointSize) {
    if (std::strcmp(face, "MS Shell Dlg") == 0 && pointSize == 8)
        return {1.5, 1.625};
    return {1.5, 1.5};
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
    const auto h = [this](int v) { return static_cast<int>(std::lround(v * horizontal)); };
    const auto v = [this](int u) { return static_cast<int>(std::lround(u * vertical)); };
    return QRect(h(x), v(y), h(x + width) - h(x), v(y + height) - v(y));
}

QFont TemplateFont(const char* face, int pointSize) {
    QFont font(QString::fromUtf8(face));
    font.setPixelSize(static_cast<int>(std::lround(pointSize * 96.0 / 72.0)));
    return font;
}

namespace {

// A check box that only the program changes: clicks leave it as it is.
class DisplayCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

// A push button that shows its focus however the focus came, as a dialog's
// buttons do; the style otherwise marks it only after Tab.
class TemplatePushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        if (hasFocus())
            option.state |= QStyle::State_KeyboardFocusChange;
        painter.drawControl(QStyle::CE_PushButton, option);
    }
};

QWidget* makeStandardControl(const ControlTemplate& c, QWidget* parent) {
    const QString text = TemplateText(c.text);
    switch (c.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new TemplatePushButton(text, parent);
        button->setAutoDefault(false);
        button->setDefault(c.kind == ControlKind::DefaultPushButton);
        return button;
    }
    case ControlKind::AutoCheckBox:
        return new QCheckBox(text, parent);
    case ControlKind::CheckBox:
        return new DisplayCheckBox(text, parent);
    case ControlKind::DropDownList: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        return combo;
    }
    case ControlKind::Static: {
        auto* label = new QLabel(text, parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment((c.style & AlignRight    ? Qt::AlignRight
                             : c.style & AlignCenter ? Qt::AlignHCenter
                                                     : Qt::AlignLeft) |
                            Qt::AlignTop);
        return label;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        bar->setRange(0, 100);
        bar->setValue(0);
        return bar;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(text, parent);
        edit->setReadOnly(c.style & ReadOnly);
        if (c.style & AlignCenter)
            edit->setAlignment(Qt::AlignHCenter);
        if (c.style & DigitsOnly)
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), edit));
        return edit;
    }
    case ControlKind::ListBox: {
        auto* list = new QListWidget(parent);
        list->setSortingEnabled(c.style & Sorted);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        return list;
    }
    case ControlKind::IpAddress:
        return new QLineEdit(parent);
    case ControlKind::Custom:
        return new QWidget(parent);
    }
    return new QWidget(parent);
}

} // namespace

void TemplateControls::build(QWidget* dialog, const DialogTemplate& tmpl,
                             const CustomControlFactory& factory) {
    const DialogUnits units = DialogUnits::forFont(tmpl.fontFace, tmpl.pointSize);
    const QFont font = TemplateFont(tmpl.fontFace, tmpl.pointSize);
    m_clientSize = units.toPixels(0, 0, tmpl.width, tmpl.height).size();
    dialog->setFont(font);
    QWidget* previous = nullptr;
    for (const ControlTemplate& c : tmpl.controls) {
        QWidget* widget = nullptr;
        if (factory && (c.kind == ControlKind::Custom || c.kind == ControlKind::IpAddress))
            widget = factory(c, dialog);
        if (!widget)
            widget = makeStandardControl(c, dialog);
        widget->setGeometry(units.toPixels(c.x, c.y, c.width, c.height));
        widget->setFocusPolicy(c.tabStop ? Qt::StrongFocus : Qt::NoFocus);
        widget->setVisible(c.visible);
        if (c.id != kStaticId) {
            widget->setObjectName(QStringLiteral("control%1").arg(c.id));
            m_byId.insert(c.id, widget);
        }
        if (c.kind == ControlKind::DefaultPushButton && !m_defaultButtonId)
            m_defaultButtonId = c.id;
        if (previous && c.tabStop)
            QWidget::setTabOrder(previous, widget);
        if (c.tabStop)
            previous = widget;
        m_all.push_back(widget);
    }
}

} // namespace quorvel
