#include "FirmwareCommand.h"

#include "CliSession.h"
#include "FirmwarePlan.h"
#include "StandardOutput.h"
#include "core/firmware/FirmwareImage.h"
#include "core/firmware/FirmwareText.h"
#include "core/net/TftpSocket.h"
#include "core/net/UdpSocket.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorvel {

FirmwareCommand::FirmwareCommand(CliSession& session, QObject* parent)
    : QObject(parent), m_session(session) {
    m_progress.setInterval(250);
    connect(&m_progress, &QTimer::timeout, this, &FirmwareCommand::drawProgress);
}

FirmwareCommand::~FirmwareCommand() {
    for (Job& job : m_jobs)
        job.push.reset(); // before the watch they may wait in
}

bool FirmwareCommand::addJob(const std::optional<MacAddress>& mac,
                             const std::optional<Ipv4Address>& ip, const QString& path,
                             const std::string& where) {
    const FirmwareImage& image = m_images.read(path);
    if (image.problem != FirmwareImageProblem::None) {
        std::fprintf(stderr, "%s%s\n", where.c_str(),
                     FirmwareImageProblemText(image, path).toStdString().c_str());
        return false;
    }
    Job job;
    job.mac = mac;
    job.ip = ip;
    job.file = path.toStdString();
    job.image = image.bytes;
    m_jobs.push_back(std::move(job));
    return true;
}

