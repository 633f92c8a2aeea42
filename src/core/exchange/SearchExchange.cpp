#include "core/exchange/SearchExchange.h"

#include "core/exchange/Countdown.h"
#include "core/exchange/DeviceTable.h"
#include "core/messages/Messages.h"
#include "protocol/RandomNumber.h"
#include "protocol/SearchDatagrams.h"

#include <cerrno>

namespace quorvel {

namespace {

// The moments of a run, as the countdown's milliseconds left, at which the
// request goes out again with the same number.
// Two seconds apart, so a board that missed the first broadcast (a full
// queue, a link still coming up) hears one of these and is listed early.
constexpr int kFirstRepeatAt = 8000;
constexpr int kSecondRepeatAt = 6000;
// From halfway, once a second while nothing has answered: an empty list is
// more often a lost request than an empty segment, and the repeats stop as
// soon as one board is listed.
constexpr int kRepeatWhileNothingFoundFrom = 5000;
constexpr int kRepeatWhileNothingFoundEvery = 1000;

bool isRepeatWhileNothingFound(int countdown) {
    return countdown > 0 && countdown <= kRepeatWhileNothingFoundFrom &&
           countdown % kRepeatWhileNothingFoundEvery == 0;
}

} // namespace

SearchExchange::SearchExchange(SocketDispatch& dispatch, const RemotePortList& ports,
                               DeviceTable& table, QObject* parent)
    : QObject(parent), m_dispatch(dispatch), m_ports(ports), m_table(table) {
    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &SearchExchange::OnTimer);
    m_showFound.setSingleShot(true);
    m_showFound.setInterval(0);
    connect(&m_showFound, &QTimer::timeout, this, &SearchExchange::showFound);
}

SearchExchange::~SearchExchange() {
    m_timer.stop();
    m_dispatch.forget(this);
    // Boards read just before the run ended are listed all the same.
    m_table.ShowAppendedRecords();
}

void SearchExchange::start() {
    m_dispatch.claim(ExchangeSearch, this);
    m_sendAborted = false;
    m_countdown = kCountdownFull;
    m_tickCount = 0;
    m_run.foundCount = 0;
    m_timer.start();
}

void SearchExchange::stop() {
    // A closed run must not tick on (and send) while an outer message box
    // keeps the event loop turning before the modal run returns.
    m_timer.stop();
    m_dispatch.release(this);
}

void SearchExchange::OnTimer() {
    if (m_tickCount == 0)
        SendNewSearch();
    m_countdown = StepCountdown(m_countdown, kCountdownStep, kCountdownFull);
    Q_EMIT countdownChanged(m_countdown);
    if (m_countdown == 0 && !m_repeat) {
        m_timer.stop();
        Q_EMIT ranOut();
        if (m_autoClose) {
            stop();
            Q_EMIT ended(true);
        }
    }
    if (m_countdown == kFirstRepeatAt || m_countdown == kSecondRepeatAt)
        RepeatSearch();
    else if (isRepeatWhileNothingFound(m_countdown) && m_run.foundCount == 0)
        RepeatSearch();
    else
        ++m_tickCount;
}

void SearchExchange::SendNewSearch() {
    m_run.randomNumber = NewRandomNumber();
    sendToEveryPort();
}

void SearchExchange::RepeatSearch() {
    sendToEveryPort();
}

void SearchExchange::sendToEveryPort() {
    if (!m_run.randomNumber)
        return;
    const auto request = BuildSearchRequest(*m_run.randomNumber);
    for (std::uint32_t i = 0; i < m_ports.count(); ++i) {
        if (m_sendAborted)
            return;
        DatagramSocket* socket = m_dispatch.socket();
        const auto port = static_cast<std::uint16_t>(m_ports.remotePorts[i]);
        const int error = socket ? socket->sendTo(request, m_target, port) : EBADF;
        // A target beyond a router that cannot be reached is no reason to
        // end the run on the links that work.
        for (const std::uint32_t target : m_extraTargets)
            if (socket)
                socket->sendTo(request, target, port);
        if (error == 0)
            continue;
        m_sendAborted = true;
        ReportMessage(tr("Error Code: %1. Unable To Send Packet. Please Check Network Connection.")
                          .arg(error));
        stop();
        Q_EMIT ended(false);
        return;
    }
}

void SearchExchange::HandleSearchReply() {
    DatagramSocket* socket = m_dispatch.socket();
    if (!socket)
        return;
    const SearchReplyOutcome outcome = HandleSearchDatagram(*socket, m_table, m_run);
    if (outcome.labelsChanged)
        Q_EMIT columnLabelsChanged(QString::fromStdString(m_run.labels->first),
                                   QString::fromStdString(m_run.labels->second));
    if (outcome.added && !m_showFound.isActive())
        m_showFound.start();
    // Laying out the list and showing the count again for each of thousands
    // of replies would cost more than the rest of the reply: both are done
    // once the waiting replies are read, when the socket pauses for the event
    // loop, or at the event loop's next turn, whichever comes first.
    if (!m_showFound.isActive() || socket->hasPendingDatagram())
        return;
    showFound();
}

void SearchExchange::RepliesPaused() {
    if (m_showFound.isActive())
        showFound();
}

void SearchExchange::showFound() {
    m_showFound.stop();
    m_table.ShowAppendedRecords();
    Q_EMIT foundCountChanged(m_run.foundCount);
}

} // namespace quorvel
