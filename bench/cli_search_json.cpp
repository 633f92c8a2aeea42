// `quorvel search --json` against N simulated boards, the executable run as a
// script runs it: how many boards reach the output, how long the output takes
// once the ten-second run is over, and the process's peak memory. Prints
// figures; asserts nothing. Runs inside tests/e2e/rig.sh (bench/run_all.sh
// does), which it needs for the simulator.
//
// The run ends 39 ticks after its first request, and nothing is written
// before it ends. The simulator logs when each request arrived: the first
// goes out at tick 1 and the repeats at ticks 8 and 16, which gives the tick
// as the timer really ran it (a coarse timer runs a little slow). The figures
// are counted from that end to the first and to the last byte read.
#include "SimulatorRig.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <cstdio>
#include <sys/resource.h>

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

    QProcess quorvel;
    quorvel.setProgram(QStringLiteral(QUORVEL_CLI));
    quorvel.setArguments({"search", "--json", "--quiet"});
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

    const auto searches = rig.received(QStringLiteral("search"));
    const double tick =
        searches.size() >= 3 ? (searches[2].t - searches[0].t) / 15 : 0.250; // ticks 1 to 16
    const double runEnd = searches.isEmpty() ? 0 : searches.front().t + 39 * tick;
    const QJsonArray listed = QJsonDocument::fromJson(out).array();
    std::printf("cli_search_json boards %d\n", boards);
    std::printf("cli_search_json exit_code %d\n", quorvel.exitCode());
    std::printf("cli_search_json boards_in_output %lld\n", static_cast<long long>(listed.size()));
    std::printf("cli_search_json output_bytes %lld\n", static_cast<long long>(out.size()));
    std::printf("cli_search_json tick_ms %.1f\n", tick * 1000);
    std::printf("cli_search_json run_end_to_first_byte_ms %.1f\n", (firstByte - runEnd) * 1000);
    std::printf("cli_search_json run_end_to_last_byte_ms %.1f\n", (lastByte - runEnd) * 1000);
    std::printf("cli_search_json peak_rss_kib %ld\n", usage.ru_maxrss);
    std::printf("cli_search_json cpu_s %.2f\n",
                usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                    (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
    return 0;
}
