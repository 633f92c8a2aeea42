// Writes the command line's manual page: the template with its generated
// sections (synopsis, commands, options, examples, exit statuses; the monitor's
// metrics and JSON lines) spliced in where the marker lines stand, from the
// tables --help and the monitor use.
#include "ManSynopsis.h"
#include "OptionTable.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quorvel_man_page TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    std::ofstream out(argv[2]);
    std::string line;
    int spliced = 0;
    while (std::getline(in, line)) {
        if (line == ".\\\" generated synopsis") {
            out << quorvel::ManSynopsis();
            ++spliced;
        } else if (line == ".\\\" generated sections") {
            out << quorvel::ManSections();
            ++spliced;
        } else if (line == ".\\\" generated metrics") {
            out << quorvel::MetricsManSection();
            ++spliced;
        } else if (line == ".\\\" generated monitor json") {
            out << quorvel::MonitorJsonManText();
            ++spliced;
        } else {
            out << line << '\n';
        }
    }
    out.flush();
    if (!in.eof() || !out || spliced != 4) {
        std::cerr << "quorvel_man_page: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
