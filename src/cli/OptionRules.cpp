// The messages of the option table's rules, made from the table so that
// they say what it says.
#include "OptionRules.h"

#include "OptionTable.h"

#include <vector>

namespace quorvel {

namespace {

std::string listed(const std::vector<std::string>& words, const char* last) {
    std::string out;
    for (std::size_t i = 0; i < words.size(); ++i)
        out += (i == 0 ? "" : i + 1 == words.size() ? last : ", ") + words[i];
    return out;
}

std::string commandsIn(unsigned mask) {
    std::vector<std::string> names;
    for (const CommandSpec& spec : Commands())
        if (mask & CommandBit(spec.command))
            names.push_back(spec.name);
    return listed(names, " and ");
}

// The options refused together are those of one set of commands; a lead
// option brings in those that qualify it.
unsigned groupOf(const OptionSpec& option) {
    if (!option.qualifies)
        for (const OptionSpec& other : Options())
            if (other.qualifies && option.longName == std::string_view(other.qualifies))
                return other.commands;
    return option.commands;
}

// "--csv applies only to search", "--file, --parallel and --no-wait apply
// only to firmware", or by their leads, "--plan and their options ...".
std::string misapplied(const OptionSpec& option, unsigned command) {
    const unsigned group = groupOf(option);
    std::vector<std::string> members;
    std::string leads;
    bool qualified = false;
    for (const OptionSpec& other : Options()) {
        if ((other.commands & command) || groupOf(other) != group)
            continue;
        members.push_back(std::string("--") + other.longName);
        qualified = qualified || other.qualifies;
        if (!other.qualifies)
            leads += (leads.empty() ? "--" : "/--") + std::string(other.longName);
    }
    const std::string only = " only to " + commandsIn(group);
    if (qualified)
        return leads + " and their options apply" + only;
    return listed(members, " and ") + (members.size() == 1 ? " applies" : " apply") + only;
}

std::optional<std::string> checkApplies(const CommandSpec& command, const GivenOptions& given) {
    for (const OptionSpec& option : Options()) {
        if (!given.has(option.longName) || OptionAppliesTo(option, command.command))
            continue;
        for (const RefusedOption& refused : command.refuses)
            if (option.longName == std::string_view(refused.longName))
                return std::string("--") + option.longName + " cannot be used with " +
                       command.name + ": " + refused.why;
        return misapplied(option, CommandBit(command.command));
    }
    return std::nullopt;
}

// A switch given twice says the same thing; a second value is a mistake
// worth naming, where the option takes only one.
std::optional<std::string> checkRepeats(const CommandSpec& command, const GivenOptions& given) {
    for (const OptionSpec& option : Options()) {
        if (!*option.valueName)
            continue;
        const auto found = given.options.find(option.longName);
        if (found != given.options.end() && found->second > 1 &&
            !(option.repeatable & CommandBit(command.command)))
            return std::string("--") + option.longName + " given more than once";
    }
    return std::nullopt;
}

} // namespace

std::string CommandNames() {
    std::vector<std::string> names;
    for (const CommandSpec& spec : Commands())
        names.push_back(spec.name);
    return listed(names, " or ");
}

std::optional<std::string> CheckGivenOptions(const GivenOptions& given) {
    if (given.command.empty())
        return "missing command: " + CommandNames();
    const CommandSpec* command = FindCommand(given.command);
    if (!command)
        return "unknown command \"" + given.command + "\" (expected " + CommandNames() + ")";
    if (auto problem = checkApplies(*command, given))
        return problem;
    if (auto problem = CheckOptionCombination(given))
        return problem;
    return checkRepeats(*command, given);
}

} // namespace quorvel
