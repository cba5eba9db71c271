// A .xlsx package changed at the level of its structure, not its bytes: the
// custom mutator unpacks the package, changes what it says of itself
// (relationships: their type, target, Id and number; the content types'
// Overrides and Defaults; entry names: separators, a leading slash, letter
// case, dots; parts duplicated, dropped or swapped; the sheet list's Ids)
// and packs it again. Each input is then loaded from memory, every cell
// read, the book saved to memory and loaded again, and the two readings
// compared.
//
// A run fails on a crash or a sanitizer report, on a refusal or a failed
// save without a message, on a save that answers true but whose package is
// refused or reads otherwise, and on a save that takes far longer than the
// load did (a path quadratic in the relationships, overrides or parts).
//
// The input is a package as it is ("PK...", the corpus files), or its
// entries in the text form of xlsx_book_fuzz.cpp, which the mutator writes:
// each entry begins at a line "%%<entry name>" and runs to the newline
// before the next such line. The entries are packed stored, under their
// names exactly as written.
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ZipPackage.h"
#include "book_cells.h"
#include "celvo/factory.h"
#include "celvo/text.h"
#include "zip_forge.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

struct Entry {
    std::string name;
    std::string data;
};

// ---- the two forms of an input ---------------------------------------------

std::vector<Entry> fromText(std::string_view text)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = text.find("%%"); at != std::string_view::npos; at = text.find("%%", at + 2))
        if (at == 0 || text[at - 1] == '\n') starts.push_back(at);
    std::vector<Entry> out;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t head = starts[k] + 2;
        const std::size_t eol = text.find('\n', head);
        const std::size_t end = k + 1 < starts.size() ? starts[k + 1] - 1 : text.size();
        if (eol == std::string_view::npos || eol > end) continue;
        out.push_back({std::string(text.substr(head, eol - head)), std::string(text.substr(eol + 1, end - eol - 1))});
    }
    return out;
}

std::string toText(const std::vector<Entry>& entries)
{
    std::string out;
    for (const Entry& e : entries) {
        if (!out.empty()) out += '\n';
        out += "%%" + e.name + "\n" + e.data;
    }
    return out;
}

// The entries of an input: unpacked from a package, or read from the text
// form; empty when it is neither.
std::vector<Entry> entriesOf(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.substr(0, 2) != "PK") return fromText(input);
    std::vector<Entry> out;
    try {
        celvo::ZipLimits limits;
        limits.maxEntrySize = 16u << 20;
        limits.maxTotalSize = 32u << 20;
        for (const auto& e : celvo::readZipPackage(data, size, limits))
            out.push_back({celvo::utf16ToUtf8(e.name), std::string(e.data.begin(), e.data.end())});
    } catch (...) {
        out.clear();
    }
    return out;
}

// ---- structural mutations --------------------------------------------------

class Mutator {
public:
    Mutator(std::vector<Entry>& entries, unsigned seed) : e_(entries), rng_(seed) {}

    void mutate()
    {
        const unsigned steps = 1 + below(3);
        for (unsigned i = 0; i < steps; ++i) {
            switch (below(9)) {
            case 0:
            case 1:
            case 2: relationship(); break;
            case 3:
            case 4: contentType(); break;
            case 5: entryName(); break;
            case 6: partItself(); break;
            case 7: sheetList(); break;
            default: addRelationships(); break;
            }
        }
    }

private:
    unsigned below(unsigned n) { return n == 0 ? 0 : static_cast<unsigned>(rng_() % n); }
    bool chance(unsigned percent) { return below(100) < percent; }
    template <class T>
    const T& pick(const std::vector<T>& items)
    {
        return items[below(static_cast<unsigned>(items.size()))];
    }

    static bool endsWith(std::string_view s, std::string_view tail)
    {
        return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
    }
    static std::string lower(std::string s)
    {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    }
    std::vector<std::size_t> where(bool (*test)(const std::string&))
    {
        std::vector<std::size_t> out;
        for (std::size_t i = 0; i < e_.size(); ++i)
            if (test(e_[i].name)) out.push_back(i);
        return out;
    }
    static bool isRels(const std::string& n) { return endsWith(lower(n), ".rels"); }
    static bool isTypes(const std::string& n) { return lower(n).find("content_types") != std::string::npos; }
    static bool isWorkbook(const std::string& n) { return endsWith(lower(n), "workbook.xml"); }

