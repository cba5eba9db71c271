-- Defined names, the print area and print titles, and cell notes of a .xls
-- book made by LibreOffice, through the module: formulas use the names in any
-- letter case, refused formulas give the engine's message and leave the cell,
-- and a saved book (edited, with a sheet inserted before the others, or with
-- the first sheet deleted) keeps every name on its sheet as xlrd reads it.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local here = t.here()
local python = t.python
local tmp = t.tempDir()
t.requireLibreOffice()

local run = t.run

-- Sheet Front: print area A1:C4, row 1 repeated, notes on A1 and C2; sheet
-- Back: print area B2:D6. Prices is Front!A1:B2, Corner is Back!A1.
local fods = [==[<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:body><office:spreadsheet>
  <table:table table:name="Front" table:print-ranges="Front.A1:Front.C4">
   <table:table-column table:number-columns-repeated="4"/>
   <table:table-header-rows>
   <table:table-row>
    <table:table-cell office:value-type="float" office:value="1">
     <office:annotation><dc:creator>Ann</dc:creator><text:p>first note</text:p></office:annotation>
    </table:table-cell>
    <table:table-cell office:value-type="float" office:value="2"/>
    <table:table-cell table:number-columns-repeated="2"/>
   </table:table-row>
   </table:table-header-rows>
   <table:table-row>
    <table:table-cell office:value-type="float" office:value="3"/>
    <table:table-cell office:value-type="float" office:value="4"/>
    <table:table-cell office:value-type="string"><text:p>x</text:p>
     <office:annotation><dc:creator>Bob</dc:creator><text:p>second note</text:p></office:annotation>
    </table:table-cell>
    <table:table-cell/>
   </table:table-row>
  </table:table>
  <table:table table:name="Back" table:print-ranges="Back.B2:Back.D6">
   <table:table-column table:number-columns-repeated="4"/>
   <table:table-row><table:table-cell office:value-type="float" office:value="10"/><table:table-cell table:number-columns-repeated="3"/></table:table-row>
  </table:table>
  <table:named-expressions>
   <table:named-range table:name="Prices" table:cell-range-address="$Front.$A$1:.$B$2" table:base-cell-address="$Front.$A$1"/>
   <table:named-range table:name="Corner" table:cell-range-address="$Back.$A$1" table:base-cell-address="$Back.$A$1"/>
  </table:named-expressions>
 </office:spreadsheet></office:body></office:document>
]==]
local f = assert(io.open(tmp .. "/names.fods", "wb"))
f:write(fods)
f:close()
local out = run("soffice -env:UserInstallation=file://" .. tmp .. "/lo-profile --headless --convert-to xls --outdir "
  .. tmp .. " " .. tmp .. "/names.fods")
local made = tmp .. "/names.xls"

local function load()
  local b = m.CreateBook()
  t.eq(m.Load(b, made), true, "the file loads: " .. m.GetErrorMessage(b) .. " " .. out)
  return b
end

local function seen(path)
  return t.checker(python .. " " .. t.quote(here .. "/xls_names_check.py") .. " " .. t.quote(path),
    "xlrd reads the names of " .. path) or ""
end

local function expect(report, lines, what)
  for _, line in ipairs(lines) do
    t.eq(report:find(line, 1, true) ~= nil, true, what .. ": " .. line .. "\n" .. report)
  end
end

local function absent(report, lines, what)
  for _, line in ipairs(lines) do
    t.eq(report:find(line, 1, true) == nil, true, what .. " has no " .. line)
  end
end

-- Formulas over the names, written in any letter case.
local book = load()
local front, back = m.GetSheet(book, 0), m.GetSheet(book, 1)
local uses = {
  { "sum(prices)", "SUM(Prices)" },
  { "CORNER*2", "Corner*2" },
  { "Back!A1+corner", "Back!A1+Corner" },
  { "SUM(PRICES;Corner)", "SUM(Prices;Corner)" },
}
for i, c in ipairs(uses) do
  t.eq(m.WriteFormula(front, 5 + i, 0, c[1]), true, "WriteFormula " .. c[1] .. ": " .. m.GetErrorMessage(book))
  t.eq(m.ReadFormula(front, 5 + i, 0), c[2], "ReadFormula of " .. c[1])
end

