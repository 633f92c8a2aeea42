#pragma once

#include "core/exchange/SearchSettings.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace quorvel {

// Where the window searches: the interfaces (all by default), addresses
// asked besides the broadcast, and a fixed local port.
class SearchSettingsDlg : public QDialog {
    Q_OBJECT
public:
    SearchSettingsDlg(const SearchSettings& settings, QWidget* parent = nullptr);

    SearchSettings settings() const;

    // The target addresses in a text, or an empty optional when one is not
    // an IPv4 address (then `bad` names it).
    static std::optional<QStringList> parseTargets(const QString& text, QString* bad = nullptr);

    void accept() override;

private:
    void restoreDefaults();

    QCheckBox* m_allInterfaces = nullptr;
    QListWidget* m_interfaces = nullptr;
    QLineEdit* m_targets = nullptr;
    QSpinBox* m_localPort = nullptr;
};

} // namespace quorvel
