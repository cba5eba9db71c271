// Number-format ids as both file formats number them: 0 to 163 are built in,
// 164 and above name the book's custom formats.
#pragma once

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

}  // namespace celvo
