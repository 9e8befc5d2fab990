#pragma once

#include <QByteArray>

// Told which file an entry is writing at each moment, so that a front end that may be stopped
// by a signal can remove it first: a new file, or the temporary file of a replacement, never
// the file that was there before.
class OutputTracker
{
public:
    virtual ~OutputTracker() = default;
    // Before a file is made or put in its place: until the next track(), the process must not
    // be stopped, or the file could be left without anyone knowing of it.
    virtual void hold() = 0;
    // The file now being written, name inside folder; folder -1 when there is none.
    virtual void track(int folder, const QByteArray &name) = 0;
};
