#include "Options.h"

#include <gtest/gtest.h>

using namespace quorvel::sim;
using namespace std::chrono_literals;

TEST(SimulatorOptions, ReadsEveryKindOfValue) {
    const OptionsOrError r = ParseOptions({"--count",
                                           "20000",
                                           "--port",
                                           "3040",
                                           "--port",
                                           "4000",
                                           "--log",
                                           "l.jsonl",
                                           "--delay",
                                           "250",
                                           "--drop",
                                           "0.25",
                                           "--duplicate",
                                           "2",
                                           "--faulty-boards",
                                           "2,5-7",
                                           "--late",
                                           "6250",
                                           "--assign-result",
                                           "255",
                                           "--unknown-mac-result",
                                           "0",
                                           "--exit-after",
                                           "0",
                                           "--ignore",
                                           "status,assign",
                                           "--junk",
                                           "100000",
                                           "--junk-ms",
                                           "1500"});
    ASSERT_EQ(r.error, "");
    const Options& o = r.options;
    EXPECT_EQ(o.count, 20000u);
    EXPECT_EQ(o.ports, (std::vector<std::uint16_t>{3040, 4000}));
    EXPECT_EQ(o.logPath, "l.jsonl");
    EXPECT_EQ(o.engine.faults.delay, 250ms);
    EXPECT_EQ(o.engine.faults.drop, 0.25);
    EXPECT_EQ(o.engine.faults.duplicate, 2u);
    EXPECT_EQ(o.engine.faults.faultyBoards, (std::set<std::size_t>{2, 5, 6, 7}));
    EXPECT_EQ(o.engine.faults.late, 6250ms);
    EXPECT_EQ(o.engine.assignResult, 255);
    EXPECT_EQ(o.engine.unknownMacResult, std::optional<std::uint8_t>(0));
    EXPECT_EQ(o.exitAfter, 0s);
    EXPECT_EQ(o.engine.faults.ignore,
              (std::set<RequestKind>{RequestKind::PrinterStatus, RequestKind::Assign}));
    EXPECT_EQ(o.engine.faults.junk, 100000u);
    EXPECT_EQ(o.engine.faults.junkSpread, 1500ms);
}

TEST(SimulatorOptions, DefaultsToPort3040AndAnHour) {
    const OptionsOrError r = ParseOptions({"--boards", "b.csv"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.ports, (std::vector<std::uint16_t>{3040}));
    EXPECT_EQ(r.options.exitAfter, 3600s);
    EXPECT_EQ(r.options.bindAddress, "0.0.0.0");
    EXPECT_FALSE(r.options.engine.unknownMacResult);
}

TEST(SimulatorOptions, RejectsWhatItCannotUse) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "give either --count N or --boards FILE"},
        {{"--count", "3", "--boards", "b.csv"}, "give either --count N or --boards FILE"},
        {{"--count", "0"}, "bad value for --count: \"0\""},
        {{"--count", "100001"}, "bad value for --count: \"100001\""},
        {{"--count"}, "--count needs a value"},
        {{"--colour", "red"}, "unknown option --colour"},
        {{"--count", "1", "--drop", "1.5"}, "bad value for --drop: \"1.5\""},
        {{"--count", "1", "--port", "65536"}, "bad value for --port: \"65536\""},
        {{"--count", "1", "--assign-result", "256"}, "bad value for --assign-result: \"256\""},
        {{"--count", "1", "--faulty-boards", "3-2"}, "bad value for --faulty-boards: \"3-2\""},
        {{"--count", "1", "--faulty-boards", "0"}, "bad value for --faulty-boards: \"0\""},
        {{"--count", "1", "--delay", "-1"}, "bad value for --delay: \"-1\""},
        {{"--count", "1", "--ignore", "status,"}, "bad value for --ignore: \"status,\""},
        {{"--count", "1", "--ignore", "print"}, "bad value for --ignore: \"print\""},
        {{"--count", "1", "--junk", "1000001"}, "bad value for --junk: \"1000001\""},
    };
    for (const auto& [arguments, error] : cases)
        EXPECT_EQ(ParseOptions(arguments).error, error);
}
