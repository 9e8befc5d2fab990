#pragma once

#include "fs/OutputTracker.h"

#include <csignal>
#include <iterator>

// Removes the file being written (an extracted entry, or the archive create is writing) when
// SIGINT, SIGTERM, SIGHUP, SIGQUIT or SIGPIPE stops the command, then lets the signal end the
// process as it would have without the handler: a shell then sees the command was stopped and ends
// a loop around it too. A signal ignored at the start (nohup) stays ignored. What the handler needs
// lies in plain static storage, set while the signals are blocked, so it only calls what a handler
// may. One at a time: the handlers are the process's own while it lives.
class SignalCleanup : public OutputTracker
{
public:
    SignalCleanup();
    ~SignalCleanup() override;
    SignalCleanup(const SignalCleanup &) = delete;
    SignalCleanup &operator=(const SignalCleanup &) = delete;

    void hold() override;
    void track(int folder, const QByteArray &name) override;
    // How many files were made so far.
    qint64 filesMade() const { return m_filesMade; }

private:
    static void stop(int signal);

    static constexpr int kSignals[] = { SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE };
    struct sigaction m_previous[std::size(kSignals)];
    qint64 m_filesMade = 0;
};
