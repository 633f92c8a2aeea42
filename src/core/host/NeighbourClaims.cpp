#include "core/host/NeighbourClaims.h"

#include "core/host/HostNetworkFacts.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace quorvel {

namespace {

constexpr std::string_view kHeading = "quorvel neighbour claims 1";

template <typename T> std::optional<T> number(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// As the kernel names a link: 1 to 15 bytes, no blank, no slash.
bool isInterfaceName(std::string_view name) {
    return !name.empty() && name.size() < 16 && std::all_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) > ' ' && c != '/' && c != 0x7F;
    });
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> out;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

} // namespace

std::string ClaimFileText(const ClaimFile& file) {
    std::string text(kHeading);
    text += "\nowner " + std::to_string(file.owner.pid) + ' ' +
            std::to_string(file.owner.startTime) + ' ' +
            std::to_string(file.owner.networkNamespace) + '\n';
    for (const NeighbourClaim& claim : file.claims)
        text += "entry " + Ipv4Text(claim.ip) + ' ' + MacText(claim.mac) + ' ' +
                claim.interfaceName + '\n';
    return text;
}

std::optional<ClaimFile> ParseClaimFile(std::string_view text) {
    const std::vector<std::string_view> all = lines(text);
    if (all.size() < 2 || all[0] != kHeading || all.size() - 2 > kMaxClaims)
        return std::nullopt;
    ClaimFile file;
    const auto owner = Words(all[1]);
    if (owner.size() != 4 || owner[0] != "owner")
        return std::nullopt;
    const auto pid = number<long>(owner[1]);
    const auto start = number<unsigned long long>(owner[2]);
    const auto ns = number<unsigned long long>(owner[3]);
    if (!pid || *pid <= 0 || !start || !ns)
        return std::nullopt;
    file.owner = {*pid, *start, *ns};
    for (std::size_t i = 2; i < all.size(); ++i) {
        const auto f = Words(all[i]);
        if (f.size() != 4 || f[0] != "entry")
            return std::nullopt;
        const auto ip = ParseIpv4Address(f[1]);
        const auto mac = ParseMacAddress(f[2]);
        if (!ip || !mac || !isInterfaceName(f[3]))
            return std::nullopt;
        file.claims.push_back({*ip, *mac, f[3]});
    }
    return file;
}

std::optional<unsigned long long> ProcessStartTime(std::string_view procPidStat) {
    const std::size_t close = procPidStat.rfind(')');
    if (close == std::string_view::npos)
        return std::nullopt;
    // After the name: state (field 3), then ppid and so on up to field 22.
    const auto after = Words(procPidStat.substr(close + 1));
    constexpr std::size_t kStartTime = 22 - 3;
    if (after.size() <= kStartTime || after[0] == "Z" || after[0] == "X")
        return std::nullopt;
    return number<unsigned long long>(after[kStartTime]);
}

std::vector<NeighbourClaim> ParseTaggedEntries(std::string_view ipNeighShow) {
    std::vector<NeighbourClaim> out;
    for (const std::string_view line : lines(ipNeighShow)) {
        // 198.18.0.77 dev eth0 lladdr 02:00:00:00:00:07 PERMANENT proto 147
        const auto f = Words(line);
        const auto after = [&](std::string_view key) -> std::optional<std::string> {
            const auto at = std::find(f.begin(), f.end(), key);
            if (at == f.end() || at + 1 == f.end())
                return std::nullopt;
            return *(at + 1);
        };
        if (f.empty() || std::find(f.begin(), f.end(), "PERMANENT") == f.end() ||
            after("proto") != std::to_string(kNeighbourProtocol))
            continue;
        const auto ip = ParseIpv4Address(f[0]);
        const auto link = after("dev");
        const auto lladdr = after("lladdr");
        const auto mac = lladdr ? ParseMacAddress(*lladdr) : std::nullopt;
        if (ip && mac && link && isInterfaceName(*link))
            out.push_back({*ip, *mac, *link});
    }
    return out;
}

std::vector<NeighbourClaim> AbandonedEntries(const std::vector<ClaimFile>& files,
                                             const std::function<bool(const ClaimOwner&)>& alive,
                                             unsigned long long networkNamespace,
                                             const std::vector<NeighbourClaim>& tagged) {
    std::vector<NeighbourClaim> out;
    for (const ClaimFile& file : files) {
        if (file.owner.networkNamespace != networkNamespace || alive(file.owner))
            continue;
        for (const NeighbourClaim& claim : file.claims)
            if (std::find(tagged.begin(), tagged.end(), claim) != tagged.end() &&
                std::find(out.begin(), out.end(), claim) == out.end())
                out.push_back(claim);
    }
    return out;
}

} // namespace quorvel
