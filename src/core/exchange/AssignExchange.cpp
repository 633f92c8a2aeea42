#include "core/exchange/AssignExchange.h"

#include "core/exchange/Countdown.h"
#include "core/host/HostCommands.h"
#include "core/messages/Messages.h"
#include "core/net/NetworkInterfaces.h"
#include "protocol/RandomNumber.h"
#include "protocol/SearchDatagrams.h"

#include <algorithm>

namespace quorvel {

namespace {

QString secondsRemaining(int countdown) {
    return AssignExchange::tr("%1 seconds remaining").arg(countdown / 1000);
}

} // namespace

AssignExchange::AssignExchange(SocketDispatch& dispatch, std::optional<DeviceRecord> board,
                               QObject* parent)
    : QObject(parent), m_dispatch(dispatch), m_board(std::move(board)) {
    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &AssignExchange::OnTimer);
}

AssignExchange::~AssignExchange() {
    m_timer.stop();
    m_dispatch.forget(this);
}

void AssignExchange::open() {
    m_dispatch.claim(ExchangeAssign, this);
    setCountdown(kCountdownTop);
    m_outcome = AssignOutcome::Running;
    m_replyCode.reset();
    setStatus(QString::asprintf("%i seconds remaining", 10));
}

void AssignExchange::close() {
    m_timer.stop();
    m_dispatch.release(this);
    m_neighbours.removeAll();
}

std::optional<AddressClash> AssignExchange::addressClash(const Ipv4Address& ip) const {
    HostCommandRunner* runner = CurrentHostCommandRunner();
    if (!runner)
        return std::nullopt;
    return FindAddressClash(ip, m_board ? m_board->mac : MacAddress{}, runner->hostAddressFacts());
}

void AssignExchange::start(const AssignParameters& fields) {
    buildRequest(fields);
    m_hostStepsNow = m_hostSteps;
    if (m_hostSteps)
        if (const auto clash = addressClash(fields.ip); !HostStepsAllowed(clash, fields.useDhcp)) {
            m_hostStepsNow = false;
            m_neighbours.say(
                QStringLiteral("no neighbour entry and no ping for this assignment: %1")
                    .arg(AddressClashText(fields.ip, *clash)));
        }
    if (m_hostStepsNow)
        m_neighbours.flush(fields.ip, QString::fromStdString(InterfaceName(m_interfaceIndex)));
    m_timer.start();
}

void AssignExchange::buildRequest(const AssignParameters& fields) {
    AssignParameters params = fields;
    params.mac = {};
    randomNumber = DrawRandom15();
    if (m_board) {
        params.mac = m_board->mac;
        m_replyPort = m_board->replyPort;
        m_interfaceIndex = m_board->interfaceIndex;
    } else {
        ReportMessage(tr("Cell not selected"));
    }
    requestBuffer = BuildAssignRequest(params, randomNumber);
    m_requestBuilt = true;
}

void AssignExchange::sendRequest() {
    DatagramSocket* socket = m_dispatch.socket();
    if (!socket)
        return;
    const int error = socket->sendTo(requestBuffer, kBroadcastAddress, m_replyPort);
    if (error != 0)
        ReportMessage(tr("%1 Unable To Send").arg(error));
}

void AssignExchange::OnTimer() {
    if (!m_timer.isActive())
        return;
    setCountdown(StepCountdown(countdown, kCountdownStep, kCountdownTop));
    // A send failure opens a box whose loop runs further ticks; the rest of
    // this tick belongs to this countdown value.
    const int now = countdown;
    setStatus(secondsRemaining(now));

    const Ipv4Address ip = {requestBuffer[4], requestBuffer[5], requestBuffer[6], requestBuffer[7]};
    const MacAddress mac = {requestBuffer[16], requestBuffer[17], requestBuffer[18],
                            requestBuffer[19], requestBuffer[20], requestBuffer[21]};
    const bool gleaning = m_pingGleaning && m_hostStepsNow;
    const QString link = QString::fromStdString(InterfaceName(m_interfaceIndex));
    if (now == 0 && !m_repeat) {
        m_timer.stop();
        setStatus(tr("Timeout -- Did not receive an acknowlegement"));
        end(AssignOutcome::NoAnswer);
    } else if (now == 9500) {
        if (m_hostStepsNow)
            m_neighbours.add(ip, mac, link);
    } else if (now == 9000) {
        // 0.0.0.0 (DHCP without a known address) would ping this host.
        if (gleaning && (ip[0] | ip[1] | ip[2] | ip[3]) != 0)
            HostCommands::run(HostCommands::ping(ip, link));
        else
            sendRequest();
    }
    if (now == 8000 && gleaning)
        sendRequest();
}

void AssignExchange::HandleAssignReply() {
    DatagramSocket* socket = m_dispatch.socket();
    if (!socket)
        return;
    ReceiveBuffer buffer;
    const ReadBytes datagram = buffer.read(*socket);
    const AssignClassification verdict = ClassifyAssignDatagram(
        datagram, m_requestBuilt ? std::optional<std::uint16_t>(randomNumber) : std::nullopt);
    switch (verdict.kind) {
    case AssignDatagramKind::ReadError:
        ReportIgnoredDatagram(tr("Error receiving data"));
        return;
    case AssignDatagramKind::NotReply:
        if (m_ignoreSearchReplies && datagram->size() >= kSearchReplyFixedSize &&
            (*datagram)[0] == SearchReplyType)
            return;
        ReportIgnoredDatagram(tr("Invalid Assign Packet Received"));
        return;
    case AssignDatagramKind::Reply:
        break;
    }
    m_timer.stop();
    m_replyCode = verdict.result;
    Q_EMIT replyReceived(verdict.result);
    const char* text = AssignResultText(verdict.result);
    if (!text)
        return;
    setStatus(QString::fromUtf8(text));
    end(verdict.result == Programmed ? AssignOutcome::Programmed : AssignOutcome::Refused);
    if (verdict.result == Programmed && m_closeOnSuccess) {
        close();
        Q_EMIT closeRequested();
    }
}

void AssignExchange::end(AssignOutcome outcome) {
    m_outcome = outcome;
    Q_EMIT ended(outcome);
}

void AssignExchange::setStatus(const QString& text) {
    m_statusText = text;
    Q_EMIT statusChanged(m_statusText);
}

void AssignExchange::setCountdown(int value) {
    countdown = value;
    Q_EMIT countdownChanged(countdown);
}

} // namespace quorvel
