#include "part_names.h"

#include <algorithm>
#include <vector>

namespace celvo {

namespace {

char16_t foldAscii(char16_t c) noexcept
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// The non-empty segments of a path between "/" or "\\" (views into it).
std::vector<u16view> segments(u16view path)
{
    std::vector<u16view> out;
    std::size_t at = 0;
    while (at <= path.size()) {
        std::size_t end = path.find_first_of(u"/\\", at);
        if (end == u16view::npos) end = path.size();
        if (end > at) out.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

}  // namespace

void normalizePartName(u16string& name)
{
    std::replace(name.begin(), name.end(), u'\\', u'/');
    if (!name.empty() && name.front() != u'/') name.insert(name.begin(), u'/');
}

u16string canonicalPartName(u16view name)
{
    // Most names are in that form already: "/" and segments of which none
    // is empty, "." or "..", no "\\".
    bool canonical = name.size() > 1 && name[0] == u'/' && name.back() != u'/';
    for (std::size_t i = 1; canonical && i < name.size(); ++i) {
        if (name[i] == u'\\') canonical = false;
        else if (name[i] == u'/' || i + 1 == name.size()) {
            const std::size_t end = name[i] == u'/' ? i : i + 1;
            const std::size_t begin = name.rfind(u'/', end - 1) + 1;
            const u16view segment = name.substr(begin, end - begin);
            canonical = !segment.empty() && segment != u"." && segment != u"..";
        }
    }
    return canonical ? u16string(name) : resolveTarget(u"/", name);
}

u16string partExtension(u16view name)
{
    const std::size_t dot = name.rfind(u'.');
    if (dot == u16view::npos || dot + 1 == name.size()) return u16string();
    return u16string(name.substr(dot + 1));
}

void splitPartName(u16view name, u16string& folder, u16string& file)
{
    const std::size_t slash = name.rfind(u'/');
    if (slash == u16view::npos) return;
    folder.assign(name.substr(0, slash));
    file.assign(name.substr(slash + 1));
}

u16string partDirectory(u16view name)
{
    u16string folder, file;
    splitPartName(name, folder, file);
    return folder;
}

int comparePartNames(u16view a, u16view b) noexcept
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = foldAscii(a[i]), y = foldAscii(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

u16string resolveTarget(u16view sourcePart, u16view target)
{
    const u16string folder = partDirectory(sourcePart);
    std::vector<u16view> path;
    if (target.empty() || (target.front() != u'/' && target.front() != u'\\')) path = segments(folder);
    for (u16view s : segments(target)) {
        if (s == u".") continue;
        if (s == u"..") {
            if (!path.empty()) path.pop_back();
            continue;
        }
        path.push_back(s);
    }
    u16string out;
    for (u16view s : path) {
        out += u'/';
        out.append(s);
    }
    return out.empty() ? u16string(u"/") : out;
}

u16string relativeTarget(u16view sourcePart, u16view part)
{
    const u16string folder = partDirectory(sourcePart);
    const std::vector<u16view> from = segments(folder);
    const std::vector<u16view> to = segments(part);
    // The folders both share; the file name of `part` is never shared.
    std::size_t common = 0;
    while (common < from.size() && common + 1 < to.size() && samePartName(from[common], to[common])) ++common;
    u16string out;
    for (std::size_t i = common; i < from.size(); ++i) out += u"../";
    for (std::size_t i = common; i < to.size(); ++i) {
        if (i > common) out += u'/';
        out.append(to[i]);
    }
    return out;
}

u16string relsPartName(u16view partName)
{
    u16string folder, file;
    splitPartName(partName, folder, file);
    return folder + u"/_rels/" + file + u".rels";
}

}  // namespace celvo
