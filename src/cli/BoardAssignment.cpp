#include "BoardAssignment.h"

#include "CliSession.h"
#include "core/exchange/AssignExchange.h"
#include "protocol/AssignDatagrams.h"

#include <QTimer>
#include <algorithm>
#include <utility>

namespace quorvel {

BoardAssignment::BoardAssignment(CliSession& session, const DeviceRecord& board, const PlanRow& row,
                                 QObject* parent)
    : QObject(parent), m_session(session), m_row(row), m_board(board), m_mac(MacText(row.mac)),
      m_exchange(std::make_unique<AssignExchange>(session.dispatch(), board)) {
    connect(m_exchange.get(), &AssignExchange::countdownChanged, this, [this](int countdown) {
        if (m_exchange->outcome() == AssignOutcome::Running)
            m_session.progress().show("assigning " + m_mac + ": " +
                                      std::to_string(countdown / 1000) + " s left");
    });
    // A verdict, a time-out, or a reply whose code the dialog shows nothing
    // for (it only stops the countdown): each ends this assignment.
    connect(m_exchange.get(), &AssignExchange::ended, this, &BoardAssignment::ended);
    connect(m_exchange.get(), &AssignExchange::replyReceived, this, &BoardAssignment::ended);
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
        fields.ip = m_board.ip;
        fields.subnetMask = m_board.subnetMask;
        fields.gateway = m_board.gateway;
    } else {
        fields.ip = m_row.ip;
        fields.subnetMask = m_row.mask;
        fields.gateway = m_row.gateway;
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
    std::string text = m_exchange->statusText().toStdString();
    RowVerdict verdict = RowVerdict::TimedOut;
    switch (m_exchange->outcome()) {
    case AssignOutcome::Programmed:
        verdict = RowVerdict::Programmed;
        break;
    case AssignOutcome::Refused:
        verdict = RowVerdict::Refused;
        break;
    case AssignOutcome::NoAnswer:
        break;
    case AssignOutcome::Running:
        // A reply code the dialog shows nothing for: it only stopped the
        // countdown, but for a script it is the board's answer.
        if (const auto code = m_exchange->replyCode()) {
            verdict = RowVerdict::Refused;
            text = "Failure -- the board answered with result code " + std::to_string(*code);
        }
        break;
    }
    Q_EMIT finished(verdict, text);
}

} // namespace quorvel
