-- The book functions of the module over both formats: one table of cases
-- run on a .xls and a .xlsx book: sheets, names, the active sheet, custom
-- number formats, dates, saving and loading, loads that fail; the saved
-- file as the format's independent reader (xlrd, openpyxl) and LibreOffice
-- see it, and a file LibreOffice made passed through. Where the formats
-- differ by nature, the table `formats` says so.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local here = t.here()
local python = t.python
local tmp = t.tempDir()
local run = t.run
local readFile, writeFile = t.readFile, t.writeFile
t.requireLibreOffice()

-- LibreOffice with a profile of its own, so that runs never share one.
local function soffice(args)
  return run("soffice -env:UserInstallation=file://" .. tmp .. "/lo-profile --headless " .. args)
end

local smile = "Smile \240\159\152\128"
local long = "Quarterly figures of the north-east region"

-- What xlrd reads of a .xls file (see xlrd_dump.py); "" when it fails.
local function xlrdDump(file, extra, what)
  return t.checker(python .. " " .. t.quote(here .. "/../xls/xlrd_dump.py") .. " " .. t.quote(file) .. (extra or ""),
    what) or ""
end

-- What openpyxl reads of a .xlsx file: the sheets, the active one, their
-- states, and with "cells" every cell's value; "" when it fails.
local openpyxlScript = tmp .. "/openpyxl_view.py"
writeFile(openpyxlScript, [[
import sys, warnings
warnings.simplefilter("ignore")
import openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print("sheets: " + "|".join(wb.sheetnames))
print("active: " + wb.active.title)
print("states: " + ",".join(ws.sheet_state for ws in wb.worksheets))
if len(sys.argv) > 2:
    for ws in wb.worksheets:
        for row in ws.iter_rows():
            for cell in row:
                if cell.value is not None:
                    print("cell %s!%d,%d: %r %s" % (ws.title, cell.row - 1, cell.column - 1, cell.value, cell.number_format))
print("END")
]])
local function openpyxlView(file, extra, what)
  return t.checker(python .. " " .. t.quote(openpyxlScript) .. " " .. t.quote(file) .. (extra or ""), what) or ""
end

-- What differs between the formats.
local formats = {
  {
    ext = "xls", create = m.CreateBook,
    firstCustom = 164,  -- the first id of a custom number format
    -- The independent reader's view of the saved book.
    view = xlrdDump,
    saved = {
      "sheets: Alpha|" .. smile .. "|" .. long:sub(1, 31),
      "visibility: 0,0,0",
      "selected: 1",
      "xfs: 21",
      "fonts: 5",
      "font0: Arial 200",
      "format 164: 0.000",
      "format 165: #,##0.0 \"kg\"",
    },
    -- What the reader shows of a cell of the LibreOffice file.
    loCell = "cell Numbers!1,1: 2 3.14159",
    -- A load that fails: the first bytes of a saved book, and a saved book made encrypted.
    cut = 700,
    encrypted = function(saved)
      -- The BACKUP record turned into FILEPASS (same length).
      local at = saved:find("\64\0\2\0\0\0", 513, true)
      return saved:sub(1, at - 1) .. "\47" .. saved:sub(at + 1)
    end,
    encryptedMessage = "workbook is encrypted",
    otherFormatMessage = "invalid file format",
    -- Books of other programs: hidden sheets (and a chart sheet, which the
    -- .xls engine reads as a sheet without cells), and a protected sheet.
    hidden = { "xls/calamine__any_sheets.xls", "Visible=false,Hidden=true,VeryHidden=true,Chart=false" },
    protected = { "xls/sheetjs__BlankSheetTypes.xls", 3 },
  },
  {
    ext = "xlsx", create = m.CreateXMLBook,
    firstCustom = 166,
    view = openpyxlView,
    saved = {
      "sheets: Alpha|" .. smile .. "|" .. long:sub(1, 31),
      "active: " .. smile,
      "states: visible,visible,visible",
    },
    loCell = "cell Numbers!1,1: 3.14159 0.000",
    cut = 300,
    -- An encrypted package is a compound document: a .xls file is one too.
    encrypted = nil,
    encryptedMessage = nil,
    otherFormatMessage = "the file is a compound document (an encrypted workbook or a .xls file), not a package",
    hidden = { "xlsx/sheetjs__sheet_visibility.xlsx", "Visible=false,Hidden=true,VeryHidden=true" },
    protected = { "xlsx/poi__sheetProtection_allLocked.xlsx", 0 },
  },
}

