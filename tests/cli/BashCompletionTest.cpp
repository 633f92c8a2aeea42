#include "cli/BashCompletion.h"

#include "cli/CommandLine.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

using namespace quorvel;

namespace {

// A value the parser takes for each kind of option value.
const std::map<std::string, const char*> kSampleValues = {
    {"NAME", "eth1"},       {"N", "7"},          {"ADDRESS", "198.18.0.20"},
    {"SECONDS", "5"},       {"MINUTES", "5"},    {"[ADDRESS:]PORT", "9847"},
    {"PATH", "out.prom"},   {"DURATION", "1h"},  {"A", "198.18.0.20"},
    {"M", "255.255.255.0"}, {"G", "198.18.0.1"}, {"FILE", "plan.csv"},
    {"IMAGE", "v2.img"},
};

bool accepted(const QStringList& line) {
    const auto parsed = ParseCommandLine(line, QStringLiteral("1"));
    const auto* early = std::get_if<EarlyExit>(&parsed);
    return !early || early->exitCode == ExitSuccess;
}

// Lines that are whole in one mode: an option belongs to the mode when the
// parser takes it added to at least one of them.
struct ModeLines {
    CliCommand command;
    const char* trigger;
    std::vector<QStringList> lines;
};

const ModeLines kModes[] = {
    {CliCommand::Search, "", {{"search"}}},
    {CliCommand::Assign,
     "",
     {{"assign"},
      {"assign", "00-0B-3C-12-34-56", "--dhcp"},
      {"assign", "00-0B-3C-12-34-56", "--mask", "255.255.255.0", "--gateway", "0.0.0.0"},
      {"assign", "00-0B-3C-12-34-56", "--ip", "198.18.0.20", "--gateway", "0.0.0.0"},
      {"assign", "00-0B-3C-12-34-56", "--ip", "198.18.0.20", "--mask", "255.255.255.0"}}},
    {CliCommand::Assign, "plan", {{"assign", "--plan", "plan.csv"}, {"assign"}}},
    {CliCommand::Status, "", {{"status", "198.18.0.20"}}},
    {CliCommand::Monitor, "", {{"monitor"}, {"monitor", "--listen", "9847"}}},
    {CliCommand::Monitor,
     "probe-only",
     {{"monitor", "--probe-only", "--listen", "9847"}, {"monitor", "--probe-only"}}},
};

} // namespace

TEST(BashCompletion, offersExactlyTheOptionsTheParserTakesInEachMode) {
    for (const ModeLines& mode : kModes) {
        const std::vector<std::string> words = CompletionWords(mode.command, mode.trigger);
        for (const OptionSpec& option : Options()) {
            QStringList added{QStringLiteral("--") + QLatin1String(option.longName)};
            if (*option.valueName) {
                ASSERT_TRUE(kSampleValues.count(option.valueName)) << option.valueName;
                added << QLatin1String(kSampleValues.at(option.valueName));
            }
            const bool taken = std::any_of(mode.lines.begin(), mode.lines.end(), [&](auto line) {
                return accepted(QStringList{QStringLiteral("quorvel")} + line + added);
            });
            const std::string word = std::string("--") + option.longName;
            const bool offered = std::count(words.begin(), words.end(), word) == 1;
            EXPECT_EQ(offered, taken) << mode.lines.front().join(u' ').toStdString() << " "
                                      << mode.trigger << ": " << word;
            if (option.shortName) {
                const std::string shortWord = std::string("-") + option.shortName;
                EXPECT_EQ(std::count(words.begin(), words.end(), shortWord) == 1, offered)
                    << shortWord;
            }
        }
    }
}
