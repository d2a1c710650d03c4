#include "interrupt_watch.h"

#include "cli_context.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace orv::cli {

namespace {

// Where the signal handler writes; one watch at a time.
int interruptPipe[2] = {-1, -1};

void handleInterrupt(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(interruptPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

InterruptWatch::InterruptWatch(CliContext &c, std::function<void()> stop, std::function<void()> end, int exitCode)
    : m_c(c)
    , m_stop(std::move(stop))
    , m_end(std::move(end))
    , m_exitCode(exitCode)
{
    if (::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { handleActivated(); });
    struct sigaction action = {};
    action.sa_handler = handleInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &m_previous);
}

InterruptWatch::~InterruptWatch()
{
    if (!m_notifier)
        return;
    ::sigaction(SIGINT, &m_previous, nullptr);
    m_notifier.reset();
    ::close(interruptPipe[0]);
    ::close(interruptPipe[1]);
    interruptPipe[0] = interruptPipe[1] = -1;
}

void InterruptWatch::handleActivated()
{
    char byte = 0;
    while (::read(interruptPipe[0], &byte, 1) == 1) {
        if (++m_count == 1) {
            m_stop();
            continue;
        }
        m_end();
        m_c.out.flush();
        m_c.err.flush();
        std::fflush(nullptr);
        std::_Exit(m_exitCode);
    }
}

} // namespace orv::cli
