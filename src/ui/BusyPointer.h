#pragma once

// Shows the busy pointer over the whole application for as long as it lives, so every path out
// of a long command, failures included, restores the normal pointer.
class BusyPointer
{
public:
    BusyPointer();
    ~BusyPointer();

    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};
