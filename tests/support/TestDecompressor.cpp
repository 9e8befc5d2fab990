#include "TestDecompressor.h"

#include "compress/PackwellCore.h"

#include <memory>

EntryWriter::Decompressor testDecompressor()
{
    auto packwell = std::make_shared<PackwellCore>();
    return [packwell](QByteArray &TheData, const qint32 &OrigSize) {
        return packwell->DecompressData(TheData, OrigSize);
    };
}
