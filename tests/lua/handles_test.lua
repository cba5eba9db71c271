-- Handles and integer arguments as the interpreter sees them: handle 0
-- gives no results, an unknown handle raises "invalid handle", arguments are
-- checked before anything else and integers are truncated as the processor
-- does.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

-- Every function that takes a handle first, with arguments of the right types.
local calls = {
  { "Load", "x.xls" }, { "Save", "x.xls" }, { "BookRelease" },
  { "ReadString", 1, 1 }, { "WriteString", 1, 1, "x" }, { "ReadNumber", 1, 1 },
  { "WriteNumber", 1, 1, 2.5 }, { "ReadFormula", 1, 1 }, { "WriteFormula", 1, 1, "A1" },
  { "ReadBool", 1, 1 }, { "WriteBool", 1, 1, 1 }, { "WriteBlank", 1, 1, 0 },
  { "ClearCells", 0, 1, 0, 1 }, { "GetSheetCount" }, { "GetSheetName" }, { "GetSheetIsHidden" },
  { "GetSheetIsProtected" }, { "GetFirstRow" }, { "GetLastRow" }, { "GetFirstColumn" },
  { "GetLastColumn" }, { "GetErrorMessage" }, { "GetCellIsDate", 1, 1 },
  { "GetCellIsFormula", 1, 1 }, { "GetCellType", 1, 1 }, { "GetRowIsHidden", 1 },
  { "GetColumnIsHidden", 1 }, { "GetCellFormat", 1, 1 }, { "SetCellFormat", 1, 1, 0 },
  { "AddSheet", "s" }, { "InsertSheet", 0, "s" }, { "DeleteSheet", 0 }, { "GetSheet", 0 },
  { "GetActiveSheetNumber" }, { "SetActiveSheetNumber", 0 }, { "BookAddFormat", 0 },
  { "BookGetCustomNumFormat", 164 }, { "BookAddCustomNumFormat", "0.00" },
  { "GetPackedDate", 2000, 1, 1, 0, 0, 0, 0 }, { "GetUnpackedDate", 36526.5 },
  { "GetFormatNumFormat" }, { "SetFormatNumFormat", 2 },
}

local function invoke(c, handle)
  return m[c[1]](handle, unpack(c, 2))
end

-- Values read as the handle 0 and as handles that were never given out.
local zeros = { 0, 0.5, -0.99, 2 ^ 32, -2 ^ 32, 2 ^ 63, 2 ^ 64, 1e300, -1e300 }
local unknown = { 2 ^ 31 - 1, -1, -2 ^ 31, 2 ^ 31, 2 ^ 32 - 1, 2 ^ 32 + 2 ^ 31 - 1 }

for _, c in ipairs(calls) do
  for _, h in ipairs(zeros) do
    local r = t.pack(invoke(c, h))
    t.eq(r.n, 0, ("%s(%s, ...) results"):format(c[1], tostring(h)))
  end
  for _, h in ipairs(unknown) do
    local err = t.errorOf(invoke, c, h) or "no error"
    t.eq(err:match("bad argument #1 to '[^']*' %(invalid handle%)") ~= nil, true,
         ("%s(%s, ...) raises: %s"):format(c[1], tostring(h), err))
  end
end

