#include "AssignCommand.h"

#include "CliSession.h"
#include "StandardOutput.h"
#include "core/exchange/AddressCheckText.h"
#include "core/host/AddressClash.h"
#include "core/host/HostCommandRunner.h"
#include "protocol/AddressCheck.h"

#include <QFile>
#include <algorithm>
#include <cstdio>

namespace quorvel {

namespace {

bool sameMac(const MacAddress& mac, const DeviceRecord& record) {
    return mac == record.mac;
}

AddressVerdict checkRow(const PlanRow& row) {
    return CheckStaticAddress(row.ip, row.mask, row.gateway);
}

// The dialog asks about a gateway outside the subnet; a script cannot be
// asked, so the line says it and the assignment goes on, as after "Yes".
void warnAboutGateway(CliSession& session, const PlanRow& row) {
    if (!row.dhcp && checkRow(row).kind == AddressVerdict::AskAboutGateway)
        session.progress().line("gateway " + Ipv4Text(row.gateway) + " is outside the subnet of " +
                                Ipv4Text(row.ip) + "; sending it anyway");
}

// A static address the host itself, its gateway or another device holds.
std::optional<std::string> clashText(const PlanRow& row, const HostAddressFacts& facts) {
    if (row.dhcp)
        return std::nullopt;
    const auto clash = FindAddressClash(row.ip, row.mac, facts);
    if (!clash)
        return std::nullopt;
    return AddressClashText(row.ip, *clash).toStdString();
}

HostAddressFacts hostFacts() {
    HostCommandRunner* runner = CurrentHostCommandRunner();
    return runner ? runner->hostAddressFacts() : HostAddressFacts{};
}

} // namespace

std::optional<std::string> StrandingAddressProblem(const PlanRow& row) {
    const AddressVerdict verdict = checkRow(row);
    if (verdict.kind != AddressVerdict::Refused)
        return std::nullopt;
    const Ipv4Address& value = verdict.field == AddressField::Ip           ? row.ip
                               : verdict.field == AddressField::SubnetMask ? row.mask
                                                                           : row.gateway;
    return AddressVerdictText(verdict, QString::fromStdString(Ipv4Text(value))).toStdString();
}

AssignCommand::AssignCommand(CliSession& session, QObject* parent)
    : QObject(parent), m_session(session) {}

AssignCommand::~AssignCommand() = default;

bool AssignCommand::prepare(int& exitCode) {
    const CommandLine& line = m_session.line();
    if (!line.planFile) {
        PlanRow row;
        row.mac = *line.mac;
        row.dhcp = line.dhcp;
        row.ip = line.ip;
        row.mask = line.mask;
        row.gateway = line.gateway;
        if (!row.dhcp)
            if (auto problem = StrandingAddressProblem(row)) {
                m_session.progress().line(*problem);
                exitCode = ExitUsage;
                return false;
            }
        if (const auto clash = clashText(row, hostFacts())) {
            m_session.progress().line(*clash + (line.force ? " Sending it anyway (--force)."
                                                           : " Nothing was sent; --force sends "
                                                             "it anyway."));
            if (!line.force) {
                exitCode = ExitUsage;
                return false;
            }
        }
        warnAboutGateway(m_session, row);
        m_rows.push_back(row);
        return true;
    }

    QFile file(QString::fromStdString(*line.planFile));
    if (!file.open(QIODevice::ReadOnly)) {
        m_session.progress().line("cannot read the plan " + *line.planFile + ": " +
                                  file.errorString().toStdString());
        exitCode = ExitUsage;
        return false;
    }
    // A device or a pipe may never end: read one byte past the bound at most.
    QByteArray bytes;
    while (bytes.size() <= qsizetype(kMaxPlanBytes)) {
        const QByteArray more = file.read(qsizetype(kMaxPlanBytes) + 1 - bytes.size());
        if (more.isEmpty())
            break;
        bytes += more;
    }
    if (bytes.size() > qsizetype(kMaxPlanBytes)) {
        m_session.progress().line("the plan " + *line.planFile +
                                  " is larger than 10 MB; split it into smaller plans");
        exitCode = ExitUsage;
        return false;
    }
    const HostAddressFacts facts = hostFacts();
    const AssignPlan plan =
        ReadAssignPlan(std::string_view(bytes.constData(), bytes.size()),
                       [&](const PlanRow& row) -> std::optional<std::string> {
                           if (auto problem = StrandingAddressProblem(row))
                               return problem;
                           if (auto clash = clashText(row, facts); clash && !line.force)
                               return *clash + " (--force sends it anyway)";
                           return std::nullopt;
                       });
    if (!plan.problems.empty()) {
        for (const PlanProblem& problem : plan.problems)
            std::fprintf(stderr, "%s\n", PlanProblemText(*line.planFile, problem).c_str());
        exitCode = ExitUsage;
        return false;
    }
    m_rows = plan.rows;
    for (const PlanRow& row : m_rows) {
        if (const auto clash = clashText(row, facts))
            m_session.progress().line(PlanProblemText(*line.planFile, {row.line, *clash}) +
                                      " Sending it anyway (--force).");
        warnAboutGateway(m_session, row);
    }
    if (line.dryRun) {
        std::vector<PlanOutcome> checked;
        for (const PlanRow& row : m_rows)
            checked.push_back({row, RowVerdict::TimedOut, "checked, not sent (dry run)", {}});
        WriteOut(line.format == OutputFormat::Json ? PlanJson(checked).toStdString()
                                                   : PlanTable(checked));
        exitCode = ExitSuccess;
        return false;
    }
    return true;
}

bool AssignCommand::allPlannedAnswered(const std::vector<DeviceRecord>& records,
                                       bool asPlanned) const {
    return std::all_of(m_rows.begin(), m_rows.end(), [&](const PlanRow& row) {
        return std::any_of(records.begin(), records.end(), [&](const DeviceRecord& r) {
            return asPlanned ? AnswersAsPlanned(row, r) : sameMac(row.mac, r);
        });
    });
}

void AssignCommand::start() {
    m_search = std::make_unique<BoardSearch>(
        m_session, [this](const auto& records) { return allPlannedAnswered(records, false); });
    connect(m_search.get(), &BoardSearch::finished, this, &AssignCommand::boardsSearched);
    m_search->start();
}

void AssignCommand::stop() {
    if (m_assignment)
        m_assignment->stop();
}

void AssignCommand::boardsSearched() {
    m_known = m_search->records();
    m_search.release()->deleteLater();
    runRow();
}

void AssignCommand::runRow() {
    if (m_outcomes.size() == m_rows.size()) {
        if (!m_session.line().verify)
            return report();
        m_search = std::make_unique<BoardSearch>(
            m_session, [this](const auto& records) { return allPlannedAnswered(records, true); });
        connect(m_search.get(), &BoardSearch::finished, this, &AssignCommand::verified);
        m_search->start();
        return;
    }
    const PlanRow& row = m_rows[m_outcomes.size()];
    const auto known = std::find_if(m_known.begin(), m_known.end(),
                                    [&](const DeviceRecord& r) { return sameMac(row.mac, r); });
    DeviceRecord board;
    if (known != m_known.end()) {
        board = *known;
    } else {
        // Not heard by the search: broadcast anyway, to the first remote
        // port; a board that is there may still answer, one that is not
        // times out like the dialog's.
        board.mac = row.mac;
        board.replyPort = std::uint16_t(m_session.ports().remotePorts[0]);
        m_session.progress().line("no board with MAC " + MacText(row.mac) +
                                  " answered the search; sending to port " +
                                  std::to_string(board.replyPort));
    }
    m_outcomes.push_back({row, RowVerdict::TimedOut, {}, {}});
    m_assignment = std::make_unique<BoardAssignment>(m_session, board, row);
    connect(m_assignment.get(), &BoardAssignment::finished, this, &AssignCommand::rowFinished);
    m_assignment->start();
}

void AssignCommand::rowFinished(RowVerdict verdict, const std::string& text) {
    m_outcomes.back().verdict = verdict;
    m_outcomes.back().text = text;
    m_assignment.release()->deleteLater();
    if (!m_session.line().planFile)
        return report();
    runRow();
}

void AssignCommand::verified() {
    for (PlanOutcome& outcome : m_outcomes) {
        const auto& records = m_search->records();
        outcome.verified = std::any_of(records.begin(), records.end(), [&](const DeviceRecord& r) {
            return AnswersAsPlanned(outcome.row, r);
        });
    }
    report();
}

void AssignCommand::report() {
    const CommandLine& line = m_session.line();
    if (!line.planFile) {
        WriteOut(m_outcomes.front().text + "\n");
    } else if (line.format == OutputFormat::Json) {
        WriteOut(PlanJson(m_outcomes).toStdString());
    } else {
        WriteOut(PlanTable(m_outcomes));
    }
    Q_EMIT done(PlanExitCode(m_outcomes));
}

} // namespace quorvel