    // The elements of a kind in a part: [begin, end) of each.
    static std::vector<std::pair<std::size_t, std::size_t>> elements(const std::string& xml, std::string_view tag)
    {
        std::vector<std::pair<std::size_t, std::size_t>> out;
        const std::string open = "<" + std::string(tag);
        for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
            const char after = at + open.size() < xml.size() ? xml[at + open.size()] : '\0';
            if (after != ' ' && after != '/' && after != '>' && after != '\t' && after != '\n' && after != '\r') continue;
            const std::size_t end = xml.find('>', at);
            if (end == std::string::npos) break;
            out.emplace_back(at, end + 1);
        }
        return out;
    }

    // Sets (or adds) an attribute of the element at [begin, end); returns
    // the new end.
    static std::size_t setAttribute(std::string& xml, std::size_t begin, std::size_t end, std::string_view name,
                                    const std::string& value)
    {
        const std::string key = " " + std::string(name) + "=\"";
        const std::size_t at = xml.find(key, begin);
        if (at != std::string::npos && at < end) {
            const std::size_t from = at + key.size();
            const std::size_t to = xml.find('"', from);
            if (to != std::string::npos && to < end) {
                xml.replace(from, to - from, value);
                return end + value.size() - (to - from);
            }
        }
        const std::size_t close = xml[end - 2] == '/' ? end - 2 : end - 1;
        const std::string text = key + value + "\"";
        xml.insert(close, text);
        return end + text.size();
    }

    static std::string attribute(const std::string& xml, std::size_t begin, std::size_t end, std::string_view name)
    {
        const std::string key = " " + std::string(name) + "=\"";
        const std::size_t at = xml.find(key, begin);
        if (at == std::string::npos || at >= end) return "";
        const std::size_t from = at + key.size();
        const std::size_t to = xml.find('"', from);
        return to == std::string::npos || to >= end ? "" : xml.substr(from, to - from);
    }

    // A name for a part: one of the package's in some form, or another.
    std::string partName(bool absolute)
    {
        std::string name = e_.empty() || chance(10) ? pick(std::vector<std::string>{
                                                          "xl/calcChain.xml", "xl/nothing.xml", "", ".", "..", "/",
                                                          "xl/worksheets/sheet9.xml", "[Content_Types].xml"})
                                                    : pick(e_).name;
        if (chance(30)) name = spelledOtherwise(name);
        if (absolute && (name.empty() || name[0] != '/')) name = "/" + name;
        return name;
    }

    // The same name in another form: separators, slashes, case, dots.
    std::string spelledOtherwise(std::string name)
    {
        switch (below(7)) {
        case 0:
            for (char& c : name)
                if (c == '/') c = '\\';
            break;
        case 1: name = (chance(50) ? "/" : "\\") + name; break;
        case 2: {
            const std::size_t slash = name.find('/');
            if (slash != std::string::npos) name.insert(slash, chance(50) ? "/" : "/.");
            break;
        }
        case 3:
            for (char& c : name)
                if (c >= 'a' && c <= 'z' && chance(50)) c = static_cast<char>(c - 'a' + 'A');
            break;
        case 4: name = "../" + name; break;
        case 5: name += chance(50) ? "/" : "."; break;
        default: {
            const std::size_t slash = name.find('/');
            if (slash != std::string::npos) name.insert(slash + 1, "x/../");
            break;
        }
        }
        return name;
    }

    std::string relType()
    {
        static const std::vector<std::string> words = {
            "calcChain", "worksheet", "chartsheet", "sharedStrings", "styles", "officeDocument", "drawing",
            "image", "theme", "comments", "vmlDrawing", "printerSettings", "hyperlink", "table", "x"};
        const std::string prefix = chance(85) ? "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                                              : "http://purl.oclc.org/ooxml/officeDocument/relationships/";
        return prefix + pick(words);
    }

    std::string contentTypeText()
    {
        static const std::vector<std::string> types = {
            "application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml",
            "application/vnd.openxmlformats-officedocument.drawing+xml",
            "application/vnd.openxmlformats-package.relationships+xml",
            "application/vnd.openxmlformats-officedocument.theme+xml",
            "application/xml",
            "image/png",
            ""};
        return pick(types);
    }

    std::string anId()
    {
        switch (below(5)) {
        case 0: return "rId" + std::to_string(below(12));
        case 1: return "rId99999999999999999999";
        case 2: return "";
        case 3: return "rId-1";
        default: return "x" + std::to_string(below(4));
        }
    }

    // Changes one relationship: its type, target, Id or mode; repeats or
    // drops it.
    void relationship()
    {
        const auto rels = where(isRels);
        if (rels.empty()) return;
        std::string& xml = e_[pick(rels)].data;
        const auto items = elements(xml, "Relationship");
        if (items.empty()) return;
        auto [begin, end] = pick(items);
        switch (below(7)) {
        case 0: setAttribute(xml, begin, end, "Type", relType()); break;
        case 1: setAttribute(xml, begin, end, "Target", partName(chance(30))); break;
        case 2: setAttribute(xml, begin, end, "Id", anId()); break;
        case 3: setAttribute(xml, begin, end, "TargetMode", chance(70) ? "External" : "Internal"); break;
        case 4: xml.erase(begin, end - begin); break;
        case 5: {
            // The same relationship many times, under new Ids or its own.
            const std::string item = xml.substr(begin, end - begin);
            const unsigned count = chance(80) ? 1 + below(20) : 1 + below(3000);
            const bool sameId = chance(30);
            std::string more;
            for (unsigned i = 0; i < count; ++i) {
                std::string copy = item;
                if (!sameId) setAttribute(copy, 0, copy.size(), "Id", "rIdm" + std::to_string(i));
                more += copy;
            }
            xml.insert(end, more);
            break;
        }
        default: {
            // Another relationship's Id, target or type.
            const auto [b2, e2] = pick(items);
            const char* what = pick(std::vector<const char*>{"Id", "Target", "Type"});
            setAttribute(xml, begin, end, what, attribute(xml, b2, e2, what));
            break;
        }
        }
    }

    // Adds relationships: of any type to any part, in any relationships part.
    void addRelationships()
    {
        const auto rels = where(isRels);
        if (rels.empty()) return;
        std::string& xml = e_[pick(rels)].data;
        const std::size_t close = xml.rfind("</Relationships>");
        if (close == std::string::npos) return;
        const unsigned count = chance(85) ? 1 : 1 + below(2000);
        const std::string type = relType(), target = partName(chance(30));
        std::string more;
        for (unsigned i = 0; i < count; ++i)
            more += "<Relationship Id=\"rIdf" + std::to_string(below(1000000)) + "\" Type=\"" + (count > 1 ? type : relType()) +
                    "\" Target=\"" + (count > 1 ? target : partName(chance(30))) + "\"/>";
        xml.insert(close, more);
    }

    // Changes the content types: an Override's or Default's type, name or
    // extension; drops, repeats or adds one.
    void contentType()
    {
        const auto types = where(isTypes);
        if (types.empty()) return;
        std::string& xml = e_[pick(types)].data;
        const bool override = chance(70);
        const auto items = elements(xml, override ? "Override" : "Default");
        const std::size_t close = xml.rfind("</Types>");
        if (items.empty() || chance(20)) {
            if (close == std::string::npos) return;
            const unsigned count = chance(85) ? 1 : 1 + below(3000);
            std::string more;
            for (unsigned i = 0; i < count; ++i)
                more += override ? "<Override PartName=\"" + (count > 1 ? "/xl/many" + std::to_string(i) + ".xml"
                                                                        : partName(true)) +
                                       "\" ContentType=\"" + contentTypeText() + "\"/>"
                                 : "<Default Extension=\"" + pick(std::vector<std::string>{"xml", "rels", "png", "bin", "XML"}) +
                                       "\" ContentType=\"" + contentTypeText() + "\"/>";
            xml.insert(close, more);
            return;
        }
        auto [begin, end] = pick(items);
        switch (below(4)) {
        case 0: setAttribute(xml, begin, end, "ContentType", contentTypeText()); break;
        case 1:
            if (override) setAttribute(xml, begin, end, "PartName", partName(true));
            else setAttribute(xml, begin, end, "Extension", pick(std::vector<std::string>{"xml", "rels", "png", "", "Xml"}));
            break;
        case 2: xml.erase(begin, end - begin); break;
        default: xml.insert(end, xml.substr(begin, end - begin)); break;
        }
    }

    // Renames an entry: into another form of its name, or another's name.
    void entryName()
    {
        if (e_.empty()) return;
        Entry& e = e_[below(static_cast<unsigned>(e_.size()))];
        e.name = chance(80) ? spelledOtherwise(e.name) : partName(false);
        if (e.name.empty() || e.name.find('\n') != std::string::npos) e.name = "x";
    }

    // Duplicates, drops or swaps parts.
    void partItself()
    {
        if (e_.empty()) return;
        const std::size_t i = below(static_cast<unsigned>(e_.size()));
        switch (below(4)) {
        case 0: e_.erase(e_.begin() + static_cast<std::ptrdiff_t>(i)); break;
        case 1: {
            Entry copy = e_[i];
            copy.name = chance(50) ? spelledOtherwise(copy.name) : partName(false);
            if (copy.name.empty() || copy.name.find('\n') != std::string::npos) copy.name = "y";
            e_.push_back(std::move(copy));
            break;
        }
        case 2: std::swap(e_[i].data, e_[below(static_cast<unsigned>(e_.size()))].data); break;
        default: std::swap(e_[i], e_[below(static_cast<unsigned>(e_.size()))]); break;
        }
    }

    // Changes the sheet list: a sheet's Id, a sheet dropped or repeated.
    void sheetList()
    {
        const auto books = where(isWorkbook);
        if (books.empty()) return;
        std::string& xml = e_[pick(books)].data;
        const auto sheets = elements(xml, "sheet");
        if (sheets.empty()) return;
        auto [begin, end] = pick(sheets);
        switch (below(3)) {
        case 0: setAttribute(xml, begin, end, "r:id", anId()); break;
        case 1: xml.erase(begin, end - begin); break;
        default: {
            std::string copy = xml.substr(begin, end - begin);
            setAttribute(copy, 0, copy.size(), "name", "Copy" + std::to_string(below(100)));
            setAttribute(copy, 0, copy.size(), "sheetId", std::to_string(100 + below(100)));
            if (chance(50)) setAttribute(copy, 0, copy.size(), "r:id", anId());
            xml.insert(end, copy);
            break;
        }
        }
    }

    std::vector<Entry>& e_;
    std::minstd_rand rng_;
};

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "xlsx_package_fuzz: %s\n", what);
    std::abort();
}

