-- Builds the Lua 5.1 module with CMake and installs it into a LuaRocks tree
-- as corvantis/ExcelLibrary_0/CelvoWrapper.so in the tree's Lua C module
-- folder:
--     luarocks make                      (the system tree, /usr/local)
--     luarocks make --tree <folder>      (a tree of one's own)
-- The build needs what the README's commands install (a C++17 compiler,
-- CMake, pkg-config, Python 3, and the development files of Lua 5.1, ICU,
-- zlib, libxml2, Boost.Filesystem, sparsehash, FreeType and fontconfig);
-- it uses as many jobs as CMAKE_BUILD_PARALLEL_LEVEL says (one when unset).
rockspec_format = "3.0"
package = "celvo"
version = "scm-1"
source = {
  url = ".",
}
description = {
  summary = "Excel workbooks (.xls and .xlsx) for Lua 5.1",
  detailed = [[
The Lua 5.1 module corvantis.ExcelLibrary_0.CelvoWrapper over a C++
spreadsheet engine that reads and writes .xls (BIFF8, BIFF5 read only)
and .xlsx books.]],
}
dependencies = {
  "lua >= 5.1, < 5.2",
}
build = {
  type = "cmake",
  variables = {
    CMAKE_BUILD_TYPE = "Release",
    CMAKE_INSTALL_PREFIX = "$(PREFIX)",
    -- The rock's library folder, which LuaRocks deploys to the tree's
    -- Lua C module folder.
    CELVO_LUA_CMOD_DIR = "$(LIBDIR)",
    CELVO_TESTS = "OFF",
  },
}
