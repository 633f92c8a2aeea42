#pragma once

#include "gui/resources/DialogTemplates.h"

#include <QFont>
#include <QHash>
#include <QRect>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace quorvel {

// Dialog units to pixels, fixed per template font so that layouts are the
// same on every machine.
struct DialogUnits {
    double horizontal;
    double vertical;
    static DialogUnits forFont(const char* face, int pointSize);
    QRect toPixels(int x, int y, int width, int height) const;
};

// The font a template names, at a fixed pixel size.
QFont TemplateFont(const char* face, int pointSize);

// Makes the widget for a Custom or IpAddress control; null falls back to a plain one.
using CustomControlFactory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;

// The controls of one dialog made from its template, found by numeric id.
// Hidden controls exist, keep their state and answer clicks.
class TemplateControls {
public:
    void build(QWidget* dialog, const DialogTemplate& tmpl,
               const CustomControlFactory& factory = {});

    QWidget* control(int id) const { return m_byId.value(id, nullptr); }
    template <typename T> T* as(int id) const { return qobject_cast<T*>(control(id)); }
    const std::vector<QWidget*>& inTemplateOrder() const { return m_all; }
    QSize clientSize() const { return m_clientSize; }
    // The push button the template makes the default, if any.
    std::optional<int> defaultButtonId() const { return m_defaultButtonId; }

private:
    QHash<int, QWidget*> m_byId;
    std::vector<QWidget*> m_all;
    QSize m_clientSize;
    std::optional<int> m_defaultButtonId;
};

} // namespace quorvel
