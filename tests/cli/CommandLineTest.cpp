#include "cli/CommandLine.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

std::variant<CommandLine, EarlyExit> parse(std::initializer_list<const char*> arguments) {
    QStringList list{"quorvel"};
    for (const char* argument : arguments)
        list << QString::fromUtf8(argument);
    return ParseCommandLine(list, "1.2.3.4");
}

} // namespace

TEST(CommandLine, readsEachCommandsOptions) {
    const auto search = std::get<CommandLine>(
        parse({"search", "--json", "--interface", "veth1", "--interface=veth2", "--port", "3040",
               "--port", "9100", "--port", "3040", "--local-port", "40000", "-q", "--wait", "3"}));
    EXPECT_EQ(search.command, CliCommand::Search);
    EXPECT_EQ(search.format, OutputFormat::Json);
    EXPECT_EQ(search.interfaces, (std::vector<std::string>{"veth1", "veth2"}));
    EXPECT_EQ(search.ports, (std::vector<std::uint16_t>{3040, 9100}));
    EXPECT_EQ(std::get<CommandLine>(parse({"search", "--target", "198.18.255.255"})).target,
              (Ipv4Address{198, 18, 255, 255}));
    EXPECT_EQ(search.localPort, 40000);
    EXPECT_EQ(search.waitSeconds, 3);
    EXPECT_TRUE(search.quiet);
    EXPECT_EQ(std::get<CommandLine>(parse({"search", "--csv"})).format, OutputFormat::Csv);
    EXPECT_EQ(std::get<CommandLine>(parse({"search"})).format, OutputFormat::Table);

    const auto assign = std::get<CommandLine>(
        parse({"assign", "02-51-56-00-10-01", "--ip", "198.18.1.50", "--mask", "255.254.0.0",
               "--gateway", "0.0.0.0", "--no-ping", "--force"}));
    EXPECT_EQ(assign.command, CliCommand::Assign);
    EXPECT_TRUE(assign.force);
    EXPECT_EQ(assign.mac, (MacAddress{0x02, 0x51, 0x56, 0x00, 0x10, 0x01}));
    EXPECT_EQ(assign.ip, (Ipv4Address{198, 18, 1, 50}));
    EXPECT_EQ(assign.mask, (Ipv4Address{255, 254, 0, 0}));
    EXPECT_TRUE(assign.noPing);
    EXPECT_FALSE(assign.dhcp);

    const auto plan =
        std::get<CommandLine>(parse({"assign", "--plan", "boards.csv", "--verify", "--json"}));
    EXPECT_EQ(plan.planFile, "boards.csv");
    EXPECT_TRUE(plan.verify);
    EXPECT_FALSE(plan.mac);

    const auto byMac =
        std::get<CommandLine>(parse({"status", "02:51:56:00:10:01", "--watch", "5"}));
    EXPECT_EQ(byMac.mac, (MacAddress{0x02, 0x51, 0x56, 0x00, 0x10, 0x01}));
    EXPECT_EQ(byMac.watchSeconds, 5);
    const auto byAddress = std::get<CommandLine>(parse({"status", "198.18.1.11"}));
    EXPECT_EQ(byAddress.boardAddress, (Ipv4Address{198, 18, 1, 11}));
    EXPECT_FALSE(byAddress.mac);

    const auto firmware = std::get<CommandLine>(
        parse({"firmware", "198.18.1.11", "--file", "v2.img", "--no-wait", "--parallel", "9"}));
    EXPECT_EQ(firmware.command, CliCommand::Firmware);
    EXPECT_EQ(firmware.boardAddress, (Ipv4Address{198, 18, 1, 11}));
    EXPECT_EQ(firmware.imageFile, "v2.img");
    EXPECT_TRUE(firmware.noWait);
    EXPECT_EQ(firmware.parallel, 9);
    EXPECT_EQ(std::get<CommandLine>(parse({"firmware", "--plan", "fw.csv"})).parallel, 4);

    const auto monitor = std::get<CommandLine>(
        parse({"monitor", "--target", "198.18.0.20", "--target", "198.18.0.21", "--interface",
               "veth1", "--interval", "10", "--rescan", "2", "--listen", "198.18.0.1:9847",
               "--web-config", "web.yml"}));
    EXPECT_EQ(monitor.targets, (std::vector<Ipv4Address>{{198, 18, 0, 20}, {198, 18, 0, 21}}));
    EXPECT_EQ(monitor.intervalSeconds, 10);
    EXPECT_EQ(monitor.rescanSeconds, 120);
    EXPECT_EQ(monitor.listen, (std::pair<Ipv4Address, std::uint16_t>{{198, 18, 0, 1}, 9847}));
    EXPECT_EQ(monitor.webConfig, "web.yml");
    EXPECT_EQ(std::get<CommandLine>(parse({"monitor", "--listen", "9100"})).listen->first,
              (Ipv4Address{127, 0, 0, 1}));
    const auto bounded = std::get<CommandLine>(
        parse({"monitor", "--rescan", "90s", "--max-boards", "50", "--forget-after", "1h30m"}));
    EXPECT_EQ(std::tuple(bounded.rescanSeconds, bounded.maxBoards, bounded.forgetAfterSeconds),
              std::tuple(std::int64_t(90), 50, std::int64_t(5400)));
}

