#pragma once

#include "SimulatorEngine.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::sim {

struct Options {
    std::string boardFile;
    std::size_t count = 0;
    std::vector<std::uint16_t> ports;
    std::string bindAddress = "0.0.0.0";
    std::string logPath;
    std::string readyFile;
    std::chrono::seconds exitAfter{3600};
    bool allowAnyNetwork = false;
    bool help = false;
    std::uint16_t tftpPort = 0;        // 0: no TFTP side
    std::chrono::seconds rebootFor{0}; // silence after a whole image
    EngineOptions engine;
};

struct OptionsOrError {
    Options options;
    std::string error;
};

OptionsOrError ParseOptions(const std::vector<std::string>& arguments);

extern const char* const kUsage;

} // namespace quorvel::sim
