// The 46 functions of the table "CelvoWrapper".
//
// Every function reads all its arguments first (a wrong one raises the Lua
// argument error), returns nothing when its first handle is 0, resolves its
// handles through the registry ("invalid handle" for an unknown, released or
// wrong-kind one), makes one engine call and pushes the results.
//
// Lua errors are longjmps through these C++ frames, so no object with a
// destructor is alive while a Lua function that can raise runs: engine calls
// and text conversions happen inside call(), which catches every exception
// and raises it as a Lua error only once the C++ objects of the call are gone.
// Text results are staged in a per-thread buffer and pushed afterwards.

#include <lua.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "celvo/IBookT.h"
#include "celvo/IFormatT.h"
#include "celvo/ISheetT.h"
#include "celvo/factory.h"
#include "celvo/file.h"
#include "celvo/text.h"
#include "celvo/xlerror.h"
#include "handles.h"
#include "wrapper.h"

namespace celvo::lua {

namespace {

IBookT* makeXlsBook() { return createXlsBook(); }
IBookT* makeXlsxBook() { return createXlsxBook(); }

std::atomic<BookMaker> xlsMaker{&makeXlsBook};
std::atomic<BookMaker> xlsxMaker{&makeXlsxBook};

// ---- engine calls --------------------------------------------------------

thread_local char pendingError[512];
thread_local std::string stagedText;

void setPending(const char* text) noexcept
{
    std::strncpy(pendingError, text ? text : "general failure", sizeof pendingError - 1);
    pendingError[sizeof pendingError - 1] = '\0';
}

// Runs the body; an exception that escapes it becomes a Lua error carrying
// its text, raised after the body's objects are destroyed.
template <class Body>
void call(lua_State* L, Body&& body)
{
    bool failed = false;
    try {
        body();
    } catch (const std::exception& e) {
        setPending(e.what());
        failed = true;
    } catch (...) {
        setPending("general failure");
        failed = true;
    }
    if (failed) luaL_error(L, "%s", pendingError);
}

// UTF-8 argument text as the engine's NUL-terminated UTF-16 (up to the first
// NUL byte of the Lua string).
u16string wide(const char* utf8) { return utf8ToUtf16(std::string_view(utf8)); }

thread_local u16string argumentText;

// The same in a per-thread buffer whose storage serves call after call, for
// the cell texts; valid until the next call.
const char16_t* wideCellText(const char* utf8)
{
    u16string& buffer = argumentText;
    if (buffer.capacity() > 0x10000) u16string().swap(buffer);  // after a long text
    const std::string_view text(utf8);
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        buffer.assign(text.begin(), text.end());
    else
        buffer = utf8ToUtf16(text);
    return buffer.c_str();
}

// Stages an engine text for pushText in the per-thread buffer, whose storage
// serves call after call; null for a null text.
const std::string* stage(const char16_t* text)
{
    std::string& buffer = stagedText;
    if (buffer.capacity() > 0x10000) std::string().swap(buffer);  // after a long text
    buffer.clear();
    if (!text) return nullptr;
    // Plain ASCII, the usual case, byte for byte; the rest converted.
    const u16view wide = u16(text);
    buffer.resize(wide.size());
    char* out = buffer.data();
    std::size_t i = 0;
    while (i < wide.size() && wide[i] < 0x80) {
        out[i] = static_cast<char>(wide[i]);
        ++i;
    }
    if (i < wide.size()) {
        buffer.resize(i);
        appendUtf8(buffer, wide.substr(i));
    }
    return &buffer;
}

void pushText(lua_State* L, const std::string* text)
{
    if (text)
        lua_pushlstring(L, text->data(), text->size());
    else
        lua_pushnil(L);
}

// Cell texts repeat (a book shares them between cells), and making a Lua
// string anew costs more than anything else in a read. The module's
// functions share one table (their upvalue) that keeps the Lua strings of
// short texts read lately in slots chosen by a hash of their UTF-8 bytes,
// each text in one of two slots; a text found in one of them with the same
// bytes is pushed from there (a plain ASCII text is looked up before it is
// even converted). The bytes decide, so a slot can never give another text;
// at most kTextSlots strings of at most kCachedTextBytes bytes are kept.
constexpr int kTextSlots = 1 << 16;
constexpr std::size_t kCachedTextBytes = 48;

struct TextSlots {
    int slot[2];
};

TextSlots slotsOf(std::uint32_t hash)
{
    return {{static_cast<int>(hash & (kTextSlots - 1)) + 1, static_cast<int>((hash >> 16) & (kTextSlots - 1)) + 1}};
}

// FNV-1a over bytes (or ASCII units).
constexpr std::uint32_t kHashBasis = 2166136261u;
inline std::uint32_t hashStep(std::uint32_t hash, unsigned byte) { return (hash ^ byte) * 16777619u; }

// Pushes the kept string of one of the slots whose bytes `same` accepts;
// false, with nothing pushed, when neither holds one. `freeSlot` becomes a
// slot that holds nothing, or 0.
template <class Same>
bool pushKept(lua_State* L, int cache, const TextSlots& slots, Same same, int& freeSlot)
{
    freeSlot = 0;
    for (const int slot : slots.slot) {
        lua_rawgeti(L, cache, slot);
        if (lua_type(L, -1) == LUA_TSTRING) {
            std::size_t size = 0;
            const char* kept = lua_tolstring(L, -1, &size);
            if (same(kept, size)) return true;
        } else if (freeSlot == 0) {
            freeSlot = slot;
        }
        lua_pop(L, 1);
    }
    return false;
}

// Pushes a cell's text (nil for none) and answers whether there was one.
bool pushCellText(lua_State* L, const char16_t* wide)
{
    if (!wide) {
        lua_pushnil(L);
        return false;
    }
    const int cache = lua_upvalueindex(1);
    const bool cached = lua_type(L, cache) == LUA_TTABLE;
    int freeSlot = 0;
    bool looked = false;  // the slots of this text were searched already
    if (cached) {
        // A short ASCII text, hashed and compared as it stands.
        std::uint32_t hash = kHashBasis;
        std::size_t n = 0;
        while (n <= kCachedTextBytes && wide[n] != 0 && wide[n] < 0x80) hash = hashStep(hash, wide[n++]);
        if (n > 0 && n <= kCachedTextBytes && wide[n] == 0) {
            auto same = [wide, n](const char* kept, std::size_t size) {
                if (size != n) return false;
                for (std::size_t i = 0; i < n; ++i)
                    if (static_cast<unsigned char>(kept[i]) != wide[i]) return false;
                return true;
            };
            if (pushKept(L, cache, slotsOf(hash), same, freeSlot)) return true;
            looked = true;
        }
    }
    const std::string* text = nullptr;
    call(L, [&] { text = stage(wide); });
    if (!cached || text->empty() || text->size() > kCachedTextBytes) {
        pushText(L, text);
        return true;
    }
    std::uint32_t hash = kHashBasis;
    for (const char c : *text) hash = hashStep(hash, static_cast<unsigned char>(c));
    const TextSlots slots = slotsOf(hash);
    auto same = [text](const char* kept, std::size_t size) {
        return size == text->size() && std::memcmp(kept, text->data(), size) == 0;
    };
    if (!looked && pushKept(L, cache, slots, same, freeSlot)) return true;
    // A new text takes a free slot of its two, else the one its last byte
    // picks, so that two texts sharing a slot can both stay.
    const int slot = freeSlot != 0 ? freeSlot : slots.slot[static_cast<unsigned char>(text->back()) & 1];
    lua_pushlstring(L, text->data(), text->size());
    lua_pushvalue(L, -1);
    lua_rawseti(L, cache, slot);
    return true;
}

// ---- arguments -----------------------------------------------------------

// A row, column, index, handle or other whole number: NaN and the infinities
// are refused as a wrong type is.
std::int32_t argInt(lua_State* L, int arg)
{
    const lua_Number v = luaL_checknumber(L, arg);
    if (!std::isfinite(v)) luaL_argerror(L, arg, "finite number expected");
    return truncateToInt32(v);
}
double argNumber(lua_State* L, int arg) { return luaL_checknumber(L, arg); }
const char* argText(lua_State* L, int arg) { return luaL_checklstring(L, arg, nullptr); }
// A path: every byte of the Lua string, which pathFromNative carries to the
// system unchanged even where it is not UTF-8.
std::string_view argPath(lua_State* L, int arg)
{
    std::size_t size = 0;
    const char* p = luaL_checklstring(L, arg, &size);
    return std::string_view(p, size);
}

Target resolve(lua_State* L, int arg, std::int32_t handle, Kind kind)
{
    Target t;
    if (!registry().find(handle, kind, t)) luaL_argerror(L, arg, "invalid handle");
    return t;
}

IBookT* bookAt(lua_State* L, int arg, std::int32_t handle, Target* target = nullptr)
{
    Target t = resolve(L, arg, handle, Kind::book);
    if (target) *target = t;
    return static_cast<IBookT*>(t.object);
}

ISheetT* sheetAt(lua_State* L, int arg, std::int32_t handle, Target* target = nullptr)
{
    Target t = resolve(L, arg, handle, Kind::sheet);
    if (target) *target = t;
    return static_cast<ISheetT*>(t.object);
}

IFormatT* formatAt(lua_State* L, int arg, std::int32_t handle)
{
    return static_cast<IFormatT*>(resolve(L, arg, handle, Kind::format).object);
}

// A format argument where 0 means "no format".
IFormatT* formatOrNull(lua_State* L, int arg, std::int32_t handle)
{
    return handle == 0 ? nullptr : formatAt(L, arg, handle);
}

// ---- results -------------------------------------------------------------

void pushInt(lua_State* L, std::int32_t v) { lua_pushnumber(L, static_cast<lua_Number>(v)); }

int one(lua_State* L, bool v)
{
    lua_pushboolean(L, v ? 1 : 0);
    return 1;
}

int oneInt(lua_State* L, std::int32_t v)
{
    pushInt(L, v);
    return 1;
}

// The handle of an engine object (0 for null), made inside call().
template <class T>
std::int32_t handleOf(Kind kind, T* object, std::int32_t book)
{
    return object ? registry().handleOf(kind, object, book) : 0;
}

// ---- books ---------------------------------------------------------------

int createBook(lua_State* L, BookMaker maker)
{
    std::int32_t handle = 0;
    call(L, [&] {
        IBookT* book = maker ? maker() : nullptr;
        if (!book) return;
        try {
            handle = registry().handleOf(Kind::book, book, 0);
        } catch (...) {
            book->release();
            throw;
        }
    });
    return oneInt(L, handle);
}

int CreateBook(lua_State* L) { return createBook(L, xlsMaker.load()); }
int CreateXMLBook(lua_State* L) { return createBook(L, xlsxMaker.load()); }

int Load(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::string_view path = argPath(L, 2);
    if (h == 0) return 0;
    Target t;
    IBookT* book = bookAt(L, 1, h, &t);
    bool ok = false;
    call(L, [&] {
        ok = book->load(pathFromNative(path).c_str());
        // A load replaces every sheet and format of the book: their handles
        // go. A failed load leaves the book, and its handles, as they were.
        if (ok) registry().dropContents(t.book);
    });
    return one(L, ok);
}

int Save(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::string_view path = argPath(L, 2);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    bool ok = false;
    call(L, [&] { ok = book->save(pathFromNative(path).c_str()); });
    return one(L, ok);
}

int BookRelease(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    if (h == 0) return 0;
    Target t;
    IBookT* book = bookAt(L, 1, h, &t);
    registry().dropBook(t.book);
    call(L, [&] { book->release(); });
    return 0;
}

int GetSheetCount(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    std::int32_t n = 0;
    call(L, [&] { n = book->sheetCount(); });
    return oneInt(L, n);
}

int GetErrorMessage(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    const char* message = nullptr;
    call(L, [&] { message = book->errorMessage(); });
    lua_pushstring(L, message);  // the book's own bytes, unconverted
    return 1;
}

int AddSheet(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const char* name = argText(L, 2);
    if (h == 0) return 0;
    Target t;
    IBookT* book = bookAt(L, 1, h, &t);
    std::int32_t sheet = 0;
    call(L, [&] { sheet = handleOf(Kind::sheet, book->addSheet(wide(name).c_str(), nullptr), t.book); });
    return oneInt(L, sheet);
}

int InsertSheet(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::int32_t index = argInt(L, 2);
    const char* name = argText(L, 3);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    call(L, [&] { book->insertSheet(index, wide(name).c_str(), nullptr); });
    return 0;
}

int DeleteSheet(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::int32_t index = argInt(L, 2);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    bool ok = false;
    call(L, [&] {
        // The sheet that goes, so that its handle goes with it.
        ISheetT* victim = book->sheet(index);
        ok = book->deleteSheet(index);
        if (ok && victim) registry().drop(Kind::sheet, victim);
    });
    return oneInt(L, ok ? 1 : 0);
}

int GetSheet(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::int32_t index = argInt(L, 2);
    if (h == 0) return 0;
    Target t;
    IBookT* book = bookAt(L, 1, h, &t);
    std::int32_t sheet = 0;
    call(L, [&] { sheet = handleOf(Kind::sheet, book->sheet(index), t.book); });
    return oneInt(L, sheet);
}

int GetActiveSheetNumber(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    std::int32_t n = 0;
    call(L, [&] { n = book->activeSheetNumber(); });
    return oneInt(L, n);
}

int SetActiveSheetNumber(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::int32_t index = argInt(L, 2);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    call(L, [&] { book->setActiveSheetNumber(index); });
    return 0;
}

int BookAddFormat(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::int32_t init = argInt(L, 2);
    if (h == 0) return 0;
    Target t;
    IBookT* book = bookAt(L, 1, h, &t);
    IFormatT* initFormat = formatOrNull(L, 2, init);
    std::int32_t format = 0;
    call(L, [&] { format = handleOf(Kind::format, book->addFormat(initFormat), t.book); });
    return oneInt(L, format);
}

int BookGetCustomNumFormat(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::int32_t id = argInt(L, 2);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    const std::string* text = nullptr;
    call(L, [&] { text = stage(book->customNumFormat(id)); });
    pushText(L, text);
    return 1;
}

int BookAddCustomNumFormat(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const char* text = argText(L, 2);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    std::int32_t id = 0;
    call(L, [&] { id = book->addCustomNumFormat(wide(text).c_str()); });
    return oneInt(L, id);
}

int GetPackedDate(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    std::int32_t part[7];
    for (int i = 0; i < 7; ++i) part[i] = argInt(L, i + 2);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    double serial = 0.0;
    call(L, [&] { serial = book->packedDate(part[0], part[1], part[2], part[3], part[4], part[5], part[6]); });
    lua_pushnumber(L, serial);
    return 1;
}

int GetUnpackedDate(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const double serial = argNumber(L, 2);
    if (h == 0) return 0;
    IBookT* book = bookAt(L, 1, h);
    int part[7] = {0, 0, 0, 0, 0, 0, 0};
    call(L, [&] {
        (void)book->unpackedDate(serial, &part[0], &part[1], &part[2], &part[3], &part[4], &part[5], &part[6]);
    });
    for (int v : part) pushInt(L, v);
    return 7;
}

// ---- sheets --------------------------------------------------------------

// Reads the handle, the row and the column; the caller reads its further
// arguments and then asks for the sheet.
struct CellArgs {
    std::int32_t handle, row, col;
};

CellArgs cellArgs(lua_State* L)
{
    CellArgs a;
    a.handle = argInt(L, 1);
    a.row = argInt(L, 2);
    a.col = argInt(L, 3);
    return a;
}

int ReadString(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    // The engine's text stays as it is until the next engine call.
    const char16_t* text = nullptr;
    call(L, [&] { text = sheet->readString(a.row, a.col, nullptr); });
    lua_pushboolean(L, pushCellText(L, text) ? 1 : 0);
    return 2;
}

// A (sheet, row, col, text) function writing the text with no format.
int writeText(lua_State* L, bool (ISheetT::*op)(int, int, const char16_t*, IFormatT*))
{
    const CellArgs a = cellArgs(L);
    const char* text = argText(L, 4);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    bool ok = false;
    call(L, [&] { ok = (sheet->*op)(a.row, a.col, wideCellText(text), nullptr); });
    return one(L, ok);
}

int WriteString(lua_State* L) { return writeText(L, &ISheetT::writeString); }
int WriteFormula(lua_State* L) { return writeText(L, &ISheetT::writeFormula); }

int ReadNumber(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    double value = 0.0;
    IFormatT* format = nullptr;
    call(L, [&] { value = sheet->readNumber(a.row, a.col, &format); });
    lua_pushnumber(L, value);
    lua_pushboolean(L, format != nullptr);
    return 2;
}

int WriteNumber(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    const double value = argNumber(L, 4);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    bool ok = false;
    call(L, [&] { ok = sheet->writeNumber(a.row, a.col, value, nullptr); });
    return one(L, ok);
}

int ReadFormula(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    const std::string* text = nullptr;
    call(L, [&] { text = stage(sheet->readFormula(a.row, a.col, nullptr)); });
    // As ReadString: the text, and whether one came back.
    pushText(L, text);
    lua_pushboolean(L, text != nullptr);
    return 2;
}

int ReadBool(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    bool value = false;
    IFormatT* format = nullptr;
    call(L, [&] { value = sheet->readBool(a.row, a.col, &format); });
    pushInt(L, value ? 1 : 0);  // a number, not a boolean
    lua_pushboolean(L, format != nullptr);
    return 2;
}

int WriteBool(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    const std::int32_t value = argInt(L, 4);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    bool ok = false;
    call(L, [&] { ok = sheet->writeBool(a.row, a.col, value != 0, nullptr); });
    return one(L, ok);
}

int WriteBlank(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    const std::int32_t f = argInt(L, 4);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    IFormatT* format = formatOrNull(L, 4, f);
    bool ok = false;
    call(L, [&] { ok = sheet->writeBlank(a.row, a.col, format); });
    return one(L, ok);
}

int ClearCells(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::int32_t rowFirst = argInt(L, 2);
    const std::int32_t rowLast = argInt(L, 3);
    const std::int32_t colFirst = argInt(L, 4);
    const std::int32_t colLast = argInt(L, 5);
    if (h == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, h);
    call(L, [&] { (void)sheet->clearCells(rowFirst, rowLast, colFirst, colLast); });
    return one(L, true);
}

// A (sheet) function with one result computed by `get`.
template <class Get>
int sheetQuery(lua_State* L, Get get)
{
    const std::int32_t h = argInt(L, 1);
    if (h == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, h);
    return get(L, sheet);
}

int GetSheetName(lua_State* L)
{
    return sheetQuery(L, [](lua_State* S, ISheetT* sheet) {
        const std::string* text = nullptr;
        call(S, [&] { text = stage(sheet->name()); });
        pushText(S, text);
        return 1;
    });
}

int GetSheetIsHidden(lua_State* L)
{
    return sheetQuery(L, [](lua_State* S, ISheetT* sheet) {
        int state = 0;
        call(S, [&] { state = sheet->hidden(); });
        return one(S, state != 0);  // hidden and very hidden alike
    });
}

int GetSheetIsProtected(lua_State* L)
{
    return sheetQuery(L, [](lua_State* S, ISheetT* sheet) {
        bool v = false;
        call(S, [&] { v = sheet->isProtected(); });
        return one(S, v);
    });
}

// A (sheet) function giving one number from an int operation of the sheet.
int sheetNumber(lua_State* L, int (ISheetT::*op)())
{
    return sheetQuery(L, [op](lua_State* S, ISheetT* sheet) {
        std::int32_t v = 0;
        call(S, [&] { v = (sheet->*op)(); });
        return oneInt(S, v);
    });
}

int GetFirstRow(lua_State* L) { return sheetNumber(L, &ISheetT::firstRow); }
int GetLastRow(lua_State* L) { return sheetNumber(L, &ISheetT::lastRow); }
int GetFirstColumn(lua_State* L) { return sheetNumber(L, &ISheetT::firstColumn); }
int GetLastColumn(lua_State* L) { return sheetNumber(L, &ISheetT::lastColumn); }

// A (sheet, row, col) function giving one boolean.
int cellFlag(lua_State* L, bool (ISheetT::*op)(int, int))
{
    const CellArgs a = cellArgs(L);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    bool v = false;
    call(L, [&] { v = (sheet->*op)(a.row, a.col); });
    return one(L, v);
}

int GetCellIsDate(lua_State* L) { return cellFlag(L, &ISheetT::isDate); }
int GetCellIsFormula(lua_State* L) { return cellFlag(L, &ISheetT::isFormula); }

int GetCellType(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    std::int32_t type = 0;
    call(L, [&] { type = sheet->cellType(a.row, a.col); });
    return oneInt(L, type);
}

// A (sheet, index) function giving one boolean.
int lineFlag(lua_State* L, bool (ISheetT::*op)(int))
{
    const std::int32_t h = argInt(L, 1);
    const std::int32_t index = argInt(L, 2);
    if (h == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, h);
    bool v = false;
    call(L, [&] { v = (sheet->*op)(index); });
    return one(L, v);
}

int GetRowIsHidden(lua_State* L) { return lineFlag(L, &ISheetT::isRowHidden); }
int GetColumnIsHidden(lua_State* L) { return lineFlag(L, &ISheetT::isColumnHidden); }

int GetCellFormat(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    if (a.handle == 0) return 0;
    Target t;
    ISheetT* sheet = sheetAt(L, 1, a.handle, &t);
    std::int32_t format = 0;
    call(L, [&] { format = handleOf(Kind::format, sheet->cellFormat(a.row, a.col), t.book); });
    return oneInt(L, format);
}

int SetCellFormat(lua_State* L)
{
    const CellArgs a = cellArgs(L);
    const std::int32_t f = argInt(L, 4);
    if (a.handle == 0) return 0;
    ISheetT* sheet = sheetAt(L, 1, a.handle);
    if (f == 0) return 0;
    IFormatT* format = formatAt(L, 4, f);
    call(L, [&] { sheet->setCellFormat(a.row, a.col, format); });
    return 0;
}

// ---- formats -------------------------------------------------------------

int GetFormatNumFormat(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    if (h == 0) return 0;
    IFormatT* format = formatAt(L, 1, h);
    std::int32_t id = 0;
    call(L, [&] { id = format->numFormat(); });
    return oneInt(L, id);
}

int SetFormatNumFormat(lua_State* L)
{
    const std::int32_t h = argInt(L, 1);
    const std::int32_t id = argInt(L, 2);
    if (h == 0) return 0;
    IFormatT* format = formatAt(L, 1, h);
    call(L, [&] { format->setNumFormat(id); });
    return 0;
}

// ---- file system ---------------------------------------------------------

// The path goes through UTF-16 as every engine path does, so that these
// tests agree with what Load and Save find; a path that no file can have is
// neither.
int pathTest(lua_State* L, bool (*test)(const std::string&) noexcept)
{
    const std::string_view path = argPath(L, 1);
    bool v = false;
    call(L, [&] {
        try {
            v = test(pathToNative(pathFromNative(path)));
        } catch (const xlerror&) {
            v = false;
        }
    });
    return one(L, v);
}

int DirectoryExists(lua_State* L) { return pathTest(L, &directoryExists); }
int FileExists(lua_State* L) { return pathTest(L, &fileExists); }

const luaL_Reg functions[] = {
    {"CreateBook", CreateBook},
    {"CreateXMLBook", CreateXMLBook},
    {"Load", Load},
    {"Save", Save},
    {"BookRelease", BookRelease},
    {"ReadString", ReadString},
    {"WriteString", WriteString},
    {"ReadNumber", ReadNumber},
    {"WriteNumber", WriteNumber},
    {"ReadFormula", ReadFormula},
    {"WriteFormula", WriteFormula},
    {"ReadBool", ReadBool},
    {"WriteBool", WriteBool},
    {"WriteBlank", WriteBlank},
    {"ClearCells", ClearCells},
    {"GetSheetCount", GetSheetCount},
    {"GetSheetName", GetSheetName},
    {"GetSheetIsHidden", GetSheetIsHidden},
    {"GetSheetIsProtected", GetSheetIsProtected},
    {"GetFirstRow", GetFirstRow},
    {"GetLastRow", GetLastRow},
    {"GetFirstColumn", GetFirstColumn},
    {"GetLastColumn", GetLastColumn},
    {"GetErrorMessage", GetErrorMessage},
    {"GetCellIsDate", GetCellIsDate},
    {"GetCellIsFormula", GetCellIsFormula},
    {"GetCellType", GetCellType},
    {"GetRowIsHidden", GetRowIsHidden},
    {"GetColumnIsHidden", GetColumnIsHidden},
    {"GetCellFormat", GetCellFormat},
    {"SetCellFormat", SetCellFormat},
    {"AddSheet", AddSheet},
    {"InsertSheet", InsertSheet},
    {"DeleteSheet", DeleteSheet},
    {"GetSheet", GetSheet},
    {"GetActiveSheetNumber", GetActiveSheetNumber},
    {"SetActiveSheetNumber", SetActiveSheetNumber},
    {"BookAddFormat", BookAddFormat},
    {"BookGetCustomNumFormat", BookGetCustomNumFormat},
    {"BookAddCustomNumFormat", BookAddCustomNumFormat},
    {"GetPackedDate", GetPackedDate},
    {"GetUnpackedDate", GetUnpackedDate},
    {"GetFormatNumFormat", GetFormatNumFormat},
    {"SetFormatNumFormat", SetFormatNumFormat},
    {"DirectoryExists", DirectoryExists},
    {"FileExists", FileExists},
    {nullptr, nullptr},
};

}  // namespace

int openLibrary(lua_State* L)
{
    lua_newtable(L);  // the cell texts read lately, shared by every function
    luaL_openlib(L, "CelvoWrapper", functions, 1);
    return 1;
}

BookMakers defaultBookMakers() noexcept { return {&makeXlsBook, &makeXlsxBook}; }

void setBookMakers(BookMakers makers) noexcept
{
    xlsMaker.store(makers.xls);
    xlsxMaker.store(makers.xlsx);
}

}  // namespace celvo::lua
