#include "AddressCheckText.h"

namespace quorvel {

namespace {

QString fieldName(AddressField field) {
    switch (field) {
    case AddressField::Ip:
        return QStringLiteral("IP address");
    case AddressField::SubnetMask:
        return QStringLiteral("Subnet mask");
    case AddressField::Gateway:
        return QStringLiteral("Default gateway");
    }
    return {};
}

QString problemText(AddressProblem problem) {
    switch (problem) {
    case AddressProblem::Unspecified:
        return QStringLiteral("0.0.0.0 is not an address a device can take.");
    case AddressProblem::LimitedBroadcast:
        return QStringLiteral("255.255.255.255 is the broadcast address.");
    case AddressProblem::Loopback:
        return QStringLiteral("%1 is a loopback address (127.x.x.x).");
    case AddressProblem::MulticastOrReserved:
        return QStringLiteral("%1 is a multicast or reserved address (224.0.0.0 and above).");
    case AddressProblem::MaskEmpty:
        return QStringLiteral("0.0.0.0 is not a subnet mask.");
    case AddressProblem::MaskNotContiguous:
        return QStringLiteral("%1 is not a subnet mask: its ones must come first, without gaps.");
    case AddressProblem::SubnetNetwork:
        return QStringLiteral("%1 is the network address of its own subnet.");
    case AddressProblem::SubnetBroadcast:
        return QStringLiteral("%1 is the broadcast address of its own subnet.");
    case AddressProblem::GatewayOutsideSubnet:
        return QStringLiteral("%1 is outside the subnet of the IP address, so the device may not "
                              "reach it.\nSend these settings anyway?");
    case AddressProblem::None:
        break;
    }
    return {};
}

} // namespace

QString AddressVerdictText(const AddressVerdict& verdict, const QString& fieldValue) {
    if (verdict.kind == AddressVerdict::Accepted)
        return {};
    return fieldName(verdict.field) + QStringLiteral(": ") +
           problemText(verdict.problem).replace(QStringLiteral("%1"), fieldValue);
}

} // namespace quorvel