-- openpyxl's view of LibreOffice's own .xlsx of a book.
local function libreOfficeView(path, name)
  os.execute("mkdir -p " .. tmp .. "/lo")
  local out = soffice("--convert-to xlsx --outdir " .. tmp .. "/lo " .. path)
  return openpyxlView(tmp .. "/lo/" .. name .. ".xlsx", nil, "openpyxl reads LibreOffice's .xlsx of " .. path), out
end

local saved = {}  -- the saved book of each format, by extension

for _, f in ipairs(formats) do
  local ext = f.ext
  local function is(what) return ext .. ": " .. what end

  local book = f.create()
  t.eq(book ~= 0, true, is("the create function gives a book"))
  t.eq(m.GetErrorMessage(book), "ok", is("message of a new book"))
  t.eq(m.GetSheetCount(book), 0, is("a new book has no sheet"))
  t.eq(m.Save(book, tmp .. "/empty." .. ext), false, is("a book without sheets is not saved"))
  t.eq(m.GetErrorMessage(book), "a workbook without sheets can't be saved", is("its message"))

  -- Sheets.
  local a = m.AddSheet(book, "Alpha")
  t.eq(m.GetErrorMessage(book), "ok", is("AddSheet message"))
  local s = m.AddSheet(book, smile)
  t.eq(m.GetSheetName(s), smile, is("a name outside the Basic Multilingual Plane"))
  local cut = m.AddSheet(book, long)
  t.eq(m.GetErrorMessage(book), "warning: sheet's name is cut to 31 characters", is("cut warning"))
  t.eq(m.GetSheetName(cut), long:sub(1, 31), is("name cut to 31 units"))
  t.eq(m.AddSheet(book, "ALPHA"), 0, is("a name that differs in letter case only"))
  t.eq(m.GetErrorMessage(book), "book already contains such sheet name", is("duplicate message"))
  local extra = m.AddSheet(book, "Scratch")
  t.eq(m.GetSheetCount(book), 4, is("four sheets"))
  t.eq(m.DeleteSheet(book, 3), 1, is("DeleteSheet gives 1"))
  t.eq(m.DeleteSheet(book, 7), 0, is("DeleteSheet out of range gives 0"))
  t.eq(m.GetErrorMessage(book), "index is out of range", is("delete message"))
  t.eq(m.GetSheetCount(book), 3, is("three sheets left"))
  t.eq(t.errorOf(m.GetSheetName, extra) ~= nil, true, is("the deleted sheet's handle is gone"))
  m.SetActiveSheetNumber(book, 1)
  t.eq(m.GetActiveSheetNumber(book), 1, is("active sheet"))
  m.SetActiveSheetNumber(book, 3)
  t.eq(m.GetErrorMessage(book), "index is out of range", is("active sheet out of range"))
  t.eq(m.GetActiveSheetNumber(book), 1, is("active sheet unchanged"))
  t.eq(m.GetSheetIsHidden(a), false, is("visible sheet"))
  t.eq(m.GetSheetIsProtected(a), false, is("unprotected sheet"))
  t.eq(m.GetSheet(book, 2), cut, is("the same sheet gives the same handle"))
  t.eq(m.GetSheet(book, 3), 0, is("no sheet past the last"))
  t.eq(m.GetErrorMessage(book), "index is out of range", is("GetSheet message"))

  -- A sheet inserted before the others: the handles stay on their sheets
  -- and the active sheet stays the same sheet.
  m.InsertSheet(book, 0, "First")
  t.eq(m.GetErrorMessage(book), "ok", is("InsertSheet message"))
  t.eq(m.GetSheetName(m.GetSheet(book, 0)), "First", is("inserted sheet"))
  t.eq(m.GetSheetName(a), "Alpha", is("Alpha's handle after the insert"))
  t.eq(m.GetSheetName(s), smile, is("the second handle after the insert"))
  t.eq(m.GetActiveSheetNumber(book), 2, is("the active sheet moved with its sheet"))
  t.eq(m.DeleteSheet(book, 0), 1, is("the inserted sheet deleted"))
  t.eq(m.GetActiveSheetNumber(book), 1, is("and the active sheet still on its sheet"))

  -- Custom number formats.
  local first, second = f.firstCustom, f.firstCustom + 1
  t.eq(m.BookAddCustomNumFormat(book, "0.000"), first, is("first custom format"))
  t.eq(m.BookAddCustomNumFormat(book, "#,##0.0 \"kg\""), second, is("second custom format"))
  t.eq(m.BookAddCustomNumFormat(book, "0.000"), first, is("the first again"))
  t.eq(m.BookGetCustomNumFormat(book, second), "#,##0.0 \"kg\"", is("text of the second"))
  t.eq(m.BookGetCustomNumFormat(book, 7), nil, is("no format 7"))
  t.eq(m.GetErrorMessage(book), "custom number format not found", is("missing format message"))

  -- Dates: serial 1 is 1900-01-01 and 60 the 29th of February 1900.
  local dates = {
    { { 1900, 1, 1, 0, 0, 0, 0 }, 1 }, { { 1900, 2, 28, 0, 0, 0, 0 }, 59 }, { { 1900, 2, 29, 0, 0, 0, 0 }, 60 },
    { { 1900, 3, 1, 0, 0, 0, 0 }, 61 }, { { 2000, 1, 1, 12, 0, 0, 0 }, 36526.5 }, { { 0, 0, 0, 6, 0, 0, 0 }, 0.25 },
    { { 2024, 12, 31, 18, 30, 0, 0 }, 45657.770833333336 },
  }
  for _, d in ipairs(dates) do
    local p = d[1]
    local serial = m.GetPackedDate(book, p[1], p[2], p[3], p[4], p[5], p[6], p[7])
    t.eq(math.abs(serial - d[2]) < 1e-9, true, is(("packed %d-%d-%d: %s"):format(p[1], p[2], p[3], tostring(serial))))
    local back = { m.GetUnpackedDate(book, d[2]) }
    t.eq(table.concat(back, ","), table.concat(p, ","), is("unpacked " .. d[2]))
  end

  -- Saved, then seen by the independent reader.
  local path = tmp .. "/book." .. ext
  t.eq(m.Save(book, path), true, is("Save"))
  t.eq(m.GetErrorMessage(book), "ok", is("save message"))
  saved[ext] = path
  t.eq(f.view(path, nil, is("the reader reads the saved book")), table.concat(f.saved, "\n") .. "\n",
    is("the reader's view of the saved book"))

  -- LibreOffice converts it: to a spreadsheet document; each sheet to CSV
  -- under its name; and to its own .xlsx, with the sheets in their order
  -- and the active one.
  local converted = soffice("--convert-to ods --outdir " .. tmp .. " " .. path)
  t.eq(readFile(tmp .. "/book.ods") ~= nil, true, is("LibreOffice converted the book: " .. converted))
  os.remove(tmp .. "/book.ods")
  local out = soffice("--convert-to 'csv:Text - txt - csv (StarCalc):44,34,UTF8,1,,0,false,true,false,false,false,-1' "
    .. "--outdir " .. tmp .. " " .. path)
  for _, name in ipairs({ "Alpha", smile, long:sub(1, 31) }) do
    t.eq(readFile(tmp .. "/book-" .. name .. ".csv") ~= nil, true, is("LibreOffice wrote the sheet " .. name .. ": " .. out))
    os.remove(tmp .. "/book-" .. name .. ".csv")
  end
  local lo, loOut = libreOfficeView(path, "book")
  t.eq(lo, table.concat({ "sheets: Alpha|" .. smile .. "|" .. long:sub(1, 31), "active: " .. smile,
    "states: visible,visible,visible" }, "\n") .. "\n", is("LibreOffice's sheets, their order and the active one: " .. loOut))

  -- Loaded back.
  local back = f.create()
  t.eq(m.Load(back, path), true, is("Load"))
  t.eq(m.GetErrorMessage(back), "ok", is("load message"))
  t.eq(m.GetSheetCount(back), 3, is("sheets loaded"))
  t.eq(m.GetSheetName(m.GetSheet(back, 1)), smile, is("name loaded"))
  t.eq(m.GetActiveSheetNumber(back), 1, is("active sheet loaded"))
  t.eq(m.BookGetCustomNumFormat(back, first), "0.000", is("custom format loaded"))
  local fmt = m.BookAddFormat(back, 0)
  t.eq(fmt ~= 0, true, is("BookAddFormat"))
  m.SetFormatNumFormat(fmt, second)
  t.eq(m.GetFormatNumFormat(fmt), second, is("format's number format"))

  -- Loads that fail leave the book as it was, handles and all, with their message.
  local kept = m.GetSheet(back, 2)
  local bytes = readFile(path)
  writeFile(tmp .. "/truncated." .. ext, bytes:sub(1, f.cut))
  writeFile(tmp .. "/text." .. ext, "not a package at all")
  local failures = {
    { tmp .. "/missing." .. ext, "can't open file for reading" },
    { tmp, "can't open file for reading" },
    { tmp .. "/truncated." .. ext, nil },
    { tmp .. "/text." .. ext, "invalid file format" },
  }
  if f.encrypted then
    writeFile(tmp .. "/encrypted." .. ext, f.encrypted(bytes))
    failures[#failures + 1] = { tmp .. "/encrypted." .. ext, f.encryptedMessage }
  end
  -- The other format's book (saved before).
  for otherExt, otherPath in pairs(saved) do
    if otherExt ~= ext then failures[#failures + 1] = { otherPath, f.otherFormatMessage } end
  end
  for _, x in ipairs(failures) do
    t.eq(m.Load(back, x[1]), false, is("Load fails: " .. x[1]))
    if x[2] then
      t.eq(m.GetErrorMessage(back), x[2], is("message for " .. x[1]))
    else
      t.eq(m.GetErrorMessage(back) ~= "ok", true, is("message for " .. x[1] .. ": " .. m.GetErrorMessage(back)))
    end
    t.eq(m.GetSheetCount(back), 3, is("the sheets stay after " .. x[1]))
    t.eq(m.GetSheetName(m.GetSheet(back, 1)), smile, is("the names stay after " .. x[1]))
    t.eq(m.GetSheetName(kept), long:sub(1, 31), is("handle kept after " .. x[1]))
    t.eq(m.GetFormatNumFormat(fmt), second, is("the format handle still answers after " .. x[1]))
  end

  -- A book of another program with hidden and protected sheets.
  local corpus = os.getenv("CELVO_CORPUS") or ""
  if corpus == "" then
    t.eq(false, true, "the corpus folder is needed (CELVO_CORPUS_DIR)")
  else
    local other = f.create()
    t.eq(m.Load(other, corpus .. "/" .. f.hidden[1]), true, is("a book with hidden sheets"))
    local states = {}
    for i = 0, m.GetSheetCount(other) - 1 do
      local sh = m.GetSheet(other, i)
      states[#states + 1] = m.GetSheetName(sh) .. "=" .. tostring(m.GetSheetIsHidden(sh))
    end
    t.eq(table.concat(states, ","), f.hidden[2], is("hidden sheets"))
    t.eq(m.Load(other, corpus .. "/" .. f.protected[1]), true, is("a book with a protected sheet"))
    t.eq(m.GetSheetIsProtected(m.GetSheet(other, f.protected[2])), true, is("protected sheet"))
    m.BookRelease(other)
  end

  m.BookRelease(book)
  m.BookRelease(back)
  t.eq(t.errorOf(m.GetSheetCount, back) ~= nil, true, is("a released book's handle is gone"))

  -- A file made by LibreOffice: several sheets, cells and formats, loaded,
  -- saved again, and read by the reader the same as LibreOffice's own.
  local fods = [[<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:automatic-styles>
  <number:number-style style:name="N1"><number:number number:decimal-places="3" number:min-integer-digits="1"/></number:number-style>
  <style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1">
   <style:text-properties fo:font-weight="bold"/>
  </style:style>
 </office:automatic-styles>
 <office:body><office:spreadsheet>
  <table:table table:name="Numbers">
   <table:table-row><table:table-cell office:value-type="string"><text:p>Name</text:p></table:table-cell>
    <table:table-cell office:value-type="string"><text:p>Value</text:p></table:table-cell></table:table-row>
   <table:table-row><table:table-cell office:value-type="string"><text:p>pi</text:p></table:table-cell>
    <table:table-cell table:style-name="ce1" office:value-type="float" office:value="3.14159"/></table:table-row>
   <table:table-row><table:table-cell office:value-type="string"><text:p>big</text:p></table:table-cell>
    <table:table-cell office:value-type="float" office:value="123456789.25"/></table:table-row>
  </table:table>
  <table:table table:name="Words">
   <table:table-row><table:table-cell office:value-type="string"><text:p>Grüße</text:p></table:table-cell>
    <table:table-cell office:value-type="boolean" office:boolean-value="true"/></table:table-row>
   <table:table-row><table:table-cell office:value-type="string"><text:p>pi</text:p></table:table-cell>
    <table:table-cell office:value-type="date" office:date-value="2024-02-29"/></table:table-row>
  </table:table>
  <table:table table:name="Empty"/>
 </office:spreadsheet></office:body></office:document>
]]
  writeFile(tmp .. "/made.fods", fods)
  out = soffice("--convert-to " .. ext .. " --outdir " .. tmp .. " " .. tmp .. "/made.fods")
  local made = tmp .. "/made." .. ext
  t.eq(readFile(made) ~= nil, true, is("LibreOffice made a file: " .. out))
  local loBook = f.create()
  t.eq(m.Load(loBook, made), true, is("the LibreOffice file loads: " .. m.GetErrorMessage(loBook)))
  local names = {}
  for i = 0, m.GetSheetCount(loBook) - 1 do names[#names + 1] = m.GetSheetName(m.GetSheet(loBook, i)) end
  t.eq(table.concat(names, "|"), "Numbers|Words|Empty", is("sheet names of the LibreOffice file"))
  local again = tmp .. "/again." .. ext
  t.eq(m.Save(loBook, again), true, is("the LibreOffice file saves: " .. m.GetErrorMessage(loBook)))
  m.BookRelease(loBook)
  local original = f.view(made, " cells", is("the reader reads the LibreOffice file"))
  local passed = f.view(again, " cells", is("the reader reads the LibreOffice file saved again"))
  t.eq(original:find(f.loCell, 1, true) ~= nil, true, is("the reader sees the cells: " .. original))
  t.eq(passed, original, is("the saved file holds the same cells, sheets and formats"))
  os.remove(made)
end

os.execute("rm -rf " .. tmp)
t.finish("book_test")
