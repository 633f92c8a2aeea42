#pragma once

#include "core/host/SearchExplanation.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace quorvel {

// Why the last search found nothing, or may have missed boards: the summary,
// details that open on demand, the commands that fix the host with a button
// that copies them, and "don't show again".
class SearchExplanationDlg : public QDialog {
    Q_OBJECT
public:
    SearchExplanationDlg(const std::optional<SearchExplanation>& explanation,
                         QWidget* parent = nullptr);

    // The texts shown, one finding a line: for tests and the clipboard.
    static QStringList summaryLines(const std::optional<SearchExplanation>& explanation);
    static QStringList detailLines(const SearchExplanation& explanation);

private:
    QPlainTextEdit* m_details = nullptr;
};

} // namespace quorvel
