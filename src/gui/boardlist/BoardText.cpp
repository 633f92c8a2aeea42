#include "BoardText.h"

#include "protocol/BoardColumns.h"
#include "protocol/SafeText.h"

namespace quorvel {

namespace {

// A line break in a board's text would split its line in two, and a control
// character could act on whatever the text is pasted into (an escape that
// ends a shell's bracketed paste, say).
QString oneLine(const std::string& value) {
    return QString::fromStdString(SafeText(value, TextUse::Clipboard));
}

} // namespace

QString BoardClipboardText(const DeviceRecord& record, const QString& interfaceName) {
    const auto& columns = BoardColumns();
    const auto values = BoardColumnValues(record, interfaceName.toStdString());
    const auto indexOf = [&](std::string_view key) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i].key == key)
                return i;
        return columns.size();
    };
    const std::size_t leftLabel = indexOf("left_label");
    const std::size_t rightLabel = indexOf("right_label");

    QString text;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i == leftLabel || i == rightLabel)
            continue;
        std::string label(columns[i].title);
        if (columns[i].key == "left_elapsed" && leftLabel < values.size() &&
            !values[leftLabel].empty())
            label = values[leftLabel];
        else if (columns[i].key == "right_elapsed" && rightLabel < values.size() &&
                 !values[rightLabel].empty())
            label = values[rightLabel];
        else if (columns[i].key == "interface" && values[i].empty())
            continue;
        // A label that brings its own colon ("Event1:") gets no second one.
        QString name = oneLine(label).trimmed();
        while (name.endsWith(QLatin1Char(':')))
            name.chop(1);
        text += name + QStringLiteral(": ") + oneLine(values[i]) + QLatin1Char('\n');
    }
    return text;
}

} // namespace quorvel
