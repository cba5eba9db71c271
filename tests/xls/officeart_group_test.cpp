// The drawing group of a workbook: bookkeeping, blip store, activation for
// shapes, pictures, and the MSODRAWINGGROUP records around it.
#include "officeart_fixtures.h"
#include "officeart_group.h"
#include "test_support.h"

namespace celvo {
namespace {

using namespace test;

Bytes fbse(unsigned type, const Bytes& name, const Bytes& blip)
{
    Bytes body{static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type)};
    body.insert(body.end(), 16, 0x5A);
    body = cat(body, u16le(0xFF), u32le(static_cast<std::uint32_t>(blip.size())), u32le(1), u32le(0),
               Bytes{0, static_cast<std::uint8_t>(name.size()), 0, 0}, name, blip);
    return oa(2, type, 0xF007, body);
}

Bytes pngBlip(std::size_t n) { return oa(0, 0x6E0, 0xF01E, cat(Bytes(16, 0x5A), Bytes{0xFF}, Bytes(n, 7))); }

Bytes dgg(const Bytes& members) { return oa(15, 0, 0xF000, members); }

Bytes fdgg(std::uint32_t cidcl, const Bytes& clusters, std::uint32_t spidMax = 0xC02, std::uint32_t cspSaved = 4)
{
    return oa(0, 0, 0xF006, cat(u32le(spidMax), u32le(cidcl), u32le(cspSaved), u32le(1), clusters));
}

// Reads a drawing group from a workbook stream and gives it back written.
Bytes roundTrip(const Bytes& stream, OfficeArtDggContainer& group)
{
    BiffInput in(stream);
    RecordCursor rec = in.next();
    group.readRecords(rec, in);
    BiffOutput out;
    group.writeRecords(out);
    return out.bytes();
}

std::string readError(const Bytes& stream)
{
    try {
        OfficeArtDggContainer group;
        roundTrip(stream, group);
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

TEST(OfficeArtDrawingGroup, ActivationForTheFirstComment)
{
    OfficeArtDggContainer group;
    EXPECT_TRUE(group.activate());
    EXPECT_FALSE(group.activate());
    ArtWriter w;
    group.write(w);
    // spidMax 1027 and 3 shapes saved, as in a new book.
    Bytes expected = dgg(cat(fdgg(2, cat(u32le(1), u32le(3)), 0x403, 3),
                             oa(3, 3, 0xF00B, cat(u16le(0x00BF), u32le(0x08000041), u16le(0x0181),
                                                  u32le(0x08000041), u16le(0x01C0), u32le(0x08000040))),
                             oa(0, 4, 0xF11E, cat(u32le(0x0800000D), u32le(0x0800000C), u32le(0x08000017),
                                                  u32le(0x100000F7)))));
    EXPECT_EQ(w.buffer(), expected);
    EXPECT_EQ(group.pictureCount(), 0u);
    EXPECT_EQ(group.defaultProperties()->size(), 8u + 18);
}

TEST(OfficeArtDrawingGroup, PicturesAreAppendedToTheStore)
{
    OfficeArtDggContainer group;
    Bytes png(30, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(group.addPicture(std::make_unique<OfficeArtBlipPNG>(png.data(), png.size())),
                  static_cast<std::size_t>(i));
    }
    ASSERT_EQ(group.pictureCount(), 3u);
    EXPECT_EQ(group.blipStore()->header.recInstance(), 3u);
    EXPECT_EQ(group.blipStore()->children.items.size(), 3u);
    OfficeArtFBSE& first = group.pictureByIndex(1);
    EXPECT_EQ(first.rgbUid, md4(png.data(), png.size()));
    EXPECT_EQ(first.rgbUid, group.pictureByIndex(3).rgbUid);
    EXPECT_EQ(first.btWin32, kBlipPng);
    EXPECT_EQ(first.header.recInstance(), kBlipPng);
    group.addPictureRef(2);
    group.addPictureRef(2);
    EXPECT_EQ(group.pictureByIndex(2).cRef, 2u);
    for (std::size_t bad : {0u, 4u}) {
        try {
            group.pictureByIndex(bad);
            ADD_FAILURE() << bad;
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), "pictureId is out of range");
        }
    }

    // Written and read back: the store, the entries' sizes and the pictures.
    BiffOutput out;
    group.writeRecords(out);
    OfficeArtDggContainer back;
    EXPECT_EQ(roundTrip(out.bytes(), back), out.bytes());
    ASSERT_EQ(back.pictureCount(), 3u);
    auto* blip = dynamic_cast<OfficeArtBlipPNG*>(back.pictureByIndex(3).blip.get());
    ASSERT_NE(blip, nullptr);
    EXPECT_EQ(blip->data, png);
    EXPECT_EQ(back.pictureByIndex(3).blipSize, blip->size());
}

TEST(OfficeArtDrawingGroup, LoadedGroupKeepsItsBookkeepingWhenAPictureIsAdded)
{
    Bytes split = oa(0, 4, 0xF11E, cat(u32le(1), u32le(2), u32le(3), u32le(4)));
    Bytes store = oa(15, 2, 0xF001, cat(fbse(6, {}, pngBlip(5)), fbse(6, {}, pngBlip(6))));
    Bytes stream = rec(0x00EB, dgg(cat(fdgg(3, cat(u32le(1), u32le(9), u32le(2), u32le(5))), store, split)));
    OfficeArtDggContainer group;
    ASSERT_EQ(roundTrip(stream, group), stream);
    EXPECT_EQ(group.pictureCount(), 2u);
    Bytes png(12, 3);
    EXPECT_EQ(group.addPicture(std::make_unique<OfficeArtBlipPNG>(png.data(), png.size())), 2u);
    EXPECT_EQ(group.blipStore()->header.recInstance(), 3u);
    ASSERT_EQ(group.fdgg()->clusters.size(), 2u);
    EXPECT_EQ(group.fdgg()->clusters[0].cspidCur, 9u);
    EXPECT_EQ(group.splitMenuColors()->colors[0], 1u);
    EXPECT_EQ(group.defaultProperties(), nullptr);
}

TEST(OfficeArtDrawingGroup, LargeGroupIsCutIntoContinueRecords)
{
    OfficeArtDggContainer group;
    Bytes png(20000, 9);
    group.addPicture(std::make_unique<OfficeArtBlipPNG>(png.data(), png.size()));
    BiffOutput out;
    group.writeRecords(out);
    BiffInput in(out.bytes());
    std::vector<std::pair<unsigned, std::size_t>> records;
    while (!in.eof()) {
        RecordCursor r = in.next();
        records.emplace_back(r.id(), r.length());
    }
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], std::make_pair(0xEBu, std::size_t(8224)));
    EXPECT_EQ(records[1], std::make_pair(0x3Cu, std::size_t(8224)));
    EXPECT_EQ(records[2].first, 0x3Cu);
    EXPECT_EQ(records[0].second + records[1].second + records[2].second, group.size());

    // Read back across the CONTINUE records and written the same.
    OfficeArtDggContainer back;
    EXPECT_EQ(roundTrip(out.bytes(), back), out.bytes());
}

