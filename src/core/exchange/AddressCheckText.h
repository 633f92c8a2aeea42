#pragma once

#include "protocol/AddressCheck.h"

#include <QString>

namespace quorvel {

// What a refused or doubtful address verdict tells the user, naming the
// field and the value typed into it ("IP address: 127.0.0.1 is a loopback
// address (127.x.x.x)."). Empty for an accepted one.
QString AddressVerdictText(const AddressVerdict& verdict, const QString& fieldValue);

} // namespace quorvel
