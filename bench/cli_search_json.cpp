// `quorvel search --json` against N simulated boards, the executable run as a
// script runs it: how many boards reach the output, how long the output takes
// once the ten-second run is over, and the process's peak memory. Prints
// figures; asserts nothing. Runs inside tests/e2e/rig.sh (bench/run_all.sh
// does), which it needs for the simulator.
//
// The run's end is taken from the command line itself: its standard error
// is a pseudo-terminal, so it shows its progress line, and clears it the
// moment the run ends (before any output). The figures are counted from the
// arrival of that clear to the first and to the last byte of output.
#include "SimulatorRig.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <cstdio>
#include <mutex>
#include <pty.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// What arrived on the pseudo-terminal, with when each piece arrived.
struct TerminalLog {
    std::mutex mutex;
    QByteArray bytes;
    std::vector<std::pair<qsizetype, double>> pieceEnds; // offset past a piece, its arrival

    // When the last progress line was cleared (a shown line, then the clear): 0 if never.
    double runEnd() {
        std::lock_guard lock(mutex);
        const qsizetype at = bytes.lastIndexOf("\033[K\r\033[K");
        if (at < 0)
            return 0;
        const qsizetype end = at + 7;
        for (const auto& [offset, time] : pieceEnds)
            if (offset >= end)
                return time;
        return 0;
    }
};

} // namespace

using namespace quorvel::testing;

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    int boards = 10000;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--boards")
            boards = QByteArray(argv[i + 1]).toInt();
    const QString reason = SimulatorRig::unavailableReason();
    if (!reason.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        return 77;
    }
    SimulatorRig rig;
    QString error;
    if (!rig.start({"--count", QString::number(boards)}, &error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }

    int terminal = -1, terminalSide = -1;
    if (::openpty(&terminal, &terminalSide, nullptr, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    TerminalLog log;
    std::thread terminalReader([&] {
        char piece[4096];
        for (;;) {
            const ssize_t got = ::read(terminal, piece, sizeof piece);
            if (got <= 0)
                return; // EIO once the last holder of the other side is gone
            const double now = MonotonicNow();
            std::lock_guard lock(log.mutex);
            log.bytes.append(piece, got);
            log.pieceEnds.emplace_back(log.bytes.size(), now);
        }
    });

    QProcess quorvel;
    quorvel.setProgram(QStringLiteral(QUORVEL_CLI));
    quorvel.setArguments({"search", "--json"});
    quorvel.setChildProcessModifier([terminalSide] { ::dup2(terminalSide, STDERR_FILENO); });
    QByteArray out;
    double firstByte = 0, lastByte = 0;
    quorvel.start();
    if (!quorvel.waitForStarted(5000)) {
        std::fprintf(stderr, "cannot start %s\n", QUORVEL_CLI);
        return 1;
    }
    while (quorvel.state() != QProcess::NotRunning) {
        if (!quorvel.waitForReadyRead(30000))
            break;
        const QByteArray chunk = quorvel.readAllStandardOutput();
        if (chunk.isEmpty())
            continue;
        const double now = MonotonicNow();
        if (out.isEmpty())
            firstByte = now;
        lastByte = now;
        out += chunk;
    }
    quorvel.waitForFinished(30000);
    if (const QByteArray rest = quorvel.readAllStandardOutput(); !rest.isEmpty()) {
        lastByte = MonotonicNow();
        out += rest;
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    ::close(terminalSide);
    terminalReader.join();
    ::close(terminal);

    const double runEnd = log.runEnd();
    if (runEnd == 0)
        std::fprintf(stderr, "the progress line was never cleared: no run end\n");
    const QJsonArray listed = QJsonDocument::fromJson(out).array();
    std::printf("cli_search_json boards %d\n", boards);
    std::printf("cli_search_json exit_code %d\n", quorvel.exitCode());
    std::printf("cli_search_json boards_in_output %lld\n", static_cast<long long>(listed.size()));
    std::printf("cli_search_json output_bytes %lld\n", static_cast<long long>(out.size()));
    std::printf("cli_search_json run_end_to_first_byte_ms %.1f\n", (firstByte - runEnd) * 1000);
    std::printf("cli_search_json run_end_to_last_byte_ms %.1f   (target < 50)\n",
                (lastByte - runEnd) * 1000);
    std::printf("cli_search_json peak_rss_kib %ld   (target < 32768)\n", usage.ru_maxrss);
    std::printf("cli_search_json cpu_s %.2f\n",
                usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                    (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
    return 0;
}
