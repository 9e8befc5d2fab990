#pragma once

#include <QtGlobal>

#include <array>

// The component's type information: its public members in the order of its interface slots,
// with the dispatch IDs and help texts that hosts reaching it through a dispatch interface see.
// Packwell carries the same IDs and texts as class info ("DispId:<member>",
// "Description:<member>") in its meta-object.
struct PackwellMember
{
    enum class Kind { Method, PropertyGet, PropertySet };

    int slot;
    const char *member;
    Kind kind;
    qint32 dispatchId;
    const char *description; // nullptr: the member has no help text
};

// The standard ID that makes a host's property browser offer a member as the about box.
inline constexpr qint32 kAboutBoxDispatchId = -552;

inline constexpr std::array<PackwellMember, 9> kPackwellInterface = { {
    { 1, "About", PackwellMember::Kind::Method, kAboutBoxDispatchId, nullptr },
    { 2, "CompressData", PackwellMember::Kind::Method, 0x60030002,
      "Compress a byte array or raw binary data." },
    { 3, "CompressString", PackwellMember::Kind::Method, 0x60030003,
      "Compresses a string. String may contain Null characters." },
    { 4, "DecompressData", PackwellMember::Kind::Method, 0x60030004,
      "Decompresses a compressed byte array or raw binary data." },
    { 5, "DecompressString", PackwellMember::Kind::Method, 0x60030005,
      "Decompresses a compressed string. String may contain Null characters." },
    { 6, "CompressedSize", PackwellMember::Kind::PropertyGet, 0x68030001,
      "Determine compressed size of last compressed data or string." },
    { 7, "CompressedSize", PackwellMember::Kind::PropertySet, 0x68030001, nullptr },
    { 8, "OriginalSize", PackwellMember::Kind::PropertyGet, 0x68030000,
      "Determines the original size of the last compressed data or string." },
    { 9, "OriginalSize", PackwellMember::Kind::PropertySet, 0x68030000, nullptr },
} };
