#include "package_types.h"

namespace celvo::packagetype {

namespace {

constexpr u16view kTransitional = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr u16view kStrict = u"http://purl.oclc.org/ooxml/officeDocument/relationships/";

}  // namespace

bool isWorkbookType(u16view contentType) noexcept
{
    return contentType == kWorkbook ||
           contentType == u"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml" ||
           contentType == u"application/vnd.ms-excel.sheet.macroEnabled.main+xml" ||
           contentType == u"application/vnd.ms-excel.template.macroEnabled.main+xml" ||
           contentType == u"application/vnd.ms-excel.addin.macroEnabled.main+xml";
}

bool relTypeIs(u16view type, u16view word) noexcept
{
    for (u16view prefix : {kTransitional, kStrict})
        if (type.size() == prefix.size() + word.size() && type.substr(0, prefix.size()) == prefix &&
            type.substr(prefix.size()) == word)
            return true;
    return false;
}

u16string relType(u16view word)
{
    u16string type(kTransitional);
    type.append(word);
    return type;
}

}  // namespace celvo::packagetype
