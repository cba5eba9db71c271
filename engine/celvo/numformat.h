// Number-format ids as both file formats number them: 0 to 163 are built in,
// 164 and above name the book's custom formats.
#pragma once

#include "celvo/text.h"
#include "celvo/xlerror.h"

namespace celvo {

constexpr int kFirstCustomNumFormat = 164;

// Throws what SetFormatNumFormat reports for an id that a format can't take:
// one outside 0 to 65535 ("number format id is out of range"), or a custom id
// that the book does not hold (`held` false: "custom number format not
// found").
inline void checkNumFormatId(int id, bool held)
{
    if (id < 0 || id > 0xFFFF) throw xlerror("number format id is out of range");
    if (id >= kFirstCustomNumFormat && !held) throw xlerror("custom number format not found");
}

// Whether a built-in number format shows a date or a time: 1 for ids 14 to
// 22 and 45 to 47, 0 for 0 to 13, 37 to 44, 48 and 49, -1 for any other id,
// whose text (a custom format's) decides.
inline int builtInNumFormatIsDate(int id) noexcept
{
    if (id >= 0 && id <= 13) return 0;
    if (id >= 14 && id <= 22) return 1;
    if (id >= 37 && id <= 44) return 0;
    if (id >= 45 && id <= 47) return 1;
    if (id == 48 || id == 49) return 0;
    return -1;
}

// A number-format text shows a date or a time when one of the letters
// m d y h s (either case) stands outside square brackets.
inline bool numFormatTextIsDate(u16view text) noexcept
{
    bool inBracket = false;
    for (char16_t ch : text) {
        if (ch == u'[') {
            inBracket = true;
        } else if (ch == u']') {
            inBracket = false;
        } else if (!inBracket) {
            switch (ch) {
            case u'm': case u'd': case u'y': case u'h': case u's':
            case u'M': case u'D': case u'Y': case u'H': case u'S': return true;
            default: break;
            }
        }
    }
    return false;
}

}  // namespace celvo
