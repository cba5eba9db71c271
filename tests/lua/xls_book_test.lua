-- A .xls book from Lua: sheets, active sheet, custom number formats, dates,
-- saving and loading; the saved file as the independent reader and
-- LibreOffice see it, and a LibreOffice-made file passed through.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local here = t.here()
local dump = here .. "/../xls/xlrd_dump.py"
local python = t.python
local tmp = t.tempDir()
t.requireLibreOffice()

local run = t.run

-- What xlrd reads of a file (see xlrd_dump.py); "" when it fails.
local function xlrdDump(file, extra, what)
  return t.checker(python .. " " .. t.quote(dump) .. " " .. t.quote(file) .. (extra or ""), what) or ""
end

local function readFile(path)
  local f = io.open(path, "rb")
  if not f then return nil end
  local s = f:read("*a")
  f:close()
  return s
end

local function writeFile(path, data)
  local f = assert(io.open(path, "wb"))
  f:write(data)
  f:close()
end

-- LibreOffice with a profile of its own, so that runs never share one.
local function soffice(args)
  return run("soffice -env:UserInstallation=file://" .. tmp .. "/lo-profile --headless " .. args)
end

local book = m.CreateBook()
t.eq(book ~= 0, true, "CreateBook gives a book")
t.eq(m.GetErrorMessage(book), "ok", "message of a new book")

-- Sheets.
local smile = "Smile \240\159\152\128"
local long = "Quarterly figures of the north-east region"
local a = m.AddSheet(book, "Alpha")
local s = m.AddSheet(book, smile)
t.eq(m.GetSheetName(s), smile, "a name outside the Basic Multilingual Plane")
local cut = m.AddSheet(book, long)
t.eq(m.GetErrorMessage(book), "warning: sheet's name is cut to 31 characters", "cut warning")
t.eq(m.GetSheetName(cut), long:sub(1, 31), "name cut to 31 units")
t.eq(m.AddSheet(book, "ALPHA"), 0, "a name that differs in letter case only")
t.eq(m.GetErrorMessage(book), "book already contains such sheet name", "duplicate message")
local extra = m.AddSheet(book, "Scratch")
t.eq(m.GetSheetCount(book), 4, "four sheets")
t.eq(m.DeleteSheet(book, 3), 1, "DeleteSheet gives 1")
t.eq(m.DeleteSheet(book, 7), 0, "DeleteSheet out of range gives 0")
t.eq(m.GetErrorMessage(book), "index is out of range", "delete message")
t.eq(m.GetSheetCount(book), 3, "three sheets left")
t.eq(t.errorOf(m.GetSheetName, extra) ~= nil, true, "the deleted sheet's handle is gone")
m.SetActiveSheetNumber(book, 1)
t.eq(m.GetActiveSheetNumber(book), 1, "active sheet")
t.eq(m.GetSheetIsHidden(a), false, "visible sheet")
t.eq(m.GetSheet(book, 2), cut, "the same sheet gives the same handle")

-- Custom number formats.
t.eq(m.BookAddCustomNumFormat(book, "0.000"), 164, "first custom format")
t.eq(m.BookAddCustomNumFormat(book, "#,##0.0 \"kg\""), 165, "second custom format")
t.eq(m.BookAddCustomNumFormat(book, "0.000"), 164, "the first again")
t.eq(m.BookGetCustomNumFormat(book, 165), "#,##0.0 \"kg\"", "text of 165")
t.eq(m.BookGetCustomNumFormat(book, 7), nil, "no format 7")
t.eq(m.GetErrorMessage(book), "custom number format not found", "missing format message")

-- Dates: serial 1 is 1900-01-01 and 60 the 29th of February 1900.
local dates = {
  { { 1900, 1, 1, 0, 0, 0, 0 }, 1 }, { { 1900, 2, 28, 0, 0, 0, 0 }, 59 }, { { 1900, 2, 29, 0, 0, 0, 0 }, 60 },
  { { 1900, 3, 1, 0, 0, 0, 0 }, 61 }, { { 2000, 1, 1, 12, 0, 0, 0 }, 36526.5 }, { { 0, 0, 0, 6, 0, 0, 0 }, 0.25 },
  { { 2024, 12, 31, 18, 30, 0, 0 }, 45657.770833333336 },
}
for _, d in ipairs(dates) do
  local p = d[1]
  local serial = m.GetPackedDate(book, p[1], p[2], p[3], p[4], p[5], p[6], p[7])
  t.eq(math.abs(serial - d[2]) < 1e-9, true, ("packed %d-%d-%d: %s"):format(p[1], p[2], p[3], tostring(serial)))
  local back = { m.GetUnpackedDate(book, d[2]) }
  t.eq(table.concat(back, ","), table.concat(p, ","), "unpacked " .. d[2])
