// The book's pictures: the image parts of the package, numbered from 0;
// sheets place them by that number. A picture added is stored as a new
// image part under the workbook's media folder, its kind known by its
// content, never by a name.
#include <algorithm>
#include <set>

#include "book.h"
#include "celvo/file.h"
#include "celvo/picture_kind.h"
#include "part_content_types.h"

namespace celvo {

namespace {

PictureRecord recordOf(u16string partName, const PictureKind& kind)
{
    PictureRecord record;
    record.partName = std::move(partName);
    record.type = kind.type;
    record.width = kind.width;
    record.height = kind.height;
    return record;
}

// Part names in the order of their numbers: image2 before image10. Runs of
// digits compare by value, other characters as the part map orders them.
bool numberedBefore(u16view a, u16view b)
{
    auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei])) ++ei;
            while (ej < b.size() && digit(b[ej])) ++ej;
            u16view na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            while (na.size() > 1 && na[0] == u'0') na.remove_prefix(1);
            while (nb.size() > 1 && nb[0] == u'0') nb.remove_prefix(1);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei, j = ej;
            continue;
        }
        const int c = comparePartNames(a.substr(i, 1), b.substr(j, 1));
        if (c != 0) return c < 0;
        ++i, ++j;
    }
    if ((a.size() - i) != (b.size() - j)) return a.size() - i < b.size() - j;
    return comparePartNames(a, b) < 0;
}

// The part name without its extension, in lower case.
u16string stemOf(u16view name)
{
    const std::size_t dot = name.rfind(u'.');
    const std::size_t slash = name.rfind(u'/');
    u16string stem(dot != u16view::npos && (slash == u16view::npos || dot > slash) ? name.substr(0, dot) : name);
    for (char16_t& c : stem)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return stem;
}

}  // namespace

void XMLBookImplT::collectPictures(Package& pkg)
{
    pkg.pictures.clear();
    if (!pkg.contentTypes) return;
    for (const auto& entry : pkg.parts) {
        const auto* part = dynamic_cast<const BinaryFile*>(entry.second);
        if (!part || pkg.contentTypes->contentType(entry.first).compare(0, 6, u"image/") != 0) continue;
        pkg.pictures.push_back(recordOf(entry.first, pictureKind(part->bytes().data(), part->bytes().size())));
    }
    // Numbered as their names are, so that the pictures a book added keep
    // their ids through a save and a load.
    std::stable_sort(pkg.pictures.begin(), pkg.pictures.end(),
                     [](const PictureRecord& a, const PictureRecord& b) { return numberedBefore(a.partName, b.partName); });
}

const PictureRecord& XMLBookImplT::pictureRecord(int pictureId) const
{
    if (pictureId < 0 || static_cast<std::size_t>(pictureId) >= pkg_.pictures.size())
        throw xlerror("pictureId is out of range");
    return pkg_.pictures[static_cast<std::size_t>(pictureId)];
}

int XMLBookImplT::pictureCount()
{
    message_ = "ok";
    return static_cast<int>(pkg_.pictures.size());
}

int XMLBookImplT::getPicture(int index, const char** data, unsigned* size)
{
    return guard(message_, int(kPictureError), [&] {
        if (index < 0 || static_cast<std::size_t>(index) >= pkg_.pictures.size())
            throw xlerror("index is out of range");
        const PictureRecord& record = pkg_.pictures[static_cast<std::size_t>(index)];
        const auto* part = pkg_.parts.findAs<BinaryFile>(record.partName);
        if (!part) throw xlerror("picture not found");
        if (record.type == kPictureError) throw xlerror("unknown picture format");
        if (data) *data = reinterpret_cast<const char*>(part->bytes().data());
        if (size) *size = static_cast<unsigned>(part->bytes().size());
        return record.type;
    });
}

int XMLBookImplT::addPicture(const char16_t* filename)
{
    return guard(message_, -1, [&] {
        if (!filename) throw xlerror("can't open file");
        std::vector<std::uint8_t> bytes;
        if (!readWholeFile(pathToNative(u16(filename)), bytes)) throw xlerror("can't open file");
        return addPictureBytes(std::move(bytes));
    });
}

int XMLBookImplT::addPictureFromMemory(const char* data, unsigned size)
{
    return guard(message_, -1, [&] {
        if (!data || size == 0) throw xlerror("unknown picture format");
        const auto* p = reinterpret_cast<const std::uint8_t*>(data);
        return addPictureBytes(std::vector<std::uint8_t>(p, p + size));
    });
}

int XMLBookImplT::addPictureBytes(std::vector<std::uint8_t> bytes)
{
    // Everything is checked before the package changes.
    const PictureKind kind = pictureKind(bytes.data(), bytes.size());
    if (kind.type == kPictureError) throw xlerror("unknown picture format");
    if (bytes.size() > 0xFFFFFFFFu) throw xlerror("picture is too big");
    const u16view extension = pictureExtension(kind.type);
    const u16view contentType = pictureContentType(kind.type);
    pkg_.pictures.reserve(pkg_.pictures.size() + 1);
    // image N, N past the pictures there are and taken by no image of any
    // extension, so that the names number the pictures in their order.
    std::set<u16string> stems;
    for (const PictureRecord& p : pkg_.pictures) stems.insert(stemOf(p.partName));
    const u16string prefix = pkg_.workbookDir + u"/media/image";
    u16string name;
    for (std::size_t n = pkg_.pictures.size() + 1;; ++n) {
        const u16string stem = prefix + widenAscii(std::to_string(n));
        name = stem + u"." + u16string(extension);
        if (!stems.count(stemOf(name)) && !pkg_.parts.contains(name)) break;
    }
    pkg_.parts.insert(name, std::make_unique<BinaryFile>(std::move(bytes)));
    try {
        ContentTypes& types = contentTypes();
        const u16string declared = types.contentType(name);
        if (declared.empty())
            types.addDefault(extension, contentType);
        else if (declared != contentType)
            types.addOverride(name, contentType);
    } catch (...) {
        pkg_.parts.erase(name);
        throw;
    }
    pkg_.pictures.push_back(recordOf(name, kind));
    return static_cast<int>(pkg_.pictures.size() - 1);
}

}  // namespace celvo
