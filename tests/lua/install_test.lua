-- The module installs where Lua finds it: `cmake --install` into a scratch
-- prefix puts it at lib/lua/5.1/corvantis/ExcelLibrary_0/CelvoWrapper.so
-- below the prefix, and a bare lua5.1 whose package.cpath is that prefix's
-- Lua C module folder only requires it and works books of both formats; a
-- default install (prefix /usr/local) lands in a folder on the stock
-- package.cpath. With CELVO_LUAROCKS_TEST=1, `luarocks make --tree` builds
-- the rockspec of the repository from a copy of the sources and installs
-- it into a scratch tree, where the same script finds it.
local t = require "testlib"
local q = t.quote

local build = os.getenv("CELVO_BUILD_DIR") or ""
local cmake = os.getenv("CELVO_CMAKE") or "cmake"
local source = os.getenv("CELVO_SOURCE_DIR") or ""
local lua = os.getenv("CELVO_LUA") or "lua5.1"
-- "LD_PRELOAD=..." under the sanitizers (the module needs their runtimes),
-- else empty.
local preload = os.getenv("CELVO_LUA_PRELOAD") or ""
t.eq(build ~= "" and source ~= "", true, "the test command gives the build and source folders")

local RELATIVE = "lib/lua/5.1/corvantis/ExcelLibrary_0/CelvoWrapper.so"
local tmp = t.tempDir()

-- What the installed module must do in a bare interpreter: load, register
-- its functions, and save and load back a book of each format.
local script = [[
local dir = ...
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"
local count = 0
for _, f in pairs(m) do if type(f) == "function" then count = count + 1 end end
local results = { "functions " .. count }
for _, fmt in ipairs({ { m.CreateBook, ".xls" }, { m.CreateXMLBook, ".xlsx" } }) do
  local book = fmt[1]()
  local sheet = m.AddSheet(book, "Installed")
  m.WriteString(sheet, 1, 1, "from the installed module")
  local path = dir .. "/installed" .. fmt[2]
  local saved = m.Save(book, path)
  local back = fmt[1]()
  local loaded = m.Load(back, path)
  results[#results + 1] = ("%s %s %s %s"):format(fmt[2], tostring(saved), tostring(loaded),
    tostring(m.ReadString(m.GetSheet(back, 0), 1, 1)))
  m.BookRelease(book)
  m.BookRelease(back)
end
print("INSTALLED-MODULE " .. table.concat(results, "; "))
]]
local scriptPath = tmp .. "/use.lua"
t.writeFile(scriptPath, script)
local WANT = "INSTALLED-MODULE functions 46; .xls true true from the installed module; "
  .. ".xlsx true true from the installed module"

-- Runs the script in a bare lua5.1 that looks for C modules in `cdir` only.
local function useFrom(cdir, what)
  local out, status = t.run(("env -u LUA_PATH -u LUA_CPATH -u LUA_INIT %s %s -e %s %s %s"):format(preload, q(lua),
    q(("package.path = '' package.cpath = %q"):format(cdir .. "/?.so")), q(scriptPath), q(tmp)))
  t.eq(status, 0, what .. ": exit status of lua5.1\n" .. out)
  t.eq(out:match("(INSTALLED%-MODULE[^\n]*)"), WANT, what .. ": the installed module at work")
end

-- cmake --install into a scratch prefix.
local prefix = tmp .. "/prefix"
local out, status = t.run(("%s --install %s --prefix %s"):format(q(cmake), q(build), q(prefix)))
t.eq(status, 0, "cmake --install\n" .. out)
t.eq(t.readFile(prefix .. "/" .. RELATIVE) ~= nil, true, "the module is at <prefix>/" .. RELATIVE)
local _, found = t.run("find " .. q(prefix) .. " -type f | grep -v " .. q("/" .. RELATIVE .. "$") .. " | grep -q .")
t.eq(found, 1, "the install puts nothing else under the prefix")
useFrom(prefix .. "/lib/lua/5.1", "cmake --install")

-- The default prefix of the build, and the stock package.cpath of lua5.1:
-- a default install is found with no setting.
local cache = t.readFile(build .. "/CMakeCache.txt") or ""
local default = cache:match("\nCMAKE_INSTALL_PREFIX:PATH=([^\n]*)")
t.eq(default, "/usr/local", "the default install prefix")
local cpath = t.run(("env -u LUA_CPATH -u LUA_INIT %s -e %s"):format(q(lua), q("io.write(package.cpath)")))
t.eq(((";" .. cpath .. ";"):find(";" .. (default or "?") .. "/lib/lua/5.1/?.so;", 1, true)) ~= nil, true,
  "the stock package.cpath (" .. cpath .. ") holds the default install's folder")

-- luarocks make, from a copy of the sources (the build leaves its folder
-- beside the rockspec), into a scratch tree. It needs no network: the only
-- dependency is Lua itself.
if os.getenv("CELVO_LUAROCKS_TEST") == "1" then
  if not t.haveCommand("luarocks") then
    t.eq(false, true, "luarocks is installed")
  else
    local copy, tree = tmp .. "/source", tmp .. "/tree"
    os.execute("mkdir -p " .. q(copy))
    out, status = t.run(("tar -C %s --exclude='./build*' --exclude='./.git' -cf - . | tar -C %s -xf -"):format(q(source),
      q(copy)))
    t.eq(status, 0, "copying the sources\n" .. out)
    -- luarocks is a Lua program itself: it runs without the test's Lua paths.
    out, status = t.run(("cd %s && env -u LUA_PATH -u LUA_CPATH -u LUA_INIT luarocks make --tree %s"):format(q(copy),
      q(tree)))
    t.eq(status, 0, "luarocks make\n" .. out:sub(-4000))
    t.eq(t.readFile(tree .. "/" .. RELATIVE) ~= nil, true, "the module is at <tree>/" .. RELATIVE)
    useFrom(tree .. "/lib/lua/5.1", "luarocks make")
    os.execute("rm -rf " .. q(copy))
  end
end

os.execute("rm -rf " .. q(tmp))
t.finish("install_test")
