#include "BashCompletion.h"

#include <algorithm>
#include <cstring>

namespace quorvel {

const std::vector<CompletionMode>& CompletionModes() {
    // What CheckOptionCombination refuses within one command; the completion
    // test holds every offered word against the parser.
    static const std::vector<CompletionMode> modes = {
        {CliCommand::Assign, "plan", {"ip", "mask", "gateway", "dhcp", "repeat"}},
        {CliCommand::Assign, "", {"dry-run", "verify", "json"}},
        {CliCommand::Monitor, "probe-only", {"target", "rescan", "interface"}},
        {CliCommand::Firmware, "plan", {"file"}},
    };
    return modes;
}

namespace {

// Reads the table through these, so that how it is laid out can change.
bool takesValue(const OptionSpec& option) {
    return *option.valueName != '\0';
}

const CompletionMode* modeOf(CliCommand command, const char* trigger) {
    for (const CompletionMode& mode : CompletionModes())
        if (mode.command == command && std::strcmp(mode.trigger, trigger) == 0)
            return &mode;
    return nullptr;
}

std::vector<const char*> triggersOf(CliCommand command) {
    std::vector<const char*> triggers;
    for (const CompletionMode& mode : CompletionModes())
        if (mode.command == command && *mode.trigger)
            triggers.push_back(mode.trigger);
    return triggers;
}

std::string joined(const std::vector<std::string>& words, const char* separator) {
    std::string out;
    for (const std::string& word : words)
        out += (out.empty() ? "" : separator) + word;
    return out;
}

// The long options whose value is of one kind, as a case pattern.
std::string valuePattern(const std::vector<const char*>& valueNames, bool wanted) {
    std::vector<std::string> names;
    for (const OptionSpec& option : Options()) {
        if (!takesValue(option))
            continue;
        const bool listed =
            std::any_of(valueNames.begin(), valueNames.end(),
                        [&](const char* name) { return std::strcmp(name, option.valueName) == 0; });
        if (listed == wanted)
            names.push_back(std::string("--") + option.longName);
    }
    return joined(names, " | ");
}

// One case of `case $prev`, left out when no option has such a value.
std::string valueCase(const std::string& pattern, const char* body) {
    return pattern.empty() ? "" : "        " + pattern + ")\n" + body;
}

std::string wordList(CliCommand command, const char* trigger) {
    return joined(CompletionWords(command, trigger), " ");
}

std::string commandCase(const CommandSpec& spec) {
    const std::vector<const char*> triggers = triggersOf(spec.command);
    std::string out = std::string("        ") + spec.name + ")\n";
    if (triggers.empty())
        return out + "            options=\"" + wordList(spec.command, "") + "\" ;;\n";
    std::string keyword = "if";
    for (const char* trigger : triggers) {
        out += "            " + keyword + " _quorvel_given --" + trigger + "; then\n" +
               "                options=\"" + wordList(spec.command, trigger) + "\"\n";
        keyword = "elif";
    }
    return out + "            else\n                options=\"" + wordList(spec.command, "") +
           "\"\n            fi ;;\n";
}

} // namespace

std::vector<std::string> CompletionWords(CliCommand command, const char* trigger) {
    const CompletionMode* mode = modeOf(command, trigger);
    std::vector<std::string> shortWords, longWords;
    for (const OptionSpec& option : Options()) {
        if (!OptionAppliesTo(option, command))
            continue;
        if (mode && std::any_of(mode->refused.begin(), mode->refused.end(), [&](const char* name) {
                return std::strcmp(name, option.longName) == 0;
            }))
            continue;
        if (option.shortName)
            shortWords.push_back(std::string("-") + option.shortName);
        longWords.push_back(std::string("--") + option.longName);
    }
    shortWords.insert(shortWords.end(), longWords.begin(), longWords.end());
    return shortWords;
}

std::string BashCompletion() {
    std::vector<std::string> commands;
    for (const CommandSpec& spec : Commands())
        commands.push_back(spec.name);
    const std::string commandWords = joined(commands, " ");

    std::string out = R"(# bash completion for quorvel, made from its option table at build time.
# Whether a mode's option (--plan, --probe-only) is already on the line.
_quorvel_given() {
    local word
    for word in "${words[@]:1:cword-1}"; do
        [[ $word == "$1" || $word == "$1="* ]] && return 0
    done
    return 1
}

_quorvel() {
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
)" +
                      valueCase(valuePattern({"NAME"}, true),
                                "            COMPREPLY=($(compgen -W \"$(command ls /sys/class/net "
                                "2>/dev/null)\" -- \"$cur\"))\n            return ;;\n") +
                      valueCase(valuePattern({"FILE", "PATH", "IMAGE"}, true),
                                "            _filedir\n            return ;;\n") +
                      valueCase(valuePattern({"NAME", "FILE", "PATH", "IMAGE"}, false),
                                "            return ;;\n") +
                      R"(    esac
    $split && return

    # The command is the first word that is neither an option nor its value.
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            )" + valuePattern({}, false) +
                      R"() ((i++)) ;;
            -*) ;;
            *) command=${words[i]}; break ;;
        esac
    done

    local options
    case $command in
)";
    for (const CommandSpec& spec : Commands())
        out += commandCase(spec);
    out += R"(        help)
            [[ $cword -eq $((i + 1)) ]] && COMPREPLY=($(compgen -W ")" +
           commandWords + R"(" -- "$cur"))
            return ;;
        "")
            COMPREPLY=($(compgen -W ")" +
           commandWords + R"( help -h --help -V --version" -- "$cur"))
            return ;;
        *) return ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
}
complete -F _quorvel quorvel
)";
    return out;
}

} // namespace quorvel