// The processor time of the process (every thread), so that a run starved
// of the processor by a busy machine is not taken for a slow one.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    std::vector<Entry> entries = entriesOf(data, size);
    if (entries.empty()) return LLVMFuzzerMutate(data, size, maxSize);
    // Now and then the bytes of one part change, as a producer's slip would.
    std::minstd_rand rng(seed);
    if (rng() % 10 == 0) {
        Entry& e = entries[rng() % entries.size()];
        const std::size_t room = std::min<std::size_t>(e.data.size() * 2 + 64, 1 << 16);
        const std::size_t keep = std::min(e.data.size(), room);
        e.data.resize(room);
        e.data.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(&e.data[0]), keep, room));
    } else {
        Mutator(entries, static_cast<unsigned>(rng())).mutate();
    }
    const std::string text = toText(entries);
    if (text.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, text.data(), text.size());
    return text.size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::uint8_t> packed;
    if (input.substr(0, 2) != "PK") {
        const std::vector<Entry> entries = fromText(input);
        if (entries.empty() || entries.size() > 0xFFFF) return 0;
        std::vector<celvo::test::RawEntry> raw;
        for (const Entry& e : entries) {
            if (e.name.size() > 0xFFFF) return 0;
            raw.push_back(celvo::test::storedEntry(e.name, e.data));
        }
        packed = celvo::test::zipArchive(raw);
        data = packed.data();
        size = packed.size();
    }

    celvo::test::BookHandle h(celvo::createXlsxBook());
    if (!h.book) return 0;
    double start = cpuSeconds();
    if (!h.book->loadFromMemory(reinterpret_cast<const char*>(data), static_cast<unsigned>(size))) {
        if (!h.book->errorMessage() || !*h.book->errorMessage()) fail("refused without a reason");
        return 0;
    }
    const double loading = cpuSeconds() - start;
    const std::u16string before = celvo::test::bookText(*h.book);

    const char* saved = nullptr;
    unsigned savedSize = 0;
    start = cpuSeconds();
    const bool ok = h.book->saveToMemory(&saved, &savedSize);
    const double saving = cpuSeconds() - start;
    if (!ok) {
        // A book that loads can be saved: what could not be is refused by
        // the load.
        std::fprintf(stderr, "%s\n", h.book->errorMessage());
        fail("a book that loaded is not saved");
    }
    // Saving writes what loading read, and deflates it: a save that takes
    // many times the processor time of the load walks something over and
    // over.
    if (saving > 5 + 20 * loading) {
        std::fprintf(stderr, "load %.3f s, save %.3f s\n", loading, saving);
        fail("the save is far slower than the load");
    }

    celvo::test::BookHandle again(celvo::createXlsxBook());
    if (!again.book) return 0;
    if (!again.book->loadFromMemory(saved, savedSize)) {
        std::fprintf(stderr, "%s\n", again.book->errorMessage());
        fail("our own saved book is refused");
    }
    const std::u16string after = celvo::test::bookText(*again.book);
    if (after != before) {
        celvo::test::printDifference(before, after);
        fail("the book saved and loaded again reads otherwise");
    }
    return 0;
}
