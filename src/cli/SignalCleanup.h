#pragma once

#include "extract/OutputTracker.h"

#include <csignal>
#include <iterator>

// Removes the file being written when SIGINT, SIGTERM or SIGHUP stops an extraction, then
// exits with 128 + the signal's number. What the handler needs lies in plain static storage,
// set while the signals are blocked, so it only calls what a handler may. One at a time: the
// handlers are the process's own while it lives.
class SignalCleanup : public OutputTracker
{
public:
    SignalCleanup();
    ~SignalCleanup() override;
    SignalCleanup(const SignalCleanup &) = delete;
    SignalCleanup &operator=(const SignalCleanup &) = delete;

    void hold() override;
    void track(int folder, const QByteArray &name) override;

private:
    static void stop(int signal);

    static constexpr int kSignals[] = { SIGINT, SIGTERM, SIGHUP };
    struct sigaction m_previous[std::size(kSignals)];
};