bool FirmwareCommand::prepare(int& exitCode) {
    const CommandLine& line = m_session.line();
    exitCode = ExitUsage;
    if (!line.planFile) {
        if (!addJob(line.mac, line.boardAddress, QString::fromStdString(*line.imageFile),
                    "quorvel: "))
            return false;
        return true;
    }
    QFile file(QString::fromStdString(*line.planFile));
    if (!file.open(QIODevice::ReadOnly)) {
        m_session.progress().line("cannot read the plan " + *line.planFile + ": " +
                                  file.errorString().toStdString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    const FirmwarePlan plan = ReadFirmwarePlan(std::string_view(bytes.constData(), bytes.size()));
    for (const PlanProblem& problem : plan.problems)
        std::fprintf(stderr, "%s\n", PlanProblemText(*line.planFile, problem).c_str());
    bool good = plan.problems.empty();
    // Relative image paths are read beside the plan, so that the two travel together.
    const QDir folder = QFileInfo(file).absoluteDir();
    for (const FirmwareRow& row : plan.rows)
        good = addJob(row.mac, std::nullopt, folder.filePath(QString::fromStdString(row.file)),
                      *line.planFile + ":" + std::to_string(row.line) + ": ") &&
               good;
    return good;
}

bool FirmwareCommand::isFound(const Job& job, const DeviceRecord& record) const {
    return job.mac ? *job.mac == record.mac : job.ip && *job.ip == record.ip;
}

void FirmwareCommand::start() {
    if (!m_session.line().noWait) {
        auto socket = std::make_unique<UdpSocket>();
        if (socket->open() != SocketOpenResult::Opened) {
            m_session.progress().line(std::string("cannot open the UDP socket that waits for the "
                                                  "boards: ") +
                                      std::strerror(errno));
            QTimer::singleShot(0, this, [this] { Q_EMIT done(ExitHost); });
            return;
        }
        m_watchDispatch.setSocket(std::move(socket));
        m_watch = std::make_unique<BoardReturnWatch>(m_watchDispatch, m_session.ports());
    }
    m_search = std::make_unique<BoardSearch>(m_session, [this](const auto& records) {
        return std::all_of(m_jobs.begin(), m_jobs.end(), [&](const Job& job) {
            return std::any_of(records.begin(), records.end(),
                               [&](const DeviceRecord& r) { return isFound(job, r); });
        });
    });
    // One board named by its address: ask that address alone.
    if (m_jobs.size() == 1 && m_jobs.front().ip)
        m_search->setTarget(m_jobs.front().ip);
    connect(m_search.get(), &BoardSearch::finished, this, &FirmwareCommand::boardsSearched);
    m_search->start();
}

void FirmwareCommand::boardsSearched() {
    const std::vector<DeviceRecord> records = m_search->records();
    m_search.release()->deleteLater();
    for (Job& job : m_jobs) {
        const auto found = std::find_if(records.begin(), records.end(),
                                        [&](const DeviceRecord& r) { return isFound(job, r); });
        if (found != records.end()) {
            job.target = {found->ip, found->mac, found->interfaceIndex};
            job.ip = found->ip;
            job.mac = found->mac;
        } else if (job.ip) {
            // A board whose boot loader runs may not answer a search at all.
            m_session.progress().line("no board answered the search at " + Ipv4Text(*job.ip) +
                                      "; sending the image all the same");
            job.target = {*job.ip, std::nullopt, 0};
        }
    }
    for (Job& job : m_jobs)
        if (!job.ip)
            finish(job, FirmwareReport::Result::Failed,
                   "no board with MAC " + MacText(*job.mac) + " answered the search");
    if (m_finished == m_jobs.size())
        return;
    m_progress.start();
    launch();
}

void FirmwareCommand::launch() {
    while (!m_interrupted && m_transferring < m_session.line().parallel && m_next < m_jobs.size()) {
        Job& job = m_jobs[m_next++];
        if (job.finished)
            continue;
        auto socket = std::make_unique<TftpSocket>();
        if (!socket->open()) {
            finish(job, FirmwareReport::Result::Failed,
                   std::string("cannot open a UDP socket for the transfer: ") +
                       std::strerror(errno));
            continue;
        }
        job.push =
            std::make_unique<FirmwarePush>(job.target, job.image, std::move(socket), m_watch.get());
        connect(job.push.get(), &FirmwarePush::waitingForBoard, this,
                [this, &job] { transferEnded(job); });
        connect(job.push.get(), &FirmwarePush::finished, this, [this, &job] {
            transferEnded(job);
            const bool sent = job.push->verdict() != FirmwareVerdict::Failed;
            finish(job,
                   m_interrupted ? FirmwareReport::Result::Interrupted
                   : sent        ? FirmwareReport::Result::Sent
                                 : FirmwareReport::Result::Failed,
                   FirmwareVerdictText(*job.push).toStdString());
        });
        job.transferring = true;
        ++m_transferring;
        job.push->start();
    }
}

void FirmwareCommand::transferEnded(Job& job) {
    if (!std::exchange(job.transferring, false))
        return;
    --m_transferring;
    // Not from inside the transfer's own signal.
    QTimer::singleShot(0, this, &FirmwareCommand::launch);
}

void FirmwareCommand::fillReport(Job& job) const {
    FirmwareReport& r = job.report;
    r.mac = job.mac;
    r.ip = job.ip;
    r.file = job.file;
    r.size = std::uint64_t(job.image.size());
    if (!job.push)
        return;
    r.bytesSent = job.push->transfer().bytesAcknowledged;
    r.seconds = job.push->transferSeconds();
    const FirmwareVerdict verdict = job.push->verdict();
    if (verdict == FirmwareVerdict::SentAndBack || verdict == FirmwareVerdict::SentNotBack)
        r.back = verdict == FirmwareVerdict::SentAndBack;
}

void FirmwareCommand::finish(Job& job, FirmwareReport::Result result, const std::string& text) {
    if (std::exchange(job.finished, true))
        return;
    fillReport(job);
    job.report.result = result;
    job.report.text = text;
    report(job);
    if (++m_finished < m_jobs.size() || m_interrupted)
        return;
    m_progress.stop();
    m_session.progress().clear();
    std::vector<FirmwareReport> reports;
    for (const Job& j : m_jobs)
        reports.push_back(j.report);
    Q_EMIT done(FirmwareExitCode(reports, !m_session.line().noWait));
}

void FirmwareCommand::report(const Job& job) {
    m_session.progress().clear();
    WriteOut(m_session.line().format == OutputFormat::Json
                 ? FirmwareJsonLine(job.report).toStdString()
                 : FirmwareLine(job.report));
}

void FirmwareCommand::drawProgress() {
    std::vector<std::string> lines;
    for (Job& job : m_jobs) {
        if (!job.push || job.finished)
            continue;
        fillReport(job);
        lines.push_back(FirmwareProgressLine(job.report, job.push->isWaitingForBoard()));
    }
    m_session.progress().show(lines);
}

void FirmwareCommand::stop() {
    m_interrupted = true;
    m_progress.stop();
    for (Job& job : m_jobs)
        if (job.push && !job.finished)
            job.push->cancel();
    std::vector<std::string> whole;
    for (const Job& job : m_jobs)
        if (job.push && job.push->transfer().result == TftpResult::Sent)
            whole.push_back(job.mac ? MacText(*job.mac) : Ipv4Text(*job.ip));
    std::string names;
    for (const std::string& name : whole)
        names += (names.empty() ? ": " : ", ") + name;
    m_session.progress().line("interrupted; the whole image reached " +
                              std::to_string(whole.size()) + " of " +
                              std::to_string(m_jobs.size()) + " boards" + names);
}

} // namespace quorvel
