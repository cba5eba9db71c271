// The drawing part of a sheet on arbitrary documents: the round trip of its
// root (root_roundtrip.h).
#include <cstddef>
#include <cstdint>

#include "ooxml/dml-spreadsheetDrawing3.h"
#include "root_roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::rootRoundTrip<drawing::c_wsDr>("drawing_fuzz", reinterpret_cast<const char*>(data), size);
    return 0;
}
