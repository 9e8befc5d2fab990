#pragma once

#include <cerrno>

// Makes a system call again for as long as a signal interrupts it (EINTR), and gives the last
// result: the one place such calls are retried.
template<typename Call> auto retryInterrupted(Call call)
{
    decltype(call()) result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}
