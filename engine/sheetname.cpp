#include "celvo/sheetname.h"

#include "celvo/xlerror.h"

namespace celvo {

u16string cutSheetName(u16view name, bool* cut)
{
    std::size_t n = name.size();
    *cut = n > kMaxSheetName;
    if (n > kMaxSheetName) {
        n = kMaxSheetName;
        if (name[n - 1] >= 0xD800 && name[n - 1] <= 0xDBFF) --n;
    }
    return u16string(name.substr(0, n));
}

void checkSheetName(u16view name)
{
    if (name.empty()) throw xlerror("sheet name can't be empty");
    if (name.find_first_of(u"[]:*?/\\") != u16view::npos)
        throw xlerror("sheet name can't contain [ ] : * ? / \\");
    if (name.front() == u'\'' || name.back() == u'\'') throw xlerror("sheet name can't begin or end with an apostrophe");
}

}  // namespace celvo
