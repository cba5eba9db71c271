-- The cell functions of the module over both formats: one table of writes
-- and reads run on a .xls and a .xlsx book, read back before and after a
-- save and a load; the .xlsx file checked by openpyxl (values and data
-- types). Where the formats differ by nature the table below says so.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local tmp = t.tempDir()

-- What differs between the two formats.
local formats = {
  xls = { create = m.CreateBook, rows = 65536, cols = 256 },
  xlsx = { create = m.CreateXMLBook, rows = 1048576, cols = 16384 },
}

-- kind, row, col, value written; `read` when it reads back otherwise,
-- `stored` when the .xlsx file holds another text, `csv` what LibreOffice
-- shows of a formula (strings, booleans and some numbers are shown below).
local cells = {
  { "string", 0, 0, "plain" },
  { "string", 0, 1, "  leading and trailing blanks  " },
  { "string", 0, 2, "math \240\157\148\184 and emoji \240\159\152\128" },
  { "string", 0, 3, "" },
  { "string", 0, 4, "plain" },
  { "number", 1, 0, 0.1 },
  { "number", 1, 1, 1e300 },
  { "number", 1, 2, -0.0 },
  { "number", 1, 3, -123456789.25 },
  { "bool", 2, 0, true },
  { "bool", 2, 1, false },
  { "formula", 3, 0, "=A2&\"x\"", read = "A2&\"x\"", csv = "0.1x" },
  { "formula", 3, 1, "IF(A2>=0.1;\"a;b\";B2)", read = "IF(A2>=0.1;\"a;b\";B2)", stored = "IF(A2>=0.1,\"a;b\",B2)",
    csv = "a;b" },
  { "formula", 3, 2, "SUM(A2:D2)*2", read = "SUM(A2:D2)*2" },
  { "formula", 3, 3, "'Other sheet'!A1+1", read = "'Other sheet'!A1+1", csv = "1" },
  { "number", 9, 7, 7 },
}
local types = { string = 2, number = 1, bool = 3 }

local function write(sheet, c)
  local kind, row, col, v = c[1], c[2], c[3], c[4]
  if kind == "string" then return m.WriteString(sheet, row, col, v) end
  if kind == "number" then return m.WriteNumber(sheet, row, col, v) end
  if kind == "bool" then return m.WriteBool(sheet, row, col, v and 1 or 0) end
  return m.WriteFormula(sheet, row, col, v)
end

local function readAll(name, book, sheet, when)
  for _, c in ipairs(cells) do
    local kind, row, col, v = c[1], c[2], c[3], c[4]
    local where = ("%s %s %s at %d,%d"):format(name, when, kind, row, col)
    if kind == "formula" then
      t.eq(m.GetCellIsFormula(sheet, row, col), true, "formula test of " .. where)
      t.eq(m.ReadFormula(sheet, row, col), c.read, "text of " .. where)
    else
      t.eq(m.GetCellType(sheet, row, col), types[kind], "type of " .. where)
      t.eq(m.GetCellIsFormula(sheet, row, col), false, "formula test of " .. where)
      if kind == "string" then
        t.eq(m.ReadString(sheet, row, col), v, "value of " .. where)
      elseif kind == "number" then
        local n = m.ReadNumber(sheet, row, col)
        t.eq(n, v, "value of " .. where)
        t.eq(1 / n, 1 / v, "sign of " .. where)
        t.eq(m.GetCellIsDate(sheet, row, col), false, "date test of " .. where)
      else
        t.eq(m.ReadBool(sheet, row, col), v and 1 or 0, "value of " .. where)
      end
    end
  end
  t.eq(m.GetCellType(sheet, 5, 5), 0, name .. " " .. when .. ": an empty cell")
  t.eq(m.GetErrorMessage(book), "ok", name .. " " .. when .. ": message of a read")
  t.eq(m.ReadNumber(sheet, 0, 0), 0, name .. " " .. when .. ": a string read as a number")
  t.eq(m.GetErrorMessage(book) ~= "ok", true, name .. " " .. when .. ": that read fails")
  t.eq({ m.GetFirstRow(sheet), m.GetLastRow(sheet), m.GetFirstColumn(sheet), m.GetLastColumn(sheet) },
    { 0, 10, 0, 8 }, name .. " " .. when .. ": used range")
end

