#include "NetDisplayAccessible.h"

#include "CNetDisplay.h"
#include "protocol/BoardColumns.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <map>

namespace quorvel {

namespace {

// One board of the list. It names a row, not a record: after a sort the row
// shows whichever board is there now, as the cells do.
class BoardRowAccessible : public QAccessibleInterface {
public:
    BoardRowAccessible(CNetDisplay* list, int row) : m_list(list), m_row(row) {}

    bool isValid() const override {
        return m_list && m_row >= 0 &&
               static_cast<std::uint32_t>(m_row) < m_list->table().GetRecordCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return listInterface()->window(); }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return listInterface(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        const DeviceRecord& board = record();
        switch (t) {
        case QAccessible::Name:
            return QStringLiteral("%1, %2, %3")
                .arg(QString::fromStdString(board.name), QString::fromStdString(Ipv4Text(board.ip)),
                     QString::fromStdString(MacText(board.mac)));
        case QAccessible::Description:
            return QString::fromStdString(board.description);
        default:
            return {};
        }
    }

    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect cell = m_list->cellRect(m_row) & m_list->clientRect();
        return cell.isEmpty() ? QRect() : QRect(m_list->mapToGlobal(cell.topLeft()), cell.size());
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.focusable = true;
        s.selectable = true;
        const bool selected = m_list->table().selectedIndex == m_row;
        s.selected = selected;
        s.focused = selected && m_list->hasFocus();
        const QRect cell = m_list->cellRect(m_row);
        s.invisible = !cell.intersects(m_list->clientRect());
        s.offscreen = s.invisible;
        return s;
    }

private:
    QAccessibleInterface* listInterface() const {
        return QAccessible::queryAccessibleInterface(m_list.data());
    }
    const DeviceRecord& record() const {
        return m_list->table().recordList()[static_cast<std::size_t>(m_row)];
    }

    QPointer<CNetDisplay> m_list;
    int m_row;
};

class NetDisplayAccessible : public QAccessibleWidget {
public:
    explicit NetDisplayAccessible(CNetDisplay* list)
        : QAccessibleWidget(list, QAccessible::List), m_list(list) {}

    ~NetDisplayAccessible() override {
        for (const auto& [row, id] : m_rows)
            QAccessible::deleteAccessibleInterface(id);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return CNetDisplay::tr("打印机列表");
        return QAccessibleWidget::text(t);
    }

    int childCount() const override {
        return static_cast<int>(std::min<std::uint32_t>(m_list->table().GetRecordCount(), INT_MAX));
    }

    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto found = m_rows.find(index);
        if (found == m_rows.end()) {
            // The registry owns the row; we remember its id to free it with the list.
            const QAccessible::Id id =
                QAccessible::registerAccessibleInterface(new BoardRowAccessible(m_list, index));
            found = m_rows.emplace(index, id).first;
        }
        return QAccessible::accessibleInterface(found->second);
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [row, id] : m_rows)
            if (QAccessible::accessibleInterface(id) == child)
                return row < childCount() ? row : -1;
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        for (int row : visibleRows())
            if (child(row)->rect().contains(x, y))
                return child(row);
        return nullptr;
    }

    QAccessibleInterface* focusChild() const override {
        return m_list->table().HasSelection() ? child(m_list->table().selectedIndex) : nullptr;
    }

private:
    std::vector<int> visibleRows() const {
        std::vector<int> rows;
        const int top = m_list->scrollPosition();
        for (int row = std::max(top, 0); row < childCount(); ++row) {
            if (!m_list->cellRect(row).intersects(m_list->clientRect()))
                break;
            rows.push_back(row);
        }
        return rows;
    }

    CNetDisplay* m_list;
    mutable std::map<int, QAccessible::Id> m_rows;
};

QAccessibleInterface* netDisplayFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("quorvel::CNetDisplay"))
        if (auto* list = qobject_cast<CNetDisplay*>(object))
            return new NetDisplayAccessible(list);
    return nullptr;
}

} // namespace

void InstallNetDisplayAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&netDisplayFactory);
        return true;
    }();
    (void)installed;
}

void NotifyListSelection(CNetDisplay& list) {
    const int row = list.table().selectedIndex;
    QAccessibleEvent selection(&list, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&selection);
    if (row < 0 || !list.hasFocus())
        return;
    QAccessibleEvent focus(&list, QAccessible::Focus);
    focus.setChild(row);
    QAccessible::updateAccessibility(&focus);
}

} // namespace quorvel
