#include "cli/OptionRules.h"
#include "cli/OptionValues.h"
#include "cli/ProbeQuery.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

template <typename T> std::string errorOf(const Parsed<T>& parsed) {
    const auto* error = std::get_if<std::string>(&parsed);
    return error ? *error : "";
}

} // namespace

TEST(ArgumentParsing, macTexts) {
    const struct {
        const char* text;
        std::optional<MacAddress> mac;
    } cases[] = {
        {"00-0B-3C-12-34-56", MacAddress{0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56}},
        {"00:0b:3c:12:34:56", MacAddress{0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56}},
        {"0-B-3C-12-34-56", MacAddress{0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56}},
        {"ff:FF:fF:00:00:01", MacAddress{0xFF, 0xFF, 0xFF, 0, 0, 1}},
        {"00-0B-3C-12-34", std::nullopt},
        {"00-0B-3C-12-34-56-78", std::nullopt},
        {"00:0B-3C:12:34:56", std::nullopt},
        {"000B3C123456", std::nullopt},
        {"00-0B-3C-12-34-", std::nullopt},
        {"00--0B-3C-12-34", std::nullopt},
        {"100-0B-3C-12-34-56", std::nullopt},
        {"0g-0B-3C-12-34-56", std::nullopt},
        {"+0-0B-3C-12-34-56", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseMac(c.text);
        if (c.mac)
            EXPECT_EQ(std::get<MacAddress>(parsed), *c.mac) << c.text;
        else
            EXPECT_EQ(errorOf(parsed), std::string("bad MAC address \"") + c.text +
                                           "\" (expected 00-0B-3C-12-34-56)");
    }
    EXPECT_EQ(MacText({0x00, 0x0B, 0x3C, 0x12, 0x34, 0xA6}), "00-0B-3C-12-34-A6");
}

TEST(ArgumentParsing, addressesPortsAndSeconds) {
    EXPECT_EQ(std::get<Ipv4Address>(ParseIpv4("198.18.0.20")), (Ipv4Address{198, 18, 0, 20}));
    EXPECT_EQ(std::get<Ipv4Address>(ParseIpv4("0.0.0.0")), (Ipv4Address{0, 0, 0, 0}));
    for (const char* bad : {"198.18.0", "198.18.0.256", "0x7f.0.0.1", "1.2.3.4 ", "", "a.b.c.d"})
        EXPECT_EQ(errorOf(ParseIpv4(bad)), std::string("bad IPv4 address \"") + bad +
                                               "\" (expected four numbers like 198.18.0.20)");
    EXPECT_NE(errorOf(ParseIpv4(std::string_view("1.2.3.4\0", 8))), "");
    EXPECT_EQ(Ipv4Text({198, 18, 0, 20}), "198.18.0.20");

    EXPECT_EQ(std::get<std::uint16_t>(ParsePort("1")), 1);
    EXPECT_EQ(std::get<std::uint16_t>(ParsePort("65535")), 65535);
    for (const char* bad : {"0", "65536", "-1", "+5", "3040x", "", "99999999999"})
        EXPECT_EQ(errorOf(ParsePort(bad)),
                  std::string("bad port \"") + bad + "\" (expected 1 to 65535)");
    EXPECT_EQ(std::get<int>(ParseSeconds("5")), 5);
    EXPECT_NE(errorOf(ParseSeconds("0")), "");
    EXPECT_NE(errorOf(ParseSeconds("1.5")), "");
}

TEST(ArgumentParsing, durationsAndProbeQueries) {
    // Seconds, or -1 where the text is refused.
    const std::pair<const char*, std::int64_t> durations[] = {
        {"90s", 90}, {"30m", 1800}, {"24h", 86400}, {"1h30m", 5400}, {"2w1d", 15 * 86400},
        {"0", 0},    {"45", -1},    {"0s", -1},     {"1m1h", -1},    {"1h1h", -1},
        {"5x", -1},  {"", -1},      {"-5s", -1},    {"400d", -1},    {"99999999s", -1},
    };
    for (const auto& [text, seconds] : durations) {
        const auto parsed = ParseDuration(text);
        EXPECT_EQ(std::holds_alternative<std::int64_t>(parsed) ? std::get<std::int64_t>(parsed)
                                                               : -1,
                  seconds)
            << text;
    }
    EXPECT_EQ(errorOf(ParseCount("0", 1, 5)), "bad number \"0\" (expected 1 to 5)");

    const std::uint32_t linkBroadcast[] = {0xC61201FF};
    // The query → the board asked (address:port), or the 400's reason.
    const std::pair<const char*, const char*> queries[] = {
        {"target=198.18.0.20", "198.18.0.20:3040"},
        {"target=198.18.0.20&port=3041", "198.18.0.20:3041"},
        {"port=3041&target=198.18.0.21", "198.18.0.21:3041"},
        {"", "missing target=ADDRESS"},
        {"port=3040", "missing target=ADDRESS"},
        {"target=198.18.0", "target: not an IPv4 address"},
        {"target=printer.example", "target: not an IPv4 address"},
        {"target=255.255.255.255", "target: not a single host's address"},
        {"target=198.18.1.255", "target: not a single host's address"},
        {"target=127.0.0.1", "target: not a single host's address"},
        {"target=224.0.0.251", "target: not a single host's address"},
        {"target=0.0.0.0", "target: not a single host's address"},
        {"target=198.18.0.20&port=0", "port: expected 1 to 65535"},
        {"target=198.18.0.20&target=198.18.0.21", "unexpected or repeated parameter: target"},
        {"target=198.18.0.20&module=x", "unexpected or repeated parameter: module"},
    };
    for (const auto& [query, expected] : queries) {
        const auto parsed = ParseProbeQuery(QUrlQuery(QString::fromLatin1(query)), linkBroadcast);
        const auto* target = std::get_if<ProbeTarget>(&parsed);
        EXPECT_EQ(target ? Ipv4Text(Ipv4FromWord(target->ip)) + ":" + std::to_string(target->port)
                         : std::get<QString>(parsed).toStdString(),
                  expected)
            << query;
    }
    // The scraper's time-out less half a second, or a quarter of a short one.
    const std::pair<std::optional<double>, qint64> budgets[] = {
        {std::nullopt, 4000}, {10.0, 9500}, {1.0, 750}, {0.0, 4000}, {-3.0, 4000}, {1e9, 299500},
    };
    for (const auto& [timeout, ms] : budgets)
        EXPECT_EQ(ProbeBudgetMs(timeout), ms);
}

TEST(ArgumentParsing, optionCombinations) {
    const auto given = [](std::string command, int positionals,
                          std::initializer_list<const char*> options) {
        GivenOptions g{std::move(command), positionals, {}};
        for (const char* option : options)
            g.options.emplace(option, 1);
        return CheckGivenOptions(g);
    };
    const std::initializer_list<const char*> none = {};
    const std::initializer_list<const char*> staticAddress = {"ip", "mask", "gateway"};
    // Lines that fit.
    EXPECT_EQ(given("search", 0, {"json", "target"}), std::nullopt);
    EXPECT_EQ(given("assign", 1, staticAddress), std::nullopt);
    EXPECT_EQ(given("assign", 1, {"dhcp", "no-ping", "repeat"}), std::nullopt);
    EXPECT_EQ(given("assign", 0, {"plan", "verify", "json"}), std::nullopt);
    EXPECT_EQ(given("status", 1, {"json", "watch", "target"}), std::nullopt);

    const struct {
        std::optional<std::string> problem;
        const char* expected;
    } conflicts[] = {
        {given("", 0, none), "missing command: search, assign, status, monitor or firmware"},
        {given("seach", 0, none),
         "unknown command \"seach\" (expected search, assign, status, monitor or firmware)"},
        {given("search", 0, {"json", "csv"}), "--json and --csv cannot be used together"},
        {given("search", 1, none), "search takes no arguments"},
        {given("monitor", 0, {"probe-only"}),
         "--probe-only needs --listen: probes are asked over HTTP"},
        {given("monitor", 0, {"probe-only", "listen", "target"}),
         "--probe-only cannot be used with --target, --rescan or --interface: it searches for "
         "no fleet"},
        {given("search", 0, {"watch"}), "--watch applies only to status"},
        {given("search", 0, {"dhcp"}),
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
        {given("assign", 1, none), "assign needs --ip, --mask and --gateway, or --dhcp"},
        {given("assign", 1, {"ip", "mask"}), "assign needs --ip, --mask and --gateway, or --dhcp"},
        {given("assign", 1, {"ip", "dhcp"}),
         "--dhcp cannot be used with --ip, --mask or --gateway"},
        {given("assign", 0, staticAddress), "assign takes one MAC address (or --plan FILE)"},
        {given("assign", 2, staticAddress), "assign takes one MAC address (or --plan FILE)"},
        {given("assign", 1, {"dhcp", "verify"}), "--verify applies only to assign --plan"},
        {given("assign", 1, {"plan"}),
         "assign --plan takes no MAC address: the plan names the boards"},
        {given("assign", 0, {"plan", "dhcp"}),
         "--ip/--mask/--gateway/--dhcp cannot be used with --plan: the plan holds the addresses"},
        {given("assign", 0, {"plan", "repeat"}),
         "--repeat cannot be used with --plan: a silent board would hold up the plan for ever"},
        {given("assign", 0, {"plan", "dry-run", "verify"}),
         "--dry-run cannot be used with --verify: a dry run sends nothing"},
        {given("assign", 0, {"plan", "csv"}), "--csv applies only to search"},
        {given("assign", 1, {"dhcp", "target"}),
         "--target applies only to search, status and monitor"},
        {given("status", 0, none), "status takes one board: its MAC or IP address"},
        {given("status", 1, {"csv"}), "--csv applies only to search"},
        {given("status", 1, {"no-ping"}),
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
        {given("firmware", 1, {"file", "no-wait", "parallel"}), "(fits)"},
        {given("firmware", 0, {"plan", "json"}), "(fits)"},
        {given("firmware", 1, none), "firmware needs --file IMAGE (or --plan FILE)"},
        {given("firmware", 0, {"file"}),
         "firmware takes one board: its MAC or IP address (or --plan FILE)"},
        {given("firmware", 0, {"plan", "file"}),
         "--file cannot be used with --plan: the plan names each board's image"},
        {given("firmware", 1, {"plan"}), "firmware --plan takes no board: the plan names them"},
        {given("firmware", 1, {"file", "target"}),
         "--target cannot be used with firmware: the board is named by its address"},
        {given("status", 1, {"no-wait"}),
         "--file, --parallel and --no-wait apply only to firmware"},
        {given("search", 0, {"force"}),
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
    };
    for (const auto& c : conflicts)
        EXPECT_EQ(c.problem.value_or("(fits)"), c.expected);
}

// The option table's own rules: each option a command does not take, and
// each single option given twice, on lines otherwise whole.
TEST(ArgumentParsing, tableRules) {
    const struct {
        const char* command;
        int positionals;
        std::vector<const char*> options;
        const char* twice; // given a second time
        const char* expected;
    } cases[] = {
        {"assign", 1, {"dhcp", "csv"}, "", "--csv applies only to search"},
        {"monitor", 0, {"watch"}, "", "--watch applies only to status"},
        {"assign",
         1,
         {"dhcp", "target"},
         "",
         "--target applies only to search, status and monitor"},
        {"firmware",
         1,
         {"file", "target"},
         "",
         "--target cannot be used with firmware: the board is named by its address"},
        {"search",
         0,
         {"ip"},
         "",
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
        {"status",
         1,
         {"mask"},
         "",
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
        {"monitor",
         0,
         {"gateway"},
         "",
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
        {"search",
         0,
         {"repeat"},
         "",
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
        {"status",
         1,
         {"plan"},
         "",
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
        {"monitor",
         0,
         {"dry-run"},
         "",
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
        {"search",
         0,
         {"verify"},
         "",
         "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign"},
        {"firmware",
         1,
         {"file", "dhcp"},
         "",
         "--ip/--mask/--gateway/--dhcp and their options apply only to assign"},
        {"firmware",
         1,
         {"file", "force"},
         "",
         "--ip/--mask/--gateway/--dhcp and their options apply only to assign"},
        {"firmware",
         0,
         {"plan", "no-ping"},
         "",
         "--ip/--mask/--gateway/--dhcp and their options apply only to assign"},
        {"search", 0, {"file"}, "", "--file, --parallel and --no-wait apply only to firmware"},
        {"assign",
         1,
         {"dhcp", "parallel"},
         "",
         "--file, --parallel and --no-wait apply only to firmware"},
        {"monitor", 0, {"no-wait"}, "", "--file, --parallel and --no-wait apply only to firmware"},
        {"search",
         0,
         {"interval"},
         "",
         "--interval, --rescan, --listen, --web-config, --textfile, --max-boards, --forget-after "
         "and --probe-only apply only to monitor"},
        {"status",
         1,
         {"forget-after"},
         "",
         "--interval, --rescan, --listen, --web-config, --textfile, --max-boards, --forget-after "
         "and --probe-only apply only to monitor"},
        {"firmware",
         1,
         {"file", "probe-only"},
         "",
         "--interval, --rescan, --listen, --web-config, --textfile, --max-boards, --forget-after "
         "and --probe-only apply only to monitor"},
        {"search", 0, {"target"}, "target", "--target given more than once"},
        {"monitor", 0, {"target"}, "target", "(fits)"},
        {"status", 1, {"interface", "port"}, "port", "(fits)"},
        {"search", 0, {"quiet", "json"}, "json", "(fits)"},
        {"status", 1, {"local-port"}, "local-port", "--local-port given more than once"},
        {"search", 0, {"wait"}, "wait", "--wait given more than once"},
        {"assign", 1, {"ip", "mask", "gateway"}, "mask", "--mask given more than once"},
        {"assign", 0, {"plan"}, "plan", "--plan given more than once"},
        {"status", 1, {"watch"}, "watch", "--watch given more than once"},
        {"monitor", 0, {"listen", "web-config"}, "web-config", "--web-config given more than once"},
        {"monitor", 0, {"rescan", "textfile"}, "rescan", "--rescan given more than once"},
        {"firmware", 1, {"file", "parallel"}, "file", "--file given more than once"},
        {"firmware", 1, {"file", "parallel"}, "parallel", "--parallel given more than once"},
    };
    for (const auto& c : cases) {
        GivenOptions g{c.command, c.positionals, {}};
        for (const char* option : c.options)
            g.options.emplace(option, option == std::string_view(c.twice) ? 2 : 1);
        EXPECT_EQ(CheckGivenOptions(g).value_or("(fits)"), c.expected)
            << c.command << " " << c.options.back();
    }
}
