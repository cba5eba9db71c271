-- ClearCells over both formats: one table of blocks cleared in turn on a
-- .xls and a .xlsx book, the cells left read back through the module and,
-- after a save, by the independent reader of each format (xlrd for .xls,
-- openpyxl for .xlsx). Where the formats differ by nature (the size of the
-- sheet) the table below says so.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local tmp = t.tempDir()

local formats = {
  xls = { create = m.CreateBook, rows = 65536, cols = 256 },
  xlsx = { create = m.CreateXMLBook, rows = 1048576, cols = 16384 },
}

-- The cells written first: row, column, value (a string, a number or a
-- formula as "=..."); "last" stands for the last row or column of the sheet.
local cells = {
  { 0, 0, 1 }, { 2, 2, 2 }, { 3, 3, 3 }, { 4, 4, 4 }, { 1, 5, 5 }, { 5, 1, "text" }, { 6, 0, "=SUM(A1:A2)" },
  { "last", "last", 9 },
}

-- Blocks cleared in turn (rowFirst, rowLast, colFirst, colLast; "past"
-- stands for a place beyond the sheet's end), with the message left and the
-- places of `cells` (by number) still holding a value after it.
local steps = {
  { 5, 2, 0, 0, "rowLast must be greater than or equal to rowFirst", { 1, 2, 3, 4, 5, 6, 7, 8 } },
  { 0, 0, 5, 2, "colLast must be greater than or equal to colFirst", { 1, 2, 3, 4, 5, 6, 7, 8 } },
  { 2, 2, 2, 2, "ok", { 1, 3, 4, 5, 6, 7, 8 } },
  { 3, 4, 3, 4, "ok", { 1, 5, 6, 7, 8 } },
  { -10, "past", 1, "past", "ok", { 1, 7 } },
}

local function place(v, size) return v == "last" and size - 1 or v end
local function bound(v, size) return v == "past" and size + 1000 or v end

for _, name in ipairs({ "xls", "xlsx" }) do
  local f = formats[name]
  local book = f.create()
  local sheet = m.AddSheet(book, "Clear")
  for _, c in ipairs(cells) do
    local row, col, v = place(c[1], f.rows), place(c[2], f.cols), c[3]
    if type(v) == "number" then m.WriteNumber(sheet, row, col, v)
    elseif v:sub(1, 1) == "=" then m.WriteFormula(sheet, row, col, v)
    else m.WriteString(sheet, row, col, v) end
    t.eq(m.GetErrorMessage(book), "ok", ("%s write at %d,%d"):format(name, row, col))
  end
  for s, step in ipairs(steps) do
    local what = ("%s step %d"):format(name, s)
    t.eq(m.ClearCells(sheet, bound(step[1], f.rows), bound(step[2], f.rows), bound(step[3], f.cols),
      bound(step[4], f.cols)), true, what .. ": ClearCells")
    t.eq(m.GetErrorMessage(book), step[5], what .. ": message")
    local left = {}
    for _, i in ipairs(step[6]) do left[i] = true end
    for i, c in ipairs(cells) do
      local row, col = place(c[1], f.rows), place(c[2], f.cols)
      t.eq(m.GetCellType(sheet, row, col) ~= 0, left[i] == true, ("%s: cell %d,%d"):format(what, row, col))
    end
  end
  t.eq(m.GetLastRow(sheet), 7, name .. ": the used rows shrink")
  t.eq(m.GetLastColumn(sheet), 1, name .. ": the used columns shrink")

  local path = tmp .. "/clear." .. name
  t.eq(m.Save(book, path), true, name .. " Save: " .. m.GetErrorMessage(book))
  m.BookRelease(book)
  local script = tmp .. "/cells.py"
  t.writeFile(script, [[
import sys, warnings
warnings.simplefilter("ignore")
path = sys.argv[1]
if path.endswith(".xlsx"):
    import openpyxl
    ws = openpyxl.load_workbook(path)["Clear"]
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                print("cell %d,%d %s" % (c.row - 1, c.column - 1, c.value))
else:
    import xlrd
    ws = xlrd.open_workbook(path).sheet_by_name("Clear")
    for r in range(ws.nrows):
        for c in range(ws.ncols):
            if ws.cell_type(r, c) not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                print("cell %d,%d %s" % (r, c, ws.cell_value(r, c)))
print("END")
]])
  local seen = t.checker(("%s %s %s"):format(t.python, t.quote(script), t.quote(path)),
    "the reader of " .. name .. " reads the cells left") or ""
  local lines = {}
  for line in seen:gmatch("cell ([^\n]*)") do lines[#lines + 1] = line end
  t.eq(#lines, 2, name .. ": two cells are left: " .. seen)
  t.eq(seen:find("cell 0,0 1", 1, true) ~= nil, true, name .. ": A1 stays")
  t.eq(seen:find("cell 6,0 ", 1, true) ~= nil, true, name .. ": the formula stays")
end

-- Blocks that lie partly or wholly off the sheet clear only their cells on
-- it: one is written at each corner of the sheet and one inside, each block
-- is cleared on a sheet holding all five, and the cells left are checked.
-- "last" is the last row or column and "past" the first place beyond it;
-- bounds of 2^32 and more reach the book by their low 32 bits, as every
-- whole-number argument does, so the first two wrapping blocks stand for
-- rows -20 to -10 and for rows beyond the sheet's end.
local edgeCells = { { 0, 0 }, { 0, "last" }, { "last", 0 }, { "last", "last" }, { 1, 1 } }
local TWO32 = 4294967296
local edgeBlocks = {
  { "rows -20 to -10", -20, -10, 0, "last", { 1, 2, 3, 4, 5 } },
  { "columns -20 to -1", 0, "last", -20, -1, { 1, 2, 3, 4, 5 } },
  { "rows past the last", "past", "past+10", 0, "last", { 1, 2, 3, 4, 5 } },
  { "first row beyond the last", "past", "past+1000000", -5, "last", { 1, 2, 3, 4, 5 } },
  { "first column beyond the last", -5, "last", "past", "past+20", { 1, 2, 3, 4, 5 } },
  { "rows of the lowest whole numbers", -2147483648, -1, 0, "last", { 1, 2, 3, 4, 5 } },
  { "wrapping to rows -20 to -10", TWO32 - 20, TWO32 - 10, 0, "last", { 1, 2, 3, 4, 5 } },
  { "wrapping to rows past the last", "past+2^32", "past+2^32+5", 0, "last", { 1, 2, 3, 4, 5 } },
  { "wrapping to columns -20 to -10", 0, "last", -TWO32 - 20, -TWO32 - 10, { 1, 2, 3, 4, 5 } },
  { "the first corner and before it", -5, 0, -5, 0, { 2, 3, 4, 5 } },
  { "the last corner and beyond it", "last", "past+10", "last", "past+10", { 1, 2, 3, 5 } },
  { "the first row, from before to beyond", 0, 0, -100, "past+100", { 3, 4, 5 } },
  { "everything and more", -2147483648, 2147483647, -2147483648, 2147483647, {} },
}

local function edge(v, size)
  if v == "last" then return size - 1 end
  if type(v) == "string" then
    local extra = v:match("^past%+2%^32%+?(%d*)$")
    if extra then return size + TWO32 + (tonumber(extra) or 0) end
    return size + (tonumber(v:match("^past%+?(%d*)$")) or 0)
  end
  return v
end

for _, name in ipairs({ "xls", "xlsx" }) do
  local f = formats[name]
  local book = f.create()
  local sheet = m.AddSheet(book, "Edges")
  for _, b in ipairs(edgeBlocks) do
    local what = ("%s: %s"):format(name, b[1])
    for i, c in ipairs(edgeCells) do
      t.eq(m.WriteNumber(sheet, edge(c[1], f.rows), edge(c[2], f.cols), i), true, what .. ": write " .. i)
    end
    t.eq(m.ClearCells(sheet, edge(b[2], f.rows), edge(b[3], f.rows), edge(b[4], f.cols), edge(b[5], f.cols)), true,
      what .. ": ClearCells")
    t.eq(m.GetErrorMessage(book), "ok", what .. ": message")
    local left = {}
    for _, i in ipairs(b[6]) do left[i] = true end
    for i, c in ipairs(edgeCells) do
      local row, col = edge(c[1], f.rows), edge(c[2], f.cols)
      t.eq(m.GetCellType(sheet, row, col) ~= 0, left[i] == true, ("%s: cell %d,%d"):format(what, row, col))
    end
  end
  m.BookRelease(book)
end

os.execute("rm -rf " .. tmp)
t.finish("clear cells")
