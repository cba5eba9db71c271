// Content types and relationship types of the parts a .xlsx book knows.
#pragma once

#include "celvo/text.h"

namespace celvo::packagetype {

// Content types.
inline constexpr char16_t kRelationships[] = u"application/vnd.openxmlformats-package.relationships+xml";
inline constexpr char16_t kXml[] = u"application/xml";
inline constexpr char16_t kWorkbook[] = u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr char16_t kWorksheet[] = u"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr char16_t kSharedStrings[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
inline constexpr char16_t kStyles[] = u"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr char16_t kDrawing[] = u"application/vnd.openxmlformats-officedocument.drawing+xml";
inline constexpr char16_t kCalcChain[] = u"application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml";

// The content type of a workbook part: the plain workbook, the template and
// their macro-enabled kinds (whose other parts, the macros among them, are
// kept as they are).
bool isWorkbookType(u16view contentType) noexcept;

// Relationship types are full URIs; a type is known by its last word
// ("worksheet", "styles", "calcChain") under the prefix of either edition
// of the format.
bool relTypeIs(u16view type, u16view word) noexcept;
// The type URI of a word, for relationships this book adds.
u16string relType(u16view word);

}  // namespace celvo::packagetype
