#include "test_support.h"

#include <cstdint>
#include <vector>

#include "cell_census.h"

namespace celvo {
namespace {

struct Rec {
    std::uint16_t id;
    std::uint16_t length;
};

std::vector<std::uint8_t> streamOf(std::initializer_list<Rec> records)
{
    std::vector<std::uint8_t> out;
    for (const Rec& r : records) {
        out.push_back(static_cast<std::uint8_t>(r.id));
        out.push_back(static_cast<std::uint8_t>(r.id >> 8));
        out.push_back(static_cast<std::uint8_t>(r.length));
        out.push_back(static_cast<std::uint8_t>(r.length >> 8));
        out.insert(out.end(), r.length, 0);
    }
    return out;
}

TEST(CellCensus, CountsOnlyRecordsTheirReadersAccept)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> stream;
        std::size_t from;
        CellCensus expected;
    };
    std::vector<std::uint8_t> cutShort = streamOf({{0x027E, 10}, {0x027E, 10}});
    cutShort.resize(cutShort.size() - 1);
    std::vector<std::uint8_t> halfHeader = streamOf({{0x00FD, 10}});
    halfHeader.insert(halfHeader.end(), {0x7E, 0x02});
    const Case cases[] = {
        {"one of each", streamOf({{0x027E, 10}, {0x0203, 14}, {0x00FD, 10}, {0x0201, 6}, {0x000A, 0}}), 0, {1, 1, 1, 1}},
        {"wrong lengths are not counted", streamOf({{0x027E, 9}, {0x0203, 10}, {0x00FD, 11}, {0x0201, 0}}), 0, {0, 0, 0, 0}},
        {"MULRK entries", streamOf({{0x00BD, 6 + 3 * 6}, {0x00BD, 6 + 6}, {0x00BD, 6}, {0x00BD, 13}}), 0, {4, 0, 0, 0}},
        {"stops at EOF", streamOf({{0x027E, 10}, {0x000A, 0}, {0x027E, 10}}), 0, {1, 0, 0, 0}},
        {"starts at the offset", streamOf({{0x027E, 10}, {0x00FD, 10}}), 14, {0, 0, 1, 0}},
        {"offset past the end", streamOf({{0x027E, 10}}), 100, {0, 0, 0, 0}},
        {"record running past the end", cutShort, 0, {1, 0, 0, 0}},
        {"half a header at the end", halfHeader, 0, {0, 0, 1, 0}},
        {"empty stream", {}, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CellCensus got = countCellRecords(c.stream, c.from);
        EXPECT_EQ(got.rk, c.expected.rk);
        EXPECT_EQ(got.number, c.expected.number);
        EXPECT_EQ(got.labelSst, c.expected.labelSst);
        EXPECT_EQ(got.blank, c.expected.blank);
    }
}

}  // namespace
}  // namespace celvo
