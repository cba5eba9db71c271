#include "formula/function_table.h"

#include <set>

#include "test_support.h"

using namespace celvo;

TEST(FunctionTable, RowsByName)
{
    struct Case { const char16_t* name; std::uint16_t id; std::uint32_t mask; std::uint8_t count; };
    // One function of every mask/count group, and the names with digits.
    const Case cases[] = {
        {u"COUNT", 0, 0x3FFFFFFF, 0}, {u"IF", 1, 0x6, 0}, {u"SUM", 4, 0x3FFFFFFF, 0},
        {u"ROW", 8, 0x1, 0}, {u"NA", 10, 0, 0}, {u"NPV", 11, 0x3FFFFFFE, 0},
        {u"LOG10", 23, 0, 1}, {u"ROUND", 27, 0, 2}, {u"MID", 31, 0, 3}, {u"DCOUNT", 40, 0x7, 3}, {u"DVAR", 47, 0x7, 3}, {u"ARGUMENT", 81, 0x7, 0},
        {u"LINEST", 49, 0xF, 0}, {u"GOTO", 53, 0x1, 1}, {u"MIRR", 61, 0x1, 3}, {u"OFFSET", 78, 0x1, 0},
        {u"ABSREF", 79, 0x2, 2}, {u"RELREF", 80, 0x3, 2}, {u"SERIES", 92, 0x17, 0}, {u"ATAN2", 97, 0, 2},
        {u"SET.VALUE", 108, 0x1, 2}, {u"REPLACE", 119, 0, 4}, {u"CELL", 125, 0x2, 0},
        {u"ADD.COMMAND", 153, 0xE, 0}, {u"MMULT", 165, 0, 2}, {u"POKE", 177, 0x6, 3},
        {u"DPRODUCT", 189, 0x7, 3}, {u"DAYS360", 220, 0, 0}, {u"TODAY", 221, 0, 0},
        {u"CREATE.OBJECT", 236, 0x7FE, 0}, {u"FORMULA.CONVERT", 241, 0x1E, 0},
        {u"SUMXMY2", 303, 0, 2}, {u"SUMX2PY2", 305, 0, 2}, {u"SUMIF", 345, 0x5, 0},
        {u"COUNTIF", 346, 0x1, 2}, {u"GETPIVOTDATA", 358, 0x3, 0}, {u"RTD", 379, 0, 0},
    };
    const FunctionTable& table = FunctionTable::builtIn();
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.name));
        const FunctionTable::Row* row = table.rowByName(c.name);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->id, c.id);
        EXPECT_EQ(row->refMask, c.mask);
        EXPECT_EQ(row->fixedCount, c.count);
        EXPECT_EQ(table.idByName(c.name), c.id);
        FunctionInfo info = table.infoByName(c.name);
        EXPECT_EQ(info.id, c.id);
        EXPECT_EQ(info.refMask, c.mask);
        std::uint8_t count = 99;
        EXPECT_EQ(table.nameById(c.id, &count), c.name);
        EXPECT_EQ(count, c.count);
    }
}

TEST(FunctionTable, ExactLookupsAndMissingRows)
{
    const FunctionTable& table = FunctionTable::builtIn();
    EXPECT_EQ(table.idByName(u"sum"), 255);  // callers pass upper case
    EXPECT_EQ(table.idByName(u""), 255);
    FunctionInfo none = table.infoByName(u"NOSUCH");
    EXPECT_EQ(none.id, 255);
    EXPECT_EQ(none.refMask, 0u);
    for (std::uint16_t missing : {202, 203, 217, 218, 249, 250, 255, 333, 380, 0xFFFF}) {
        std::uint8_t count = 99;
        EXPECT_EQ(table.nameById(missing, &count), u"?") << missing;
        EXPECT_EQ(count, 0) << missing;
    }
}

TEST(FunctionTable, EveryNumberOnceInNameOrder)
{
    const FunctionTable& table = FunctionTable::builtIn();
    EXPECT_EQ(table.rows().size(), 372u);
    std::set<std::uint16_t> numbers;
    std::u16string previous;
    for (const auto& [name, row] : table.rows()) {
        EXPECT_TRUE(numbers.insert(row.id).second) << utf16ToUtf8(name);
        EXPECT_LT(previous, name);
        EXPECT_EQ(table.nameById(row.id), name);
        previous = name;
    }
    EXPECT_EQ(*numbers.rbegin(), 379);
}
