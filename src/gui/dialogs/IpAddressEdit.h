#pragma once

#include "protocol/Addresses.h"

#include <QFrame>
#include <cstdint>

class QLineEdit;

namespace quorvel {

// An IPv4 address entry like the platform's IP address control: four
// decimal fields of 0..255 behind one frame. A blank field reads as 0.
// Typing a dot or filling three digits moves to the next field.
class IpAddressEdit : public QFrame {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    void setAddress(const Ipv4Address& address);
    void address(Ipv4Address& address) const;
    QString text() const; // a.b.c.d as read

    QLineEdit* field(int index) const { return m_fields[index]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int indexOf(QObject* object) const;
    void moveTo(int index, bool toStart);
    void layoutFields();

    QLineEdit* m_fields[4] = {};
    QWidget* m_dots[3] = {};
};

} // namespace quorvel
