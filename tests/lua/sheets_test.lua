-- The sheets of a book made by LibreOffice, through the module, by one table
-- over a .xls and a .xlsx book: names, visibility, protection and the active
-- sheet as GetSheetName, GetSheetIsHidden, GetSheetIsProtected and
-- GetActiveSheetNumber answer them, after loading, after a sheet is
-- inserted, the active sheet changed and a sheet deleted, and after a save
-- and a load; the saved books read by the book's own reader (xlrd, openpyxl)
-- and by LibreOffice, which must see the same sheets and the same defined
-- names (named ranges, print areas and titles) in both formats.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local here = t.here()
local tmp = t.tempDir()
t.requireLibreOffice()

-- Front: protected, print area A1:C4, row 1 repeated; Back: hidden, print
-- area B2:D6; Data 2024 and It's: names that need quotes in a formula.
-- Prices is Front!A1:B2, Corner is Back!A1, Block is 'Data 2024'!B2:B3.
local fods = [==[<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:automatic-styles>
  <style:style style:name="shown" style:family="table"><style:table-properties table:display="true"/></style:style>
  <style:style style:name="hidden" style:family="table"><style:table-properties table:display="false"/></style:style>
 </office:automatic-styles>
 <office:body><office:spreadsheet>
  <table:table table:name="Front" table:style-name="shown" table:protected="true" table:print-ranges="Front.A1:Front.C4">
   <table:table-column table:number-columns-repeated="4"/>
   <table:table-header-rows>
    <table:table-row><table:table-cell office:value-type="float" office:value="1"/><table:table-cell table:number-columns-repeated="3"/></table:table-row>
   </table:table-header-rows>
   <table:table-row><table:table-cell office:value-type="float" office:value="2"/><table:table-cell table:number-columns-repeated="3"/></table:table-row>
  </table:table>
  <table:table table:name="Back" table:style-name="hidden" table:print-ranges="Back.B2:Back.D6">
   <table:table-column table:number-columns-repeated="4"/>
   <table:table-row><table:table-cell office:value-type="float" office:value="10"/><table:table-cell table:number-columns-repeated="3"/></table:table-row>
  </table:table>
  <table:table table:name="Data 2024" table:style-name="shown">
   <table:table-column/>
   <table:table-row><table:table-cell office:value-type="float" office:value="3"/></table:table-row>
  </table:table>
  <table:table table:name="It's" table:style-name="shown" table:print-ranges="'It''s'.A1:'It''s'.B2">
   <table:table-column/>
   <table:table-row><table:table-cell office:value-type="float" office:value="4"/></table:table-row>
  </table:table>
  <table:named-expressions>
   <table:named-range table:name="Prices" table:cell-range-address="$Front.$A$1:.$B$2" table:base-cell-address="$Front.$A$1"/>
   <table:named-range table:name="Corner" table:cell-range-address="$Back.$A$1" table:base-cell-address="$Back.$A$1"/>
   <table:named-range table:name="Block" table:cell-range-address="$'Data 2024'.$B$2:.$B$3" table:base-cell-address="$'Data 2024'.$A$1"/>
  </table:named-expressions>
 </office:spreadsheet></office:body></office:document>
]==]
t.writeFile(tmp .. "/sheets.fods", fods)

local formats = {
  { name = "xls", create = m.CreateBook },
  { name = "xlsx", create = m.CreateXMLBook },
}

-- Each step: what the module answers (name, hidden, protected for every
-- sheet in order; the active sheet), and what the readers see of the book
-- saved after it. The two formats answer the same.
local steps = {
  {
    what = "loaded",
    edit = function() end,
    sheets = { { "Front", false, true }, { "Back", true, false }, { "Data 2024", false, false }, { "It's", false, false } },
    active = 0,
    lo = {
      "lo sheet Front: hidden=0 protected=1 active=1",
      "lo sheet Back: hidden=1 protected=0 active=0",
      "lo sheet Data 2024: hidden=0 protected=0 active=0",
      "lo sheet It's: hidden=0 protected=0 active=0",
      "lo name Prices scope=book: Front!$A$1:$B$2",
      "lo name Corner scope=book: Back!$A$1",
      "lo name Block scope=book: 'Data 2024'!$B$2:$B$3",
      "lo name _xlnm.Print_Area scope=0: Front!$A$1:$C$4",
      "lo name _xlnm.Print_Area scope=1: Back!$B$2:$D$6",
      "lo name _xlnm.Print_Area scope=3: 'It''s'!$A$1:$B$2",
      "lo name _xlnm.Print_Titles scope=0: Front!$1:$1",
    },
  },
  {
    what = "a sheet inserted first, the last one made active",
    edit = function(book)
      m.InsertSheet(book, 0, "New")
      t.eq(m.GetErrorMessage(book), "ok", "InsertSheet")
      m.SetActiveSheetNumber(book, 4)
      t.eq(m.GetErrorMessage(book), "ok", "SetActiveSheetNumber")
    end,
    sheets = { { "New", false, false }, { "Front", false, true }, { "Back", true, false }, { "Data 2024", false, false },
      { "It's", false, false } },
    active = 4,
    lo = {
      "lo sheet New: hidden=0 protected=0 active=0",
      "lo sheet Front: hidden=0 protected=1 active=0",
      "lo sheet Back: hidden=1 protected=0 active=0",
      "lo sheet Data 2024: hidden=0 protected=0 active=0",
      "lo sheet It's: hidden=0 protected=0 active=1",
      "lo name Prices scope=book: Front!$A$1:$B$2",
      "lo name Corner scope=book: Back!$A$1",
      "lo name Block scope=book: 'Data 2024'!$B$2:$B$3",
      "lo name _xlnm.Print_Area scope=1: Front!$A$1:$C$4",
      "lo name _xlnm.Print_Area scope=2: Back!$B$2:$D$6",
      "lo name _xlnm.Print_Area scope=4: 'It''s'!$A$1:$B$2",
      "lo name _xlnm.Print_Titles scope=1: Front!$1:$1",
    },
  },
  {
    what = "the protected sheet deleted",
    edit = function(book)
      t.eq(m.DeleteSheet(book, 1), 1, "DeleteSheet: " .. m.GetErrorMessage(book))
    end,
    sheets = { { "New", false, false }, { "Back", true, false }, { "Data 2024", false, false }, { "It's", false, false } },
    active = 3,
    lo = {
      "lo sheet New: hidden=0 protected=0 active=0",
      "lo sheet Back: hidden=1 protected=0 active=0",
      "lo sheet Data 2024: hidden=0 protected=0 active=0",
      "lo sheet It's: hidden=0 protected=0 active=1",
      "lo name Corner scope=book: Back!$A$1",
      "lo name Block scope=book: 'Data 2024'!$B$2:$B$3",
      "lo name _xlnm.Print_Area scope=1: Back!$B$2:$D$6",
      "lo name _xlnm.Print_Area scope=3: 'It''s'!$A$1:$B$2",
    },
    gone = { "Front", "Print_Titles" },
  },
}