TEST(OfficeArtDrawingGroup, RecordLayoutOfTheFileIsKept)
{
    // A group cut by its writer into an MSODRAWINGGROUP, a CONTINUE and a
    // second MSODRAWINGGROUP, at places of its own choosing.
    Bytes data = dgg(cat(fdgg(2, cat(u32le(1), u32le(2))), oa(15, 1, 0xF001, fbse(6, {}, pngBlip(100)))));
    Bytes stream = cat(rec(0x00EB, Bytes(data.begin(), data.begin() + 50)),
                       rec(0x003C, Bytes(data.begin() + 50, data.begin() + 90)),
                       rec(0x00EB, Bytes(data.begin() + 90, data.end())));
    OfficeArtDggContainer group;
    EXPECT_EQ(roundTrip(stream, group), stream);
    EXPECT_EQ(group.pictureCount(), 1u);
}

TEST(OfficeArtDrawingGroup, EntryNamesAndStoresWithoutPictures)
{
    Bytes name{'a', 0, 'b', 0, 'c', 0, 0, 0};
    Bytes oddName{'a', 0, 'b'};
    Bytes delayed = fbse(5, {}, {});
    Bytes stream = rec(0x00EB, dgg(cat(fdgg(1, {}), oa(15, 3, 0xF001, cat(fbse(6, name, pngBlip(3)),
                                                                           fbse(6, oddName, pngBlip(3)), delayed)))));
    OfficeArtDggContainer group;
    ASSERT_EQ(roundTrip(stream, group), stream);
    EXPECT_EQ(group.picture(0)->name(), u"abc");
    EXPECT_EQ(group.picture(1)->name(), u"a");
    EXPECT_EQ(group.picture(2)->blip, nullptr);
}

TEST(OfficeArtDrawingGroup, MalformedGroupsFail)
{
    struct Case {
        const char* name;
        Bytes stream;
        const char* message;
    };
    const Case cases[] = {
        {"not a drawing group", rec(0x00EB, oa(15, 0, 0xF002, {})), "error in record OfficeArtDggContainer"},
        {"shorter than a header", rec(0x00EB, Bytes{0x0F, 0, 0, 0xF0}), "error in record OfficeArtDggContainer"},
        {"claims more than the records hold", rec(0x00EB, oaLen(15, 0, 0xF000, 100, fdgg(1, {}))),
         "error in record OfficeArtDggContainer"},
        {"no id clusters at all", rec(0x00EB, dgg(fdgg(0, {}))), "error in record OfficeArtFDGGBlock"},
        {"more clusters than bytes", rec(0x00EB, dgg(fdgg(0x20000000, u32le(1)))),
         "error in record OfficeArtFDGGBlock"},
        {"entry name beyond the entry",
         rec(0x00EB, dgg(oa(15, 1, 0xF001, oa(2, 6, 0xF007, cat(Bytes(33, 0), Bytes{10, 0, 0}, Bytes(3, 1)))))),
         "error in record OfficeArtFBSE"},
        {"entry cut in its fixed fields", rec(0x00EB, dgg(oa(15, 1, 0xF001, oa(2, 6, 0xF007, Bytes(20, 0))))),
         "error in record OfficeArtFBSE"},
        {"picture longer than its entry",
         rec(0x00EB, dgg(oa(15, 1, 0xF001, oa(2, 6, 0xF007, cat(Bytes(36, 0), oaLen(0, 0x6E0, 0xF01E, 90, Bytes(17, 0))))))),
         "error in record OfficeArtBlip"},
        {"colour list beyond the record", rec(0x00EB, dgg(oa(0, 5, 0xF11A, u32le(1)))),
         "error in record OfficeArtColorMRUContainer"},
    };
    for (const Case& c : cases) EXPECT_EQ(readError(c.stream), c.message) << c.name;
}

}  // namespace
}  // namespace celvo
