#include "BoardFile.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iconv.h>
#include <map>
#include <set>

namespace quorvel::sim {

namespace {

// One CSV record; quoted fields may hold commas and doubled quotes.
bool splitCsv(const std::string& line, std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    bool quoted = false;
    bool wasQuoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            fields.push_back(field);
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return !quoted;
}

std::string trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return std::string(s.substr(first, last - first + 1));
}

bool parseIpv4(const std::string& text, Ipv4& out) {
    in_addr addr{};
    if (inet_pton(AF_INET, text.c_str(), &addr) != 1)
        return false;
    out = FromHostOrder(ntohl(addr.s_addr));
    return true;
}

bool parseMac(const std::string& text, Mac& out) {
    if (text.size() != 17)
        return false;
    for (std::size_t i = 0; i < 6; ++i) {
        const char* begin = text.data() + i * 3;
        if (i < 5 && text[i * 3 + 2] != ':' && text[i * 3 + 2] != '-')
            return false;
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(begin, begin + 2, value, 16);
        if (ec != std::errc() || end != begin + 2)
            return false;
        out[i] = static_cast<std::uint8_t>(value);
    }
    return true;
}

template <typename T> bool parseNumber(const std::string& text, T& out) {
    int base = 10;
    std::string_view digits = text;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        base = 16;
        digits.remove_prefix(2);
    }
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out, base);
    return ec == std::errc() && end == digits.data() + digits.size() && !digits.empty();
}

const std::set<std::string> kColumns = {
    "mac",           "ip",          "mask",         "gateway",      "mode",
    "name",          "description", "left_label",   "right_label",  "left_elapsed",
    "right_elapsed", "status",      "later_status", "change_after", "silent_after"};

} // namespace

bool ToBoardText(std::string_view utf8, std::string& out) {
    out.clear();
    if (utf8.empty())
        return true;
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    bool ok = true;
    char buffer[512];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    return ok;
}

BoardsOrError ParseBoardFile(std::istream& in) {
    BoardsOrError result;
    auto fail = [&](std::size_t lineNumber, const std::string& what) {
        result.boards.clear();
        result.error = "line " + std::to_string(lineNumber) + ": " + what;
        return result;
    };
    std::map<std::string, std::size_t> column;
    std::set<Mac> macs;
    std::vector<std::string> fields;
    std::string line;
    std::size_t lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        const std::string trimmed = trim(line);
        if (trimmed.empty() || trimmed[0] == '#')
            continue;
        if (!splitCsv(line, fields))
            return fail(lineNumber, "unterminated quoted field");
        if (column.empty()) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                const std::string name = trim(fields[i]);
                if (!kColumns.count(name))
                    return fail(lineNumber, "unknown column \"" + name + "\"");
                if (!column.emplace(name, i).second)
                    return fail(lineNumber, "column \"" + name + "\" given twice");
            }
            if (!column.count("mac") || !column.count("ip"))
                return fail(lineNumber, "the header must name at least the columns mac and ip");
            continue;
        }
        if (fields.size() != column.size())
            return fail(lineNumber, "expected " + std::to_string(column.size()) +
                                        " fields, found " + std::to_string(fields.size()));
        auto get = [&](const char* name) -> std::string {
            const auto it = column.find(name);
            return it == column.end() ? std::string() : fields[it->second];
        };
        auto has = [&](const char* name) { return column.count(name) != 0; };

        SimBoard board;
        if (!parseMac(trim(get("mac")), board.mac))
            return fail(lineNumber, "bad MAC address \"" + get("mac") + "\"");
        if (!macs.insert(board.mac).second)
            return fail(lineNumber, "MAC address " + get("mac") + " listed twice");
        if (!parseIpv4(trim(get("ip")), board.ip))
            return fail(lineNumber, "bad IPv4 address \"" + get("ip") + "\"");
        board.subnetMask = {255, 255, 255, 0};
        if (has("mask") && !parseIpv4(trim(get("mask")), board.subnetMask))
            return fail(lineNumber, "bad subnet mask \"" + get("mask") + "\"");
        if (has("gateway") && !parseIpv4(trim(get("gateway")), board.gateway))
            return fail(lineNumber, "bad gateway \"" + get("gateway") + "\"");
        const std::string mode = trim(get("mode"));
        if (mode == "dhcp")
            board.staticAddress = false;
        else if (!mode.empty() && mode != "static")
            return fail(lineNumber, "mode must be static or dhcp, not \"" + mode + "\"");
        const std::pair<const char*, std::string*> texts[] = {{"name", &board.name},
                                                              {"description", &board.description},
                                                              {"left_label", &board.leftLabel},
                                                              {"right_label", &board.rightLabel}};
        for (const auto& [name, target] : texts)
            if (!ToBoardText(get(name), *target))
                return fail(lineNumber, std::string(name) + " is not valid UTF-8 text");
        if (has("left_elapsed") && !parseNumber(trim(get("left_elapsed")), board.leftElapsed))
            return fail(lineNumber, "left_elapsed must be a number of seconds");
        if (has("right_elapsed") && !parseNumber(trim(get("right_elapsed")), board.rightElapsed))
            return fail(lineNumber, "right_elapsed must be a number of seconds");
        if (has("status") && !parseNumber(trim(get("status")), board.status))
            return fail(lineNumber, "status must be a 16-bit number (decimal or 0x hex)");
        if (has("later_status") && !parseNumber(trim(get("later_status")), board.laterStatus))
            return fail(lineNumber, "later_status must be a 16-bit number (decimal or 0x hex)");
        if (has("change_after") && !parseNumber(trim(get("change_after")), board.changeAfter))
            return fail(lineNumber, "change_after must be a number of status requests");
        if (has("silent_after") && !parseNumber(trim(get("silent_after")), board.silentAfter))
            return fail(lineNumber, "silent_after must be a number of status requests");
        if (result.boards.size() == kMaxBoards)
            return fail(lineNumber, "more than " + std::to_string(kMaxBoards) + " boards");
        result.boards.push_back(std::move(board));
    }
    if (column.empty())
        result.error = "no header row";
    return result;
}

BoardsOrError LoadBoardFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        BoardsOrError result;
        result.error = "cannot open " + path;
        return result;
    }
    return ParseBoardFile(in);
}

std::string GeneratedBoardName(std::size_t number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04zu", number);
    return std::string("票据打印机-") + digits;
}

std::vector<SimBoard> GenerateBoards(std::size_t count) {
    std::string description, leftLabel, rightLabel;
    ToBoardText("80毫米热敏打印机 网络接口", description);
    ToBoardText("开机时间", leftLabel);
    ToBoardText("联网时间", rightLabel);
    std::vector<SimBoard> boards(count);
    for (std::size_t n = 1; n <= count; ++n) {
        SimBoard& b = boards[n - 1];
        // 02: a locally administered MAC, never a real vendor's.
        b.mac = {0x02, 0x51, 0x56, std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
        b.ip = FromHostOrder(0xC6120100u + static_cast<std::uint32_t>(n)); // 198.18.1.0 + n
        b.subnetMask = {255, 254, 0, 0};
        b.gateway = {198, 18, 0, 1};
        b.staticAddress = n % 4 != 0;
        ToBoardText(GeneratedBoardName(n), b.name);
        b.description = description;
        b.leftLabel = leftLabel;
        b.rightLabel = rightLabel;
        b.leftElapsed = 3600 * n % (86400 * 40) + 17;
        b.rightElapsed = b.leftElapsed / 3;
        b.status = static_cast<std::uint16_t>(n & 0x3FFF);
    }
    return boards;
}

} // namespace quorvel::sim
