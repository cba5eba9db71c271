#include "celvo/sheetname.h"

#include "celvo/xlerror.h"

namespace celvo {

bool replaceAll(u16string& text, const u16string& from, const u16string& to)
{
    if (text.empty() || from.empty()) return false;
    bool replaced = false;
    for (std::size_t at = text.find(from); at != u16string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
        replaced = true;
    }
    return replaced;
}

bool splitString(const u16string& text, const u16string& separators, u16string& before, u16string& after)
{
    const std::size_t at = text.find_first_of(separators);
    if (at == u16string::npos) return false;
    before = text.substr(0, at);
    after = text.substr(at + 1);
    return true;
}

u16string quoteSheetName(const u16string& name)
{
    if (name.find(u' ') == u16string::npos) return name;
    u16string quoted = name;
    replaceAll(quoted, u"'", u"''");
    return u"'" + quoted + u"'";
}

u16string unquoteSheetName(const u16string& text)
{
    u16string name = text;
    if (name.size() > 2 && name.front() == u'\'' && name.back() == u'\'') name = name.substr(1, name.size() - 2);
    replaceAll(name, u"''", u"'");
    return name;
}

u16string cutSheetName(u16view name, bool* cut)
{
    std::size_t n = name.size();
    *cut = n > 31;
    if (n > 31) {
        n = 31;
        // Keep a character outside the Basic Multilingual Plane whole.
        if (isHighSurrogate(name[30])) n = 30;
    }
    return u16string(name.substr(0, n));
}

void checkSheetName(u16view name)
{
    if (name.empty()) throw xlerror("sheet name can't be empty");
    if (name.find_first_of(u"[]:*?/\\") != u16view::npos)
        throw xlerror("sheet name can't contain [ ] : * ? / \\");
    if (name.front() == u'\'' || name.back() == u'\'') throw xlerror("sheet name can't begin or end with an apostrophe");
    // The applications keep this name for the change history of a shared
    // book, and some readers refuse a book that has a sheet of that name.
    if (equalNoCase(name, u"History")) throw xlerror("sheet name History is reserved");
}

}  // namespace celvo
