#include "platform/InterruptWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: the signal's number into the pipe.
extern "C" void onSignal(int signal)
{
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

InterruptWatcher::Reason reasonOf(int signal)
{
    switch (signal) {
    case SIGTERM:
        return InterruptWatcher::Reason::Terminate;
    case SIGHUP:
        return InterruptWatcher::Reason::HangUp;
    default:
        return InterruptWatcher::Reason::UserInterrupt;
    }
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(g_pipe[0], &byte, 1) == 1)
            Q_EMIT interrupted(++m_count, reasonOf(byte));
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

int InterruptWatcher::exitCode(Reason reason)
{
    switch (reason) {
    case Reason::Terminate:
        return 128 + SIGTERM;
    case Reason::HangUp:
        return 128 + SIGHUP;
    case Reason::UserInterrupt:
        break;
    }
    return 128 + SIGINT;
}

InterruptWatcher::~InterruptWatcher()
{
    for (const int signal : kSignals)
        ::signal(signal, SIG_DFL);
    delete m_notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace vantrel
