#include "FirmwarePlan.h"

#include "CsvReader.h"
#include "TerminalText.h"

#include <algorithm>
#include <map>

namespace quorvel {

namespace {

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

} // namespace

FirmwarePlan ReadFirmwarePlan(std::string_view bytes) {
    FirmwarePlan plan;
    const CsvText csv = ReadCsv(bytes);
    if (csv.unterminatedQuoteLine)
        plan.problems.push_back({csv.unterminatedQuoteLine, "a quoted field is never closed"});
    int macAt = -1, fileAt = -1;
    std::size_t columns = 0;
    bool header = false;
    std::map<MacAddress, int> macLines;
    for (const CsvRecord& record : csv.records) {
        const auto problem = [&](std::string what) {
            plan.problems.push_back({record.line, std::move(what)});
        };
        std::vector<std::string> fields;
        for (const std::string& field : record.fields)
            fields.push_back(trimmed(field));
        if ((fields.size() == 1 && fields.front().empty()) ||
            (!record.quoted && fields.front().starts_with('#')))
            continue;
        if (!std::all_of(fields.begin(), fields.end(), [](auto& f) { return IsUtf8(f); })) {
            problem("not UTF-8 text (save the plan as UTF-8)");
            continue;
        }
        if (!header) {
            header = true;
            columns = fields.size();
            for (std::size_t i = 0; i < fields.size(); ++i) {
                const std::string name = lowered(fields[i]);
                if (name != "mac" && name != "file") {
                    problem("unknown column \"" + fields[i] + "\" (the header is mac,file)");
                    return plan;
                }
                int& at = name == "mac" ? macAt : fileAt;
                if (at >= 0) {
                    problem("column \"" + name + "\" is named twice");
                    return plan;
                }
                at = int(i);
            }
            if (macAt < 0 || fileAt < 0) {
                problem("the header needs the columns mac and file");
                return plan;
            }
            continue;
        }
        if (fields.size() > columns) {
            problem("expected " + std::to_string(columns) + " fields, found " +
                    std::to_string(fields.size()));
            continue;
        }
        const auto field = [&](int at) {
            return std::size_t(at) < fields.size() ? fields[std::size_t(at)] : std::string();
        };
        FirmwareRow row{record.line, {}, field(fileAt)};
        if (field(macAt).empty()) {
            problem("missing MAC address: the row names no board");
            continue;
        }
        const auto mac = ParseMac(field(macAt));
        if (const auto* error = std::get_if<std::string>(&mac)) {
            problem(*error);
            continue;
        }
        row.mac = std::get<MacAddress>(mac);
        if (row.file.empty()) {
            problem("missing file: the row names no image");
            continue;
        }
        if (const auto [at, added] = macLines.emplace(row.mac, record.line); !added) {
            problem("MAC " + MacText(row.mac) + " is planned twice (first on line " +
                    std::to_string(at->second) + ")");
            continue;
        }
        plan.rows.push_back(std::move(row));
    }
    if (!header)
        plan.problems.push_back(
            {0, "the plan is empty (expected a header mac,file and one row per board)"});
    else if (plan.rows.empty() && plan.problems.empty())
        plan.problems.push_back({0, "the plan has no rows"});
    return plan;
}

} // namespace quorvel