end

-- Saved, then seen by the independent reader.
local path = tmp .. "/book.xls"
t.eq(m.Save(book, path), true, "Save")
t.eq(m.GetErrorMessage(book), "ok", "save message")
local seen = xlrdDump(path, nil, "xlrd reads the saved book")
local expected = table.concat({
  "sheets: Alpha|" .. smile .. "|" .. long:sub(1, 31),
  "visibility: 0,0,0",
  "selected: 1",
  "xfs: 21",
  "fonts: 5",
  "font0: Arial 200",
  "format 164: 0.000",
  "format 165: #,##0.0 \"kg\"",
}, "\n") .. "\n"
t.eq(seen, expected, "xlrd's view of the saved book")

-- LibreOffice converts it without complaint.
local converted = soffice("--convert-to ods --outdir " .. tmp .. " " .. path)
t.eq(readFile(tmp .. "/book.ods") ~= nil, true, "LibreOffice converted the book: " .. converted)

-- Loaded back.
local back = m.CreateBook()
t.eq(m.Load(back, path), true, "Load")
t.eq(m.GetSheetCount(back), 3, "sheets loaded")
t.eq(m.GetSheetName(m.GetSheet(back, 1)), smile, "name loaded")
t.eq(m.GetActiveSheetNumber(back), 1, "active sheet loaded")
t.eq(m.BookGetCustomNumFormat(back, 164), "0.000", "custom format loaded")
local fmt = m.BookAddFormat(back, 0)
t.eq(fmt ~= 0, true, "BookAddFormat")
m.SetFormatNumFormat(fmt, 165)
t.eq(m.GetFormatNumFormat(fmt), 165, "format's number format")

-- Loads that fail leave the book as it was, handles and all, with their message.
local saved = readFile(path)
writeFile(tmp .. "/truncated.xls", saved:sub(1, 700))
-- The BACKUP record turned into FILEPASS (same length) makes the book encrypted.
local at = saved:find("\64\0\2\0\0\0", 513, true)
writeFile(tmp .. "/encrypted.xls", saved:sub(1, at - 1) .. "\47" .. saved:sub(at + 1))
local failures = {
  { tmp .. "/missing.xls", "can't open file for reading" },
  { tmp, "can't open file for reading" },
  { tmp .. "/truncated.xls", nil },
  { tmp .. "/encrypted.xls", "workbook is encrypted" },
}
for _, f in ipairs(failures) do
  t.eq(m.Load(back, f[1]), false, "Load fails: " .. f[1])
  if f[2] then
    t.eq(m.GetErrorMessage(back), f[2], "message for " .. f[1])
  else
    t.eq(m.GetErrorMessage(back) ~= "ok", true, "message for " .. f[1] .. ": " .. m.GetErrorMessage(back))
  end
  t.eq(m.GetSheetCount(back), 3, "the sheets stay after " .. f[1])
  t.eq(m.GetSheetName(m.GetSheet(back, 1)), smile, "the names stay after " .. f[1])
  t.eq(m.GetFormatNumFormat(fmt), 165, "the format handle still answers after " .. f[1])
end
m.BookRelease(back)
m.BookRelease(book)

-- A file made by LibreOffice: several sheets, cells and formats.
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
local out = soffice("--convert-to xls --outdir " .. tmp .. " " .. tmp .. "/made.fods")
local made = tmp .. "/made.xls"
t.eq(readFile(made) ~= nil, true, "LibreOffice made a .xls file: " .. out)
local lo = m.CreateBook()
t.eq(m.Load(lo, made), true, "the LibreOffice file loads: " .. m.GetErrorMessage(lo))
local names = {}
for i = 0, m.GetSheetCount(lo) - 1 do names[#names + 1] = m.GetSheetName(m.GetSheet(lo, i)) end
t.eq(table.concat(names, "|"), "Numbers|Words|Empty", "sheet names of the LibreOffice file")
local again = tmp .. "/again.xls"
t.eq(m.Save(lo, again), true, "the LibreOffice file saves: " .. m.GetErrorMessage(lo))
m.BookRelease(lo)
local original = xlrdDump(made, " cells", "xlrd reads the LibreOffice file")
local passed = xlrdDump(again, " cells", "xlrd reads the LibreOffice file saved again")
t.eq(original:find("cell Numbers!1,1: 2 3.14159", 1, true) ~= nil, true, "the reader sees the cells: " .. original)
t.eq(passed, original, "the saved file holds the same cells, sheets and formats")

os.execute("rm -rf " .. tmp)
t.finish("xls book")