-- Refused formulas: the engine's own message, the cell as it was.
local refused = {
  { "Nosuch+1", "incorrect token in formula" },
  { "1+", "error in formula" },
  { "1+)", "error in formula" },
  { "SUM(1;", "error: function parentheses not found" },
  { "SUM", "error: function parentheses not found" },
  { "ABS(1;2)", "incorrect number of function parameters" },
  { "Nowhere!A1", "sheet is not found" },
  { "\"open", "incorrect token in formula" },
  { "A1:", "incorrect token in formula" },
}
for _, c in ipairs(refused) do
  t.eq(m.WriteFormula(front, 6, 0, c[1]), false, "refused " .. c[1])
  t.eq(m.GetErrorMessage(book), c[2], "message of " .. c[1])
  t.eq(m.ReadFormula(front, 6, 0), "SUM(Prices)", "formula kept after " .. c[1])
  t.eq(m.WriteFormula(front, 0, 1, c[1]), false, "refused over a number " .. c[1])
  t.eq(m.ReadNumber(front, 0, 1), 2, "number kept after " .. c[1])
end
t.eq(m.WriteNumber(front, 0, 0, 7), true, "a noted cell rewritten")
t.eq(m.WriteFormula(back, 3, 0, "corner+SUM(Prices)"), true, "a formula on Back")

local names = {
  "name corner scope -1 sheet 1 rows 0-0 cols 0-0",
  "name prices scope -1 sheet 0 rows 0-1 cols 0-1",
  "name print_area scope 0 sheet 0 rows 0-3 cols 0-2",
  "name print_area scope 1 sheet 1 rows 1-5 cols 1-3",
  "name print_titles scope 0 sheet 0 rows 0-0 cols 0-255",
}
local notes = { "note Front 0,0 first note by Ann", "note Front 1,2 second note by Bob" }
t.eq(m.Save(book, tmp .. "/edit.xls"), true, "Save edited: " .. m.GetErrorMessage(book))
m.BookRelease(book)
local report = seen(tmp .. "/edit.xls")
expect(report, names, "edited")
expect(report, notes, "edited")
expect(report, { "cell Front 0,0 7.0", "cell Front 1,2 'x'" }, "edited")

-- Reloaded, the names still resolve.
book = load()
t.eq(m.Load(book, tmp .. "/edit.xls"), true, "Load edited: " .. m.GetErrorMessage(book))
t.eq(m.ReadFormula(m.GetSheet(book, 0), 6, 0), "SUM(Prices)", "the formula after loading")
t.eq(m.ReadFormula(m.GetSheet(book, 1), 3, 0), "Corner+SUM(Prices)", "Back's formula after loading")
m.BookRelease(book)

-- A sheet inserted before the others: every name moves with its sheet.
book = load()
m.InsertSheet(book, 0, "New")
t.eq(m.GetErrorMessage(book), "ok", "InsertSheet")
t.eq(m.WriteFormula(m.GetSheet(book, 2), 4, 0, "corner*2"), true, "a formula after inserting")
t.eq(m.ReadFormula(m.GetSheet(book, 2), 4, 0), "Corner*2", "it reads back")
t.eq(m.Save(book, tmp .. "/inserted.xls"), true, "Save inserted: " .. m.GetErrorMessage(book))
m.BookRelease(book)
report = seen(tmp .. "/inserted.xls")
expect(report, {
  "sheets New,Front,Back",
  "name corner scope -1 sheet 2 rows 0-0 cols 0-0",
  "name prices scope -1 sheet 1 rows 0-1 cols 0-1",
  "name print_area scope 1 sheet 1 rows 0-3 cols 0-2",
  "name print_area scope 2 sheet 2 rows 1-5 cols 1-3",
  "name print_titles scope 1 sheet 1 rows 0-0 cols 0-255",
}, "inserted")
expect(report, notes, "inserted")
absent(report, { "scope 0" }, "inserted")

-- The first sheet deleted: its print settings go, Back's move down, and a
-- formula over a name listed after the ones that went keeps its name.
book = load()
t.eq(m.WriteFormula(m.GetSheet(book, 1), 3, 0, "corner*3"), true, "a formula before deleting")
t.eq(m.DeleteSheet(book, 0), 1, "DeleteSheet: " .. m.GetErrorMessage(book))
t.eq(m.ReadFormula(m.GetSheet(book, 0), 3, 0), "Corner*3", "the formula keeps its name")
t.eq(m.Save(book, tmp .. "/deleted.xls"), true, "Save deleted: " .. m.GetErrorMessage(book))
m.BookRelease(book)
report = seen(tmp .. "/deleted.xls")
expect(report, {
  "sheets Back",
  "name corner scope -1 sheet 0 rows 0-0 cols 0-0",
  "name print_area scope 0 sheet 0 rows 1-5 cols 1-3",
}, "deleted")
absent(report, { "print_titles", "note " }, "deleted")
book = load()
t.eq(m.Load(book, tmp .. "/deleted.xls"), true, "Load deleted: " .. m.GetErrorMessage(book))
t.eq(m.ReadFormula(m.GetSheet(book, 0), 3, 0), "Corner*3", "the formula after loading")
m.BookRelease(book)

os.execute("rm -rf " .. tmp)
t.finish("xls names")