local function answers(book, step, what)
  t.eq(m.GetSheetCount(book), #step.sheets, what .. ": GetSheetCount")
  for i, s in ipairs(step.sheets) do
    local sheet = m.GetSheet(book, i - 1)
    t.eq(m.GetSheetName(sheet), s[1], what .. ": GetSheetName " .. i - 1)
    t.eq(m.GetSheetIsHidden(sheet), s[2], what .. ": GetSheetIsHidden of " .. s[1])
    t.eq(m.GetSheetIsProtected(sheet), s[3], what .. ": GetSheetIsProtected of " .. s[1])
  end
  t.eq(m.GetActiveSheetNumber(book), step.active, what .. ": GetActiveSheetNumber")
end

local function has(report, line)
  for l in report:gmatch("[^\n]+") do
    if l == line then return true end
  end
  return false
end

-- The direct reader's view: every sheet with its visibility, and for
-- .xlsx its protection; the active sheet.
local function directLines(f, step)
  local lines = { "direct sheets " .. table.concat((function()
    local names = {}
    for i, s in ipairs(step.sheets) do names[i] = s[1] end
    return names
  end)(), ",") }
  for i, s in ipairs(step.sheets) do
    local active = (i - 1 == step.active) and 1 or 0
    if f.name == "xls" then
      lines[#lines + 1] = ("direct sheet %s: hidden=%d active=%d"):format(s[1], s[2] and 1 or 0, active)
    else
      lines[#lines + 1] = ("direct sheet %s: hidden=%d protected=%d active=%d"):format(s[1], s[2] and 1 or 0,
        s[3] and 1 or 0, active)
    end
  end
  return lines
end

for _, f in ipairs(formats) do
  local out, status = t.run(("soffice -env:UserInstallation=file://%s/lo-profile --headless --convert-to %s --outdir %s %s")
    :format(tmp, f.name, t.quote(tmp), t.quote(tmp .. "/sheets.fods")))
  t.eq(status, 0, f.name .. ": LibreOffice makes the book: " .. out)
  local book = f.create()
  t.eq(m.Load(book, tmp .. "/sheets." .. f.name), true, f.name .. ": Load: " .. m.GetErrorMessage(book))
  for n, step in ipairs(steps) do
    local what = f.name .. " " .. step.what
    step.edit(book)
    answers(book, step, what)
    local path = ("%s/step%d.%s"):format(tmp, n, f.name)
    t.eq(m.Save(book, path), true, what .. ": Save: " .. m.GetErrorMessage(book))
    local again = f.create()
    t.eq(m.Load(again, path), true, what .. ": Load again: " .. m.GetErrorMessage(again))
    answers(again, step, what .. ", saved and loaded")
    m.BookRelease(again)
    local report = t.checker(("%s %s %s %s"):format(t.python, t.quote(here .. "/sheets_check.py"), t.quote(path),
      t.quote(("%s/work-%s-%d"):format(tmp, f.name, n))), what .. ": the readers") or ""
    for _, line in ipairs(directLines(f, step)) do
      t.eq(has(report, line), true, what .. ": " .. line)
    end
    for _, line in ipairs(step.lo) do
      t.eq(has(report, line), true, what .. ": " .. line)
    end
    if t.failed > 0 then print(report) end
    for _, word in ipairs(step.gone or {}) do
      t.eq(report:find(word, 1, true) == nil, true, what .. ": nothing of " .. word .. " is left")
    end
  end
  m.BookRelease(book)
end

os.execute("rm -rf " .. t.quote(tmp))
t.finish("sheets")
