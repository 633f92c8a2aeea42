#include "BoardFile.h"
#include "DatagramLog.h"
#include "Options.h"
#include "TftpReceiver.h"
#include "UdpServer.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <ifaddrs.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <thread>
#include <unistd.h>

using namespace quorvel::sim;

namespace {

// An IPv4 address of this namespace outside loopback and the test range
// 198.18.0.0/15, or "" when there is none: where one exists the boards could
// answer a real network.
std::string outsideAddress() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return "(the addresses cannot be listed)";
    std::string found;
    for (ifaddrs* a = list; a && found.empty(); a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
            continue;
        const std::uint32_t ip =
            ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
        if ((ip >> 24) != 127 && (ip & 0xFFFE0000u) != 0xC6120000u)
            found = FormatIpv4(ip) + " on " + a->ifa_name;
    }
    ::freeifaddrs(list);
    return found;
}

bool isLoopback(const std::string& address) {
    in_addr a{};
    return inet_pton(AF_INET, address.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

bool writeReadyFile(const std::string& path, const std::vector<std::uint16_t>& ports) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary);
        for (std::size_t i = 0; i < ports.size(); ++i)
            out << (i ? " " : "") << ports[i];
        out << "\n";
        if (!out)
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const OptionsOrError parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "board_simulator: %s\n\n%s", parsed.error.c_str(), kUsage);
        return 2;
    }
    const Options& options = parsed.options;
    if (!isLoopback(options.bindAddress) && !options.allowAnyNetwork) {
        const std::string outside = outsideAddress();
        if (!outside.empty()) {
            std::fprintf(stderr,
                         "board_simulator: refusing to listen on %s: this network namespace has "
                         "the address %s, outside 198.18.0.0/15, so the boards would answer a "
                         "real network. Run it in the test rig (tests/e2e/rig.sh), or bind "
                         "127.0.0.1.\n",
                         options.bindAddress.c_str(), outside.c_str());
            return 2;
        }
    }

    std::vector<SimBoard> boards;
    if (options.count > 0) {
        boards = GenerateBoards(options.count);
    } else {
        BoardsOrError loaded = LoadBoardFile(options.boardFile);
        if (!loaded.error.empty()) {
            std::fprintf(stderr, "board_simulator: %s: %s\n", options.boardFile.c_str(),
                         loaded.error.c_str());
            return 2;
        }
        boards = std::move(loaded.boards);
    }

    // Whoever started us owns our lifetime: the rig's shell, or a test.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int stopFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);

    DatagramLog log;
    if (!options.logPath.empty() && !log.open(options.logPath)) {
        std::fprintf(stderr, "board_simulator: cannot write the log %s\n", options.logPath.c_str());
        return 1;
    }
    const Clock::time_point start = Clock::now();
    BoardSilence silence;
    EngineOptions engineOptions = options.engine;
    engineOptions.silence = &silence;
    SimulatorEngine engine(std::move(boards), engineOptions, start);
    TftpReceiver tftp(engine.boards(), silence, options.rebootFor);
    if (options.tftpPort != 0) {
        if (const std::string failed = tftp.open(options.bindAddress, options.tftpPort);
            !failed.empty()) {
            std::fprintf(stderr, "board_simulator: %s\n", failed.c_str());
            return 1;
        }
    }
    UdpServer server(engine, log.isOpen() ? &log : nullptr);
    const std::string error = server.open(options.bindAddress, options.ports);
    if (!error.empty()) {
        std::fprintf(stderr, "board_simulator: %s\n", error.c_str());
        return 1;
    }
    if (!options.readyFile.empty() && !writeReadyFile(options.readyFile, server.ports())) {
        std::fprintf(stderr, "board_simulator: cannot write %s\n", options.readyFile.c_str());
        return 1;
    }
    const Clock::time_point deadline =
        options.exitAfter.count() > 0 ? start + options.exitAfter : Clock::time_point::max();
    std::thread tftpThread;
    if (options.tftpPort != 0)
        tftpThread = std::thread([&tftp] { tftp.run(); });
    server.run(deadline, stopFd);
    if (tftpThread.joinable()) {
        tftp.stop();
        tftpThread.join();
    }

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const ServerStats& stats = server.stats();
    std::fprintf(stderr,
                 "{\"boards\":%zu,\"received\":%llu,\"replies_sent\":%llu,\"send_errors\":%llu,"
                 "\"cpu_user_s\":%.3f,\"cpu_system_s\":%.3f}\n",
                 engine.boards().size(), static_cast<unsigned long long>(stats.received),
                 static_cast<unsigned long long>(stats.repliesSent),
                 static_cast<unsigned long long>(stats.sendErrors), seconds(usage.ru_utime),
                 seconds(usage.ru_stime));
    return 0;
}
