-- What a user trying the module meets in cells, by one table over a .xls and
-- a .xlsx book: a read says whether a value came back, a cell without a
-- style has the book's default format, a formula not yet calculated is a
-- number, formula text that is not one formula is refused, and deleting a
-- sheet turns the references to it into #REF!. The books saved are read by
-- xlrd, openpyxl and LibreOffice (user_trial_cells_check.py).
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local tmp = t.tempDir()
local q = t.quote
local here = t.here()
local checkScript = q(here .. "/user_trial_cells_check.py")

-- Facts for the checker: one line each, fields separated by tabs.
local facts = {}
local function fact(...) facts[#facts + 1] = table.concat({ ... }, "\t") end

-- Books that other programs made: a .xlsx package without a styles part.
local made = t.checker(t.python .. " " .. checkScript .. " make " .. q(tmp), "the books to start from")

-- Every book a case makes is released when the case ends.
local formats, releaseAll = t.bookFormats(m)


local function bookWith(fmt, ...)
  local book = fmt.create()
  for _, name in ipairs({ ... }) do
    t.eq(m.AddSheet(book, name) ~= 0, true, fmt.name .. ": AddSheet " .. name .. ": " .. m.GetErrorMessage(book))
  end
  return book
end

local function did(book, ok, what)
  t.eq(ok, true, what .. ": " .. m.GetErrorMessage(book))
end

local NUMBER = 1

-- The results of a read as "value,came back,count".
local function results(...)
  local p = t.pack(...)
  return ("%s,%s,%d"):format(tostring(p[1]), tostring(p[2]), p.n)
end

-- Where the formats differ by nature: only a .xlsx package can lack its
-- styles part.
local XLSX_PARTS = "a .xls book has no parts"

-- Formula texts that are not one formula; the .xls book words its message
-- by what its compiler met.
local BAD_FORMULAS = { "SUM(", "A1+", "1 2", "", "((1)", "=", "1)", "()", "*2", "A1:", "\"open", "{1,2",
  "#BOGUS!", "SUM(A1", "A1+*B1" }

local cases = {
  { "a read says whether a value came back", function(fmt, dir)
    local book = bookWith(fmt, "Data")
    local sheet = m.GetSheet(book, 0)
    did(book, m.WriteNumber(sheet, 0, 0, 2.5), "WriteNumber")
    did(book, m.WriteBool(sheet, 0, 1, 1), "WriteBool")
    did(book, m.WriteString(sheet, 0, 2, "text"), "WriteString")
    did(book, m.WriteFormula(sheet, 0, 3, "A1*2"), "WriteFormula")
    for _, c in ipairs({
      { "ReadNumber", 0, 0, 2.5, true },
      { "ReadBool", 0, 1, 1, true },
      { "ReadString", 0, 2, "text", true },
      { "ReadFormula", 0, 3, "A1*2", true },
      { "ReadNumber", 0, 2, 0, false },
      { "ReadBool", 0, 0, 0, false },
      { "ReadString", 0, 0, nil, false },
      { "ReadFormula", 0, 0, nil, false },
      { "ReadNumber", 5, 5, 0, false },
      { "ReadString", 5, 5, nil, false },
      { "ReadFormula", 5, 5, nil, false },
      { "ReadBool", 5, 5, 0, false },
    }) do
      local name, row, col, value, came = unpack(c)
      local got = t.pack(m[name](sheet, row, col))
      local what = ("%s %d,%d"):format(name, row, col)
      t.eq(got.n, 2, what .. ": two results")
      t.eq(got[1], value, what .. ": the value")
      t.eq(got[2], came, what .. ": whether a value came back")
    end
    -- A cell without a style has the book's default format: the same one
    -- for every such cell, with the general number format.
    local format = m.GetCellFormat(sheet, 0, 0)
    t.eq(format ~= 0, true, "GetCellFormat of a cell without a style: " .. m.GetErrorMessage(book))
    t.eq(m.GetCellFormat(sheet, 0, 2), format, "the same format for another cell without a style")
    t.eq(m.GetFormatNumFormat(format), 0, "its number format")
    t.eq(m.GetCellFormat(sheet, 9, 9), 0, "no format for a cell that does not exist")
    local path = dir .. "/reads" .. fmt.ext
    did(book, m.Save(book, path), "Save")
    fact("value", path, "Data", 0, 0, "2.5")
    fact("value", path, "Data", 0, 2, "text")
    fact("lo", path, 0, 0, "2.5")
    fact("lo", path, 0, 3, "5")
    -- And through a load.
    local back = fmt.create()
    did(back, m.Load(back, path), "Load")
    local s = m.GetSheet(back, 0)
    t.eq(t.pack(m.ReadNumber(s, 0, 0))[2], true, "ReadNumber after the load")
    t.eq(t.pack(m.ReadBool(s, 0, 1))[2], true, "ReadBool after the load")
    t.eq(m.GetCellFormat(s, 0, 0) ~= 0, true, "GetCellFormat after the load")
  end },

  { "a package without a styles part gets the default format", xlsxOnly = XLSX_PARTS, function(fmt, dir)
    if not made then return end
    local book = fmt.create()
    did(book, m.Load(book, tmp .. "/nostyles.xlsx"), "Load")
    local sheet = m.GetSheet(book, 0)
    t.eq(results(m.ReadNumber(sheet, 0, 0)), "2.5,true,2", "ReadNumber")
    local format = m.GetCellFormat(sheet, 0, 0)
    t.eq(format ~= 0, true, "GetCellFormat: " .. m.GetErrorMessage(book))
    t.eq(m.GetFormatNumFormat(format), 0, "its number format")
    local path = dir .. "/nostyles" .. fmt.ext
    did(book, m.Save(book, path), "Save")
    fact("value", path, "Data", 0, 0, "2.5")
    fact("lo", path, 0, 0, "2.5")
  end },

  { "a formula not yet calculated is a number", function(fmt, dir)
    local book = bookWith(fmt, "Data")
    local sheet = m.GetSheet(book, 0)
    local dateFormat = m.BookAddFormat(book, 0)
    m.SetFormatNumFormat(dateFormat, 14)
    did(book, m.WriteNumber(sheet, 0, 0, 45000), "WriteNumber")
    did(book, m.WriteFormula(sheet, 1, 0, "A1+1"), "WriteFormula")
    m.SetCellFormat(sheet, 2, 0, dateFormat)
    did(book, m.WriteFormula(sheet, 2, 0, "A1+2"), "WriteFormula of a date")
    did(book, m.WriteString(sheet, 3, 0, "was text"), "WriteString")
    did(book, m.WriteFormula(sheet, 3, 0, "A1*3"), "WriteFormula over a text")
    for _, c in ipairs({ { 1, false }, { 2, true }, { 3, false } }) do
      local row, date = unpack(c)
      t.eq(m.GetCellType(sheet, row, 0), NUMBER, "GetCellType of the formula in row " .. row)
      t.eq(m.GetCellIsDate(sheet, row, 0), date, "GetCellIsDate of the formula in row " .. row)
      t.eq(m.GetCellIsFormula(sheet, row, 0), true, "GetCellIsFormula in row " .. row)
      t.eq(results(m.ReadNumber(sheet, row, 0)), "0,true,2", "ReadNumber of the formula in row " .. row)
    end
    t.eq(m.GetCellType(sheet, 0, 0), NUMBER, "the number stays a number")
    t.eq(m.GetCellType(sheet, 0, 1), 0, "a cell that does not exist")
    local path = dir .. "/calc" .. fmt.ext
    did(book, m.Save(book, path), "Save")
    fact("lo", path, 1, 0, "45001")
    fact("lo", path, 3, 0, "135000")
    fact("formula", path, "Data", 2, 0, "=A1+2")
  end },

  { "formula text that is not one formula is refused", function(fmt, dir)
    local book = bookWith(fmt, "Data")
    local sheet = m.GetSheet(book, 0)
    did(book, m.WriteNumber(sheet, 0, 0, 4), "WriteNumber")
    did(book, m.WriteFormula(sheet, 0, 1, "A1*2"), "WriteFormula")
    did(book, m.WriteString(sheet, 0, 2, "kept"), "WriteString")
    for _, text in ipairs(BAD_FORMULAS) do
      for col, before in ipairs({ "A1*2", "kept" }) do
        t.eq(m.WriteFormula(sheet, 0, col, text), false, "WriteFormula " .. text)
        local message = m.GetErrorMessage(book)
        t.eq(message ~= "ok" and (message:find("formula") or message:find("^error")) ~= nil, true,
          "the message of WriteFormula " .. text .. ": " .. message)
        if col == 1 then
          t.eq(m.ReadFormula(sheet, 0, 1), before, "the formula is kept after " .. text)
        else
          t.eq(m.ReadString(sheet, 0, 2), before, "the text is kept after " .. text)
          t.eq(m.GetCellIsFormula(sheet, 0, 2), false, "no formula after " .. text)
        end
      end
      t.eq(m.WriteFormula(sheet, 5, 5, text), false, "WriteFormula " .. text .. " into a new cell")
      t.eq(m.GetCellType(sheet, 5, 5), 0, "no cell is made by " .. text)
    end
    -- Well-formed text is kept as written (the .xls book prints it anew
    -- from its tokens, with the same meaning).
    for i, c in ipairs({
      { "SUM(A1:A3)*2", "SUM(A1:A3)*2", 8 },
      { "=-A1+2^3", "-A1+2^3", 4 },
      { "A1%", "A1%", nil },
      { "IF(A1>3,\"big\",\"small\")", "IF(A1>3;\"big\";\"small\")", "big" },
      { "\"a\"\"b\"&A1", "\"a\"\"b\"&A1", "a\"b4" },
      { "SUM(1,2)", "SUM(1;2)", 3 },
      { "$A$1+A$1+$A1", "$A$1+A$1+$A1", 12 },
      { "TRUE", "TRUE", nil },
      { "A1:A2 A2:A3", "A1:A2 A2:A3", nil, "the .xls book takes no intersection" },
    }) do
      local text, read, shown, xlsRefuses = unpack(c)
      if not (xlsRefuses and fmt.name == "xls") then
        did(book, m.WriteFormula(sheet, i, 3, text), "WriteFormula " .. text)
        t.eq(m.ReadFormula(sheet, i, 3), read, "ReadFormula of " .. text)
        if shown then fact("lo", dir .. "/texts" .. fmt.ext, i, 3, tostring(shown)) end
      end
    end
    local path = dir .. "/texts" .. fmt.ext
    did(book, m.Save(book, path), "Save")
    fact("formula", path, "Data", 1, 3, "=SUM(A1:A3)*2")
    fact("formula", path, "Data", 0, 1, "=A1*2")
    fact("value", path, "Data", 0, 2, "kept")
  end },

  { "deleting a sheet turns the references to it into #REF!", function(fmt, dir)
    local book = bookWith(fmt, "Front", "Before", "My Gone", "After", "Last")
    local gone = m.GetSheet(book, 2)
    did(book, m.WriteNumber(gone, 0, 0, 5), "WriteNumber on My Gone")
    for i = 1, 4 do
      if i ~= 2 then did(book, m.WriteNumber(m.GetSheet(book, i), 0, 0, i * 10), "WriteNumber") end
    end
    local front, last = m.GetSheet(book, 0), m.GetSheet(book, 4)
    -- A reference to the deleted sheet alone becomes #REF! on both: a .xls
    -- book keeps the cell it named in its tokens and prints it after the
    -- error, a .xlsx book stores the text the applications read, with the
    -- whole reference replaced.
    local formulas = {
      -- sheet, row, written, read after the delete (.xls, .xlsx), LibreOffice shows
      { front, 0, "'My Gone'!A1*2", "#REF!A1*2", "#REF!*2", "#REF!" },
      { front, 1, "SUM('My Gone'!A1:B2)", "SUM(#REF!A1:B2)", "SUM(#REF!)", "#REF!" },
      { front, 2, "'My Gone'!A1+After!A1", "#REF!A1+After!A1", "#REF!+After!A1", "#REF!" },
      { front, 3, "SUM('Before:My Gone'!A1)", "SUM(Before!A1)", "SUM(Before!A1)", "10" },
      { front, 4, "SUM('My Gone:Last'!A1)", "SUM(After:Last!A1)", "SUM(After:Last!A1)", "70" },
      { front, 5, "SUM(Before:After!A1)", "SUM(Before:After!A1)", "SUM(Before:After!A1)", "40" },
      { front, 6, "After!A1&\"'My Gone'!A1\"", "After!A1&\"'My Gone'!A1\"", "After!A1&\"'My Gone'!A1\"",
        "30'My Gone'!A1" },
      { last, 0, "'my gone'!$B$2", "#REF!$B$2", "#REF!", nil },
      { last, 1, "Front!A1+1", "Front!A1+1", "Front!A1+1", nil },
    }
    for _, f in ipairs(formulas) do did(book, m.WriteFormula(f[1], f[2], 1, f[3]), "WriteFormula " .. f[3]) end
    -- A formula of the deleted sheet itself goes with it.
    did(book, m.WriteFormula(gone, 1, 0, "Front!A1"), "WriteFormula on My Gone")
    t.eq(m.DeleteSheet(book, 2), 1, "DeleteSheet: " .. m.GetErrorMessage(book))
    t.eq(m.GetSheetCount(book), 4, "the sheets left")
    local path = dir .. "/deleted" .. fmt.ext
    for _, f in ipairs(formulas) do
      local after = fmt.name == "xls" and f[4] or f[5]
      t.eq(m.ReadFormula(f[1], f[2], 1), after, "ReadFormula of " .. f[3] .. " after the delete")
      -- The text read writes again.
      did(book, m.WriteFormula(f[1], f[2], 2, after), "WriteFormula " .. after)
      t.eq(m.ReadFormula(f[1], f[2], 2), after, "and reads the same")
      fact("formula", path, m.GetSheetName(f[1]), f[2], 1, "=" .. after:gsub(";", ","))
      if f[6] then
        fact("lo", path, f[2], 1, f[6])
        fact("lo", path, f[2], 2, f[6])
      end
    end
    did(book, m.Save(book, path), "Save")
    -- The saved book loads again and keeps the texts.
    local back = fmt.create()
    did(back, m.Load(back, path), "Load")
    t.eq(m.ReadFormula(m.GetSheet(back, 0), 0, 1), fmt.name == "xls" and "#REF!A1*2" or "#REF!*2",
      "the #REF! formula after the load")
    t.eq(m.ReadFormula(m.GetSheet(back, 0), 3, 1), "SUM(Before!A1)", "the 3-D range after the load")
  end },
}

t.runCases(formats, cases, tmp, releaseAll)

local factsPath = tmp .. "/facts.tsv"
t.writeFile(factsPath, table.concat(facts, "\n") .. "\n")
t.checker(t.python .. " " .. checkScript .. " check " .. q(factsPath), "xlrd, openpyxl and LibreOffice")

os.execute("rm -rf " .. q(tmp))
t.finish("user_trial_cells")
