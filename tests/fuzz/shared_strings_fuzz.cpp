// The shared-strings part on arbitrary documents: the round trip of its
// root (root_roundtrip.h).
#include <cstddef>
#include <cstdint>

#include "ooxml/sml-sharedStringTable.h"
#include "root_roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::rootRoundTrip<sharedStringTable::c_sst>("shared_strings_fuzz", reinterpret_cast<const char*>(data), size);
    return 0;
}
