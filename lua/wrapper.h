// The table "CelvoWrapper" and what the module needs around it.
#pragma once

#include <cstdint>

struct lua_State;

namespace celvo {
class IBookT;
}

namespace celvo::lua {

// Registers the 46 functions in the global table "CelvoWrapper" and leaves
// the table on the stack. Returns 1.
int openLibrary(lua_State* L);

// The makers behind CreateBook and CreateXMLBook: by default the .xls and
// .xlsx engines. Tests put makers of their own here.
using BookMaker = IBookT* (*)();
struct BookMakers {
    BookMaker xls;
    BookMaker xlsx;
};
BookMakers defaultBookMakers() noexcept;
void setBookMakers(BookMakers makers) noexcept;

// A Lua number taken as an integer argument: truncated toward zero to 64
// bits as the processor does (NaN, infinities and values outside the 64-bit
// range give INT64_MIN), then its low 32 bits.
inline std::int32_t truncateToInt32(double v) noexcept
{
    std::int64_t t = INT64_MIN;
    if (v >= -9223372036854775808.0 && v < 9223372036854775808.0) t = static_cast<std::int64_t>(v);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(t)));
}

}  // namespace celvo::lua
