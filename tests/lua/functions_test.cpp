// The 46 Lua functions driven through a real Lua state over a recording
// fake engine: each function must reach the right operation with the right
// arguments and push the right results, and the handle registry must keep
// stale and wrong-kind handles away from the engine.

#include <lua.hpp>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "fake_engine.h"
#include "handles.h"
#include "test_support.h"
#include "wrapper.h"

using namespace celvo;
using namespace celvo::test;
using celvo::lua::Kind;
using celvo::lua::registry;

namespace celvo::test {
World& world()
{
    static World w;
    return w;
}
}  // namespace celvo::test

namespace {

IBookT* makeFakeBook() { return new FakeBook(); }
IBookT* makeNoBook() { return nullptr; }

const char* const prelude = R"(
W = CelvoWrapper
function show(...)
  local out = {}
  for i = 1, select('#', ...) do
    local v = select(i, ...)
    local t = type(v)
    if t == 'number' then out[#out + 1] = 'n:' .. string.format('%.17g', v)
    elseif t == 'string' then out[#out + 1] = 's:' .. v
    elseif t == 'boolean' then out[#out + 1] = 'b:' .. tostring(v)
    else out[#out + 1] = t end
  end
  return table.concat(out, ' ')
end
B = W.CreateBook()
S = W.AddSheet(B, "one")
F = W.BookAddFormat(B, 0)
)";

class LuaFunctions : public ::testing::Test {
protected:
    void SetUp() override
    {
        world() = World{};
        lua::setBookMakers({&makeFakeBook, &makeFakeBook});
        L = luaL_newstate();
        luaL_openlibs(L);
        lua::openLibrary(L);
        lua_pop(L, 1);
        ASSERT_EQ(run(prelude), "");
        world().log.clear();
    }

    void TearDown() override
    {
        while (!world().books.empty()) {
            IBookT* book = world().books.back();
            registry().dropBook(registry().handleOf(Kind::book, book, 0));
            book->release();
        }
        lua_close(L);
        lua::setBookMakers(lua::defaultBookMakers());
    }

    // Runs a chunk and gives the text it returns, or "error: " and the Lua
    // error message (without the position of the chunk's line).
    std::string run(const std::string& chunk)
    {
        if (luaL_loadbuffer(L, chunk.data(), chunk.size(), "=case") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
            std::string e = lua_tostring(L, -1);
            lua_pop(L, 1);
            const std::string where = "case:";
            if (e.compare(0, where.size(), where) == 0) e.erase(0, e.find(": ") + 2);
            return "error: " + e;
        }
        const char* s = lua_tostring(L, -1);
        std::string r = s ? s : "";
        lua_pop(L, 1);
        return r;
    }

    struct Bad {
        const char* call;
        const char* error;
    };
    // Each call raises its error and reaches no engine operation.
    void expectErrors(std::initializer_list<Bad> cases)
    {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.call);
            EXPECT_EQ(run(std::string("return (") + c.call + ")"), std::string("error: ") + c.error);
            EXPECT_EQ(world().calls(), "");
        }
    }

    lua_State* L = nullptr;
};

struct Case {
    const char* lua;      // a chunk that returns show(...)
    std::function<void(Script&)> setup;
    const char* calls;    // the engine operations it must make
    const char* results;  // what it must return
};

TEST_F(LuaFunctions, EachFunctionMakesItsCallAndPushesItsResults)
{
    auto F1 = [](Script& s) { s.formatResult = world().formats.at(0); };
    const Case cases[] = {
        // books
        {"local h = W.CreateBook() return show(h > 0 and h ~= B)", nullptr, "", "b:true"},
        {"local h = W.CreateXMLBook() return show(h > 0 and h ~= B)", nullptr, "", "b:true"},
        {"return show(W.Load(B, 'dir/b\xC3\xA9.xls'))", [](Script& s) { s.boolResult = false; },
         "book.load(\"dir/b\xC3\xA9.xls\")", "b:false"},
        {"return show(W.Save(B, 'out.xls'))", nullptr, "book.save(\"out.xls\")", "b:true"},
        {"return show(W.BookRelease(B))", nullptr, "book.release()", ""},
        {"return show(W.GetSheetCount(B))", [](Script& s) { s.intResult = 3; }, "book.sheetCount()", "n:3"},
        {"return show(W.GetErrorMessage(B))", [](Script& s) { s.message = "bad \xE9 byte"; },
         "book.errorMessage()", "s:bad \xE9 byte"},
        {"local h = W.AddSheet(B, 'two') return show(h > 0 and h ~= S, h == W.GetSheet(B, 1))", nullptr,
         "book.addSheet(\"two\",null); book.sheet(1)", "b:true b:true"},
        {"return show(W.InsertSheet(B, 0, 'zero'))", nullptr, "book.insertSheet(0,\"zero\",null)", ""},
        {"W.AddSheet(B, 'two') return show(W.DeleteSheet(B, 1))", nullptr,
         "book.addSheet(\"two\",null); book.sheet(1); book.deleteSheet(1)", "n:1"},
        {"return show(W.DeleteSheet(B, 0))", [](Script& s) { s.boolResult = false; },
         "book.sheet(0); book.deleteSheet(0)", "n:0"},
        {"return show(W.GetSheet(B, 0) == S, W.GetSheet(B, 5))", nullptr, "book.sheet(0); book.sheet(5)",
         "b:true n:0"},
        {"return show(W.GetActiveSheetNumber(B))", [](Script& s) { s.intResult = 2; }, "book.activeSheetNumber()",
         "n:2"},
        {"return show(W.SetActiveSheetNumber(B, 1))", nullptr, "book.setActiveSheetNumber(1)", ""},
        {"local h = W.BookAddFormat(B, F) return show(h > 0 and h ~= F)", nullptr, "book.addFormat(F1)", "b:true"},
        {"return show(W.BookAddFormat(B, 0) > 0)", nullptr, "book.addFormat(null)", "b:true"},
        {"return show(W.BookGetCustomNumFormat(B, 164))", [](Script& s) { s.text = u"0.000"; },
         "book.customNumFormat(164)", "s:0.000"},
        {"return show(W.BookGetCustomNumFormat(B, 7))", [](Script& s) { s.textNull = true; },
         "book.customNumFormat(7)", "nil"},
        {"return show(W.BookAddCustomNumFormat(B, '#,##0'))", [](Script& s) { s.intResult = 164; },
         "book.addCustomNumFormat(\"#,##0\")", "n:164"},
        {"return show(W.GetPackedDate(B, 2024, 2, 29, 13, 45, 30, 5))", [](Script& s) { s.doubleResult = 45351.5; },
         "book.packedDate(2024,2,29,13,45,30,5)", "n:45351.5"},
        {"return show(W.GetPackedDate(B, 2024.9, -2.5, 3, 0, 0, 0, 0))", nullptr, "book.packedDate(2024,-2,3,0,0,0,0)",
         "n:0"},
        {"return show(W.GetUnpackedDate(B, 45351.5))",
         [](Script& s) {
             int parts[7] = {2024, 2, 29, 12, 0, 0, 5};
             std::copy(parts, parts + 7, s.unpacked);
             s.unpackedWritten = 7;
         },
         "book.unpackedDate(45351.5)", "n:2024 n:2 n:29 n:12 n:0 n:0 n:5"},
        {"return show(W.GetUnpackedDate(B, -1e9))",
         [](Script& s) {
             s.unpacked[0] = 1900;
             s.unpacked[1] = 3;
             s.unpackedWritten = 2;
             s.boolResult = false;
         },
         "book.unpackedDate(-1000000000)", "n:1900 n:3 n:0 n:0 n:0 n:0 n:0"},
        // cells
        {"return show(W.ReadString(S, 3, 4))", [](Script& s) { s.text = u"h\u00e9llo"; },
         "S1.readString(3,4,null)", "s:h\xC3\xA9llo b:true"},
        {"return show(W.ReadString(S, 3, 4))", [](Script& s) { s.textNull = true; }, "S1.readString(3,4,null)",
         "nil b:false"},
        {"return show(W.WriteString(S, 1, 2, 'x'))", nullptr, "S1.writeString(1,2,\"x\",null)", "b:true"},
        {"return show(W.WriteString(S, 1, 2, 12.5))", [](Script& s) { s.boolResult = false; },
         "S1.writeString(1,2,\"12.5\",null)", "b:false"},
        {"return show(W.ReadNumber(S, 3, 4))",
         [&](Script& s) {
             F1(s);
             s.doubleResult = 2.5;
         },
         "S1.readNumber(3,4,out)", "n:2.5 b:true"},
        {"return show(W.ReadNumber(S, 3, 4))", nullptr, "S1.readNumber(3,4,out)", "n:0 b:false"},
        {"return show(W.WriteNumber(S, 1, 2, -0.125))", nullptr, "S1.writeNumber(1,2,-0.125,null)", "b:true"},
        {"return show(W.ReadFormula(S, 0, 1))", [](Script& s) { s.text = u"SUM(A1:A2)"; },
         "S1.readFormula(0,1,null)", "s:SUM(A1:A2) b:true"},
        {"return show(W.ReadFormula(S, 0, 1))", [](Script& s) { s.textNull = true; }, "S1.readFormula(0,1,null)",
         "nil b:false"},
        {"return show(W.WriteFormula(S, 0, 0, 'A1+1'))", nullptr, "S1.writeFormula(0,0,\"A1+1\",null)", "b:true"},
        {"return show(W.ReadBool(S, 5, 6))", F1, "S1.readBool(5,6,out)", "n:1 b:true"},
        {"return show(W.ReadBool(S, 5, 6))", [](Script& s) { s.boolResult = false; }, "S1.readBool(5,6,out)",
         "n:0 b:false"},
        {"return show(W.WriteBool(S, 1, 2, 2))", nullptr, "S1.writeBool(1,2,true,null)", "b:true"},
        {"return show(W.WriteBool(S, 1, 2, 0))", nullptr, "S1.writeBool(1,2,false,null)", "b:true"},
        {"return show(W.WriteBool(S, 1, 2, -0.5))", nullptr, "S1.writeBool(1,2,false,null)", "b:true"},
        {"return show(W.WriteBool(S, 1, 2, 2^64))", nullptr, "S1.writeBool(1,2,false,null)", "b:true"},
        {"return show(W.WriteBool(S, 1, 2, 2^32 + 1))", nullptr, "S1.writeBool(1,2,true,null)", "b:true"},
        {"return show(W.WriteBool(S, 1, 2, 0/0))", nullptr, "",
         "error: bad argument #4 to 'WriteBool' (finite number expected)"},
        {"return show(W.WriteBlank(S, 1, 2, F))", nullptr, "S1.writeBlank(1,2,F1)", "b:true"},
        {"return show(W.WriteBlank(S, 1, 2, 0))", [](Script& s) { s.boolResult = false; }, "S1.writeBlank(1,2,null)",
         "b:false"},
        {"return show(W.ClearCells(S, 1, 2, 3, 4))", [](Script& s) { s.boolResult = false; },
         "S1.clearCells(1,2,3,4)", "b:true"},
        {"return show(W.GetSheetName(S))", [](Script& s) { s.text = u"Sheet\U0001F600"; }, "S1.name()",
         "s:Sheet\xF0\x9F\x98\x80"},
        {"return show(W.GetSheetName(S))", [](Script& s) { s.textNull = true; }, "S1.name()", "nil"},
        {"return show(W.GetSheetIsHidden(S))", nullptr, "S1.hidden()", "b:false"},
        {"return show(W.GetSheetIsHidden(S))", [](Script& s) { s.intResult = 1; }, "S1.hidden()", "b:true"},
        {"return show(W.GetSheetIsHidden(S))", [](Script& s) { s.intResult = 2; }, "S1.hidden()", "b:true"},
        {"return show(W.GetSheetIsProtected(S))", nullptr, "S1.isProtected()", "b:true"},
        {"return show(W.GetFirstRow(S))", [](Script& s) { s.intResult = 7; }, "S1.firstRow()", "n:7"},
        {"return show(W.GetLastRow(S))", [](Script& s) { s.intResult = 8; }, "S1.lastRow()", "n:8"},
        {"return show(W.GetFirstColumn(S))", [](Script& s) { s.intResult = 9; }, "S1.firstColumn()", "n:9"},
        {"return show(W.GetLastColumn(S))", [](Script& s) { s.intResult = -1; }, "S1.lastColumn()", "n:-1"},
        {"return show(W.GetCellIsDate(S, 2, 3))", nullptr, "S1.isDate(2,3)", "b:true"},
        {"return show(W.GetCellIsFormula(S, 2, 3))", [](Script& s) { s.boolResult = false; }, "S1.isFormula(2,3)",
         "b:false"},
        {"return show(W.GetCellType(S, 2, 3))", [](Script& s) { s.intResult = 5; }, "S1.cellType(2,3)", "n:5"},
        {"return show(W.GetRowIsHidden(S, 9))", nullptr, "S1.isRowHidden(9)", "b:true"},
        {"return show(W.GetColumnIsHidden(S, 9))", [](Script& s) { s.boolResult = false; }, "S1.isColumnHidden(9)",
         "b:false"},
        {"return show(W.GetCellFormat(S, 1, 2) == F)", F1, "S1.cellFormat(1,2)", "b:true"},
        {"return show(W.GetCellFormat(S, 1, 2))", nullptr, "S1.cellFormat(1,2)", "n:0"},
        {"return show(W.SetCellFormat(S, 1, 2, F))", nullptr, "S1.setCellFormat(1,2,F1)", ""},
        {"return show(W.SetCellFormat(S, 1, 2, 0))", nullptr, "", ""},
        // formats
        {"return show(W.GetFormatNumFormat(F))", [](Script& s) { s.intResult = 14; }, "F1.numFormat()", "n:14"},
        {"return show(W.SetFormatNumFormat(F, 164))", nullptr, "F1.setNumFormat(164)", ""},
        // the file system, without the engine
        {"return show(W.DirectoryExists('/'), W.FileExists('/'))", nullptr, "", "b:true b:false"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lua);
        world().script = Script{};
        if (c.setup) c.setup(world().script);
        world().log.clear();
        EXPECT_EQ(run(c.lua), c.results);
        EXPECT_EQ(world().calls(), c.calls);
        // A fresh book for the next case.
        TearDown();
        SetUp();
    }
}

// Handle 0 gives no results and reaches nothing, for every function that
// takes a handle first (and SetCellFormat with a 0 format).
TEST_F(LuaFunctions, HandleZeroGivesNoResults)
{
    const char* const calls[] = {
        "W.Load(0, 'x')", "W.Save(0, 'x')", "W.BookRelease(0)", "W.ReadString(0, 1, 1)",
        "W.WriteString(0, 1, 1, 'x')", "W.ReadNumber(0, 1, 1)", "W.WriteNumber(0, 1, 1, 1)",
        "W.ReadFormula(0, 1, 1)", "W.WriteFormula(0, 1, 1, 'A1')", "W.ReadBool(0, 1, 1)",
        "W.WriteBool(0, 1, 1, 1)", "W.WriteBlank(0, 1, 1, 0)", "W.ClearCells(0, 1, 1, 1, 1)",
        "W.GetSheetCount(0)", "W.GetSheetName(0)", "W.GetSheetIsHidden(0)", "W.GetSheetIsProtected(0)",
        "W.GetFirstRow(0)", "W.GetLastRow(0)", "W.GetFirstColumn(0)", "W.GetLastColumn(0)",
        "W.GetErrorMessage(0)", "W.GetCellIsDate(0, 1, 1)", "W.GetCellIsFormula(0, 1, 1)",
        "W.GetCellType(0, 1, 1)", "W.GetRowIsHidden(0, 1)", "W.GetColumnIsHidden(0, 1)",
        "W.GetCellFormat(0, 1, 1)", "W.SetCellFormat(0, 1, 1, F)", "W.SetCellFormat(S, 1, 1, 0)",
        "W.AddSheet(0, 'x')", "W.InsertSheet(0, 0, 'x')", "W.DeleteSheet(0, 0)", "W.GetSheet(0, 0)",
        "W.GetActiveSheetNumber(0)", "W.SetActiveSheetNumber(0, 0)", "W.BookAddFormat(0, 0)",
        "W.BookGetCustomNumFormat(0, 164)", "W.BookAddCustomNumFormat(0, '0.0')",
        "W.GetPackedDate(0, 2000, 1, 1, 0, 0, 0, 0)", "W.GetUnpackedDate(0, 1)", "W.GetFormatNumFormat(0)",
        "W.SetFormatNumFormat(0, 1)",
        // a handle argument is truncated like any integer: these are all 0
        "W.GetSheetCount(0.75)", "W.GetSheetCount(-0.75)", "W.GetSheetCount(2^32)", "W.GetSheetCount(2^64)",
        "W.GetSheetCount(-2^63)",
    };
    for (const char* c : calls) {
        SCOPED_TRACE(c);
        EXPECT_EQ(run(std::string("return show(select('#', ") + c + "))"), "n:0");
        EXPECT_EQ(world().calls(), "");
    }
}

// Unknown, released and wrong-kind handles raise the argument error and
// never reach the engine.
TEST_F(LuaFunctions, InvalidHandlesRaiseTheArgumentError)
{
    ASSERT_EQ(run("B2 = W.CreateBook() S2 = W.AddSheet(B2, 'x') W.BookRelease(B2) return ''"), "");
    world().log.clear();
    expectErrors({
        {"W.GetSheetCount(987654)", "bad argument #1 to 'GetSheetCount' (invalid handle)"},
        {"W.GetSheetCount(-1)", "bad argument #1 to 'GetSheetCount' (invalid handle)"},
        {"W.GetSheetCount(2^31)", "bad argument #1 to 'GetSheetCount' (invalid handle)"},
        {"W.GetSheetCount(S)", "bad argument #1 to 'GetSheetCount' (invalid handle)"},
        {"W.GetSheetCount(F)", "bad argument #1 to 'GetSheetCount' (invalid handle)"},
        {"W.GetSheetCount(B2)", "bad argument #1 to 'GetSheetCount' (invalid handle)"},
        {"W.BookRelease(B2)", "bad argument #1 to 'BookRelease' (invalid handle)"},
        {"W.ReadString(S2, 0, 0)", "bad argument #1 to 'ReadString' (invalid handle)"},
        {"W.ReadString(B, 0, 0)", "bad argument #1 to 'ReadString' (invalid handle)"},
        {"W.ReadString(F, 0, 0)", "bad argument #1 to 'ReadString' (invalid handle)"},
        {"W.GetFormatNumFormat(S)", "bad argument #1 to 'GetFormatNumFormat' (invalid handle)"},
        {"W.SetFormatNumFormat(B, 1)", "bad argument #1 to 'SetFormatNumFormat' (invalid handle)"},
        {"W.SetCellFormat(S, 0, 0, S)", "bad argument #4 to 'SetCellFormat' (invalid handle)"},
        {"W.SetCellFormat(S, 0, 0, 987654)", "bad argument #4 to 'SetCellFormat' (invalid handle)"},
        {"W.WriteBlank(S, 0, 0, B)", "bad argument #4 to 'WriteBlank' (invalid handle)"},
        {"W.BookAddFormat(B, S)", "bad argument #2 to 'BookAddFormat' (invalid handle)"},
        {"W.GetPackedDate(S, 2000, 1, 1, 0, 0, 0, 0)", "bad argument #1 to 'GetPackedDate' (invalid handle)"},
    });
}

// Every argument is read before anything else, so a wrong one raises its
// argument error even with a handle of 0.
TEST_F(LuaFunctions, WrongArgumentsRaiseBeforeAnyCall)
{
    expectErrors({
        {"W.WriteBool(S, 1, 2, true)", "bad argument #4 to 'WriteBool' (number expected, got boolean)"},
        {"W.WriteBool(0, 1, 2, false)", "bad argument #4 to 'WriteBool' (number expected, got boolean)"},
        {"W.ReadString(S, 1)", "bad argument #3 to 'ReadString' (number expected, got no value)"},
        {"W.ReadString(true, 1, 1)", "bad argument #1 to 'ReadString' (number expected, got boolean)"},
        {"W.WriteString(0, 1, 1, {})", "bad argument #4 to 'WriteString' (string expected, got table)"},
        {"W.WriteString(S, 1, 1, nil)", "bad argument #4 to 'WriteString' (string expected, got nil)"},
        {"W.GetUnpackedDate(B, '1x')", "bad argument #2 to 'GetUnpackedDate' (number expected, got string)"},
        {"W.GetPackedDate(B, 2000, 1, 1, 0, 0, 0)", "bad argument #8 to 'GetPackedDate' (number expected, got no value)"},
        {"W.FileExists()", "bad argument #1 to 'FileExists' (string expected, got no value)"},
        {"W.DirectoryExists(false)", "bad argument #1 to 'DirectoryExists' (string expected, got boolean)"},
    });
}

TEST_F(LuaFunctions, HandlesAreStableSmallAndNeverReused)
{
    EXPECT_EQ(run("return show(B > 0 and B < 2^31, S ~= B, F ~= S and F ~= B)"), "b:true b:true b:true");
    EXPECT_EQ(run("return show(W.GetSheet(B, 0) == S, W.GetSheet(B, 0) == W.GetSheet(B, 0))"), "b:true b:true");
    world().script.formatResult = world().formats.at(0);
    EXPECT_EQ(run("return show(W.GetCellFormat(S, 0, 0) == F)"), "b:true");

    // Numbers of released objects are never given out again.
    EXPECT_EQ(run(R"(
        local seen = { [B] = true, [S] = true, [F] = true }
        for i = 1, 20 do
          local b = W.CreateBook()
          local s = W.AddSheet(b, 'x')
          local f = W.BookAddFormat(b, 0)
          for _, h in ipairs({ b, s, f }) do
            if seen[h] then return 'reused ' .. h end
            seen[h] = true
          end
          W.BookRelease(b)
        end
        return 'fresh')"),
              "fresh");
}

TEST_F(LuaFunctions, ReleaseLoadAndDeleteSheetDropTheirHandles)
{
    ASSERT_EQ(run("S2 = W.AddSheet(B, 'two') S3 = W.AddSheet(B, 'three') return ''"), "");

    // DeleteSheet drops the deleted sheet only; a refused deletion drops none.
    EXPECT_EQ(run("return show(W.DeleteSheet(B, 1))"), "n:1");
    EXPECT_EQ(run("return (W.GetSheetName(S2))"), "error: bad argument #1 to 'GetSheetName' (invalid handle)");
    EXPECT_EQ(run("return show(W.GetSheet(B, 1) == S3, W.GetSheetIsHidden(S))"), "b:true b:false");
    world().script.boolResult = false;
    EXPECT_EQ(run("return show(W.DeleteSheet(B, 0), W.GetSheetIsHidden(S))"), "n:0 b:false");
    world().script.boolResult = true;

    // Load replaces the content: sheets and formats go, the book stays.
    const std::size_t before = registry().size();
    EXPECT_EQ(run("return show(W.Load(B, 'x.xls'))"), "b:true");
    EXPECT_EQ(registry().size(), before - 3);
    EXPECT_EQ(run("return (W.GetLastRow(S3))"), "error: bad argument #1 to 'GetLastRow' (invalid handle)");
    EXPECT_EQ(run("return (W.SetFormatNumFormat(F, 1))"),
              "error: bad argument #1 to 'SetFormatNumFormat' (invalid handle)");
    EXPECT_EQ(run("return show(W.GetSheetCount(B))"), "n:0");

    // Release drops the book and everything it owns, leaving other books be.
    ASSERT_EQ(run("B2 = W.CreateBook() S = W.AddSheet(B, 'again') F = W.BookAddFormat(B, 0) return ''"), "");
    EXPECT_EQ(run("W.BookRelease(B) return ''"), "");
    EXPECT_EQ(world().books.size(), 1u);
    world().log.clear();
    for (const char* c : {"W.GetSheetCount(B)", "W.GetSheetIsHidden(S)", "W.GetFormatNumFormat(F)",
                          "W.BookRelease(B)"}) {
        EXPECT_NE(run(std::string("return (") + c + ")").find("(invalid handle)"), std::string::npos) << c;
    }
    EXPECT_EQ(world().calls(), "");
    EXPECT_EQ(run("return show(W.GetSheetCount(B2))"), "n:0");
}

TEST_F(LuaFunctions, NoBookMeansHandleZero)
{
    lua::setBookMakers({&makeNoBook, &makeNoBook});
    EXPECT_EQ(run("return show(W.CreateBook(), W.CreateXMLBook())"), "n:0 n:0");
}

// An exception that escapes an operation becomes a Lua error with its text;
// the state stays usable.
TEST_F(LuaFunctions, EscapingExceptionsBecomeLuaErrors)
{
    world().script.throwKind = 1;
    EXPECT_EQ(run("return (W.WriteString(S, 1, 1, 'x'))"), "error: engine trouble");
    world().script.throwKind = 2;
    EXPECT_EQ(run("return (W.GetSheetName(S))"), "error: general failure");
    world().script.throwKind = 1;
    EXPECT_EQ(run("return (W.BookAddFormat(B, 0))"), "error: engine trouble");
    EXPECT_EQ(run("return show(W.WriteNumber(S, 0, 0, 1))"), "b:true");
}

// Text outside the Basic Multilingual Plane crosses both ways as surrogate
// pairs; a lone surrogate from the engine comes out as U+FFFD.
TEST_F(LuaFunctions, TextCrossesAsUtf16)
{
    EXPECT_EQ(run("return show(W.WriteString(S, 0, 0, 'a\xF0\x9F\x98\x80\xF0\x90\x8D\x88z'))"), "b:true");
    EXPECT_EQ(world().lastText, u"a\U0001F600\U00010348z");
    EXPECT_EQ(world().lastText.size(), 6u);

    struct Out {
        u16string engine;
        const char* lua;
    };
    const Out outs[] = {
        {u"\U0001F600", "s:\xF0\x9F\x98\x80"},
        {u"x\U0010FFFFy", "s:x\xF4\x8F\xBF\xBFy"},
        {u16string(1, char16_t(0xD800)) + u"!", "s:\xEF\xBF\xBD!"},
        {u"", "s:"},
    };
    for (const auto& o : outs) {
        world().script.text = o.engine;
        EXPECT_EQ(run("return show((W.ReadString(S, 0, 0)))"), o.lua);
    }

    // A Lua string is taken up to its first NUL byte; bad UTF-8 becomes U+FFFD.
    EXPECT_EQ(run("return show(W.WriteString(S, 0, 0, 'ab\\0cd'))"), "b:true");
    EXPECT_EQ(world().lastText, u"ab");
    EXPECT_EQ(run("return show(W.WriteString(S, 0, 0, 'a\\255b'))"), "b:true");
    EXPECT_EQ(world().lastText, u"a\uFFFDb");
}

TEST(LuaIntegers, TruncateLikeTheProcessor)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double in;
        std::int32_t out;
    };
    const Case cases[] = {
        {0.0, 0},
        {1.9, 1},
        {-1.9, -1},
        {-0.5, 0},
        {2147483647.0, 2147483647},
        {2147483648.0, INT32_MIN},
        {4294967296.0 + 5, 5},
        {-4294967296.0 - 5, -5},
        {9007199254740993.0, 0},  // 2^53 + 1 rounds to 2^53, whose low 32 bits are 0
        {9223372036854774784.0, static_cast<std::int32_t>(0xFFFFFC00u)},  // the largest in range
        {9223372036854775808.0, 0},                                       // 2^63: out of range
        {-9223372036854775808.0, 0},                                      // -2^63 itself
        {1e300, 0},
        {-1e300, 0},
        {inf, 0},
        {-inf, 0},
        {std::nan(""), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(lua::truncateToInt32(c.in), c.out) << c.in;
}

}  // namespace