-- All arguments are read first: a wrong one raises even with handle 0.
local bad = {
  { { "WriteBool", 0, 1, 2, true }, "bad argument #4 to '[^']*' %(number expected, got boolean%)" },
  { { "WriteBool", 0, 1, 2, false }, "bad argument #4 to '[^']*' %(number expected, got boolean%)" },
  { { "ReadString", 0, 1 }, "bad argument #3 to '[^']*' %(number expected, got no value%)" },
  { { "WriteString", 0, 1, 1, {} }, "bad argument #4 to '[^']*' %(string expected, got table%)" },
  { { "GetPackedDate", 0, 2000, 1, 1, 0, 0, 0, "x" }, "bad argument #8 to '[^']*' %(number expected, got string%)" },
  { { "GetSheetCount", true }, "bad argument #1 to '[^']*' %(number expected, got boolean%)" },
  { { "GetSheetCount", nil }, "bad argument #1 to '[^']*' %(number expected, got no value%)" },
  { { "FileExists", true }, "bad argument #1 to '[^']*' %(string expected, got boolean%)" },
  -- NaN and the infinities are no whole numbers: not as a handle, a row, a
  -- column, an index or a date part.
  { { "GetSheetCount", 0 / 0 }, "bad argument #1 to '[^']*' %(finite number expected%)" },
  { { "GetSheetCount", 1 / 0 }, "bad argument #1 to '[^']*' %(finite number expected%)" },
  { { "WriteNumber", 0, 0 / 0, 1, 5 }, "bad argument #2 to '[^']*' %(finite number expected%)" },
  { { "ReadString", 0, 1, -1 / 0 }, "bad argument #3 to '[^']*' %(finite number expected%)" },
  { { "GetSheet", 0, 0 / 0 }, "bad argument #2 to '[^']*' %(finite number expected%)" },
  { { "GetPackedDate", 0, 2000, 1, 1, 0, 0, 0, 1 / 0 }, "bad argument #8 to '[^']*' %(finite number expected%)" },
  { { "WriteBool", 0, 1, 2, 0 / 0 }, "bad argument #4 to '[^']*' %(finite number expected%)" },
}
for _, b in ipairs(bad) do
  local c = b[1]
  local err = t.errorOf(m[c[1]], unpack(c, 2, table.maxn(c))) or "no error"
  t.eq(err:match(b[2]) ~= nil, true, c[1] .. " raises: " .. err)
end

-- A direct call names the function in the message.
local ok, err = pcall(function() local r = m.ReadString(987654, 0, 0) return r end)
t.eq(ok, false, "ReadString with an unknown handle fails")
t.eq(tostring(err):match("bad argument #1 to 'ReadString' %(invalid handle%)") ~= nil, true, tostring(err))

-- Strings that read as numbers are numbers, as in every Lua C function.
t.eq(t.pack(m.GetSheetCount("0")).n, 0, "handle given as the text '0'")

-- With an engine present: released and wrong-kind handles.
local book = m.CreateBook()
if book ~= 0 then
  local sheet = m.AddSheet(book, "one")
  t.eq(t.errorOf(m.GetSheetCount, sheet) ~= nil, true, "a sheet handle is no book")
  m.BookRelease(book)
  t.eq(t.errorOf(m.GetSheetCount, book) ~= nil, true, "a released book")
  t.eq(t.errorOf(m.GetSheetName, sheet) ~= nil, true, "a sheet of a released book")
end

-- A handle that has just answered stops answering the moment its object
-- goes, and never answers for another kind.
if book ~= 0 then
  local endings = {
    { "BookRelease ends the book's sheets", function(b) m.BookRelease(b) end },
    { "DeleteSheet ends the deleted sheet", function(b) m.DeleteSheet(b, 0) end },
    { "Load ends the sheets it replaces", function(b)
      local path = t.tempDir() .. "/replaced.xls"
      t.eq(m.Save(b, path), true, "Load ends the sheets it replaces: Save")
      t.eq(m.Load(b, path), true, "Load ends the sheets it replaces: Load")
    end },
  }
  for _, e in ipairs(endings) do
    local b = m.CreateBook()
    local s = m.AddSheet(b, "one")
    m.AddSheet(b, "two")
    t.eq(m.WriteNumber(s, 0, 0, 1.5), true, e[1] .. ": write before")
    t.eq(m.ReadNumber(s, 0, 0), 1.5, e[1] .. ": read before")
    t.eq(t.errorOf(m.GetSheetCount, s) ~= nil, true, e[1] .. ": the sheet handle is no book")
    t.eq(m.GetSheetName(s), "one", e[1] .. ": the sheet still answers after the wrong kind")
    e[2](b)
    t.eq(t.errorOf(m.ReadNumber, s, 0, 0) ~= nil, true, e[1] .. ": read after")
    pcall(m.BookRelease, b)  -- the first ending has released it already
    t.eq(t.errorOf(m.GetSheetCount, b) ~= nil, true, e[1] .. ": the released book")
  end
else
  print("no .xls engine in this build: released-handle checks left to the C++ tests")
end

t.finish("handles")
