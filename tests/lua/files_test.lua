-- FileExists and DirectoryExists over a small tree of real paths: any
-- failing query answers false and raises nothing.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local function sh(cmd)
  local p = assert(io.popen(cmd))
  local out = p:read("*a")
  p:close()
  return (out:gsub("%s+$", ""))
end

local root = sh("mktemp -d /tmp/celvo-lua-files-XXXXXX")
assert(root ~= "", "mktemp")
local function q(p) return "'" .. p:gsub("'", "'\\''") .. "'" end
local function path(p) return root .. "/" .. p end

local smile = "\240\159\152\128"  -- U+1F600, outside the Basic Multilingual Plane
assert(os.execute(table.concat({
  "cd " .. q(root),
  "echo x > file",
  "mkdir dir",
  "echo x > " .. q(smile .. ".txt"),
  "mkdir " .. q("d" .. smile),
  "mkfifo fifo",
  "ln -s dir dirlink",
  "ln -s file filelink",
  "ln -s missing dangling",
  "ln -s loop loop",
  "mkdir locked && echo x > locked/inner && chmod 000 locked",
}, " && ")) == 0, "building the tree")

local long = ("n"):rep(300)
local cases = {
  -- path, FileExists, DirectoryExists
  { path("file"), true, false },
  { path("dir"), false, true },
  { path("dir/"), false, true },
  { root, false, true },
  { path("missing"), false, false },
  { path("file/below"), false, false },
  { path(smile .. ".txt"), true, false },
  { path("d" .. smile), false, true },
  { path("fifo"), true, false },
  { path("dirlink"), false, true },
  { path("filelink"), true, false },
  { path("dangling"), false, false },
  { path("loop"), false, false },
  { path("loop/x"), false, false },
  { path(long), false, false },
  { path(long .. "/x"), false, false },
  { "", false, false },
  { path("file\0trailing"), false, false },  -- a NUL byte is never cut off: no file has it
}
-- A component that cannot be searched hides what is below it. Root is not
-- held back by permissions, so as root the check runs in a child
-- interpreter with the rights of "nobody".
local locked = path("locked/inner")
if sh("id -u") ~= "0" then
  cases[#cases + 1] = { locked, false, false }
else
  local interp = arg[-1] or "lua5.1"
  local probe = "local m = require 'corvantis.ExcelLibrary_0.CelvoWrapper' io.write('LOADED ') io.flush() " ..
    "local ok1, f = pcall(m.FileExists, " .. ("%q"):format(locked) .. ") " ..
    "local ok2, d = pcall(m.DirectoryExists, " .. ("%q"):format(locked) .. ") " ..
    "io.write('RESULT ', tostring(ok1 and ok2), ' ', tostring(f), ' ', tostring(d))"
  os.execute("chmod 755 " .. q(root))
  local got = sh("setpriv --reuid=65534 --regid=65534 --clear-groups " .. q(interp) .. " -e " .. q(probe) ..
    " 2>/dev/null")
  if got:match("^LOADED") then
    t.eq(got, "LOADED RESULT true false false", "the unreadable component, as nobody")
  else
    t.skip("the module cannot be loaded as nobody here (" .. got .. "): the unreadable-component case cannot run")
  end
end

for _, c in ipairs(cases) do
  local shown = c[1]:gsub("%z", "\\0")
  local ok1, file = pcall(m.FileExists, c[1])
  local ok2, dir = pcall(m.DirectoryExists, c[1])
  t.eq(ok1 and ok2, true, "no error for " .. shown)
  t.eq(file, c[2], "FileExists(" .. shown .. ")")
  t.eq(dir, c[3], "DirectoryExists(" .. shown .. ")")
end

-- A number given as the path is taken in its string form.
t.eq(m.FileExists(12345), false, "FileExists(12345)")

os.execute("chmod -R u+rwx " .. q(root) .. " && rm -rf " .. q(root))
t.finish("files")