-- testlib's eq compares tables by their items.
local function same(a, b)
  if type(a) ~= "table" then return a == b end
  for i = 1, math.max(#a, #b) do if a[i] ~= b[i] then return false end end
  return true
end
local eq = t.eq
t.eq = function(got, want, what)
  if type(want) == "table" then
    return eq(same(got, want), true, what .. (" (got %s)"):format(table.concat(got, ",")))
  end
  return eq(got, want, what)
end

for _, name in ipairs({ "xls", "xlsx" }) do
  local f = formats[name]
  local book = f.create()
  local sheet = m.AddSheet(book, "Cells")
  m.AddSheet(book, "Other sheet")
  for _, c in ipairs(cells) do
    t.eq(write(sheet, c), true, ("%s write %s at %d,%d: %s"):format(name, c[1], c[2], c[3], m.GetErrorMessage(book)))
  end
  -- Positions off the sheet and numbers a file can't hold are refused.
  local refusals = {
    { function() return m.WriteNumber(sheet, f.rows, 0, 1) end, ("row must be in range 0-%d"):format(f.rows - 1) },
    { function() return m.WriteString(sheet, 0, f.cols, "x") end, ("col must be in range 0-%d"):format(f.cols - 1) },
    { function() return m.WriteBool(sheet, -1, 0, 1) end, ("row must be in range 0-%d"):format(f.rows - 1) },
    { function() return m.WriteNumber(sheet, 5, 5, 1 / 0) end, "number is not finite" },
    { function() return m.WriteNumber(sheet, 5, 5, 0 / 0) end, "number is not finite" },
    { function() return m.WriteString(sheet, 5, 5, ("x"):rep(32768)) end, "string is too long" },
  }
  for i, r in ipairs(refusals) do
    t.eq(r[1](), false, name .. " refused write " .. i)
    t.eq(m.GetErrorMessage(book), r[2], name .. " message of refused write " .. i)
  end
  readAll(name, book, sheet, "written")

  local path = tmp .. "/cells." .. name
  t.eq(m.Save(book, path), true, name .. " Save: " .. m.GetErrorMessage(book))
  local again = f.create()
  t.eq(m.Load(again, path), true, name .. " Load: " .. m.GetErrorMessage(again))
  readAll(name, again, m.GetSheet(again, 0), "loaded")
  m.BookRelease(again)
  m.BookRelease(book)
end

-- openpyxl reads the same values and data types from the .xlsx file.
local expect = {}
for _, c in ipairs(cells) do
  local kind, row, col, v = c[1], c[2], c[3], c[4]
  local value = kind == "bool" and (v and "True" or "False") or kind == "formula" and ("=" .. (c.stored or c.read))
    or kind == "number" and ("%.17g"):format(v) or v
  local dtype = ({ string = "s", number = "n", bool = "b", formula = "f" })[kind]
  expect[#expect + 1] = ("%d\t%d\t%s\t%s"):format(row + 1, col + 1, dtype, value)
end
local f = assert(io.open(tmp .. "/expect.tsv", "wb"))
f:write(table.concat(expect, "\n"), "\n")
f:close()
local check = [[
import sys, warnings
warnings.simplefilter("ignore")
import openpyxl
ws = openpyxl.load_workbook(sys.argv[1])["Cells"]
bad = 0
for line in open(sys.argv[2], encoding="utf-8").read().splitlines():
    r, c, dtype, want = line.split("\t")
    cell = ws.cell(int(r), int(c))
    v = cell.value
    got = "%.17g" % v if isinstance(v, float) else str(v) if not isinstance(v, str) else v
    if cell.data_type == "n" and isinstance(v, int) and not isinstance(v, bool):
        got = "%.17g" % v
    if (cell.data_type, got) != (dtype, want):
        print("cell", r, c, "want", dtype, repr(want), "got", cell.data_type, repr(got))
        bad += 1
if bad == 0:
    print("END")
]]
f = assert(io.open(tmp .. "/check.py", "wb"))
f:write(check)
f:close()
t.checker(("%s %s %s %s"):format(t.python, t.quote(tmp .. "/check.py"), t.quote(tmp .. "/cells.xlsx"),
  t.quote(tmp .. "/expect.tsv")), "openpyxl reads the .xlsx cells")

-- LibreOffice shows the texts, booleans and numbers written, and computes
-- the formulas (the .xlsx file holds no cached results).
local shown = {}
for _, c in ipairs(cells) do
  local kind, v = c[1], c[4]
  local text = c.csv
  if kind == "string" then text = v
  elseif kind == "bool" then text = v and "TRUE" or "FALSE"
  elseif kind == "number" and (v == 0.1 or v == 7) then text = tostring(v)
  elseif kind == "number" and v == 1e300 then text = "1E+300" end
  if text then shown[#shown + 1] = { c[2] + 1, c[3] + 1, text } end
end
if not t.haveCommand("soffice") then
  t.skip("LibreOffice (soffice) is not installed")
else
  local out, status = t.run(("soffice -env:UserInstallation=file://%s/lo-profile --headless --convert-to %s --outdir %s %s")
    :format(tmp, t.quote("csv:Text - txt - csv (StarCalc):44,34,76"), t.quote(tmp .. "/csv"), t.quote(tmp .. "/cells.xlsx")))
  t.eq(status, 0, "LibreOffice converts the .xlsx file: " .. out)
  local rows = {}
  local f = io.open(tmp .. "/csv/cells.csv", "rb")
  t.eq(f ~= nil, true, "LibreOffice wrote the CSV of the first sheet")
  if f then
    for line in f:lines() do
      local fields, i = {}, 1
      while i <= #line + 1 do
        if line:sub(i, i) == '"' then
          local j, text = i + 1, ""
          while j <= #line do
            local ch = line:sub(j, j)
            if ch == '"' and line:sub(j + 1, j + 1) == '"' then text, j = text .. '"', j + 2
            elseif ch == '"' then break
            else text, j = text .. ch, j + 1 end
          end
          fields[#fields + 1] = text
          i = j + 2
        else
          local j = line:find(",", i, true) or #line + 1
          fields[#fields + 1] = line:sub(i, j - 1)
          i = j + 1
        end
      end
      rows[#rows + 1] = fields
    end
    f:close()
    for _, s in ipairs(shown) do
      t.eq((rows[s[1]] or {})[s[2]], s[3], ("LibreOffice shows row %d column %d"):format(s[1], s[2]))
    end
  end
end

t.finish("cells")
