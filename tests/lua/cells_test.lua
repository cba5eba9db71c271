-- The cell functions of the module over both formats: one table of writes
-- and reads run on a .xls and a .xlsx book, read back before and after a
-- save and a load; the .xlsx file checked by openpyxl (values and data
-- types). Where the formats differ by nature the table below says so.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local tmp = t.tempDir()

-- What differs between the two formats.
-- A blank needs a format in a .xlsx sheet; a .xls sheet gives it the default.
local formats = {
  xls = { create = m.CreateBook, rows = 65536, cols = 256, blankWithoutFormat = true },
  xlsx = { create = m.CreateXMLBook, rows = 1048576, cols = 16384, blankWithoutFormat = "format is null" },
}

-- The formats the table's cells take, made in each book: a built-in number
-- format, or a custom one by its text; `date` is what GetCellIsDate answers
-- for a number shown with it, `shown` what openpyxl calls the format.
local cellFormats = {
  date14 = { num = 14, date = true, shown = "mm-dd-yy" },
  fixed = { num = 2, date = false, shown = "0.00" },
  iso = { custom = "yyyy-mm-dd", date = true },
  red = { custom = "[Red]0.00", date = false },
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
  -- Cells with a format (`fmt`): given after the value, or before it
  -- (`formatFirst`), when the write keeps it.
  { "number", 4, 0, 45306, fmt = "date14", formatFirst = true, csv = "1/15/2024" },
  { "number", 4, 1, 45306.5, fmt = "iso", csv = "2024-01-15" },
  { "number", 4, 2, 1234.5, fmt = "fixed", csv = "1234.50" },
  { "number", 4, 3, 3.25, fmt = "red", formatFirst = true, csv = "3.25" },
  { "blank", 4, 4, nil, fmt = "fixed", csv = "" },
  { "blank", 4, 5, nil, fmt = "date14", csv = "" },
  { "string", 4, 6, "kept", fmt = "fixed", formatFirst = true },
  { "bool", 4, 7, true, fmt = "iso", csv = "1899-12-31" },
}
local types = { string = 2, number = 1, bool = 3, blank = 4 }

-- Makes the table's formats in a book: format handle and number format id
-- by name.
local function makeFormats(book)
  local made = {}
  for name, spec in pairs(cellFormats) do
    local format = m.BookAddFormat(book, 0)
    local id = spec.num or m.BookAddCustomNumFormat(book, spec.custom)
    m.SetFormatNumFormat(format, id)
    made[name] = { format = format, id = id }
  end
  return made
end

local function writeValue(sheet, c, made)
  local kind, row, col, v = c[1], c[2], c[3], c[4]
  if kind == "string" then return m.WriteString(sheet, row, col, v) end
  if kind == "number" then return m.WriteNumber(sheet, row, col, v) end
  if kind == "bool" then return m.WriteBool(sheet, row, col, v and 1 or 0) end
  if kind == "blank" then return m.WriteBlank(sheet, row, col, made[c.fmt].format) end
  return m.WriteFormula(sheet, row, col, v)
end

local function write(sheet, c, made)
  if c.fmt and c.formatFirst then m.SetCellFormat(sheet, c[2], c[3], made[c.fmt].format) end
  local ok = writeValue(sheet, c, made)
  if c.fmt and not c.formatFirst then m.SetCellFormat(sheet, c[2], c[3], made[c.fmt].format) end
  return ok
end

