#include "ManSynopsis.h"

#include "OptionTable.h"

#include <cctype>
#include <string_view>

namespace quorvel {

namespace {

bool isPlaceholder(std::string_view word) {
    if (word.starts_with('-'))
        return false;
    for (char c : word)
        if (std::islower(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// One synopsis line: words are runs between spaces and the brackets, bars
// and ellipses of the grammar, which stay roman.
std::string synopsisLine(std::string_view line) {
    std::string out;
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t end = line.find_first_of(" []()|.", i);
        if (end == i) {
            out += line[i] == '.' ? "\\&." : std::string(1, line[i]);
            ++i;
            continue;
        }
        const std::string_view word = line.substr(i, end - i);
        out += (isPlaceholder(word) ? "\\fI" : "\\fB") + RoffText(word) + "\\fR";
        i = end == std::string_view::npos ? line.size() : end;
    }
    return out + "\n";
}

} // namespace

std::string ManSynopsis() {
    std::string out;
    for (const CommandSpec& spec : Commands()) {
        std::string_view synopsis = spec.synopsis;
        std::string first = std::string("quorvel ") + spec.name + " ";
        while (true) {
            const std::size_t newline = synopsis.find('\n');
            out += synopsisLine(first + std::string(synopsis.substr(0, newline))) + ".br\n";
            if (newline == std::string_view::npos)
                break;
            // Further lines repeat "quorvel NAME" after their indent.
            synopsis.remove_prefix(newline + 1);
            synopsis.remove_prefix(synopsis.find_first_not_of(' '));
            first.clear();
        }
    }
    out += synopsisLine("quorvel [-h | --help | -V | --version]") + ".br\n";
    out += synopsisLine("quorvel help [COMMAND]");
    return out;
}

} // namespace quorvel
