// Writes the command line's bash completion from the option table.
#include "BashCompletion.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: quorvel_bash_completion OUTPUT\n";
        return 2;
    }
    std::ofstream out(argv[1]);
    out << quorvel::BashCompletion();
    out.flush();
    if (!out) {
        std::cerr << "quorvel_bash_completion: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
