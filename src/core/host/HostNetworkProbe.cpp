#include "core/host/HostNetworkProbe.h"

#include "core/host/HostNetworkFacts.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <net/if.h>

namespace quorvel {

namespace {

std::string readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

int rpFilter(const std::string& name) {
    return ReadRpFilter(readFile(QStringLiteral("/proc/sys/net/ipv4/conf/%1/rp_filter")
                                     .arg(QString::fromStdString(name))))
        .value_or(0);
}

// Output of a host tool run from an argument vector; empty when it is missing,
// fails (most need privileges to read a ruleset) or takes too long.
std::string toolOutput(const QString& program, const QStringList& arguments) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return {}; // not installed: nothing to learn from it
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(path, arguments, QIODevice::ReadOnly);
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(500);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput().toStdString();
}

} // namespace

void ProbeHostNetwork(SearchEnvironment& env, bool firewalls) {
    const int all = rpFilter("all");
    for (InterfaceUse& use : env.interfaces) {
        use.rpFilterAll = all;
        use.rpFilterOwn = rpFilter(use.name);
    }
    env.defaultRouteInterface = DefaultRouteInterface(readFile(QStringLiteral("/proc/net/route")));

    env.activeFirewalls.clear();
    if (!firewalls)
        return;
    if (toolOutput(QStringLiteral("systemctl"),
                   {QStringLiteral("is-active"), QStringLiteral("firewalld")})
            .starts_with("active"))
        env.activeFirewalls.push_back("firewalld");
    if (UfwEnabled(readFile(QStringLiteral("/etc/ufw/ufw.conf"))))
        env.activeFirewalls.push_back("ufw");
    if (NftInputPolicyDrops(
            toolOutput(QStringLiteral("nft"), {QStringLiteral("list"), QStringLiteral("ruleset")})))
        env.activeFirewalls.push_back("an nftables input policy that drops");
    else if (IptablesInputPolicyDrops(toolOutput(QStringLiteral("iptables"),
                                                 {QStringLiteral("-S"), QStringLiteral("INPUT")})))
        env.activeFirewalls.push_back("an iptables input policy that drops");
}

SearchEnvironment GatherSearchEnvironment(const std::vector<std::string>& allowed,
                                          const std::map<std::string, int>& failures,
                                          bool firewalls) {
    SearchEnvironment env;
    const std::vector<InterfaceEntry> entries = ReadInterfaceEntries();
    const InterfaceSelection selection =
        SelectBroadcastInterfaces(entries, allowed.empty() ? nullptr : &allowed);
    for (const BroadcastInterface& used : selection.usable) {
        const auto failed = failures.find(used.name);
        InterfaceUse use;
        use.name = used.name;
        use.sendError = failed == failures.end() ? 0 : failed->second;
        env.interfaces.push_back(use);
    }
    // Loopback is never where boards are: naming it would be noise, unless
    // the user asked for it.
    const auto named = [&allowed](const std::string& name) {
        return std::find(allowed.begin(), allowed.end(), name) != allowed.end();
    };
    bool unaddressed = false;
    for (const SkippedInterface& skipped : selection.skipped) {
        if (skipped.reason == InterfaceSkipReason::Loopback && !named(skipped.name))
            continue;
        InterfaceUse use;
        use.name = skipped.name;
        use.skipped = skipped.reason;
        use.carrier = std::any_of(entries.begin(), entries.end(), [&](const InterfaceEntry& e) {
            return e.name == skipped.name && (e.flags & IFF_RUNNING) && !(e.flags & IFF_LOOPBACK);
        });
        unaddressed =
            unaddressed || (use.carrier && skipped.reason == InterfaceSkipReason::NoIpv4Address);
        env.interfaces.push_back(use);
    }
    ProbeHostNetwork(env, firewalls);
    if (unaddressed) {
        const std::vector<std::string> managed = NetworkManagedDevices(toolOutput(
            QStringLiteral("nmcli"), {QStringLiteral("-t"), QStringLiteral("-f"),
                                      QStringLiteral("DEVICE,STATE"), QStringLiteral("device")}));
        for (InterfaceUse& use : env.interfaces)
            use.networkManaged =
                std::find(managed.begin(), managed.end(), use.name) != managed.end();
    }
    env.martiansAfter = ReadMartianSourceCount();
    return env;
}

std::optional<std::uint64_t> ReadMartianSourceCount() {
    return MartianSourceCount(readFile(QStringLiteral("/proc/net/stat/rt_cache")));
}

} // namespace quorvel
