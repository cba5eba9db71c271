// The ZIP reader on arbitrary bytes: the archive opened from memory, every
// entry's name read and every file entry extracted under small limits.
#include <cstddef>
#include <cstdint>

#include "ZipException.h"
#include "ZipPackage.h"
#include "celvo/xlerror.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    celvo::ZipLimits limits;
    limits.maxEntrySize = 16u << 20;
    limits.maxTotalSize = 64u << 20;
    try {
        celvo::ZipReader reader(data, size);
        std::uint64_t total = 0;
        for (std::uint32_t i = 0; i < reader.count(); ++i) {
            reader.name(i);
            if (reader.isDirectory(i)) continue;
            try {
                reader.extract(i, limits, total);
            } catch (const celvo::xlerror&) {
                // One bad entry: the others are still read.
            }
        }
    } catch (const celvo::xlerror&) {
    } catch (const CZipException&) {
    }
    return 0;
}
