-- What a user trying the module meets in the files it saves, by one table
-- over a .xls and a .xlsx book: text overwritten or cleared is not in the
-- file, a deleted sheet takes with it the parts only it used, and a book
-- holds no more cell formats than the applications open, new ones sharing
-- the fill and border records. The books saved are read by xlrd, openpyxl
-- and LibreOffice, and their packages looked into
-- (user_trial_package_check.py).
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local tmp = t.tempDir()
local q = t.quote
local here = t.here()
local checkScript = q(here .. "/user_trial_package_check.py")

-- Facts for the checker: one line each, fields separated by tabs.
local facts = {}
local function fact(...) facts[#facts + 1] = table.concat({ ... }, "\t") end

-- Books that other programs made (see the checker): rich.xlsx, notes.xlsx
-- and styled.xlsx.
local made = t.checker(t.python .. " " .. checkScript .. " make " .. q(tmp), "the books to start from")

-- Every book a case makes is released when the case ends.
local formats, releaseAll = t.bookFormats(m)

-- Where the formats differ by nature: the most cell formats a book holds
-- (a .xls cell keeps its format's index in 16 bits; a .xlsx book holds what
-- the applications open).
formats[1].maxFormats, formats[2].maxFormats = 65535, 64000

-- Only a .xlsx book is a package of parts, and the books to start from are
-- packages.
local PACKAGE = "only a .xlsx book is a package of parts"

local function bookWith(fmt, ...)
  local book = fmt.create()
  for _, name in ipairs({ ... }) do
    t.eq(m.AddSheet(book, name) ~= 0, true, fmt.name .. ": AddSheet " .. name .. ": " .. m.GetErrorMessage(book))
  end
  return book
end

local function load(fmt, path)
  local book = fmt.create()
  t.eq(m.Load(book, path), true, "Load " .. path .. ": " .. m.GetErrorMessage(book))
  return book
end

local function save(book, path)
  t.eq(m.Save(book, path), true, "Save " .. path .. ": " .. m.GetErrorMessage(book))
end

local function sheetNames(book)
  local out = {}
  for i = 0, m.GetSheetCount(book) - 1 do out[#out + 1] = m.GetSheetName(m.GetSheet(book, i)) end
  return table.concat(out, ",")
end

local TOO_MANY = "too many formats"

local cases = {
  { "text overwritten or cleared is not in the file", function(fmt, dir)
    local book = bookWith(fmt, "Text")
    local sheet = m.GetSheet(book, 0)
    -- Six string cells of four texts.
    local kept = { "alpha", "beta", "alpha", "gamma", "delta", "beta" }
    for i, text in ipairs(kept) do
      t.eq(m.WriteString(sheet, i - 1, 0, text), true, "WriteString " .. text)
    end
    -- One cell written over 100,000 times, one overwritten by a number,
    -- one cleared.
    for i = 1, 100000 do m.WriteString(sheet, 0, 1, "old text " .. i) end
    t.eq(m.WriteString(sheet, 0, 1, "final text"), true, "WriteString final text")
    t.eq(m.WriteString(sheet, 1, 1, "overwritten text"), true, "WriteString overwritten text")
    t.eq(m.WriteNumber(sheet, 1, 1, 7), true, "WriteNumber over it")
    t.eq(m.WriteString(sheet, 2, 1, "cleared text"), true, "WriteString cleared text")
    t.eq(m.ClearCells(sheet, 2, 2, 1, 1), true, "ClearCells: " .. m.GetErrorMessage(book))
    local path = dir .. "/overwritten" .. fmt.ext
    save(book, path)
    -- The text kept is a few hundred bytes: 100,000 old texts would be some
    -- 1.5 MB.
    fact("size", path, 20000)
    -- After a load, the same again.
    local back = load(fmt, path)
    local backSheet = m.GetSheet(back, 0)
    t.eq(m.ReadString(backSheet, 0, 1), "final text", "the text after a load")
    for i, text in ipairs(kept) do t.eq(m.ReadString(backSheet, i - 1, 0), text, "A" .. i .. " after a load") end
    t.eq(m.ReadNumber(backSheet, 1, 1), 7, "the number after a load")
    for i = 1, 1000 do m.WriteString(backSheet, 0, 1, "old text again " .. i) end
    t.eq(m.WriteString(backSheet, 0, 1, "final text"), true, "WriteString final text after a load")
    local again = dir .. "/again" .. fmt.ext
    save(back, again)
    fact("size", again, 20000)
    for _, p in ipairs({ path, again }) do
      for i, text in ipairs(kept) do fact("text", p, 0, i - 1, 0, text) end
      fact("text", p, 0, 0, 1, "final text")
      fact("lo", p, 0, 1, "final text")
      fact("lo", p, 3, 0, "gamma")
      if fmt.name == "xlsx" then
        -- Seven string cells, the count of a new book too.
        fact("sst", p, 7)
        for _, gone in ipairs({ "old text", "overwritten text", "cleared text" }) do fact("absent", p, gone) end
      end
    end
  end },

  { "a string table from another program keeps only what the cells hold", xlsxOnly = PACKAGE, function(fmt, dir)
    if not made then return end
    -- Loaded and saved as it is.
    local path = dir .. "/rich-saved" .. fmt.ext
    save(load(fmt, tmp .. "/rich.xlsx"), path)
    -- Loaded, edited and saved: "two" is overwritten.
    local book = load(fmt, tmp .. "/rich.xlsx")
    local sheet = m.GetSheet(book, 0)
    t.eq(m.ReadString(sheet, 0, 0), "Bold plain", "the rich text")
    t.eq(m.ReadString(sheet, 1, 0), "two", "the plain text")
    t.eq(m.WriteString(sheet, 1, 0, "two replaced"), true, "WriteString over two")
    t.eq(m.WriteString(sheet, 3, 0, "Bold plain"), true, "WriteString of the rich item's text")
    local edited = dir .. "/rich-edited" .. fmt.ext
    save(book, edited)
    for _, p in ipairs({ path, edited }) do
      fact("absent", p, "stale")
      fact("size", p, 12000)
      fact("rich", p, 0, "A1", "Bold| plain")
      fact("text", p, 0, 0, 0, "Bold plain")
      fact("text", p, 0, 2, 0, "3.5")
      fact("lo", p, 0, 0, "Bold plain")
      fact("package", p)
    end
    fact("sst", path, 2)
    fact("sst", edited, 3)
    fact("text", path, 0, 1, 0, "two")
    fact("text", edited, 0, 1, 0, "two replaced")
    fact("text", edited, 0, 3, 0, "Bold plain")
    fact("absent", edited, ">two<")
    -- The engine reads its own file alike.
    local back = load(fmt, edited)
    local backSheet = m.GetSheet(back, 0)
    for _, c in ipairs({ { 0, "Bold plain" }, { 1, "two replaced" }, { 3, "Bold plain" } }) do
      t.eq(m.ReadString(backSheet, c[1], 0), c[2], "row " .. c[1] .. " after a load")
    end
    t.eq(m.ReadNumber(backSheet, 2, 0), 3.5, "the number after a load")
  end },

  { "a deleted sheet takes the parts only it used", xlsxOnly = PACKAGE, function(fmt, dir)
    if not made then return end
    -- One and Two share printer settings; Three has its own, and its
    -- relationships also name the styles and the theme.
    for _, step in ipairs({
      { deletes = { 2 }, sheets = "One,Two", comments = 2, printers = 1 },
      { deletes = { 0 }, sheets = "Two,Three", comments = 2, printers = 2 },
      { deletes = { 2, 1 }, sheets = "One", comments = 1, printers = 1 },
      { deletes = { 1, 0 }, sheets = "Three", comments = 1, printers = 1 },
    }) do
      local book = load(fmt, tmp .. "/notes.xlsx")
      for _, index in ipairs(step.deletes) do
        t.eq(m.DeleteSheet(book, index), 1, "DeleteSheet " .. index .. ": " .. m.GetErrorMessage(book))
      end
      t.eq(sheetNames(book), step.sheets, "the sheets left")
      local path = dir .. "/notes-" .. step.sheets:gsub(",", "-") .. fmt.ext
      save(book, path)
      fact("package", path)
      fact("parts", path, "xl/comments/.*", step.comments)
      fact("parts", path, "xl/drawings/.*\\.vml", step.comments)
      fact("parts", path, "xl/printerSettings/.*", step.printers)
      fact("parts", path, "xl/styles\\.xml", 1)
      fact("parts", path, "xl/theme/theme1\\.xml", 1)
      local names = {}
      for name in step.sheets:gmatch("[^,]+") do names[#names + 1] = name end
      for i, name in ipairs(names) do
        fact("comment", path, name, "A1", "note of " .. name)
        fact("text", path, i - 1, 0, 0, name:lower())
      end
      fact("lo", path, 0, 0, step.sheets:match("([^,]+)"):lower())
      -- The book saved loads and saves again.
      local back = load(fmt, path)
      t.eq(sheetNames(back), step.sheets, "the sheets after a load")
      save(back, dir .. "/again-" .. step.sheets:gsub(",", "-") .. fmt.ext)
    end
  end },

  { "a sheet deleted takes its texts from the file", function(fmt, dir)
    local book = bookWith(fmt, "Gone", "Stays")
    t.eq(m.WriteString(m.GetSheet(book, 0), 0, 0, "only on Gone"), true, "WriteString on Gone")
    t.eq(m.WriteString(m.GetSheet(book, 0), 1, 0, "on both"), true, "WriteString on Gone")
    t.eq(m.WriteString(m.GetSheet(book, 1), 0, 0, "on both"), true, "WriteString on Stays")
    t.eq(m.DeleteSheet(book, 0), 1, "DeleteSheet Gone: " .. m.GetErrorMessage(book))
    local path = dir .. "/deleted" .. fmt.ext
    save(book, path)
    fact("text", path, 0, 0, 0, "on both")
    fact("lo", path, 0, 0, "on both")
    if fmt.name == "xlsx" then
      fact("sst", path, 1)
      fact("absent", path, "only on Gone")
      fact("package", path)
    end
  end },

  { "a book holds no more cell formats than the applications open", function(fmt, dir)
    local book = bookWith(fmt, "Formats")
    local sheet = m.GetSheet(book, 0)
    local last, added, message = 0, 0, nil
    for _ = 1, 70000 do
      local f = m.BookAddFormat(book, 0)
      if f == 0 then
        message = m.GetErrorMessage(book)
        break
      end
      last, added = f, added + 1
    end
    t.eq(message, TOO_MANY, "the message of the format refused")
    t.eq(added > 60000 and added < fmt.maxFormats, true, "formats added before the refusal: " .. added)
    t.eq(m.BookAddFormat(book, last), 0, "a copy is refused too")
    t.eq(m.GetErrorMessage(book), TOO_MANY, "its message")
    -- The book still works, with the formats it holds.
    m.SetFormatNumFormat(last, 10)
    t.eq(m.WriteNumber(sheet, 0, 0, 0.25), true, "WriteNumber")
    m.SetCellFormat(sheet, 0, 0, last)
    t.eq(m.GetFormatNumFormat(m.GetCellFormat(sheet, 0, 0)), 10, "the format of the cell")
    local path = dir .. "/formats" .. fmt.ext
    save(book, path)
    local back = load(fmt, path)
    t.eq(m.GetFormatNumFormat(m.GetCellFormat(m.GetSheet(back, 0), 0, 0)), 10, "the format after a load")
    t.eq(m.BookAddFormat(back, 0), 0, "a format past the last after a load")
    t.eq(m.GetErrorMessage(back), TOO_MANY, "its message")
    fact("opens", path)
    if fmt.name == "xlsx" then
      fact("records", path, 2, 1, fmt.maxFormats)
      fact("style", path, "Formats", "A1", "None", "none", "0.00%")
    else
      fact("text", path, 0, 0, 0, "0.25")
    end
  end },

  { "new formats share the fill and border records", function(fmt, dir)
    local book = bookWith(fmt, "Shared")
    local sheet = m.GetSheet(book, 0)
    local first = m.BookAddFormat(book, 0)
    for i = 0, 999 do
      local f = i % 2 == 0 and m.BookAddFormat(book, 0) or m.BookAddFormat(book, first)
      t.eq(f ~= 0, true, "BookAddFormat " .. i .. ": " .. m.GetErrorMessage(book))
      m.SetFormatNumFormat(f, 1 + i % 4)
      m.WriteNumber(sheet, i, 0, i)
      m.SetCellFormat(sheet, i, 0, f)
    end
    local path = dir .. "/shared" .. fmt.ext
    save(book, path)
    local back = load(fmt, path)
    local backSheet = m.GetSheet(back, 0)
    for i = 0, 999, 111 do
      t.eq(m.GetFormatNumFormat(m.GetCellFormat(backSheet, i, 0)), 1 + i % 4, "the format of row " .. i)
    end
    fact("opens", path)
    fact("text", path, 0, 998, 0, "998")
    if fmt.name == "xlsx" then
      fact("records", path, 2, 1, "-")
      fact("style", path, "Shared", "A3", "None", "none", "#,##0")
    end
  end },

  { "a format copied from a file's keeps its border and fill", xlsxOnly = PACKAGE, function(fmt, dir)
    if not made then return end
    local book = load(fmt, tmp .. "/styled.xlsx")
    local sheet = m.GetSheet(book, 0)
    local copy = m.BookAddFormat(book, m.GetCellFormat(sheet, 0, 0))
    t.eq(copy ~= 0, true, "BookAddFormat: " .. m.GetErrorMessage(book))
    m.SetFormatNumFormat(copy, 10)
    t.eq(m.WriteNumber(sheet, 0, 1, 0.5), true, "WriteNumber")
    m.SetCellFormat(sheet, 0, 1, copy)
    local plain = m.BookAddFormat(book, 0)
    m.SetFormatNumFormat(plain, 2)
    t.eq(m.WriteNumber(sheet, 0, 2, 1.5), true, "WriteNumber")
    m.SetCellFormat(sheet, 0, 2, plain)
    local path = dir .. "/styled" .. fmt.ext
    save(book, path)
    fact("style", path, "Styled", "A1", "thin", "FFFFFF00", "General")
    fact("style", path, "Styled", "B1", "thin", "FFFFFF00", "0.00%")
    fact("style", path, "Styled", "C1", "None", "none", "0.00")
    -- The copy has a fill and a border of its own; the plain one shares.
    fact("records", path, 4, 3, "-")
    fact("lo", path, 0, 1, "50.00%")
  end },
}

t.runCases(formats, cases, tmp, releaseAll)

local factsPath = tmp .. "/facts.tsv"
t.writeFile(factsPath, table.concat(facts, "\n") .. "\n")
t.checker(t.python .. " " .. checkScript .. " check " .. q(factsPath), "xlrd, openpyxl, LibreOffice and the packages")

os.execute("rm -rf " .. q(tmp))
t.finish("user_trial_package")
