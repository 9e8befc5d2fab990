#pragma once

#include <stdexcept>
#include <string>

// The one error type the compression component raises. zlib's own result codes are returned by
// the operations, never raised; everything else that stops an operation is one of these kinds.
class PackwellError : public std::runtime_error
{
public:
    enum class Kind {
        // An empty byte array, a negative work capacity for an array, or an array result of no
        // elements.
        SubscriptOutOfRange,
        // A work capacity above 2,147,483,647, or an input longer than that.
        Overflow,
        // A negative work capacity for a string.
        InvalidArgument,
        // A buffer that cannot be allocated.
        OutOfMemory,
    };

    PackwellError(Kind kind, const std::string &detail);

    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};
