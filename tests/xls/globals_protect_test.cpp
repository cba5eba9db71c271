// BOF, the workbook protection records and EXTERNSHEET.
#include "test_support.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "globals_protect.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

using test::Bytes;
using test::cat;
using test::rec;

// Reads the first record of the stream into r; "" or the error text.
std::string readInto(BiffRecord& r, const Bytes& stream)
{
    BiffInput in(stream);
    auto cur = in.next();
    try {
        r.read(cur);
        return "";
    } catch (const xlerror& e) {
        return e.what();
    }
}

Bytes written(const BiffRecord& r)
{
    BiffOutput out;
    std::size_t n = r.write(out);
    return n == out.bytes().size() ? out.bytes() : Bytes{0xEE};
}

TEST(Bof, ReadsEachLengthUpToSixteenBytes)
{
    struct Case {
        const char* name;
        Bytes data;
        std::string error;
        std::uint16_t version, type;
        std::uint32_t history, lowest;
    };
    const Bytes full{0x00, 0x06, 0x10, 0x00, 0xBB, 0x0D, 0xCC, 0x07, 0xC9, 0x00, 0x01, 0x00, 0x06, 0x04, 0x00, 0x00};
    const std::vector<Case> cases = {
        {"16 bytes", full, "", 0x0600, 0x0010, 0x000100C9, 0x0406},
        {"8 bytes (BIFF5) keeps the rest", {0x00, 0x05, 0x05, 0x00, 0x01, 0x02, 0x03, 0x04}, "", 0x0500, 0x0005, 1, 6},
        {"12 bytes", Bytes(full.begin(), full.begin() + 12), "", 0x0600, 0x0010, 0x000100C9, 6},
        {"20 bytes", cat(full, Bytes(4, 0)), "Bof size is incorrect", 0, 0, 0, 0},
        {"ends inside a field", Bytes(full.begin(), full.begin() + 7), "Bof size is incorrect", 0, 0, 0, 0},
        {"ends inside the history field", Bytes(full.begin(), full.begin() + 10), "Bof size is incorrect", 0, 0, 0,
         0},
        {"empty", {}, "Bof size is incorrect", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        Bof b;
        EXPECT_EQ(readInto(b, rec(Bof::kId, c.data)), c.error) << c.name;
        if (!c.error.empty()) continue;
        EXPECT_EQ(b.version, c.version) << c.name;
        EXPECT_EQ(b.type, c.type) << c.name;
        EXPECT_EQ(b.history, c.history) << c.name;
        EXPECT_EQ(b.lowestVersion, c.lowest) << c.name;
    }
}

TEST(Bof, WritesTheDefaultsAndResets)
{
    Bof b;
    EXPECT_EQ(written(b), rec(0x0809, {0x00, 0x06, 0x05, 0x00, 0xD3, 0x18, 0xCD, 0x07, 1, 0, 0, 0, 6, 0, 0, 0}));
    b.version = 0x0500;
    b.history = 99;
    b.reset();
    EXPECT_EQ(b.version, 0x0600);
    EXPECT_EQ(b.history, 1u);
}

TEST(ProtectionRecords, ReadTheirValueAndWriteTwoBytes)
{
    struct Kind {
        std::function<std::unique_ptr<U16Record>()> make;
        std::uint16_t id;
        const char* name;
    };
    const std::vector<Kind> kinds = {
        {[] { return std::make_unique<Protect>(); }, 0x0012, "Protect"},
        {[] { return std::make_unique<WinProtect>(); }, 0x0019, "WinProtect"},
        {[] { return std::make_unique<Password>(); }, 0x0013, "Password"},
        {[] { return std::make_unique<Prot4Rev>(); }, 0x01AF, "Prot4Rev"},
        {[] { return std::make_unique<Prot4RevPass>(); }, 0x01BC, "Prot4RevPass"},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.name);
        auto r = k.make();
        EXPECT_EQ(r->recordId(), k.id);
        // A new record writes 0.
        EXPECT_EQ(written(*r), rec(k.id, {0, 0}));
        EXPECT_EQ(readInto(*r, rec(k.id, {0x34, 0xCB})), "");
        EXPECT_EQ(r->value, 0xCB34);
        EXPECT_EQ(written(*r), rec(k.id, {0x34, 0xCB}));
        for (const Bytes& bad : {Bytes{1}, Bytes{}})
            EXPECT_EQ(readInto(*r, rec(k.id, bad)), std::string(k.name) + " size is incorrect");
        // Padding that some writers add after the value is passed over.
        for (const Bytes& padded : {Bytes{1, 0, 0}, Bytes{2, 0, 0, 0}}) {
            EXPECT_EQ(readInto(*r, rec(k.id, padded)), "");
            EXPECT_EQ(r->value, padded[0]);
            EXPECT_EQ(written(*r), rec(k.id, {padded[0], 0}));
        }
    }
    Prot4Rev p;
    p.value = 1;
    p.reset();
    EXPECT_EQ(p.value, 0);
}

