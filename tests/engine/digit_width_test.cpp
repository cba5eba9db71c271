#include "celvo/digit_width.h"

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

using namespace celvo;

namespace {

struct WidthCase {
    const char16_t* face;
    int points;
    int width;
};

// The usual spreadsheet faces, measured on their metric-compatible stand-ins
// (Liberation Sans, Serif and Mono, Carlito). Digit advances in font units of
// a 2048 em: Arial 1139, Times New Roman 1024, Courier New 1229, Calibri 1038;
// the width is the pixel size times that share of the em, rounded, except for
// Calibri 11 whose own hinted width is 7.
const WidthCase kKnownFaces[] = {
    {u"Arial", 10, 7},
    {u"Calibri", 11, 7},
    {u"Arial", 8, 6},
    {u"Arial", 9, 7},
    {u"Arial", 11, 8},
    {u"Arial", 12, 9},
    {u"Arial", 20, 15},
    {u"Calibri", 9, 6},
    {u"Calibri", 10, 7},
    {u"Calibri", 12, 8},
    {u"Calibri", 14, 10},
    {u"Times New Roman", 10, 7},
    {u"Times New Roman", 12, 8},
    {u"Courier New", 10, 8},
    {u"Courier New", 11, 9},
    {u"arial", 10, 7},
};

}  // namespace

TEST(DigitWidth, PointsToDisplayPixels)
{
    struct Case { int points, pixels; };
    const Case cases[] = {{10, 13}, {11, 15}, {8, 11}, {9, 12}, {12, 16}, {1, 1}, {3, 4}, {0, 0}, {-10, -13},
                          {-11, -15}, {INT_MAX, static_cast<int>((static_cast<long long>(INT_MAX) * 96 + 36) / 72)}};
    for (const Case& c : cases) EXPECT_EQ(pointsToPixels(c.points), c.pixels) << c.points;
}

TEST(DigitWidth, UsualFacesThroughTheirStandIns)
{
    for (const WidthCase& c : kKnownFaces) {
        EXPECT_EQ(maxDigitWidth(c.face, c.points), c.width) << utf16ToUtf8(c.face) << " " << c.points;
        EXPECT_EQ(measureMaxDigitWidth(c.face, c.points), c.width) << utf16ToUtf8(c.face) << " " << c.points;
    }
}

TEST(DigitWidth, CachedAnswerMatchesFreshMeasure)
{
    for (const WidthCase& c : kKnownFaces) {
        const int first = maxDigitWidth(c.face, c.points);
        EXPECT_EQ(maxDigitWidth(c.face, c.points), first) << utf16ToUtf8(c.face) << " " << c.points;
        EXPECT_EQ(measureMaxDigitWidth(c.face, c.points), first) << utf16ToUtf8(c.face) << " " << c.points;
    }
}

TEST(DigitWidth, SizesWithoutAFontHeightFallBack)
{
    const int sizes[] = {0, -1, -10, INT_MIN, INT_MAX};
    for (int size : sizes) {
        EXPECT_EQ(maxDigitWidth(u"Arial", size), kFallbackDigitWidth) << size;
        EXPECT_EQ(measureMaxDigitWidth(u"Arial", size), kFallbackDigitWidth) << size;
    }
}

TEST(DigitWidth, LargeSizesScale)
{
    // 1000 points = 1333 pixels; 1333 x 1139 / 2048 = 741.4.
    const int width = maxDigitWidth(u"Arial", 1000);
    EXPECT_GE(width, 740);
    EXPECT_LE(width, 742);
}

TEST(DigitWidth, NamesFontconfigSubstitutesStillMeasure)
{
    const std::u16string names[] = {
        u"No Such Face Qzxv",
        u"",
        u"Arial\u00e9\u00e8",
        u"\uff2d\uff33 \u30b4\u30b7\u30c3\u30af",  // MS Gothic in full-width letters and kana
        u"\U0001F600 Emoji Face",
        std::u16string(1, char16_t(0xD800)) + u"Arial",  // lone high surrogate
        u"Arial:weight=200",                          // pattern syntax is part of the name
        std::u16string(300, u'x'),
    };
    for (const std::u16string& name : names) {
        const int width = maxDigitWidth(name, 10);
        EXPECT_GT(width, 0) << utf16ToUtf8(name);
        // A digit is narrower than twice the font's 13-pixel height.
        EXPECT_LT(width, 26) << utf16ToUtf8(name);
        EXPECT_EQ(measureMaxDigitWidth(name, 10), width) << utf16ToUtf8(name);
    }
}

TEST(DigitWidth, NameEndsAtNul)
{
    const std::u16string withNul(u"Calibri\0Arial", 13);
    EXPECT_EQ(maxDigitWidth(withNul, 12), maxDigitWidth(u"Calibri", 12));
    EXPECT_EQ(maxDigitWidth(withNul, 12), 8);
}

TEST(DigitWidth, SafeFromSeveralThreads)
{
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (std::size_t t = 0; t < failures.size(); ++t) {
        threads.emplace_back([t, &failures] {
            for (int round = 0; round < 20; ++round)
                for (const WidthCase& c : kKnownFaces) {
                    const int width = (round + static_cast<int>(t)) % 2 ? maxDigitWidth(c.face, c.points)
                                                                        : measureMaxDigitWidth(c.face, c.points);
                    if (width != c.width) ++failures[t];
                }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (std::size_t t = 0; t < failures.size(); ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}
