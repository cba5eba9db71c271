-- The layout of a sheet through the module, by one table over a .xls and a
-- .xlsx book: a file made by LibreOffice with hidden rows and columns and
-- merged ranges is loaded, its hidden rows and columns are read, a block
-- over a merged range is cleared, and the saved file is checked by the
-- independent reader of its format (xlrd, openpyxl).
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local here = t.here()
local check = here .. "/layout_check.py"
local python = t.python
local tmp = t.tempDir()
t.requireLibreOffice()

local run = t.run

local formats = {
  { ext = "xls", create = m.CreateBook, rows = 65536, cols = 256 },
  { ext = "xlsx", create = m.CreateXMLBook, rows = 1048576, cols = 16384 },
}

local function fileExists(path)
  local f = io.open(path, "rb")
  if f then f:close() end
  return f ~= nil
end

-- Column B and row 3 hidden; B2:C3 merged over a number, E5:F5 merged over
-- a text, and a number in H8 away from both.
local fods = [[<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:body><office:spreadsheet>
  <table:table table:name="Layout">
   <table:table-column/>
   <table:table-column table:visibility="collapse"/>
   <table:table-column table:number-columns-repeated="6"/>
   <table:table-row><table:table-cell table:number-columns-repeated="8"/></table:table-row>
   <table:table-row>
    <table:table-cell/>
    <table:table-cell table:number-columns-spanned="2" table:number-rows-spanned="2" office:value-type="float" office:value="42"/>
    <table:covered-table-cell/>
    <table:table-cell table:number-columns-repeated="5"/>
   </table:table-row>
   <table:table-row table:visibility="collapse">
    <table:table-cell/><table:covered-table-cell table:number-columns-repeated="2"/>
    <table:table-cell table:number-columns-repeated="5"/>
   </table:table-row>
   <table:table-row><table:table-cell table:number-columns-repeated="8"/></table:table-row>
   <table:table-row>
    <table:table-cell table:number-columns-repeated="4"/>
    <table:table-cell table:number-columns-spanned="2" office:value-type="string"><text:p>wide</text:p></table:table-cell>
    <table:covered-table-cell/>
    <table:table-cell table:number-columns-repeated="2"/>
   </table:table-row>
   <table:table-row table:number-rows-repeated="2"><table:table-cell table:number-columns-repeated="8"/></table:table-row>
   <table:table-row>
    <table:table-cell table:number-columns-repeated="7"/>
    <table:table-cell office:value-type="float" office:value="8"/>
   </table:table-row>
  </table:table>
 </office:spreadsheet></office:body></office:document>
]]
t.writeFile(tmp .. "/layout.fods", fods)

-- Refused blocks leave the sheet as it was.
local refusals = {
  { 5, 2, 0, 0, "rowLast must be greater than or equal to rowFirst" },
  { 0, 0, 5, 2, "colLast must be greater than or equal to colFirst" },
}

-- What the reader sees of the saved file: present or not.
local readBack = {
  { "merged rows 1-2 cols 1-2", false, "the cleared merge is gone" },
  { "merged rows 4-4 cols 4-5", true, "the other merge stays" },
  { "cell 1,1: number", true, "the number of the cleared merge stays" },
  { "cell 4,4: text", true, "the text of the other merge stays" },
  { "cell 1,2:", false, "the cleared merge's empty cells hold nothing" },
  { "cell 7,7: number", true, "a number away from the block stays" },
  { "col 1: hidden 1", true, "column B stays hidden" },
  { "col 2: hidden 1", false, "column C is shown" },
  { "row 2: hidden 1", true, "row 3 stays hidden" },
  { "row 1: hidden 1", false, "row 2 is shown" },
}

for _, f in ipairs(formats) do
  local function is(what) return f.ext .. ": " .. what end
  local out = run("soffice -env:UserInstallation=file://" .. tmp .. "/lo-profile --headless --convert-to " .. f.ext
    .. " --outdir " .. tmp .. " " .. tmp .. "/layout.fods")
  local made = tmp .. "/layout." .. f.ext
  t.eq(fileExists(made), true, is("LibreOffice made the file: " .. out))

  local book = f.create()
  t.eq(m.Load(book, made), true, is("the file loads: " .. m.GetErrorMessage(book)))
  local sheet = m.GetSheet(book, 0)

  -- Hidden rows and columns as the file has them.
  for row = 0, 7 do
    t.eq(m.GetRowIsHidden(sheet, row), row == 2, is("row " .. row .. " hidden"))
  end
  for col = 0, 7 do
    t.eq(m.GetColumnIsHidden(sheet, col), col == 1, is("column " .. col .. " hidden"))
  end
  t.eq(m.GetRowIsHidden(sheet, f.rows + 10), false, is("a row off the sheet is not hidden"))
  t.eq(m.GetColumnIsHidden(sheet, -1), false, is("a column off the sheet is not hidden"))

  for _, r in ipairs(refusals) do
    m.ClearCells(sheet, r[1], r[2], r[3], r[4])
    t.eq(m.GetErrorMessage(book), r[5], is("ClearCells refused"))
  end
  t.eq(m.ReadNumber(sheet, 1, 1), 42, is("the merged number is still there"))

  -- One cell of B2:C3 cleared: the range goes with its empty cells; E5:F5
  -- and H8 stay.
  t.eq(m.ClearCells(sheet, 2, 2, 2, 2), true, is("ClearCells"))
  t.eq(m.GetErrorMessage(book), "ok", is("ClearCells message"))
  t.eq(m.GetCellType(sheet, 1, 1), 1, is("the number outside the block stays"))
  t.eq(m.GetCellType(sheet, 2, 2), 0, is("the cleared cell is empty"))
  t.eq(m.GetRowIsHidden(sheet, 2), true, is("clearing keeps hidden rows"))

  -- A block far larger than the sheet is clipped to it.
  local wide = f.create()
  local w = m.AddSheet(wide, "Wide")
  m.WriteNumber(w, 0, 2, 1)
  m.WriteNumber(w, f.rows - 1, f.cols - 1, 1)
  t.eq(m.ClearCells(w, -10, f.rows + 1000, 3, f.cols + 100), true, is("a clipped block"))
  t.eq(m.GetCellType(w, f.rows - 1, f.cols - 1), 0, is("the last cell is cleared"))
  t.eq(m.GetCellType(w, 0, 2), 1, is("a cell left of the block stays"))
  t.eq(m.GetLastRow(w), 1, is("the used range shrinks"))
  t.eq(m.GetLastColumn(w), 3, is("the used columns shrink"))
  m.BookRelease(wide)

  local saved = tmp .. "/saved." .. f.ext
  t.eq(m.Save(book, saved), true, is("Save: " .. m.GetErrorMessage(book)))
  m.BookRelease(book)

  local seen = t.checker(python .. " " .. t.quote(check) .. " " .. t.quote(saved), is("the reader reads the saved layout"))
    or ""
  for _, r in ipairs(readBack) do
    t.eq(seen:find(r[1], 1, true) ~= nil, r[2], is(r[3]) .. ": " .. seen)
  end
end

os.execute("rm -rf " .. tmp)
t.finish("layout")
