#include "SignalCleanup.h"

#include <cstring>
#include <unistd.h>

namespace {

sigset_t s_signals;
volatile sig_atomic_t s_folder = -1;
char s_name[4096];

} // namespace

SignalCleanup::SignalCleanup()
{
    sigemptyset(&s_signals);
    struct sigaction action = {};
    action.sa_handler = &SignalCleanup::stop;
    sigfillset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], nullptr, &m_previous[i]);
        if (m_previous[i].sa_handler == SIG_IGN)
            continue;
        sigaddset(&s_signals, kSignals[i]);
        sigaction(kSignals[i], &action, nullptr);
    }
}

SignalCleanup::~SignalCleanup()
{
    hold();
    s_folder = -1;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &m_previous[i], nullptr);
    sigprocmask(SIG_UNBLOCK, &s_signals, nullptr);
}

void SignalCleanup::hold()
{
    sigprocmask(SIG_BLOCK, &s_signals, nullptr);
}

void SignalCleanup::track(int folder, const QByteArray &name)
{
    // A name too long for the buffer cannot be a file's name anyway.
    const bool fits = folder >= 0 && size_t(name.size()) < sizeof s_name;
    if (fits)
        std::memcpy(s_name, name.constData(), size_t(name.size()) + 1);
    s_folder = fits ? folder : -1;
    m_filesMade += folder >= 0 ? 1 : 0;
    sigprocmask(SIG_UNBLOCK, &s_signals, nullptr);
}

void SignalCleanup::stop(int signal)
{
    if (s_folder >= 0)
        ::unlinkat(s_folder, s_name, 0);
    // Raised again with its default action; it arrives once unblocked, here, and ends us.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::raise(signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::_exit(128 + signal); // not reached
}
