#include "core/host/TerminationSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_hangupReloads = 0;

void setHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kSignals)
        sigaction(signalNumber, &action, nullptr);
}

extern "C" void onSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    if (signalNumber != SIGHUP || !g_hangupReloads)
        setHandler(SIG_DFL);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (g_pipe[0] < 0 && pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    setHandler(onSignal);
}

TerminationSignals::~TerminationSignals() {
    if (m_notifier)
        setHandler(SIG_DFL);
}

void TerminationSignals::takeHangupAsReload() {
    g_hangupReloads = 1;
}

void TerminationSignals::readPipe() {
    unsigned char byte = 0;
    while (read(g_pipe[0], &byte, 1) == 1) {
        if (m_caught)
            continue;
        if (byte == SIGHUP && g_hangupReloads) {
            Q_EMIT reloadRequested();
            continue;
        }
        m_caught = byte;
        Q_EMIT received(m_caught);
    }
}

} // namespace quorvel
