#include "core/host/AddressClash.h"

#include "core/net/NetworkInterfaces.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>

namespace quorvel {

namespace {

std::string readProcFile(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return file.readAll().toStdString();
}

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

std::optional<AddressClash> FindAddressClash(const Ipv4Address& address, const MacAddress& boardMac,
                                             const HostAddressFacts& facts) {
    if (address == Ipv4Address{})
        return std::nullopt;
    const auto on = [&](const std::vector<HostAddressFacts::OnLink>& list) {
        return std::find_if(list.begin(), list.end(),
                            [&](const auto& known) { return known.address == address; });
    };
    if (const auto own = on(facts.ownAddresses); own != facts.ownAddresses.end())
        return AddressClash{ClashKind::OwnAddress, own->interfaceName};
    if (const auto gateway = on(facts.gateways); gateway != facts.gateways.end())
        return AddressClash{ClashKind::Gateway, gateway->interfaceName};
    for (const NeighbourEntry& entry : facts.neighbours)
        if (entry.ip == address && entry.mac != boardMac)
            return AddressClash{ClashKind::OtherDevice, entry.interfaceName, entry.mac};
    return std::nullopt;
}

bool HostStepsAllowed(const std::optional<AddressClash>& clash, bool dhcp) {
    return !clash || (!dhcp && clash->kind == ClashKind::OtherDevice);
}

HostAddressFacts ReadHostAddressFacts() {
    HostAddressFacts facts;
    for (const InterfaceEntry& entry : ReadInterfaceEntries())
        if (entry.ipv4)
            facts.ownAddresses.push_back({Ipv4FromWord(*entry.ipv4), entry.name});
    for (const Route& route : DefaultGatewayRoutes(readProcFile("/proc/net/route")))
        facts.gateways.push_back({route.gateway, route.interfaceName});
    facts.neighbours = ParseNeighbourTable(readProcFile("/proc/net/arp"));
    return facts;
}

QString AddressClashText(const Ipv4Address& address, const AddressClash& clash) {
    const QString ip = text(Ipv4Text(address));
    const QString link = text(clash.interfaceName);
    switch (clash.kind) {
    case ClashKind::OwnAddress:
        return QCoreApplication::translate("AddressClash",
                                           "IP address %1 is this computer's own address (on %2); "
                                           "a printer with it would take this computer's traffic.")
            .arg(ip, link);
    case ClashKind::Gateway:
        return QCoreApplication::translate(
                   "AddressClash",
                   "IP address %1 is this computer's default gateway (on %2); a printer with it "
                   "would take the traffic this computer sends to other networks.")
            .arg(ip, link);
    case ClashKind::OtherDevice:
        return QCoreApplication::translate(
                   "AddressClash", "IP address %1 is already used by another device (MAC %2, "
                                   "on %3); of two devices on one address, neither can be "
                                   "reached reliably.")
            .arg(ip, text(MacText(clash.otherMac)), link);
    }
    return {};
}

QString AddressClashQuestion(const Ipv4Address& address, const AddressClash& clash) {
    return AddressClashText(address, clash) + QLatin1Char('\n') +
           QCoreApplication::translate("AddressClash", "Send these settings anyway?");
}

} // namespace quorvel