local function readAll(name, book, sheet, when, made)
  for _, c in ipairs(cells) do
    local kind, row, col, v = c[1], c[2], c[3], c[4]
    local where = ("%s %s %s at %d,%d"):format(name, when, kind, row, col)
    if c.fmt then
      local spec = cellFormats[c.fmt]
      local id = m.GetFormatNumFormat(m.GetCellFormat(sheet, row, col))
      t.eq(id, made[c.fmt].id, "number format of " .. where)
      if spec.custom then t.eq(m.BookGetCustomNumFormat(book, id), spec.custom, "custom format of " .. where) end
    end
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
        local date = c.fmt ~= nil and cellFormats[c.fmt].date
        t.eq(m.GetCellIsDate(sheet, row, col), date, "date test of " .. where)
      elseif kind == "blank" then
        t.eq(m.ReadNumber(sheet, row, col), 0, "number read of " .. where)
        t.eq(m.GetErrorMessage(book), "this cell doesn't contain a number", "message of the number read of " .. where)
        t.eq(m.GetCellIsDate(sheet, row, col), false, "date test of " .. where)
      else
        t.eq(m.ReadBool(sheet, row, col), v and 1 or 0, "value of " .. where)
      end
    end
  end
  t.eq(m.GetCellType(sheet, 5, 5), 0, name .. " " .. when .. ": an empty cell")
  t.eq(m.GetCellFormat(sheet, 5, 5), 0, name .. " " .. when .. ": no format of an empty cell")
  t.eq(m.GetErrorMessage(book), "empty cell", name .. " " .. when .. ": message of the format of an empty cell")
  t.eq(m.GetCellIsDate(sheet, 5, 5), false, name .. " " .. when .. ": an empty cell is no date")
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
  local made = makeFormats(book)
  for _, c in ipairs(cells) do
    t.eq(write(sheet, c, made), true, ("%s write %s at %d,%d: %s"):format(name, c[1], c[2], c[3], m.GetErrorMessage(book)))
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
  if f.blankWithoutFormat ~= true then
    refusals[#refusals + 1] = { function() return m.WriteBlank(sheet, 5, 5, 0) end, f.blankWithoutFormat }
  end
  for i, r in ipairs(refusals) do
    t.eq(r[1](), false, name .. " refused write " .. i)
    t.eq(m.GetErrorMessage(book), r[2], name .. " message of refused write " .. i)
  end
  readAll(name, book, sheet, "written", made)

  local path = tmp .. "/cells." .. name
  t.eq(m.Save(book, path), true, name .. " Save: " .. m.GetErrorMessage(book))
  local again = f.create()
  t.eq(m.Load(again, path), true, name .. " Load: " .. m.GetErrorMessage(again))
  readAll(name, again, m.GetSheet(again, 0), "loaded", made)
  m.BookRelease(again)
  m.BookRelease(book)
end

-- openpyxl reads the same values, data types and number formats from the
-- .xlsx file (a number shown as a date is a date to it), and xlrd the same
-- values and cell types (a blank is no cell to it, a formula without a
-- cached value is not read).
local expect = {}
for _, c in ipairs(cells) do
  local kind, row, col, v = c[1], c[2], c[3], c[4]
  local spec = c.fmt and cellFormats[c.fmt]
  local date = kind == "number" and spec and spec.date
  local value = kind == "bool" and (v and "True" or "False") or kind == "formula" and ("=" .. (c.stored or c.read))
    or kind == "number" and ("%.17g"):format(v) or kind == "blank" and "None" or v
  local dtype = date and "d" or ({ string = "s", number = "n", bool = "b", formula = "f", blank = "n" })[kind]
  local numFormat = spec and (spec.shown or spec.custom) or "General"
  expect[#expect + 1] = ("%d\t%d\t%s\t%s\t%s\t%s"):format(row + 1, col + 1, kind, dtype, value, numFormat)
end
local f = assert(io.open(tmp .. "/expect.tsv", "wb"))
f:write(table.concat(expect, "\n"), "\n")
f:close()
local check = [[
import datetime, math, sys, warnings
warnings.simplefilter("ignore")
import openpyxl, xlrd
ws = openpyxl.load_workbook(sys.argv[1])["Cells"]
xs = xlrd.open_workbook(sys.argv[1]).sheet_by_name("Cells")
bad = 0
def fail(*what):
    global bad
    print(*what)
    bad += 1
for line in open(sys.argv[2], encoding="utf-8").read().splitlines():
    r, c, kind, dtype, want, numFormat = line.split("\t")
    r, c = int(r), int(c)
    cell = ws.cell(r, c)
    v = cell.value
    if isinstance(v, datetime.datetime):
        serial = (v - datetime.datetime(1899, 12, 30)).total_seconds() / 86400
        got = "%.17g" % serial
    else:
        got = "%.17g" % v if isinstance(v, float) else str(v) if not isinstance(v, str) else v
    if cell.data_type == "n" and isinstance(v, int) and not isinstance(v, bool):
        got = "%.17g" % v
    if (cell.data_type, got, cell.number_format) != (dtype, want, numFormat):
        fail("openpyxl: cell", r, c, "want", dtype, repr(want), numFormat, "got", cell.data_type, repr(got),
             cell.number_format)
    if kind == "formula":
        continue
    try:
        x = xs.cell(r - 1, c - 1)
        xtype, xvalue = x.ctype, x.value
    except IndexError:
        xtype, xvalue = xlrd.XL_CELL_EMPTY, ""
    wtype = {"string": xlrd.XL_CELL_TEXT, "number": xlrd.XL_CELL_DATE if dtype == "d" else xlrd.XL_CELL_NUMBER,
             "bool": xlrd.XL_CELL_BOOLEAN, "blank": xlrd.XL_CELL_EMPTY}[kind]
    if kind == "string":
        wvalue = want
    elif kind == "number":
        wvalue = float(want)
    elif kind == "bool":
        wvalue = 1 if want == "True" else 0
    else:
        wvalue = ""
    same = xvalue == wvalue
    if kind == "number" and same:
        same = math.copysign(1, xvalue) == math.copysign(1, wvalue)
    if xtype != wtype or not same:
        fail("xlrd: cell", r, c, "want", wtype, repr(wvalue), "got", xtype, repr(xvalue))
if bad == 0:
    print("END")
]]
f = assert(io.open(tmp .. "/check.py", "wb"))
f:write(check)
f:close()
t.checker(("%s %s %s %s"):format(t.python, t.quote(tmp .. "/check.py"), t.quote(tmp .. "/cells.xlsx"),
  t.quote(tmp .. "/expect.tsv")), "openpyxl and xlrd read the .xlsx cells")

-- LibreOffice shows the texts, booleans and numbers written, numbers and
-- booleans through their formats (TRUE through a date format is the day of
-- serial 1), and computes the formulas (the .xlsx file holds no cached
-- results).
local shown = {}
for _, c in ipairs(cells) do
  local kind, v = c[1], c[4]
  local text = c.csv
  if c.csv then text = c.csv
  elseif kind == "string" then text = v
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
