-- The module loads in the stock interpreter, registers its table and
-- exports nothing but its loader.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local expected = {
  "CreateBook", "CreateXMLBook", "Load", "Save", "BookRelease", "ReadString", "WriteString",
  "ReadNumber", "WriteNumber", "ReadFormula", "WriteFormula", "ReadBool", "WriteBool",
  "WriteBlank", "ClearCells", "GetSheetCount", "GetSheetName", "GetSheetIsHidden",
  "GetSheetIsProtected", "GetFirstRow", "GetLastRow", "GetFirstColumn", "GetLastColumn",
  "GetErrorMessage", "GetCellIsDate", "GetCellIsFormula", "GetCellType", "GetRowIsHidden",
  "GetColumnIsHidden", "GetCellFormat", "SetCellFormat", "AddSheet", "InsertSheet",
  "DeleteSheet", "GetSheet", "GetActiveSheetNumber", "SetActiveSheetNumber", "BookAddFormat",
  "BookGetCustomNumFormat", "BookAddCustomNumFormat", "GetPackedDate", "GetUnpackedDate",
  "GetFormatNumFormat", "SetFormatNumFormat", "DirectoryExists", "FileExists",
}

t.eq(type(m), "table", "require result")
t.eq(rawequal(m, CelvoWrapper), true, "the global CelvoWrapper is the module's table")
t.eq(rawequal(package.loaded["corvantis.ExcelLibrary_0.CelvoWrapper"], m), true, "package.loaded")

local want = {}
for _, name in ipairs(expected) do
  want[name] = true
  t.eq(type(m[name]), "function", name)
end
for name, v in pairs(m) do
  t.eq(want[name], true, "unexpected entry " .. tostring(name) .. " (" .. type(v) .. ")")
end

-- Loading a second time gives the same table.
t.eq(rawequal(require "corvantis.ExcelLibrary_0.CelvoWrapper", m), true, "second require")

-- The shared object: one exported symbol, and no Lua library of its own.
local so = os.getenv("CELVO_MODULE_DIR") .. "/corvantis/ExcelLibrary_0/CelvoWrapper.so"
-- The lines a tool prints; the tool must succeed.
local function lines(cmd)
  local text, status = t.run(cmd)
  t.eq(status, 0, cmd .. " succeeds: " .. text)
  local out = {}
  for l in text:gmatch("[^\n]+") do out[#out + 1] = l end
  return out
end
local exported = {}
for _, l in ipairs(lines("nm -D --defined-only '" .. so .. "'")) do
  local kind, name = l:match("^%x*%s+(%a)%s+(%S+)$")
  if kind and kind:match("[TDBRWVi]") then exported[#exported + 1] = name end
end
t.eq(#exported, 1, "exported symbols: " .. table.concat(exported, " "))
t.eq(exported[1], "luaopen_corvantis_ExcelLibrary_0_CelvoWrapper", "the exported symbol")
local needs = {}
for _, l in ipairs(lines("objdump -p '" .. so .. "'")) do
  local needed = l:match("NEEDED%s+(%S+)")
  if needed then
    needs[#needs + 1] = needed
    t.eq(needed:find("lua") == nil, true, "links " .. needed)
  end
end
-- Seeing the C library proves the list was read at all.
t.eq(table.concat(needs, " "):find("libc%.so") ~= nil, true, "the libraries it needs were listed: " ..
  table.concat(needs, " "))

t.finish("module")
