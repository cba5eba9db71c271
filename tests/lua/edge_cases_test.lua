-- What a user meets at the edges, over a .xls and a .xlsx book: saving over
-- links, devices and read-only files, loading what is not a book, paths that
-- are not UTF-8, a failed Load, sheet names the formats forbid, arguments
-- that are not finite, number-format ids, dates, formula text and its size,
-- formulas and names after a sheet is deleted, macros and pictures kept.
-- The saved books are checked by xlrd and LibreOffice (edge_cases_check.py).
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local tmp = t.tempDir()
local run = t.run
local q = t.quote

local function sh(cmd, what)
  local out, status = run(cmd)
  t.eq(status, 0, what .. ": " .. out)
  return out
end

local readFile, writeFile = t.readFile, t.writeFile

-- Facts for the checker: one line each, fields separated by tabs.
local facts = {}
local function fact(...) facts[#facts + 1] = table.concat({ ... }, "\t") end

-- Every book a case makes is released when the case ends.
local formats, releaseAll, releasing = t.bookFormats(m)

local createXls = formats[1].create

-- A book of the format with the sheets named.
local function bookWith(fmt, ...)
  local book = fmt.create()
  for _, name in ipairs({ ... }) do
    t.eq(m.AddSheet(book, name) ~= 0, true, fmt.name .. ": AddSheet " .. name .. ": " .. m.GetErrorMessage(book))
  end
  return book
end

local function sheetNames(book)
  local names = {}
  for i = 0, m.GetSheetCount(book) - 1 do names[#names + 1] = m.GetSheetName(m.GetSheet(book, i)) end
  return table.concat(names, ",")
end

-- Where the formats differ by nature: a .xls book compiles formula text
-- into tokens of a record, and its compiler refuses and prints; a .xlsx book
-- keeps the text as it is written.
local FORMULA_TEXT = "a .xlsx book keeps formula text as written"

local function shows(path, row, col, text) fact("value", path, row, col, text) end

local cases = {
  { "Save follows a symbolic link and keeps it a link", function(fmt, dir)
    local book = bookWith(fmt, "Linked")
    writeFile(dir .. "/real" .. fmt.ext, "old")
    sh("ln -s real" .. fmt.ext .. " " .. q(dir .. "/link" .. fmt.ext), "making the link")
    t.eq(m.Save(book, dir .. "/link" .. fmt.ext), true, "Save through the link: " .. m.GetErrorMessage(book))
    local _, isLink = run("test -L " .. q(dir .. "/link" .. fmt.ext))
    t.eq(isLink, 0, "the link is still a link")
    local back = fmt.create()
    t.eq(m.Load(back, dir .. "/real" .. fmt.ext), true, "the file it names holds the book: " .. m.GetErrorMessage(back))
    t.eq(sheetNames(back), "Linked", "its sheets")
  end },

  { "Save refuses what is not a regular file and leaves it alone", function(fmt, dir)
    local book = bookWith(fmt, "Sheet")
    sh("mkfifo " .. q(dir .. "/fifo") .. " && mkdir " .. q(dir .. "/folder") .. " && ln -s fifo " ..
      q(dir .. "/fifolink"), "making a FIFO and a folder")
    for _, target in ipairs({ "fifo", "folder", "fifolink" }) do
      t.eq(m.Save(book, dir .. "/" .. target), false, "Save to " .. target)
      t.eq(m.GetErrorMessage(book), "can't open file for writing", "message of Save to " .. target)
    end
    local _, fifo = run("test -p " .. q(dir .. "/fifo") .. " && test -d " .. q(dir .. "/folder"))
    t.eq(fifo, 0, "the FIFO and the folder are as they were")
  end },

  { "Save keeps the permission bits and refuses a read-only file", function(fmt, dir)
    local book = bookWith(fmt, "Sheet")
    local private = dir .. "/private" .. fmt.ext
    writeFile(private, "old")
    sh("chmod 640 " .. q(private), "chmod")
    t.eq(m.Save(book, private), true, "Save over a file: " .. m.GetErrorMessage(book))
    t.eq(sh("stat -c %a " .. q(private), "stat"):gsub("%s+$", ""), "640", "the permission bits kept")
    -- Root may write any file: the refusal is seen in a child interpreter
    -- with the rights of "nobody".
    local readonly = dir .. "/readonly" .. fmt.ext
    writeFile(readonly, "old")
    sh("chmod 444 " .. q(readonly) .. " && chmod 777 " .. q(dir), "chmod")
    local probe = "local m = require 'corvantis.ExcelLibrary_0.CelvoWrapper' io.write('LOADED ') io.flush() " ..
      "local b = m." .. fmt.creator .. "() m.AddSheet(b, 'S') io.write('RESULT ', tostring(m.Save(b, " ..
      ("%q"):format(readonly) .. ")), ' ', m.GetErrorMessage(b)) m.BookRelease(b)"
    local interp = arg[-1] or "lua5.1"
    local prefix = sh("id -u", "id"):match("^0") and "setpriv --reuid=65534 --regid=65534 --clear-groups " or ""
    -- The child keeps the sanitizer runtime that a sanitized module needs.
    local preload = os.getenv("LD_PRELOAD") or ""
    local out = run("env LD_PRELOAD=" .. q(preload) .. " " .. prefix .. q(interp) .. " -e " .. q(probe))
    if not out:match("^LOADED") then
      print("NOTE the module cannot be loaded as nobody here: the read-only case is left out\n" .. out)
      return
    end
    t.eq(out:match("RESULT [^\n]*"), "RESULT false can't open file for writing", "Save over a read-only file")
    t.eq(readFile(readonly), "old", "the read-only file is kept")
  end },

  { "Load checks the file before reading it and leaves the book as it was", function(fmt, dir)
    local book = bookWith(fmt, "Kept", "Also")
    local kept = m.GetSheet(book, 0)
    sh("truncate -s 1G " .. q(dir .. "/sparse") .. " && mkfifo " .. q(dir .. "/fifo") ..
      " && printf 'not a book' > " .. q(dir .. "/text"), "making the inputs")
    for _, c in ipairs({
      { "/dev/zero", "can't open file for reading" },
      { "/dev/urandom", "can't open file for reading" },
      { dir .. "/fifo", "can't open file for reading" },
      { dir, "can't open file for reading" },
      { dir .. "/missing", "can't open file for reading" },
      { dir .. "/sparse", "invalid file format" },
      { dir .. "/text", "invalid file format" },
    }) do
      t.eq(m.Load(book, c[1]), false, "Load " .. c[1])
      t.eq(m.GetErrorMessage(book), c[2], "message of Load " .. c[1])
      t.eq(sheetNames(book), "Kept,Also", "sheets after Load " .. c[1])
      t.eq(m.GetSheetName(kept), "Kept", "the sheet's handle after Load " .. c[1])
    end
    os.remove(dir .. "/sparse")
  end },

  { "a failed Load keeps the cells, formats and handles of the book", function(fmt, dir)
    local book = bookWith(fmt, "Work")
    local sheet = m.GetSheet(book, 0)
    local format = m.BookAddFormat(book, 0)
    m.WriteNumber(sheet, 2, 3, 42)
    m.SetCellFormat(sheet, 2, 3, format)
    writeFile(dir .. "/broken" .. fmt.ext, (fmt.ext == ".xls" and "\208\207\17\224\161\177\26\225" or "PK\3\4")
      .. ("\0"):rep(600))
    t.eq(m.Load(book, dir .. "/broken" .. fmt.ext), false, "Load of a broken book")
    t.eq(m.ReadNumber(sheet, 2, 3), 42, "the cell is kept")
    t.eq(m.GetCellFormat(sheet, 2, 3), format, "its format handle is kept")
    t.eq(m.Save(book, dir .. "/after" .. fmt.ext), true, "the book still saves: " .. m.GetErrorMessage(book))
  end },

  { "a book without sheets is not saved", function(fmt, dir)
    local book = fmt.create()
    t.eq(m.Save(book, dir .. "/none" .. fmt.ext), false, "Save of a book without sheets")
    t.eq(m.GetErrorMessage(book), "a workbook without sheets can't be saved", "its message")
    t.eq(readFile(dir .. "/none" .. fmt.ext), nil, "no file is made")
  end },

  { "paths that are not UTF-8 keep their bytes", function(fmt, dir)
    local book = bookWith(fmt, "Bytes")
    local path = dir .. "/out\155\255" .. fmt.ext
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    t.eq(readFile(path) ~= nil, true, "the file has the very bytes of its name")
    t.eq(m.FileExists(path), true, "FileExists")
    t.eq(m.DirectoryExists(dir .. "/out\155\255" .. fmt.ext), false, "DirectoryExists")
    local back = fmt.create()
    t.eq(m.Load(back, path), true, "Load: " .. m.GetErrorMessage(back))
    t.eq(sheetNames(back), "Bytes", "its sheets")
  end },

  { "sheet names the formats forbid are refused", function(fmt)
    local book = bookWith(fmt, "First")
    for _, c in ipairs({
      { "", "sheet name can't be empty" },
      { "a[b", "sheet name can't contain [ ] : * ? / \\" },
      { "a]b", "sheet name can't contain [ ] : * ? / \\" },
      { "a:b", "sheet name can't contain [ ] : * ? / \\" },
      { "a*b", "sheet name can't contain [ ] : * ? / \\" },
      { "a?b", "sheet name can't contain [ ] : * ? / \\" },
      { "a/b", "sheet name can't contain [ ] : * ? / \\" },
      { "a\\b", "sheet name can't contain [ ] : * ? / \\" },
      { "'lead", "sheet name can't begin or end with an apostrophe" },
      { "trail'", "sheet name can't begin or end with an apostrophe" },
    }) do
      t.eq(m.AddSheet(book, c[1]), 0, "AddSheet " .. c[1])
      t.eq(m.GetErrorMessage(book), c[2], "message of AddSheet " .. c[1])
      m.InsertSheet(book, 0, c[1])
      t.eq(m.GetErrorMessage(book), c[2], "message of InsertSheet " .. c[1])
    end
    t.eq(m.AddSheet(book, "It's fine") ~= 0, true, "an apostrophe inside: " .. m.GetErrorMessage(book))
    t.eq(sheetNames(book), "First,It's fine", "the sheets")
  end },

  { "rows, columns, indexes and handles must be finite", function(fmt)
    local book = bookWith(fmt, "Sheet")
    local sheet = m.GetSheet(book, 0)
    for _, c in ipairs({
      { "WriteNumber", sheet, 0 / 0, 0, 1 },
      { "WriteNumber", sheet, 0, 1 / 0, 1 },
      { "WriteString", sheet, -1 / 0, 0, "x" },
      { "ReadNumber", sheet, 0 / 0, 0 },
      { "GetSheet", book, 0 / 0 },
      { "DeleteSheet", book, 1 / 0 },
      { "GetSheetName", 0 / 0 },
      { "SetActiveSheetNumber", book, 0 / 0 },
    }) do
      local err = t.errorOf(m[c[1]], unpack(c, 2))
      t.eq(err and err:match("finite number expected") ~= nil, true, c[1] .. " with a number that is not finite: "
        .. tostring(err))
    end
    t.eq(m.GetSheetCount(book), 1, "the book is as it was")
  end },

  { "number-format ids outside 0-65535 or not held are refused", function(fmt)
    local book = bookWith(fmt, "Sheet")
    local format = m.BookAddFormat(book, 0)
    local before = m.GetFormatNumFormat(format)
    for _, c in ipairs({
      { 65550, "number format id is out of range" },
      { -1, "number format id is out of range" },
      { 200, "custom number format not found" },
    }) do
      m.SetFormatNumFormat(format, c[1])
      t.eq(m.GetErrorMessage(book), c[2], "message of SetFormatNumFormat " .. c[1])
      t.eq(m.GetFormatNumFormat(format), before, "the format keeps its id after " .. c[1])
    end
    local custom = m.BookAddCustomNumFormat(book, "0.000 \"kg\"")
    m.SetFormatNumFormat(format, custom)
    t.eq(m.GetErrorMessage(book), "ok", "a custom id the book holds")
    t.eq(m.GetFormatNumFormat(format), custom, "its id")
  end },

  { "dates unpack to the tenth they were packed from", function(fmt)
    local book = bookWith(fmt, "Sheet")
    for _, d in ipairs({
      { 2000, 1, 1, 0, 5, 39, 4 }, { 1900, 1, 1, 0, 0, 0, 1 }, { 1900, 3, 1, 12, 0, 0, 0 },
      { 1999, 12, 31, 23, 59, 59, 9 }, { 2024, 2, 29, 6, 30, 15, 5 }, { 9999, 12, 31, 23, 59, 59, 9 },
      { 9999, 12, 31, 0, 0, 0, 3 }, { 5000, 6, 15, 17, 45, 1, 7 },
    }) do
      local serial = m.GetPackedDate(book, unpack(d))
      local got = table.concat({ m.GetUnpackedDate(book, serial) }, "-")
      t.eq(got, table.concat(d, "-"), "unpacking " .. table.concat(d, "-"))
    end
    for _, serial in ipairs({ 0 / 0, 1 / 0, -1, 2958466 }) do
      local got = t.pack(m.GetUnpackedDate(book, serial))
      t.eq(got.n, 7, "seven parts for " .. serial)
      t.eq(m.GetErrorMessage(book), "serial date is out of range", "message for the serial " .. serial)
    end
  end },

  { "date parts that no date holds are refused", function(fmt)
    local book = bookWith(fmt, "Sheet")
    -- Parts far out of range (a month of -2^31, or of 2^31, which reaches
    -- the book as -2^31 by its low 32 bits), and parts that come to a day
    -- before the first of the calendar or after 9999-12-31.
    for _, d in ipairs({
      { -2147483648, 1, 1 }, { 2000, -2147483648, 1 }, { 2000, 2147483648, 1 }, { 2000, 2147483647, 1 },
      { 2000, 1, 2147483647 }, { 2000, 1, -2147483648 }, { 2000, 1, 1, 2147483647 }, { 2000, 1, 1, -2147483648 },
      { 2000, 1, 1, 0, -2147483648, 0, 0 }, { 2147483647, 2147483647, 2147483647 },
      { 10000, 1, 1 }, { 9999, 12, 31, 24 }, { 9999, 12, 31, 23, 59, 59, 10 }, { 1899, 12, 30 },
      { 0, 0, 0, -1 }, { 0, 0, 0, 0, 0, 0, -1 },
    }) do
      local parts = { d[1], d[2], d[3], d[4] or 0, d[5] or 0, d[6] or 0, d[7] or 0 }
      local what = "GetPackedDate " .. table.concat(parts, ",")
      t.eq(m.GetPackedDate(book, unpack(parts)), 0, what)
      t.eq(m.GetErrorMessage(book), "date is out of range", what .. ": message")
    end
    -- Parts out of their usual range that still come to a date roll over.
    for _, d in ipairs({
      { { 2000, 13, 1, 0, 0, 0, 0 }, { 2001, 1, 1, 0, 0, 0, 0 } },
      { { 2000, 1, 32, 25, 0, 0, 0 }, { 2000, 2, 2, 1, 0, 0, 0 } },
      { { 2001, -11, 1, 0, 0, 0, 0 }, { 2000, 1, 1, 0, 0, 0, 0 } },
      { { 9999, 12, 31, 23, 59, 59, 9 }, { 9999, 12, 31, 23, 59, 59, 9 } },
    }) do
      local what = "GetPackedDate " .. table.concat(d[1], ",")
      local serial = m.GetPackedDate(book, unpack(d[1]))
      t.eq(m.GetErrorMessage(book), "ok", what .. ": message")
      t.eq(table.concat({ m.GetUnpackedDate(book, serial) }, ","), table.concat(d[2], ","), what .. ": the date")
    end
  end },

  { "formula text is exactly one expression; numbers print short", xlsOnly = FORMULA_TEXT, function(fmt)
    local book = bookWith(fmt, "Sheet")
    local sheet = m.GetSheet(book, 0)
    m.WriteFormula(sheet, 0, 0, "1+1")
    for _, text in ipairs({ "1 2", "SUM(A 1,B 2)", "\"a\" \"b\"", "A1 B1" }) do
      t.eq(m.WriteFormula(sheet, 0, 0, text), false, "WriteFormula " .. text)
      t.eq(m.GetErrorMessage(book), "error in formula", "message of WriteFormula " .. text)
      t.eq(m.ReadFormula(sheet, 0, 0), "1+1", "the cell is kept after " .. text)
    end
    for _, c in ipairs({
      { "1E0", "1" }, { "1.0E+1", "10" }, { "6.5535E4", "65535" }, { "65536", "65536" },
      { "1e300", "1e+300" }, { "0.1+2.5e-3", "0.1+0.0025" }, { " SUM ( 1 , 2 ) ", "SUM(1;2)" },
    }) do
      t.eq(m.WriteFormula(sheet, 1, 0, c[1]), true, "WriteFormula " .. c[1] .. ": " .. m.GetErrorMessage(book))
      t.eq(m.ReadFormula(sheet, 1, 0), c[2], "ReadFormula of " .. c[1])
    end
  end },

  { "WriteFormula refuses what Save could not write", xlsOnly = FORMULA_TEXT, function(fmt, dir)
    local book = bookWith(fmt, "Sheet")
    local sheet = m.GetSheet(book, 0)
    m.WriteNumber(sheet, 0, 0, 7)
    -- "1" and 2049 times "+1" fill the record to its last 3 bytes; once
    -- more does not fit.
    local fits = "1" .. ("+1"):rep(2049)
    t.eq(m.WriteFormula(sheet, 0, 0, fits .. "+1"), false, "a formula one token too long")
    t.eq(m.GetErrorMessage(book), "Formula record is too long", "its message")
    t.eq(m.ReadNumber(sheet, 0, 0), 7, "the cell is kept")
    t.eq(m.WriteFormula(sheet, 1, 0, fits), true, "the longest formula: " .. m.GetErrorMessage(book))
    local path = dir .. "/long" .. fmt.ext
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    shows(path, 1, 0, "2050")
  end },

  { "3-D ranges keep the sheets left when one is deleted", xlsOnly = FORMULA_TEXT, function(fmt, dir)
    local book = bookWith(fmt, "F", "Jan", "Feb", "Mar", "Apr", "May")
    for i, v in ipairs({ 1, 10, 100, 1000, 10000 }) do m.WriteNumber(m.GetSheet(book, i), 0, 0, v) end
    local f = m.GetSheet(book, 0)
    -- Formula before, after Feb is deleted, and the value then.
    local rows = {
      { "SUM(Jan:Mar!A1)", "SUM(Jan:Mar!A1)", "101" },    -- inside the range
      { "SUM(Feb:Apr!A1)", "SUM(Mar:Apr!A1)", "1100" },   -- its first sheet
      { "SUM(Jan:Feb!A1)", "SUM(Jan!A1)", "1" },          -- its last sheet
      { "Feb!A1*2", "#REF!A1*2", "#REF!" },               -- the sheet alone
      { "SUM(Apr:May!A1:B2)", "SUM(Apr:May!A1:B2)", "11000" },
    }
    for i, r in ipairs(rows) do
      t.eq(m.WriteFormula(f, i - 1, 0, r[1]), true, "WriteFormula " .. r[1] .. ": " .. m.GetErrorMessage(book))
    end
    t.eq(m.DeleteSheet(book, 2), 1, "DeleteSheet Feb")
    local path = dir .. "/threed" .. fmt.ext
    for i, r in ipairs(rows) do
      local text = m.ReadFormula(f, i - 1, 0)
      t.eq(text, r[2], "after the delete, " .. r[1])
      t.eq(m.WriteFormula(f, i - 1, 1, text or ""), true, "the text read writes again: " .. tostring(text) .. ": "
        .. m.GetErrorMessage(book))
      t.eq(m.ReadFormula(f, i - 1, 1), r[2], "and reads the same")
      shows(path, i - 1, 0, r[3])
      shows(path, i - 1, 1, r[3])
    end
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    fact("opens", path)
  end },
}

-- Cases over books from the corpus, which are .xls files.
local corpusCases = {
  { "names and formulas of a loaded book after a sheet is deleted", function(dir, corpus)
    local book = createXls()
    t.eq(m.Load(book, corpus .. "/xls/xlrd__namesdemo.xls"), true, "Load: " .. m.GetErrorMessage(book))
    local second = m.GetSheet(book, 1)
    -- BottomLine is "Profit Year_Tot" through the book's own link, and
    -- Moscow the range A1:Z10 of Sheet1 to Sheet3.
    -- LibreOffice reads neither kind from a .xls file (it shows Err:508
    -- for them in the original book too), so it recalculates the formulas
    -- over plain names, and xlrd reads the names' own formulas.
    local uses = {
      { "BottomLine", nil }, { "SUM(Moscow)", nil }, { "SUM(Intersection)", "192" }, { "SUM(Profit)", "14197" },
      { "SUM(Year_Tot)", "9876" },
    }
    for i, u in ipairs(uses) do
      t.eq(m.WriteFormula(second, i - 1, 0, u[1]), true, "WriteFormula " .. u[1] .. ": " .. m.GetErrorMessage(book))
    end
    t.eq(m.DeleteSheet(book, 0), 1, "DeleteSheet Sheet1: " .. m.GetErrorMessage(book))
    local path = dir .. "/names.xls"
    for i, u in ipairs(uses) do
      t.eq(m.ReadFormula(second, i - 1, 0), u[1], "the formula after the delete")
      if u[2] then shows(path, i - 1, 0, u[2]) end
    end
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    for _, n in ipairs({
      { "BottomLine", "Profit Year_Tot" },
      { "Intersection", "rectangle1 rectangle2" },
      { "Union", "rectangle1:rectangle2" },
      { "Moscow", "Sheet2:Sheet3!$A$1:$Z$10" },
      { "Profit", "Sheet3!$B$4:$N$4" },
      -- LocalRange of Sheet1, still named, stays as a name of the book.
      { "all_local_ranges", "LocalRange,Sheet2!localRange,Sheet3!Localrange" },
    }) do
      fact("name", path, n[1], n[2])
    end
  end },

  { "a chart sheet holds no cells", function(dir, corpus)
    -- The .xls book gives the chart sheet a handle and refuses every write
    -- into it; the .xlsx book gives it no handle at all.
    local book = createXls()
    t.eq(m.Load(book, corpus .. "/xls/sheetjs__BlankSheetTypes.xls"), true, "Load: " .. m.GetErrorMessage(book))
    local chart
    for i = 0, m.GetSheetCount(book) - 1 do
      local sheet = m.GetSheet(book, i)
      if m.GetSheetName(sheet) == "Chart1" then chart = sheet end
    end
    t.eq(chart ~= nil, true, "the book has the chart sheet Chart1")
    if not chart then return end
    local format = m.BookAddFormat(book, 0)
    local writes = {
      { "WriteString", m.WriteString, "text" }, { "WriteNumber", m.WriteNumber, 1.5 },
      { "WriteFormula", m.WriteFormula, "1+2" }, { "WriteBool", m.WriteBool, 1 }, { "WriteBlank", m.WriteBlank, format },
    }
    for _, w in ipairs(writes) do
      t.eq(w[2](chart, 2, 3, w[3]), false, w[1] .. " into the chart sheet")
      t.eq(m.GetErrorMessage(book), "a chart sheet holds no cells", w[1] .. ": message")
      t.eq(m.GetCellType(chart, 2, 3), 0, w[1] .. ": the chart sheet has no cell")
    end
    m.SetCellFormat(chart, 2, 3, format)
    t.eq(m.GetErrorMessage(book), "a chart sheet holds no cells", "SetCellFormat: message")
    t.eq(m.GetCellType(chart, 2, 3), 0, "SetCellFormat: the chart sheet has no cell")
    t.eq(m.ClearCells(chart, 0, 10, 0, 10), true, "ClearCells")
    t.eq(m.GetErrorMessage(book), "a chart sheet holds no cells", "ClearCells: message")
    t.eq(m.GetLastRow(chart), 0, "the chart sheet has no used rows")
    local path = dir .. "/chart-sheet.xls"
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    local again = createXls()
    t.eq(m.Load(again, path), true, "Load the saved book: " .. m.GetErrorMessage(again))
    t.eq(m.GetSheetCount(again), m.GetSheetCount(book), "the saved book has every sheet")

    local xbook = releasing(m.CreateXMLBook)()
    t.eq(m.Load(xbook, corpus .. "/xlsx/sheetjs__BlankSheetTypes.xlsm"), true, "Load .xlsm: " .. m.GetErrorMessage(xbook))
    for i = 0, m.GetSheetCount(xbook) - 1 do
      local sheet = m.GetSheet(xbook, i)
      if sheet ~= 0 then
        t.eq(m.GetSheetName(sheet) ~= "Chart1", true, ".xlsx: no handle for the chart sheet")
      end
    end
  end },

  { "a macro book keeps its VBA project", function(dir, corpus)
    local original = corpus .. "/xls/poi__testNames.xls"
    local book = createXls()
    t.eq(m.Load(book, original), true, "Load: " .. m.GetErrorMessage(book))
    local copy = dir .. "/macro-copy.xls"
    t.eq(m.Save(book, copy), true, "Save: " .. m.GetErrorMessage(book))
    fact("macros", original, copy)
  end },
}

for _, fmt in ipairs(formats) do
  for i, c in ipairs(cases) do
    local dir = tmp .. "/" .. fmt.name .. i
    os.execute("mkdir -p " .. q(dir))
    local before = t.failed
    local ok, err = true, nil
    if c.xlsOnly and fmt.name ~= "xls" then
      print(("NOTE %s: %s: %s"):format(fmt.name, c.xlsOnly, c[1]))
    else
      ok, err = pcall(c[2], fmt, dir)
      releaseAll()
    end
    if not ok then
      t.eq(err, nil, fmt.name .. ": " .. c[1] .. " raised")
    elseif t.failed > before then
      print(("in %s: %s"):format(fmt.name, c[1]))
    end
  end
end

local corpus = t.corpus
if corpus == "" then
  t.skip("the corpus folder is not given (set CELVO_CORPUS_DIR): the corpus cases are left out")
else
  t.requireCorpus()
  for i, c in ipairs(corpusCases) do
    local dir = tmp .. "/corpus" .. i
    os.execute("mkdir -p " .. q(dir))
    local ok, err = pcall(c[2], dir, corpus)
    releaseAll()
    t.eq(ok, true, c[1] .. ": " .. tostring(err))
  end
end

local factsPath = tmp .. "/facts.tsv"
writeFile(factsPath, table.concat(facts, "\n") .. "\n")
t.checker(t.python .. " " .. q(t.here() .. "/edge_cases_check.py") .. " " .. q(factsPath), "xlrd and LibreOffice")

os.execute("chmod -R u+rwx " .. q(tmp) .. " && rm -rf " .. q(tmp))
t.finish("edge_cases")
