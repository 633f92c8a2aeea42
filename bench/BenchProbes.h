#pragma once

// What the benchmarks measure besides their own clocks: GUI stalls, the
// process's memory and the namespace's UDP counters.
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace quorvel::bench {

// CLOCK_MONOTONIC seconds, the simulator log's clock.
inline double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A heartbeat on the GUI thread: a precise 2 ms timer whose beats are kept,
// so that the longest gap in any window is the worst stall in it. It beats
// in nested event loops too (modal dialogs, message boxes).
class StallProbe {
public:
    StallProbe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { m_beats.push_back(Now()); });
    }
    void start() {
        m_beats.clear();
        m_beats.reserve(1 << 16);
        m_beats.push_back(Now());
        m_timer.start();
    }
    void stop() {
        m_timer.stop();
        m_beats.push_back(Now());
    }
    // The longest time without a beat between `from` and `to`, in ms.
    double worstGapMs(double from, double to) const {
        double worst = 0;
        for (std::size_t i = 1; i < m_beats.size(); ++i) {
            const double a = std::max(m_beats[i - 1], from), b = std::min(m_beats[i], to);
            if (b > a)
                worst = std::max(worst, b - a);
        }
        return worst * 1000;
    }
    std::size_t beats() const { return m_beats.size(); }

private:
    QTimer m_timer;
    std::vector<double> m_beats;
};

// From /proc/self/status, in KiB.
struct Memory {
    long rssKiB = 0;
    long peakKiB = 0; // VmHWM
};

inline Memory ReadMemory() {
    Memory m;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            m.rssKiB = std::stol(line.substr(6));
        else if (line.rfind("VmHWM:", 0) == 0)
            m.peakKiB = std::stol(line.substr(6));
    }
    return m;
}

// The UDP counters of this network namespace: datagrams read by sockets
// (counted when read) and datagrams the kernel dropped for a full buffer.
struct UdpCounters {
    long long inDatagrams = 0;
    long long receiveBufferErrors = 0;
};

inline UdpCounters ReadUdpCounters() {
    UdpCounters c;
    std::ifstream snmp("/proc/net/snmp");
    std::string header, values;
    while (std::getline(snmp, header) && std::getline(snmp, values)) {
        if (header.rfind("Udp:", 0) != 0)
            continue;
        std::istringstream names(header), numbers(values);
        std::string name, number;
        while (names >> name && numbers >> number) {
            if (name == "InDatagrams")
                c.inDatagrams = std::stoll(number);
            else if (name == "RcvbufErrors")
                c.receiveBufferErrors = std::stoll(number);
        }
    }
    return c;
}

inline std::string LoadAverage() {
    std::ifstream load("/proc/loadavg");
    std::string one, five, fifteen;
    load >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// The scheduler's account of this process's threads of one name (the main
// thread when `name` is empty): time run, time spent runnable but waiting
// for a core, and how often each was switched in.
struct ThreadTimes {
    double runMs = 0;
    double waitMs = 0;
    long long slices = 0;
};

inline ThreadTimes ReadThreadTimes(const std::string& name) {
    ThreadTimes t;
    const std::string self = std::to_string(::getpid());
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string comm;
        std::getline(std::ifstream(task.path() / "comm"), comm);
        if (name.empty() ? task.path().filename() != self : comm != name)
            continue;
        long long run = 0, wait = 0, slices = 0;
        std::ifstream(task.path() / "schedstat") >> run >> wait >> slices;
        t.runMs += run / 1e6;
        t.waitMs += wait / 1e6;
        t.slices += slices;
    }
    return t;
}

} // namespace quorvel::bench
