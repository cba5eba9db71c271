// The shared-strings part ("/xl/sharedStrings.xml"). Its document is held
// as its bytes until the shared-strings binding takes its place.
#pragma once

#include <cstddef>

#include "part.h"
#include "part_raw_xml.h"

namespace celvo {

class SharedStrings final : public XmlFile<RawXmlDocument> {
public:
    SharedStrings(const char* data, std::size_t size) { load(data, size); }
};

}  // namespace celvo
