-- Cells of every kind written into a new .xls book, saved, checked by the
-- independent readers (xlrd for values, cell types and formats, LibreOffice
-- for the texts it shows) and read back through the module.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local here = arg[0]:match("^(.*)/[^/]*$") or "."
local out = os.tmpname()
os.remove(out)
out = out .. ".xls"
local expectFile = out .. ".tsv"

local book = m.CreateBook()
local sheet = m.AddSheet(book, "Cells")
t.eq(sheet ~= 0, true, "AddSheet")

local dateFormat = m.BookAddFormat(book, 0)
m.SetFormatNumFormat(dateFormat, 14)
local blankFormat = m.BookAddFormat(book, 0)
m.SetFormatNumFormat(blankFormat, 10)

-- kind, row, col, value, and for the readers: the record of a number ("rk" or
-- "number") and the format index (a new book has 21 cell formats, so the two
-- added above are 21 and 22; cells without a format get 15).
local cells = {
  { "string", 0, 0, "plain ascii" },
  { "string", 0, 1, "Grüße, café" },
  { "string", 0, 2, "math 𝔸𝔹 and emoji 😀" },
  { "string", 0, 3, "" },
  { "number", 1, 0, 1.5, record = "rk" },
  { "number", 1, 1, 0.1, record = "number" },
  { "number", 1, 2, 1e300, record = "number" },
  { "number", 1, 3, -0.0, record = "rk" },
  { "number", 1, 4, -123456789.25, record = "number" },
  { "number", 1, 5, 2^40, record = "rk" },
  { "bool", 2, 0, true },
  { "bool", 2, 1, false },
  { "blank", 3, 0, nil, format = blankFormat, xf = 22 },
  { "date", 4, 0, m.GetPackedDate(book, 2024, 1, 15, 0, 0, 0, 0), format = dateFormat, xf = 21 },
  { "number", 65535, 255, 7, record = "rk" },
}

local function hex(s)
  return (s:gsub(".", function(c) return ("%02x"):format(c:byte()) end))
end

for _, c in ipairs(cells) do
  local kind, row, col, v = c[1], c[2], c[3], c[4]
  local ok
  if kind == "string" then ok = m.WriteString(sheet, row, col, v)
  elseif kind == "number" or kind == "date" then ok = m.WriteNumber(sheet, row, col, v)
  elseif kind == "bool" then ok = m.WriteBool(sheet, row, col, v and 1 or 0)
  elseif kind == "blank" then ok = m.WriteBlank(sheet, row, col, c.format)
  end
  t.eq(ok, true, ("write %s at %d,%d: %s"):format(kind, row, col, m.GetErrorMessage(book)))
  if kind == "date" then m.SetCellFormat(sheet, row, col, c.format) end
end

-- Positions off the sheet and values a file can't hold are refused.
local refusals = {
  { function() return m.WriteNumber(sheet, 65536, 0, 1) end, "row must be in range 0-65535" },
  { function() return m.WriteString(sheet, 0, 256, "x") end, "col must be in range 0-255" },
  { function() return m.WriteBool(sheet, -1, 0, 1) end, "row must be in range 0-65535" },
  { function() return m.WriteNumber(sheet, 9, 0, 1 / 0) end, "number is not finite" },
  { function() return m.WriteNumber(sheet, 9, 0, 0 / 0) end, "number is not finite" },
  { function() return m.WriteString(sheet, 9, 0, ("x"):rep(32768)) end, "string is too long" },
}
for i, r in ipairs(refusals) do
  t.eq(r[1](), false, "refused write " .. i)
  t.eq(m.GetErrorMessage(book), r[2], "message of refused write " .. i)
end
t.eq(m.GetCellType(sheet, 9, 0), 0, "a refused write leaves the cell empty")

t.eq(m.GetFormatNumFormat(m.GetCellFormat(sheet, 4, 0)), 14, "date cell format")
t.eq(m.GetCellIsDate(sheet, 4, 0), true, "date cell")
t.eq(m.GetCellIsDate(sheet, 1, 0), false, "plain number is no date")

t.eq(m.Save(book, out), true, "Save: " .. m.GetErrorMessage(book))

-- What the independent readers must find: row, col, type, hex value, format.
local f = assert(io.open(expectFile, "w"))
for _, c in ipairs(cells) do
  local kind, row, col, v = c[1], c[2], c[3], c[4]
  local value
  if kind == "string" then value = hex(v)
  elseif kind == "bool" then value = v and "1" or "0"
  elseif kind == "blank" then value = ""
  else value = ("%.17g"):format(v) end
  f:write(table.concat({ row, col, kind, value, c.record or "-", c.xf or 15 }, "\t"), "\n")
end
f:close()

local report = t.checker(("%s %s/xls_cells_check.py %s %s"):format(t.python, t.quote(here), t.quote(out),
  t.quote(expectFile)), "independent readers agree")
if report and report ~= "" then io.write(report) end

-- Reading back through the module.
local again = m.CreateBook()
t.eq(m.Load(again, out), true, "Load: " .. m.GetErrorMessage(again))
local s2 = m.GetSheet(again, 0)
t.eq(m.GetSheetName(s2), "Cells", "sheet name")
local types = { string = 2, number = 1, date = 1, bool = 3, blank = 4 }
for _, c in ipairs(cells) do
  local kind, row, col, v = c[1], c[2], c[3], c[4]
  local where = ("%s at %d,%d"):format(kind, row, col)
  t.eq(m.GetCellType(s2, row, col), types[kind], "type of " .. where)
  if kind == "string" then
    local text, got = m.ReadString(s2, row, col)
    t.eq(text, v, "value of " .. where)
    t.eq(got, true, "ReadString found " .. where)
  elseif kind == "number" or kind == "date" then
    local n = m.ReadNumber(s2, row, col)
    t.eq(n, v, "value of " .. where)
    t.eq(1 / n, 1 / v, "sign of " .. where)
  elseif kind == "bool" then
    t.eq(m.ReadBool(s2, row, col), v and 1 or 0, "value of " .. where)
  end
end
t.eq(m.GetFormatNumFormat(m.GetCellFormat(s2, 4, 0)), 14, "date format after load")
t.eq(m.GetCellIsDate(s2, 4, 0), true, "date after load")
t.eq(m.GetFormatNumFormat(m.GetCellFormat(s2, 3, 0)), 10, "blank format after load")
t.eq(m.GetFirstRow(s2), 0, "first row")
t.eq(m.GetLastRow(s2), 65536, "last row")
t.eq(m.GetFirstColumn(s2), 0, "first column")
t.eq(m.GetLastColumn(s2), 256, "last column")
t.eq(m.GetSheetIsProtected(s2), false, "not protected")
t.eq(m.GetRowIsHidden(s2, 0), false, "row not hidden")
t.eq(m.GetColumnIsHidden(s2, 0), false, "column not hidden")

-- Clearing the far corner shrinks the used range.
t.eq(m.ClearCells(s2, 65535, 65535, 255, 255), true, "ClearCells")
t.eq(m.GetCellType(s2, 65535, 255), 0, "cleared cell")
t.eq(m.GetLastRow(s2), 5, "last row after clearing")
t.eq(m.GetLastColumn(s2), 6, "last column after clearing")

m.BookRelease(again)
m.BookRelease(book)
os.remove(out)
os.remove(expectFile)
t.finish("xls_cells")
