-- Books as other applications write them (see xlsx_compat_check.py, which
-- builds them): a book of Excel 2010 and later with embedded objects and
-- form controls in blocks of markup compatibility, a Gnumeric stylesheet
-- with border sides named start and end, and a package of the pre-standard
-- SpreadsheetML namespace. The first two load, read their cells and formats
-- through the module, and save with every part as it was (after
-- canonicalisation); openpyxl and LibreOffice read the saved books as the
-- originals. The last is refused with a message that says why.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local here = t.here()
local tmp = t.tempDir()
local checker = t.python .. " " .. t.quote(here .. "/xlsx_compat_check.py")

if not t.checker(checker .. " build " .. t.quote(tmp), "building the books") then
  t.finish("xlsx_compat_test")
end

-- What the cells of each book read: sheet, row, column, type and value
-- (a number format id for a number, where it matters).
local CELL = { number = 1, string = 2, bool = 3, formula = 5 }
local excel2010 = {
  file = "excel2010.xlsx",
  sheets = { "Objects", "Controls" },
  cells = {
    { "Objects", 0, 0, "string", "Name" },
    { "Objects", 0, 1, "number", 42.5 },
    { "Objects", 0, 2, "bool", 1 },
    { "Objects", 1, 0, "string", "first line\r\nsecond" },
    { "Objects", 1, 1, "number", 45000, numFmt = 14, date = true },
    { "Objects", 2, 0, "string", "total\r" },
    { "Objects", 2, 1, "formula", "B1*2", numFmt = 164 },
    { "Objects", 3, 0, "string", "in\rline" },
    { "Controls", 0, 0, "string", "Widget" },
    { "Controls", 0, 1, "number", 7 },
    { "Controls", 1, 0, "bool", 0 },
    { "Controls", 1, 1, "number", -1.25 },
  },
  hiddenRows = { { "Objects", 2 } },
  protected = { Objects = false, Controls = true },
}
-- The same book without its objects and controls.
local texts = {}
for k, v in pairs(excel2010) do texts[k] = v end
texts.file = "texts.xlsx"
local gnumeric = {
  file = "gnumeric.xlsx",
  sheets = { "Sheet1" },
  cells = {
    { "Sheet1", 0, 0, "string", "Share" },
    { "Sheet1", 0, 1, "number", 0.125, numFmt = 164, numFmtText = "0.00%" },
    { "Sheet1", 1, 0, "string", "Date" },
    { "Sheet1", 1, 1, "number", 45000, numFmt = 165, numFmtText = "yyyy-mm-dd", date = true },
    { "Sheet1", 2, 0, "number", 45001, numFmt = 14, date = true },
    { "Sheet1", 2, 1, "number", 3, numFmt = 0 },
  },
  hiddenRows = {},
  protected = { Sheet1 = false },
}
local books = { texts, gnumeric, excel2010 }

local function readCell(book, sheet, c)
  local row, col, kind, want = c[2], c[3], c[4], c[5]
  local what = ("%s %s!%d,%d"):format(book.file, c[1], row, col)
  if kind == "formula" then
    t.eq(m.GetCellIsFormula(sheet, row, col), true, what .. " is a formula")
    t.eq(m.ReadFormula(sheet, row, col), want, what .. " formula")
  else
    t.eq(m.GetCellType(sheet, row, col), CELL[kind], what .. " type")
    local got
    if kind == "number" then got = m.ReadNumber(sheet, row, col)
    elseif kind == "string" then got = m.ReadString(sheet, row, col)
    else got = m.ReadBool(sheet, row, col) end
    t.eq(got, want, what .. " value")
  end
  if c.numFmt then
    local fmt = m.GetCellFormat(sheet, row, col)
    t.eq(fmt ~= nil and fmt ~= 0, true, what .. " has a format")
    if fmt and fmt ~= 0 then t.eq(m.GetFormatNumFormat(fmt), c.numFmt, what .. " number format") end
  end
  if c.numFmtText then
    t.eq(m.BookGetCustomNumFormat(book.handle, c.numFmt), c.numFmtText, what .. " number format text")
  end
  if c.date ~= nil then t.eq(m.GetCellIsDate(sheet, row, col), c.date, what .. " is a date") end
end

-- Everything a book's table says, read through the module.
local function readBook(book, label)
  t.eq(m.GetSheetCount(book.handle), #book.sheets, label .. " sheet count")
  local sheets = {}
  for i, name in ipairs(book.sheets) do
    local s = m.GetSheet(book.handle, i - 1)
    t.eq(m.GetSheetName(s), name, label .. " sheet " .. i)
    sheets[name] = s
    t.eq(m.GetSheetIsProtected(s), book.protected[name], label .. " " .. name .. " protected")
  end
  for _, c in ipairs(book.cells) do readCell(book, sheets[c[1]], c) end
  for _, h in ipairs(book.hiddenRows) do
    t.eq(m.GetRowIsHidden(sheets[h[1]], h[2]), true, label .. " " .. h[1] .. " row " .. h[2] .. " hidden")
  end
end

for _, book in ipairs(books) do
  local original = tmp .. "/" .. book.file
  local saved = tmp .. "/saved-" .. book.file
  book.handle = m.CreateXMLBook()
  local loaded = m.Load(book.handle, original)
  t.eq(loaded, true, book.file .. " loads: " .. tostring(m.GetErrorMessage(book.handle)))
  if loaded then
    readBook(book, book.file)
    t.eq(m.Save(book.handle, saved), true, book.file .. " saves: " .. tostring(m.GetErrorMessage(book.handle)))
    -- The saved book loads and reads the same.
    local again = m.CreateXMLBook()
    t.eq(m.Load(again, saved), true, book.file .. " saved loads again")
    local first = book.handle
    book.handle = again
    readBook(book, "saved " .. book.file)
    book.handle = first
    m.BookRelease(again)
    local report = t.checker(("%s compare %s %s %s"):format(checker, t.quote(original), t.quote(saved),
      t.quote(tmp .. "/work-" .. book.file)), book.file .. " saved as it was, read alike by openpyxl and LibreOffice")
    if report then io.write(report) end
  end
  m.BookRelease(book.handle)
end

-- A package of the pre-standard namespace says why it is refused, and the
-- book stays as it was.
do
  local b = m.CreateXMLBook()
  local s = m.AddSheet(b, "Kept")
  m.WriteNumber(s, 0, 0, 5)
  t.eq(m.Load(b, tmp .. "/prestandard.xlsx"), false, "a pre-standard package is refused")
  local message = tostring(m.GetErrorMessage(b))
  t.eq(message:match("^part /xl/[%w/]+%.xml uses the pre%-standard SpreadsheetML namespace, which is not supported$")
    ~= nil, true, "the refusal says why: " .. message)
  t.eq(m.GetSheetCount(b), 1, "the refused load leaves the book")
  t.eq(m.ReadNumber(m.GetSheet(b, 0), 0, 0), 5, "the refused load leaves the cells")
  m.BookRelease(b)
end

os.execute("rm -rf " .. t.quote(tmp))
t.finish("xlsx_compat_test")