Bytes xtiBytes(std::uint16_t sup, std::int16_t first, std::int16_t last)
{
    ByteWriter w;
    w.u16(sup);
    w.u16(static_cast<std::uint16_t>(first));
    w.u16(static_cast<std::uint16_t>(last));
    return w.buffer();
}

TEST(ExternSheet, ReadsEntriesAcrossContinueRecords)
{
    struct Case {
        const char* name;
        Bytes stream;
        std::string error;
        std::vector<Xti> expected;
    };
    const Bytes a = xtiBytes(0, 0, 2), b = xtiBytes(1, -1, -1);
    const std::vector<Case> cases = {
        {"two entries", rec(0x17, cat(Bytes{2, 0}, a, b)), "", {{0, 0, 2}, {1, -1, -1}}},
        {"no entries", rec(0x17, {0, 0}), "", {}},
        {"second entry in a CONTINUE", cat(rec(0x17, cat(Bytes{2, 0}, a)), rec(0x3C, b)), "",
         {{0, 0, 2}, {1, -1, -1}}},
        {"split between fields", cat(rec(0x17, cat(Bytes{1, 0}, Bytes(a.begin(), a.begin() + 2))),
                                     rec(0x3C, Bytes(a.begin() + 2, a.end()))),
         "", {{0, 0, 2}}},
        {"split inside a field", cat(rec(0x17, cat(Bytes{1, 0}, Bytes(a.begin(), a.begin() + 3))),
                                     rec(0x3C, Bytes(a.begin() + 3, a.end()))),
         "error in XTI", {}},
        {"entries missing, next record not CONTINUE", cat(rec(0x17, cat(Bytes{2, 0}, a)), rec(0x18, b)),
         "error in XTI", {}},
        {"count beyond the stream", rec(0x17, cat(Bytes{0xFF, 0xFF}, a)), "error in XTI", {}},
        {"shorter than its count", rec(0x17, {1}), "error in record ExternSheet", {}},
    };
    for (const auto& c : cases) {
        ExternSheet e;
        EXPECT_EQ(readInto(e, c.stream), c.error) << c.name;
        if (c.error.empty()) {
            EXPECT_EQ(e.entries, c.expected) << c.name;
        }
    }
}

TEST(ExternSheet, NeverSplitsAnEntryWhenWriting)
{
    struct Case {
        std::size_t entries;
        std::vector<std::pair<unsigned, unsigned>> pieces;  // (id, length)
    };
    const Case cases[] = {
        {2, {{0x17, 14}}},
        {1370, {{0x17, 8222}}},
        {1371, {{0x17, 8222}, {0x3C, 6}}},
        {2741, {{0x17, 8222}, {0x3C, 8220}, {0x3C, 6}}},
    };
    for (const auto& c : cases) {
        ExternSheet e;
        for (std::size_t i = 0; i < c.entries; ++i)
            e.entries.push_back({static_cast<std::uint16_t>(i % 3), static_cast<std::int16_t>(i % 7),
                                 static_cast<std::int16_t>(i % 11)});
        BiffOutput out;
        const std::size_t n = e.write(out);
        EXPECT_EQ(n, out.bytes().size());
        std::vector<std::pair<unsigned, unsigned>> pieces;
        BiffInput in(out.bytes());
        while (!in.eof()) {
            auto cur = in.next();
            pieces.emplace_back(cur.id(), static_cast<unsigned>(cur.length()));
        }
        EXPECT_EQ(pieces, c.pieces) << c.entries << " entries";
        ExternSheet back;
        EXPECT_EQ(readInto(back, out.bytes()), "");
        EXPECT_EQ(back.entries, e.entries) << c.entries << " entries";
    }
    ExternSheet tooMany;
    tooMany.entries.resize(65536);
    BiffOutput out;
    EXPECT_THROW(tooMany.write(out), xlerror);
}

}  // namespace
}  // namespace celvo
