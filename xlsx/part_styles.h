// The styles part ("/xl/styles.xml"). Its document is held as its bytes
// until the styles binding takes its place.
#pragma once

#include <cstddef>

#include "part.h"
#include "part_raw_xml.h"

namespace celvo {

class Styles final : public XmlFile<RawXmlDocument> {
public:
    Styles(const char* data, std::size_t size) { load(data, size); }
};

}  // namespace celvo