TEST(CommandLine, helpVersionAndUsageErrors) {
    // Help per command, by --help or by the help command; short options combine.
    const struct {
        std::variant<CommandLine, EarlyExit> result;
        std::vector<const char*> has, hasNot;
    } answers[] = {
        {parse({"-qV"}), {"quorvel 1.2.3.4\n"}, {}},
        {parse({"--help"}),
         {"Usage: quorvel COMMAND", "quorvel help COMMAND", "--plan FILE", "4 the host"},
         {"Examples:", "/"}},
        {parse({"search", "--help"}),
         {"Usage: quorvel search [--json | --csv]", "--local-port N", "--wait SECONDS",
          "Examples:"},
         {"--plan FILE", "--watch"}},
        {parse({"help", "assign"}),
         {"Usage: quorvel assign MAC", "--plan FILE", "--dhcp"},
         {"--csv"}},
        {parse({"status", "-h"}), {"--watch SECONDS", "quorvel status 198.18.0.20"}, {"--ip "}},
    };
    for (const auto& a : answers) {
        const auto* exit = std::get_if<EarlyExit>(&a.result);
        ASSERT_TRUE(exit) << a.has.front();
        EXPECT_EQ(exit->exitCode, ExitSuccess);
        for (const char* text : a.has)
            EXPECT_NE(exit->out.find(text), std::string::npos) << text << "\n" << exit->out;
        for (const char* text : a.hasNot)
            EXPECT_EQ(exit->out.find(text), std::string::npos) << text << "\n" << exit->out;
    }

    const struct {
        std::variant<CommandLine, EarlyExit> result;
        const char* err;
    } cases[] = {
        {parse({"search", "--bogus"}), "Unknown option 'bogus'."},
        {parse({"search", "--port"}), "Missing value after '--port'."},
        {parse({"search", "--port", "0"}), "--port: bad port \"0\" (expected 1 to 65535)"},
        {parse({"search", "--port", "3040", "--port", "70000"}),
         "--port: bad port \"70000\" (expected 1 to 65535)"},
        {parse({"search", "--local-port", "x"}),
         "--local-port: bad port \"x\" (expected 1 to 65535)"},
        {parse({"search", "--target", "198.18.0"}),
         "--target: bad IPv4 address \"198.18.0\" (expected four numbers like 198.18.0.20)"},
        {parse({"search", "--target", "198.18.0.1", "--target", "198.18.0.2"}),
         "--target given more than once"},
        {parse({"search", "--interface", ""}), "--interface: empty interface name"},
        {parse({"search", "--port=1", "--port=2", "--port=3", "--port=4", "--port=5", "--port=6",
                "--port=7", "--port=8", "--port=9", "--port=10", "--port=11"}),
         "--port names more than 10 ports"},
        {parse({"search", "-json"}), "-json: long options take two dashes (--json)"},
        {parse({"assign", "-plan=x.csv"}), "-plan=x.csv: long options take two dashes (--plan)"},
        {parse({"search", "--target", "198.18.0.1", "--interface", "eth0"}),
         "--target cannot be used with --interface: a request to one address leaves by the "
         "host's routes"},
        {parse({"help", "nope"}),
         "no help for \"nope\" (expected search, assign, status, monitor or firmware)"},
        {parse({"search", "--json", "--csv"}), "--json and --csv cannot be used together"},
        {parse({"assign", "02-51-56-00-10", "--dhcp"}),
         "board: bad MAC address \"02-51-56-00-10\" (expected 00-0B-3C-12-34-56)"},
        {parse({"assign", "02-51-56-00-10-01", "--ip", "198.18.1.50", "--mask", "255.254.0",
                "--gateway", "0.0.0.0"}),
         "--mask: bad IPv4 address \"255.254.0\" (expected four numbers like 198.18.0.20)"},
        {parse({"status", "198.18.1"}),
         "board: bad IPv4 address \"198.18.1\" (expected four numbers like 198.18.0.20)"},
        {parse({"status", "198.18.1.11", "--watch", "0"}),
         "--watch: bad number of seconds \"0\" (expected 1 to 86400)"},
        {parse({}), "missing command: search, assign, status, monitor or firmware"},
        {parse({"search", "--listen", "9100"}),
         "--interval, --rescan, --listen, --web-config, --textfile, --max-boards, --forget-after "
         "and --probe-only apply only to monitor"},
        {parse({"monitor", "--web-config", "web.yml"}),
         "--web-config applies to the endpoint: give --listen too"},
        {parse({"monitor", "--listen", "1.2.3:80"}),
         "--listen: bad IPv4 address \"1.2.3\" (expected four numbers like 198.18.0.20)"},
        {parse({"monitor", "--listen", "0"}), "--listen: bad port \"0\" (expected 1 to 65535)"},
        {parse({"monitor", "00-0B-3C-12-34-56"}), "monitor takes no arguments"},
        {parse({"monitor", "--rescan", "2s"}), "--rescan: from 5s to 24h"},
        {parse({"monitor", "--max-boards", "0"}),
         "--max-boards: bad number \"0\" (expected 1 to 1000000)"},
        {parse({"firmware", "198.18.1.5", "--file", "a.img", "--parallel", "257"}),
         "--parallel: bad number \"257\" (expected 1 to 256)"},
        {parse({"firmware", "198.18.1.5", "--file", ""}), "--file: empty file name"},
    };
    for (const auto& c : cases) {
        const auto* exit = std::get_if<EarlyExit>(&c.result);
        ASSERT_TRUE(exit) << c.err;
        EXPECT_EQ(exit->exitCode, ExitUsage);
        EXPECT_TRUE(exit->out.empty());
        EXPECT_EQ(exit->err, std::string("quorvel: ") + c.err + " (see quorvel --help)\n");
    }
}
