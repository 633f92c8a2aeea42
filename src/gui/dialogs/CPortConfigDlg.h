#pragma once

#include "core/exchange/RemotePortList.h"
#include "gui/frame/TemplateControls.h"

#include <QDialog>
#include <cstdint>
#include <optional>
#include <vector>

class QLineEdit;
class QListWidget;

namespace quorvel {

// Edits the remote UDP ports that searches go to. The list box is a working
// copy; only OK writes it back to the list it is handed.
class CPortConfigDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPortConfigDlg(RemotePortList& ports, QWidget* parent = nullptr);

    QWidget* control(int id) const { return m_controls.control(id); }
    QListWidget* portList() const { return m_list; }
    QLineEdit* portField() const { return m_field; }
    // The ports of the list box's lines, top to bottom, from their item data.
    std::vector<std::uint32_t> listedPorts() const;

    void OnAdd();
    void OnRemove();
    void OnOK();
    void OnCancel();

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

    std::uint32_t portValue = 0;

private:
    void OnInitDialog();
    // Reads the port field into portValue; on failure tells the user and
    // moves the focus to the field.
    bool readPortField();
    // Adds a line; the sorted list puts it in place by its text.
    void addPortLine(std::uint32_t port);

    TemplateControls m_controls;
    QListWidget* m_list = nullptr;
    QLineEdit* m_field = nullptr;
    RemotePortList& m_ports;
};

// The port field's number: unsigned decimal digits, blanks and tabs around
// them allowed, nothing else. A number too large for 32 bits reads as the
// largest one, so that it is refused as out of range instead of wrapping
// onto a small port.
std::optional<std::uint32_t> ParsePortText(const QString& text);

} // namespace quorvel
