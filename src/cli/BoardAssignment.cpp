#include "BoardAssignment.h"

#include "CliSession.h"
#include "core/AssignExchange.h"
#include "protocol/AssignDatagrams.h"

#include <QTimer>
#include <algorithm>
#include <utility>

namespace quorvel {

BoardAssignment::BoardAssignment(CliSession& session, const DeviceRecord& board, const PlanRow& row,
                                 QObject* parent)
    : QObject(parent), m_session(session), m_row(row), m_board(board),
      m_mac(MacAddressText(row.mac)),
      m_exchange(std::make_unique<AssignExchange>(session.dispatch(), board)) {
    connect(m_exchange.get(), &AssignExchange::countdownChanged, this, [this](int countdown) {
        if (!m_exchange->finished && !m_exchange->timedOut)
            m_session.progress().show("assigning " + m_mac + ": " +
                                      std::to_string(countdown / 1000) + " s left");
    });
    // A verdict, a time-out, or a reply whose code the dialog shows nothing
    // for (it only stops the countdown): each ends this assignment.
    connect(m_exchange.get(), &AssignExchange::assignmentEnded, this, &BoardAssignment::ended);
    connect(m_exchange.get(), &AssignExchange::replyReceived, this, [this](int code) {
        m_code = code;
        ended();
    });
}

BoardAssignment::~BoardAssignment() = default;

void BoardAssignment::start() {
    m_exchange->open();
    m_exchange->setHostSteps(!m_session.line().noPing);
    m_exchange->setRepeat(m_session.line().repeat);
    m_exchange->setCloseOnSuccess(true);
    m_exchange->setIgnoreSearchReplies(true);
    AssignParameters fields;
    fields.useDhcp = m_row.dhcp;
    if (m_row.dhcp) {
        // As the dialog: the board's present addresses ride along, and the
        // neighbour entry and the ping use them (none when it was not heard).
        std::copy(std::begin(m_board.ip), std::end(m_board.ip), fields.ip);
        std::copy(std::begin(m_board.subnetMask), std::end(m_board.subnetMask), fields.subnetMask);
        std::copy(std::begin(m_board.gateway), std::end(m_board.gateway), fields.gateway);
    } else {
        std::copy(m_row.ip.begin(), m_row.ip.end(), fields.ip);
        std::copy(m_row.mask.begin(), m_row.mask.end(), fields.subnetMask);
        std::copy(m_row.gateway.begin(), m_row.gateway.end(), fields.gateway);
    }
    m_exchange->start(fields);
}

void BoardAssignment::stop() {
    m_ending = true;
    m_exchange->close();
    m_session.progress().clear();
}

void BoardAssignment::ended() {
    // Concluded from the event loop, once the exchange has finished handling
    // the reply (its status text and its own closing come after the signal).
    if (!std::exchange(m_ending, true))
        QTimer::singleShot(0, this, &BoardAssignment::conclude);
}

void BoardAssignment::conclude() {
    m_exchange->close();
    m_session.progress().clear();
    RowVerdict verdict = RowVerdict::TimedOut;
    std::string text = m_exchange->statusText.toStdString();
    if (m_code) {
        verdict = *m_code == Programmed ? RowVerdict::Programmed : RowVerdict::Refused;
        if (!AssignResultText(std::uint8_t(*m_code)))
            text = "Failure -- the board answered with result code " + std::to_string(*m_code);
    }
    Q_EMIT finished(verdict, text);
}

} // namespace quorvel
