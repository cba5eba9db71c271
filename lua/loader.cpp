// The module's one exported symbol: the loader that `require
// "corvantis.ExcelLibrary_0.CelvoWrapper"` runs.
#include "wrapper.h"

extern "C" __attribute__((visibility("default"))) int
luaopen_corvantis_ExcelLibrary_0_CelvoWrapper(lua_State* L)
{
    return celvo::lua::openLibrary(L);
}
