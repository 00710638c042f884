#include "readguard.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csetjmp>
#include <csignal>
#include <mutex>
#endif

namespace ReadGuard {

#ifdef Q_OS_UNIX

namespace {

thread_local sigjmp_buf *t_landing = nullptr;
struct sigaction g_previous;

void onBusError(int signal, siginfo_t *info, void *context)
{
    if (sigjmp_buf *landing = t_landing) {
        t_landing = nullptr;
        siglongjmp(*landing, 1);
    }
    // Not a guarded read: whoever had the signal before decides.
    if (g_previous.sa_flags & SA_SIGINFO) {
        g_previous.sa_sigaction(signal, info, context);
    } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(signal);
    } else {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

void install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action = {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &g_previous);
    });
}

} // namespace

bool available()
{
    return true;
}

bool run(void (*code)(void *context), void *context)
{
    install();
    sigjmp_buf landing;
    // The signal mask is saved and restored, so SIGBUS is not left blocked.
    if (sigsetjmp(landing, 1) != 0)
        return false;
    t_landing = &landing;
    code(context);
    t_landing = nullptr;
    return true;
}

#else

bool available()
{
    return false;
}

bool run(void (*code)(void *context), void *context)
{
    code(context);
    return true;
}

#endif

} // namespace ReadGuard
