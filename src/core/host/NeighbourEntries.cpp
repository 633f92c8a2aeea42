#include "core/host/NeighbourEntries.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace quorvel {

namespace {

QString linkFor(const Ipv4Address& ip, const QString& interfaceName) {
    HostCommandRunner* runner = CurrentHostCommandRunner();
    return !interfaceName.isEmpty() || !runner ? interfaceName : runner->interfaceRoutingTo(ip);
}

} // namespace

struct NeighbourEntries::State {
    using Entry = NeighbourClaim;

    // Released once it is gone (a run killed before then leaves its claim),
    // by the runner that removed it: the one installed may have changed since.
    void remove(const Entry& entry) {
        HostCommandRunner* runner = CurrentHostCommandRunner();
        HostCommands::run(HostCommands::removeNeighbourEntry(
                              entry.ip, QString::fromStdString(entry.interfaceName)),
                          [entry, runner](CommandOutcome) { runner->releaseNeighbour(entry); });
    }

    LineWriter writeLine;
    std::vector<Entry> added;
    bool closed = false;
    bool reported = false;
    bool processWide = true; // said once per process, not once per table
};

namespace {

NeighbourEntries::LineWriter& defaultWriter() {
    static NeighbourEntries::LineWriter writer;
    return writer;
}

bool g_refusalReported = false; // the table's refusal is said once per process

} // namespace

void NeighbourEntries::setDefaultLineWriter(LineWriter writeLine) {
    defaultWriter() = std::move(writeLine);
}

NeighbourEntries::NeighbourEntries(LineWriter writeLine) : m_state(std::make_shared<State>()) {
    if (writeLine)
        m_state->writeLine = std::move(writeLine);
    else if (defaultWriter())
        m_state->writeLine = defaultWriter();
    else
        m_state->writeLine = [](const QString& line) {
            std::fprintf(stderr, "Quorvel: %s\n", qPrintable(line));
        };
    // A writer of its own (a test's) hears its own refusal.
    m_state->processWide = !writeLine;
}

NeighbourEntries::~NeighbourEntries() {
    removeAll();
}

OutcomeHandler NeighbourEntries::reporting() {
    return [state = m_state](CommandOutcome outcome) {
        bool& reported = state->processWide ? g_refusalReported : state->reported;
        if (outcome != CommandOutcome::NotPermitted || reported)
            return;
        reported = true;
        state->writeLine(QCoreApplication::translate(
            "NeighbourEntries",
            "no permission to change the neighbour table; the address assignment goes "
            "on without its neighbour entries (run as root for them)."));
    };
}

void NeighbourEntries::flush(const Ipv4Address& ip, const QString& interfaceName) {
    const QString link = linkFor(ip, interfaceName);
    if (!link.isEmpty())
        HostCommands::run(HostCommands::clearArpCache(link), reporting());
}

void NeighbourEntries::say(const QString& line) {
    m_state->writeLine(line);
}

void NeighbourEntries::add(const Ipv4Address& ip, const MacAddress& mac,
                           const QString& interfaceName) {
    if (mac == MacAddress{} || ip == Ipv4Address{})
        return;
    HostCommandRunner* runner = CurrentHostCommandRunner();
    if (!runner)
        return;
    const QString link = linkFor(ip, interfaceName);
    // Without an interface the entry would replace whatever is there,
    // the administrator's own included.
    if (link.isEmpty()) {
        m_state->writeLine(QStringLiteral("no interface routes to %1; no neighbour entry for it")
                               .arg(QString::fromStdString(Ipv4Text(ip))));
        return;
    }
    const State::Entry entry{ip, mac, link.toStdString()};
    runner->claimNeighbour(entry);
    const OutcomeHandler report = reporting();
    // Only an entry the kernel took from us is ours; one that was already
    // there (the administrator's) makes the add fail and is left alone.
    HostCommands::run(HostCommands::staticArpEntry(ip, mac, link),
                      [state = m_state, entry, report, runner](CommandOutcome outcome) {
                          report(outcome);
                          if (outcome != CommandOutcome::Succeeded)
                              return runner->releaseNeighbour(entry);
                          if (state->closed)
                              state->remove(entry);
                          else if (std::find(state->added.begin(), state->added.end(), entry) ==
                                   state->added.end())
                              state->added.push_back(entry);
                          else // one removal releases it once
                              runner->releaseNeighbour(entry);
                      });
}

void NeighbourEntries::removeAll() {
    m_state->closed = true;
    for (const State::Entry& entry : m_state->added)
        m_state->remove(entry);
    m_state->added.clear();
}

} // namespace quorvel
