#include "core/exchange/AddressCheckText.h"

#include <QCoreApplication>

namespace quorvel {

namespace {

QString fieldName(AddressField field) {
    switch (field) {
    case AddressField::Ip:
        return QCoreApplication::translate("AddressCheckText", "IP address");
    case AddressField::SubnetMask:
        return QCoreApplication::translate("AddressCheckText", "Subnet mask");
    case AddressField::Gateway:
        return QCoreApplication::translate("AddressCheckText", "Default gateway");
    }
    return {};
}

QString problemText(AddressProblem problem) {
    switch (problem) {
    case AddressProblem::Unspecified:
        return QCoreApplication::translate("AddressCheckText",
                                           "0.0.0.0 is not an address a device can take.");
    case AddressProblem::LimitedBroadcast:
        return QCoreApplication::translate("AddressCheckText",
                                           "255.255.255.255 is the broadcast address.");
    case AddressProblem::Loopback:
        return QCoreApplication::translate("AddressCheckText",
                                           "%1 is a loopback address (127.x.x.x).");
    case AddressProblem::MulticastOrReserved:
        return QCoreApplication::translate(
            "AddressCheckText", "%1 is a multicast or reserved address (224.0.0.0 and above).");
    case AddressProblem::MaskEmpty:
        return QCoreApplication::translate("AddressCheckText", "0.0.0.0 is not a subnet mask.");
    case AddressProblem::MaskNotContiguous:
        return QCoreApplication::translate(
            "AddressCheckText", "%1 is not a subnet mask: its ones must come first, without gaps.");
    case AddressProblem::SubnetNetwork:
        return QCoreApplication::translate("AddressCheckText",
                                           "%1 is the network address of its own subnet.");
    case AddressProblem::SubnetBroadcast:
        return QCoreApplication::translate("AddressCheckText",
                                           "%1 is the broadcast address of its own subnet.");
    case AddressProblem::GatewayOutsideSubnet:
        return QCoreApplication::translate(
            "AddressCheckText", "%1 is outside the subnet of the IP address, so the device may not "
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
    return QCoreApplication::translate("AddressCheckText", "%1: %2")
        .arg(fieldName(verdict.field),
             problemText(verdict.problem).replace(QStringLiteral("%1"), fieldValue));
}

} // namespace quorvel
