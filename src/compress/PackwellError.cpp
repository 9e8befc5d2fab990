#include "PackwellError.h"

namespace {

std::string kindText(PackwellError::Kind kind)
{
    switch (kind) {
    case PackwellError::Kind::SubscriptOutOfRange:
        return "Subscript out of range";
    case PackwellError::Kind::Overflow:
        return "Overflow";
    case PackwellError::Kind::InvalidArgument:
        return "Invalid procedure call or argument";
    case PackwellError::Kind::OutOfMemory:
        return "Out of memory";
    }
    return "Packwell error";
}

} // namespace

PackwellError::PackwellError(Kind kind, const std::string &detail)
    : std::runtime_error(detail.empty() ? kindText(kind) : kindText(kind) + " (" + detail + ")")
    , m_kind(kind)
{ }
