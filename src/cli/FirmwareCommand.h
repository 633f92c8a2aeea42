#pragma once

#include "BoardSearch.h"
#include "FirmwareOutput.h"
#include "core/firmware/BoardReturnWatch.h"
#include "core/firmware/FirmwareImage.h"
#include "core/firmware/FirmwarePush.h"
#include "core/net/SocketDispatch.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

namespace quorvel {

class CliSession;

// `quorvel firmware BOARD --file IMAGE` and `quorvel firmware --plan FILE`:
// every image read and checked before anything is sent, one search to find
// the boards, then up to --parallel transfers at a time, each on a socket of
// its own; a board that got its image is waited for on one more socket while
// the next transfer starts. A failed board never stops the others.
class FirmwareCommand : public QObject {
    Q_OBJECT
public:
    explicit FirmwareCommand(CliSession& session, QObject* parent = nullptr);
    ~FirmwareCommand() override;

    // Reads the plan and the images; false with the exit code when nothing
    // is to be sent.
    bool prepare(int& exitCode);
    void start();
    // Interrupted: every transfer stops, and the boards that got a whole
    // image are named.
    void stop();

Q_SIGNALS:
    void done(int exitCode);

private:
    struct Job {
        std::optional<MacAddress> mac;
        std::optional<Ipv4Address> ip;
        std::string file;
        QByteArray image;
        FirmwareTarget target;
        std::unique_ptr<FirmwarePush> push;
        bool transferring = false;
        bool finished = false;
        FirmwareReport report;
    };

    bool addJob(const std::optional<MacAddress>& mac, const std::optional<Ipv4Address>& ip,
                const QString& path, const std::string& where);
    bool isFound(const Job& job, const DeviceRecord& record) const;
    void boardsSearched();
    void launch();
    void transferEnded(Job& job);
    void finish(Job& job, FirmwareReport::Result result, const std::string& text);
    void report(const Job& job);
    void drawProgress();
    void fillReport(Job& job) const;

    CliSession& m_session;
    FirmwareImages m_images; // each file read once, however many boards take it
    std::vector<Job> m_jobs;
    std::unique_ptr<BoardSearch> m_search;
    SocketDispatch m_watchDispatch;
    std::unique_ptr<BoardReturnWatch> m_watch;
    std::size_t m_next = 0;
    int m_transferring = 0;
    std::size_t m_finished = 0;
    bool m_interrupted = false;
    QTimer m_progress;
};

} // namespace quorvel
