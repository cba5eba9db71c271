-- A .xlsx book from Lua: sheets, names, the active sheet, saving and
-- loading; the saved book as openpyxl and LibreOffice see it.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local python = t.python
local tmp = t.tempDir()
local run = t.run

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

local book = m.CreateXMLBook()
t.eq(book ~= 0, true, "CreateXMLBook gives a book")
t.eq(m.GetErrorMessage(book), "ok", "message of a new book")
t.eq(m.GetSheetCount(book), 0, "a new book has no sheet")
t.eq(m.Save(book, tmp .. "/empty.xlsx"), false, "a book without sheets is not saved")
t.eq(m.GetErrorMessage(book), "a workbook without sheets can't be saved", "its message")

-- Sheets.
local smile = "Smile \240\159\152\128"
local long = "Quarterly figures of the north-east region"
local a = m.AddSheet(book, "Alpha")
t.eq(m.GetErrorMessage(book), "ok", "AddSheet message")
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
m.SetActiveSheetNumber(book, 3)
t.eq(m.GetErrorMessage(book), "index is out of range", "active sheet out of range")
t.eq(m.GetActiveSheetNumber(book), 1, "active sheet unchanged")
t.eq(m.GetSheetIsHidden(a), false, "visible sheet")
t.eq(m.GetSheetIsProtected(a), false, "unprotected sheet")
t.eq(m.GetSheet(book, 2), cut, "the same sheet gives the same handle")
t.eq(m.GetSheet(book, 3), 0, "no sheet past the last")
t.eq(m.GetErrorMessage(book), "index is out of range", "GetSheet message")

-- A sheet inserted before the others: the handles stay on their sheets and
-- the active sheet stays the same sheet.
m.InsertSheet(book, 0, "First")
t.eq(m.GetErrorMessage(book), "ok", "InsertSheet message")
t.eq(m.GetSheetName(m.GetSheet(book, 0)), "First", "inserted sheet")
t.eq(m.GetSheetName(a), "Alpha", "Alpha's handle after the insert")
t.eq(m.GetSheetName(s), smile, "the second handle after the insert")
t.eq(m.GetActiveSheetNumber(book), 2, "the active sheet moved with its sheet")
t.eq(m.DeleteSheet(book, 0), 1, "the inserted sheet deleted")
t.eq(m.GetActiveSheetNumber(book), 1, "and the active sheet still on its sheet")

-- Saved, then seen by openpyxl.
local path = tmp .. "/book.xlsx"
t.eq(m.Save(book, path), true, "Save")
t.eq(m.GetErrorMessage(book), "ok", "save message")
local script = tmp .. "/check.py"
writeFile(script, [[
import sys, warnings
warnings.simplefilter("ignore")
import openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print("sheets: " + "|".join(wb.sheetnames))
print("active: " + wb.active.title)
print("states: " + ",".join(ws.sheet_state for ws in wb.worksheets))
]])
local expected = table.concat({
  "sheets: Alpha|" .. smile .. "|" .. long:sub(1, 31),
  "active: " .. smile,
  "states: visible,visible,visible",
}, "\n") .. "\n"
t.eq(run(python .. " " .. script .. " " .. path), expected, "openpyxl's view of the saved book")

-- LibreOffice: each sheet to CSV under its name, and the flat document with
-- the sheets in their order and the active one.
if run("command -v soffice") == "" then
  t.eq(false, true, "LibreOffice (soffice) is needed")
else
  local out = soffice("--convert-to 'csv:Text - txt - csv (StarCalc):44,34,UTF8,1,,0,false,true,false,false,false,-1' "
    .. "--outdir " .. tmp .. " " .. path)
  for _, name in ipairs({ "Alpha", smile, long:sub(1, 31) }) do
    t.eq(readFile(tmp .. "/book-" .. name .. ".csv") ~= nil, true, "LibreOffice wrote the sheet " .. name .. ": " .. out)
  end
  -- LibreOffice's own .xlsx of the book, read by openpyxl.
  os.execute("mkdir -p " .. tmp .. "/lo")
  out = soffice("--convert-to xlsx --outdir " .. tmp .. "/lo " .. path)
  local lo = run(python .. " " .. script .. " " .. tmp .. "/lo/book.xlsx")
  t.eq(lo, expected, "LibreOffice's sheets, their order and the active one: " .. out)
end

-- Loaded back.
local back = m.CreateXMLBook()
t.eq(m.Load(back, path), true, "Load")
t.eq(m.GetErrorMessage(back), "ok", "load message")
t.eq(m.GetSheetCount(back), 3, "sheets loaded")
t.eq(m.GetSheetName(m.GetSheet(back, 1)), smile, "name loaded")
t.eq(m.GetActiveSheetNumber(back), 1, "active sheet loaded")

-- Loads that fail leave the book as it was, handles and all.
local kept = m.GetSheet(back, 2)
writeFile(tmp .. "/truncated.xlsx", readFile(path):sub(1, 300))
writeFile(tmp .. "/text.xlsx", "not a package at all")
local failures = {
  { tmp .. "/missing.xlsx", "can't open file for reading" },
  { tmp, "can't open file for reading" },
  { tmp .. "/truncated.xlsx", nil },
  { tmp .. "/text.xlsx", "invalid file format" },
}
for _, f in ipairs(failures) do
  t.eq(m.Load(back, f[1]), false, "Load fails: " .. f[1])
  if f[2] then t.eq(m.GetErrorMessage(back), f[2], "message for " .. f[1]) end
  t.eq(m.GetSheetCount(back), 3, "sheets kept after " .. f[1])
  t.eq(m.GetSheetName(kept), long:sub(1, 31), "handle kept after " .. f[1])
end

-- A book loaded from an .xlsx file of another program, and a hidden and a
-- protected sheet.
local corpus = os.getenv("CELVO_CORPUS") or ""
if corpus == "" then
  t.eq(false, true, "the corpus folder is needed (CELVO_CORPUS_DIR)")
else
  local other = m.CreateXMLBook()
  t.eq(m.Load(other, corpus .. "/xlsx/sheetjs__sheet_visibility.xlsx"), true, "a book with hidden sheets")
  local states = {}
  for i = 0, m.GetSheetCount(other) - 1 do
    local sh = m.GetSheet(other, i)
    states[#states + 1] = m.GetSheetName(sh) .. "=" .. tostring(m.GetSheetIsHidden(sh))
  end
  t.eq(table.concat(states, ","), "Visible=false,Hidden=true,VeryHidden=true", "hidden sheets")
  t.eq(m.Load(other, corpus .. "/xlsx/poi__sheetProtection_allLocked.xlsx"), true, "a book with a protected sheet")
  t.eq(m.GetSheetIsProtected(m.GetSheet(other, 0)), true, "protected sheet")
  m.BookRelease(other)
end

m.BookRelease(book)
m.BookRelease(back)
t.eq(t.errorOf(m.GetSheetCount, back) ~= nil, true, "a released book's handle is gone")
t.finish("xlsx_book_test")
