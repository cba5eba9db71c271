-- Formulas written through the module into a new .xls book: their text reads
-- back in a form that writes again to the same text, refused texts leave the
-- cell as it was, and after saving xlrd reads the book while LibreOffice
-- recalculates every formula to the value it means.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local here = arg[0]:match("^(.*)/[^/]*$") or "."
local out = os.tmpname()
os.remove(out)
out = out .. ".xls"
local expectFile = out .. ".tsv"

local book = m.CreateBook()
local data = m.AddSheet(book, "Data")
local mine = m.AddSheet(book, "My Sheet")
local years = m.AddSheet(book, "Year's")
t.eq(m.WriteNumber(data, 0, 0, 2), true, "A1")
t.eq(m.WriteNumber(data, 1, 0, 3), true, "A2")
t.eq(m.WriteString(data, 2, 0, "ab"), true, "A3")
t.eq(m.WriteNumber(mine, 1, 1, 10), true, "'My Sheet'!B2")
t.eq(m.WriteNumber(mine, 0, 0, 5), true, "'My Sheet'!A1")
t.eq(m.WriteNumber(years, 2, 2, 4), true, "'Year''s'!C3")

-- Formula text, the text it reads back as, and the value LibreOffice shows
-- once it has recalculated the saved book (a comparison in a cell of the
-- general format shows as 1 or 0 there).
local formulas = {
  { "1+2*3", "1+2*3", "7" },
  { "=(1+2)*3", "(1+2)*3", "9" },
  { "2^3^2", "2^3^2", "64" },
  { "-2^2", "-2^2", "4" },
  { "A1&A2=\"23\"", "A1&A2=\"23\"", "1" },
  { "A1<A2=TRUE", "A1<A2=TRUE", "1" },
  { "IF(A1&A2=\"23\";\"yes\";\"no\")", "IF(A1&A2=\"23\";\"yes\";\"no\")", "yes" },
  { "sum(a1:a2;10)", "SUM(A1:A2;10)", "15" },
  { "MAX(A1;A2;7;1)", "MAX(A1;A2;7;1)", "7" },
  { "ROUND(2/3;2)", "ROUND(2/3;2)", "0.67" },
  { "ABS(-1.5E+2)", "ABS(-150)", "150" },
  { "LEN(A3&\"xyz\")", "LEN(A3&\"xyz\")", "5" },
  { "IF(A1>1;\"say \"\"hi\"\"\";\"no\")", "IF(A1>1;\"say \"\"hi\"\"\";\"no\")", "say \"hi\"" },
  { "'My Sheet'!B2*'Year''s'!C3", "'My Sheet'!B2*'Year''s'!C3", "40" },
  { "Data!A1+1", "Data!A1+1", "3" },
  { "SUM('Data:My Sheet'!A1)", "SUM('Data:My Sheet'!A1)", "7" },
  { "CONCATENATE(\"a\";\"b\";A1)", "CONCATENATE(\"a\";\"b\";A1)", "ab2" },
  { "0.1+0.2", "0.1+0.2", "0.3" },
}

local f = assert(io.open(expectFile, "w"))
for i, c in ipairs(formulas) do
  local row = 9 + i
  t.eq(m.WriteFormula(data, row, 1, c[1]), true, "WriteFormula " .. c[1] .. ": " .. m.GetErrorMessage(book))
  local text = m.ReadFormula(data, row, 1)
  t.eq(text, c[2], "ReadFormula of " .. c[1])
  -- The text read writes again, next to it, to the same text.
  t.eq(m.WriteFormula(data, row, 2, text or ""), true, "WriteFormula of the text read for " .. c[1])
  t.eq(m.ReadFormula(data, row, 2), c[2], "text read twice for " .. c[1])
  f:write(table.concat({ row, 1, c[3] }, "\t"), "\n")
  f:write(table.concat({ row, 2, c[3] }, "\t"), "\n")
end
f:close()

-- Refused texts give the compiler's message and leave the cell as it was.
local refused = { "1+", "SUM(1;", "", "Nowhere!A1", "\"open", "NOSUCHFUNCTION(1)" }
for _, text in ipairs(refused) do
  t.eq(m.WriteFormula(data, 0, 0, text), false, "refused " .. text)
  t.eq(m.GetErrorMessage(book) ~= "ok", true, "message of refused " .. text)
  t.eq(m.ReadNumber(data, 0, 0), 2, "A1 kept after refused " .. text)
  t.eq(m.WriteFormula(data, 10, 1, text), false, "refused over a formula " .. text)
  t.eq(m.ReadFormula(data, 10, 1), "1+2*3", "formula kept after refused " .. text)
end
t.eq(m.ReadFormula(data, 0, 0), nil, "a number cell has no formula")
t.eq(m.GetErrorMessage(book), "cell doesn't contain a formula", "message of ReadFormula on a number")

t.eq(m.Save(book, out), true, "Save: " .. m.GetErrorMessage(book))

local function readersAgree(what)
  local report = t.checker(("%s %s/xls_formula_check.py %s %s"):format(t.python, t.quote(here), t.quote(out),
    t.quote(expectFile)), what)
  if report and report ~= "" then io.write(report) end
end
readersAgree("independent readers agree")

-- The saved book reads back with the same texts.
local again = m.CreateBook()
t.eq(m.Load(again, out), true, "Load: " .. m.GetErrorMessage(again))
local d2 = m.GetSheet(again, 0)
for i, c in ipairs(formulas) do
  t.eq(m.ReadFormula(d2, 9 + i, 1), c[2], "after loading, " .. c[1])
end

m.BookRelease(again)
m.BookRelease(book)

-- Defined names of a book read from a file, in any letter case: LibreOffice
-- computes the formulas that use them from the names' own values.
local corpus = os.getenv("CELVO_CORPUS") or ""
if corpus ~= "" then
  local named = m.CreateBook()
  t.eq(m.Load(named, corpus .. "/xls/xlrd__namesdemo.xls"), true, "Load names demo: " .. m.GetErrorMessage(named))
  local first = m.GetSheet(named, 0)
  local uses = {
    { "PosInt+NegInt", "PosInt+NegInt", "65534" },
    { "posint+1", "PosInt+1", "65536" },
    { "addnumstr*2", "addnumstr*2", "1158" },
    { "LEN(unicodestring)", "LEN(UnicodeString)", "5" },
    { "twofivesix/2", "twofivesix/2", "128" },
    { "'Seamus O''Reilly'!A1&\"\"", "'Seamus O''Reilly'!A1&\"\"", nil },
  }
  f = assert(io.open(expectFile, "w"))
  for i, c in ipairs(uses) do
    local row = 99 + i
    t.eq(m.WriteFormula(first, row, 0, c[1]), true, "WriteFormula " .. c[1] .. ": " .. m.GetErrorMessage(named))
    t.eq(m.ReadFormula(first, row, 0), c[2], "ReadFormula of " .. c[1])
    if c[3] then f:write(table.concat({ row, 0, c[3] }, "\t"), "\n") end
  end
  f:close()
  t.eq(m.Save(named, out), true, "Save names demo: " .. m.GetErrorMessage(named))
  readersAgree("independent readers agree on names")
  m.BookRelease(named)
else
  t.skip("the corpus folder is not given (set CELVO_CORPUS_DIR): the names check cannot run")
end

os.remove(out)
os.remove(expectFile)
t.finish("xls_formula")
