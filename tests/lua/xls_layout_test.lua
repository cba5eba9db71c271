-- The layout of a .xls sheet through the module: a file made by LibreOffice
-- with hidden rows and columns and merged ranges is loaded, its hidden rows
-- and columns are read, a block over merged ranges is cleared, and the saved
-- file is checked by the independent reader.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local here = t.here()
local layout = here .. "/../xls/xlrd_layout.py"
local python = t.python
local tmp = t.tempDir()
t.requireLibreOffice()

local run = t.run

local function writeFile(path, data)
  local f = assert(io.open(path, "wb"))
  f:write(data)
  f:close()
end

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
writeFile(tmp .. "/layout.fods", fods)
local out = run("soffice -env:UserInstallation=file://" .. tmp .. "/lo-profile --headless --convert-to xls --outdir "
  .. tmp .. " " .. tmp .. "/layout.fods")
local made = tmp .. "/layout.xls"
t.eq(fileExists(made), true, "LibreOffice made a .xls file: " .. out)

local book = m.CreateBook()
t.eq(m.Load(book, made), true, "the file loads: " .. m.GetErrorMessage(book))
local sheet = m.GetSheet(book, 0)

-- Hidden rows and columns as the file has them.
for row = 0, 7 do
  t.eq(m.GetRowIsHidden(sheet, row), row == 2, "row " .. row .. " hidden")
end
for col = 0, 7 do
  t.eq(m.GetColumnIsHidden(sheet, col), col == 1, "column " .. col .. " hidden")
end
t.eq(m.GetRowIsHidden(sheet, 70000), false, "a row off the sheet is not hidden")
t.eq(m.GetColumnIsHidden(sheet, -1), false, "a column off the sheet is not hidden")

-- Refused blocks leave the sheet as it was.
local refusals = {
  { 5, 2, 0, 0, "rowLast must be greater than or equal to rowFirst" },
  { 0, 0, 5, 2, "colLast must be greater than or equal to colFirst" },
}
for _, r in ipairs(refusals) do
  m.ClearCells(sheet, r[1], r[2], r[3], r[4])
  t.eq(m.GetErrorMessage(book), r[5], "ClearCells refused")
end
t.eq(m.ReadNumber(sheet, 1, 1), 42, "the merged number is still there")

-- One cell of B2:C3 cleared: the range goes with its empty cells; E5:F5 and
-- H8 stay.
t.eq(m.ClearCells(sheet, 2, 2, 2, 2), true, "ClearCells")
t.eq(m.GetErrorMessage(book), "ok", "ClearCells message")
t.eq(m.GetCellType(sheet, 1, 1), 1, "the number outside the block stays")
t.eq(m.GetCellType(sheet, 2, 2), 0, "the cleared cell is empty")
t.eq(m.GetRowIsHidden(sheet, 2), true, "clearing keeps hidden rows")

-- A block far larger than the sheet is clipped to it.
local wide = m.CreateBook()
local w = m.AddSheet(wide, "Wide")
m.WriteNumber(w, 0, 2, 1)
m.WriteNumber(w, 65535, 255, 1)
t.eq(m.ClearCells(w, -10, 70000, 3, 300), true, "a clipped block")
t.eq(m.GetCellType(w, 65535, 255), 0, "the last cell is cleared")
t.eq(m.GetCellType(w, 0, 2), 1, "a cell left of the block stays")
t.eq(m.GetLastRow(w), 1, "the used range shrinks")
t.eq(m.GetLastColumn(w), 3, "the used columns shrink")
m.BookRelease(wide)

local saved = tmp .. "/saved.xls"
t.eq(m.Save(book, saved), true, "Save: " .. m.GetErrorMessage(book))
m.BookRelease(book)

local seen = t.checker(python .. " " .. t.quote(layout) .. " " .. t.quote(saved), "xlrd reads the saved layout") or ""
local function has(line) return seen:find(line, 1, true) ~= nil end
t.eq(has("merged rows 1-2 cols 1-2"), false, "the cleared merge is gone: " .. seen)
t.eq(has("merged rows 4-4 cols 4-5"), true, "the other merge stays")
t.eq(has("cell 1,1: 2"), true, "the number of the cleared merge stays")
t.eq(has("cell 1,2:"), false, "the cleared merge's empty cells are gone")
t.eq(has("cell 7,7: 2"), true, "a number away from the block stays")
t.eq(seen:match("col 1: width %d+ hidden 1") ~= nil, true, "column B stays hidden")
t.eq(seen:match("row 2: height %d+ hidden 1") ~= nil, true, "row 3 stays hidden")

os.execute("rm -rf " .. tmp)
t.finish("xls layout")
