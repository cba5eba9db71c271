#include "test_support.h"

#include "cell_grid.h"
#include "celvo/xlerror.h"

namespace celvo {
namespace {

TEST(CellGridTest, SlotWordsEncodeKindAndPosition)
{
    struct Case {
        CellKind kind;
        std::size_t position;
        std::uint32_t slot;
    };
    const Case cases[] = {
        {CellKind::RK, 0, 3},         {CellKind::Number, 0, 5},  {CellKind::LabelSst, 0, 7},
        {CellKind::Blank, 0, 9},      {CellKind::BoolErr, 0, 11}, {CellKind::Formula, 0, 13},
        {CellKind::Label, 0, 15},     {CellKind::RK, 1, 19},      {CellKind::Label, 1000, 16015},
        {CellKind::Number, kMaxSlotPosition, 0xFFFFFFF5u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        std::uint32_t slot = makeSlot(c.kind, c.position);
        EXPECT_EQ(slot, c.slot);
        EXPECT_TRUE(slotPresent(slot));
        EXPECT_EQ(slotKind(slot), c.kind);
        EXPECT_EQ(slotPosition(slot), c.position);
    }
    EXPECT_FALSE(slotPresent(0));
    EXPECT_THROW(makeSlot(CellKind::RK, kMaxSlotPosition + 1), xlerror);
}

TEST(CellGridTest, RowsAreAllocatedOnFirstWrite)
{
    CellGrid grid;
    EXPECT_EQ(grid.allocatedRows(), 0u);
    EXPECT_FALSE(grid.rowExists(65535));
    grid.slot(65535, 255) = makeSlot(CellKind::Number, 0);
    EXPECT_EQ(grid.allocatedRows(), 1u);
    EXPECT_TRUE(grid.rowExists(65535));
    EXPECT_FALSE(grid.rowExists(65534));
    EXPECT_EQ(grid.get(65535, 255), 5u);
    EXPECT_EQ(grid.get(65535, 0), 0u) << "a new row starts with empty slots";
    // at() answers empty for absent rows and positions off the grid.
    EXPECT_EQ(grid.at(0, 0), 0u);
    EXPECT_EQ(grid.at(65536, 0), 0u);
    EXPECT_EQ(grid.at(65535, 256), 0u);
    EXPECT_FALSE(grid.rowExists(70000));
}

TEST(CellGridTest, RowsWidenAndKeepTheirSlots)
{
    // Columns written in this order into one row; every earlier slot stays.
    const std::uint32_t columns[] = {0, 15, 16, 31, 100, 3, 255, 128};
    CellGrid grid;
    std::vector<std::uint32_t> written;
    for (std::uint32_t col : columns) {
        SCOPED_TRACE(col);
        grid.slot(7, col) = makeSlot(CellKind::RK, col);
        written.push_back(col);
        for (std::uint32_t c : written) EXPECT_EQ(grid.at(7, c), makeSlot(CellKind::RK, c));
        EXPECT_EQ(grid.at(7, 1), 0u);
        EXPECT_EQ(grid.at(7, 254), 0u);
        EXPECT_EQ(grid.allocatedRows(), 1u);
    }
    EXPECT_FALSE(grid.rowExists(6));
    EXPECT_EQ(grid.at(6, 0), 0u);
    EXPECT_EQ(grid.at(8, 0), 0u);
}

TEST(CellGridTest, PositionsOffTheSheetAreRefused)
{
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {{65536, 0}, {0, 256}, {0xFFFFFFFFu, 0}, {3, 0xFFFFFFFFu}};
    CellGrid grid;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "," << c.second);
        EXPECT_THROW(grid.slot(c.first, c.second), xlerror);
        EXPECT_EQ(grid.at(c.first, c.second), 0u);
    }
    EXPECT_EQ(grid.allocatedRows(), 0u);
}

TEST(CellGridTest, CopyIsDeepAndClearFreesRows)
{
    CellGrid grid;
    grid.slot(2, 3) = makeSlot(CellKind::Blank, 7);
    grid.slot(9, 0) = makeSlot(CellKind::RK, 1);
    CellGrid copy(grid);
    grid.slot(2, 3) = 0;
    EXPECT_EQ(copy.at(2, 3), makeSlot(CellKind::Blank, 7));
    EXPECT_EQ(copy.allocatedRows(), 2u);

    CellGrid assigned;
    assigned.slot(100, 100) = 3;
    assigned = copy;
    EXPECT_EQ(assigned.at(100, 100), 0u);
    EXPECT_EQ(assigned.at(9, 0), makeSlot(CellKind::RK, 1));

    copy.clear();
    EXPECT_EQ(copy.allocatedRows(), 0u);
    EXPECT_FALSE(copy.rowExists(2));
    EXPECT_EQ(assigned.at(2, 3), makeSlot(CellKind::Blank, 7));
}

TEST(CellGridTest, CellsAreVisitedRowByRowThenColumnByColumn)
{
    CellGrid grid;
    grid.slot(5, 1) = makeSlot(CellKind::RK, 0);
    grid.slot(0, 200) = makeSlot(CellKind::RK, 1);
    grid.slot(5, 0) = makeSlot(CellKind::RK, 2);
    grid.slot(3, 3) = 0;  // allocated row, no cell
    std::vector<std::pair<std::uint32_t, std::uint32_t>> seen;
    grid.forEachCell([&](std::uint32_t r, std::uint32_t c, std::uint32_t) { seen.emplace_back(r, c); });
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected{{0, 200}, {5, 0}, {5, 1}};
    EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace celvo
