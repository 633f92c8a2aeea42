#include "AssignPlan.h"

#include "CsvReader.h"
#include "TerminalText.h"

#include <algorithm>
#include <array>
#include <map>

namespace quorvel {

namespace {

constexpr std::array<std::string_view, 4> kColumns = {"mac", "ip", "mask", "gateway"};
enum Column { MacColumn, IpColumn, MaskColumn, GatewayColumn };

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string_view> fields(const CsvRecord& record) {
    std::vector<std::string_view> out;
    for (const std::string& field : record.fields)
        out.push_back(trimmed(field));
    return out;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

struct Header {
    std::array<int, 4> position{-1, -1, -1, -1}; // field index of each column
    std::size_t fieldCount = 0;
};

std::optional<std::string> readHeader(const CsvRecord& record, Header& header) {
    const auto names = fields(record);
    header.fieldCount = names.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto known = std::find(kColumns.begin(), kColumns.end(), lowered(names[i]));
        if (known == kColumns.end())
            return "unknown column \"" + std::string(names[i]) +
                   "\" (the header is mac,ip,mask,gateway)";
        int& position = header.position[std::size_t(known - kColumns.begin())];
        if (position >= 0)
            return "column \"" + std::string(*known) + "\" is named twice";
        position = int(i);
    }
    for (std::size_t c = 0; c < kColumns.size(); ++c)
        if (header.position[c] < 0)
            return "missing column \"" + std::string(kColumns[c]) +
                   "\" (the header is mac,ip,mask,gateway)";
    return std::nullopt;
}

template <typename T> std::optional<std::string> take(const Parsed<T>& parsed, T& into) {
    if (const auto* error = std::get_if<std::string>(&parsed))
        return *error;
    into = std::get<T>(parsed);
    return std::nullopt;
}

std::optional<std::string> readRow(const CsvRecord& record, const Header& header, PlanRow& row) {
    const auto values = fields(record);
    if (values.size() > header.fieldCount)
        return "expected " + std::to_string(header.fieldCount) + " fields, found " +
               std::to_string(values.size());
    const auto value = [&](Column c) {
        const auto at = std::size_t(header.position[c]);
        return at < values.size() ? values[at] : std::string_view{};
    };
    if (value(MacColumn).empty())
        return std::string("missing MAC address");
    if (auto error = take(ParseMac(value(MacColumn)), row.mac))
        return error;
    row.dhcp = lowered(value(IpColumn)) == "dhcp";
    if (!row.dhcp && value(IpColumn).empty())
        return std::string("missing IP address (or dhcp)");
    if (!row.dhcp)
        if (auto error = take(ParseIpv4(value(IpColumn)), row.ip))
            return error;
    for (const auto& [column, into, label] : {std::tuple{MaskColumn, &row.mask, "mask"},
                                              std::tuple{GatewayColumn, &row.gateway, "gateway"}}) {
        if (value(column).empty()) {
            if (!row.dhcp)
                return std::string("missing ") + label;
            continue;
        }
        if (auto error = take(ParseIpv4(value(column)), *into))
            return std::string(label) + ": " + *error;
    }
    return std::nullopt;
}

} // namespace

AssignPlan ReadAssignPlan(std::string_view bytes, const PlanAddressCheck& checkAddresses) {
    AssignPlan plan;
    const CsvText csv = ReadCsv(bytes);
    if (csv.unterminatedQuoteLine)
        plan.problems.push_back({csv.unterminatedQuoteLine, "a quoted field is never closed"});

    std::optional<Header> header;
    std::map<MacAddress, int> macLines;
    std::map<Ipv4Address, int> ipLines;
    std::size_t rowCount = 0;
    for (const CsvRecord& record : csv.records) {
        const int lineNumber = record.line;
        const auto problem = [&](std::string what) {
            plan.problems.push_back({lineNumber, std::move(what)});
        };
        if (!std::all_of(record.fields.begin(), record.fields.end(),
                         [](const std::string& field) { return IsUtf8(field); })) {
            problem("not UTF-8 text (save the plan as UTF-8)");
            continue;
        }
        const auto first = fields(record);
        if ((first.size() == 1 && first.front().empty()) ||
            (!record.quoted && first.front().starts_with('#')))
            continue;
        if (!header) {
            header.emplace();
            if (auto error = readHeader(record, *header)) {
                problem(*error);
                return plan; // rows cannot be read without their columns
            }
            continue;
        }
        if (++rowCount > kMaxPlanRows) {
            plan.rows.clear();
            plan.problems = {{0, "the plan has more than " + std::to_string(kMaxPlanRows) +
                                     " rows; split it into smaller plans"}};
            return plan;
        }
        PlanRow row;
        row.line = lineNumber;
        if (auto error = readRow(record, *header, row)) {
            problem(*error);
            continue;
        }
        if (const auto [at, added] = macLines.emplace(row.mac, lineNumber); !added) {
            problem("MAC " + MacText(row.mac) + " is planned twice (first on line " +
                    std::to_string(at->second) + ")");
            continue;
        }
        if (!row.dhcp) {
            if (const auto [at, added] = ipLines.emplace(row.ip, lineNumber); !added) {
                problem("address " + Ipv4Text(row.ip) + " is planned twice (first on line " +
                        std::to_string(at->second) + ")");
                continue;
            }
            if (auto error = checkAddresses ? checkAddresses(row) : std::nullopt) {
                problem(*error);
                continue;
            }
        }
        plan.rows.push_back(row);
    }
    if (!header)
        plan.problems.push_back({0, "the plan is empty (expected a header mac,ip,mask,gateway "
                                    "and one row per board)"});
    else if (plan.rows.empty() && plan.problems.empty())
        plan.problems.push_back({0, "the plan has no rows"});
    return plan;
}

std::string PlanProblemText(std::string_view fileName, const PlanProblem& problem) {
    std::string text(fileName);
    if (problem.line > 0)
        text += ":" + std::to_string(problem.line);
    return text + ": " + problem.what;
}

} // namespace quorvel
