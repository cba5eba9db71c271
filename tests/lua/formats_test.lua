-- The format and date functions of the module over both formats: number
-- formats, built in and custom, on cells (with the date test of a cell),
-- read back before and after a save and a load; formats copied within a
-- book, into another book of the same format and into a book of the other
-- format; dates packed and unpacked in the 1900 and the 1904 date system.
-- The saved books are checked by openpyxl (.xlsx) and xlrd (.xls), see
-- formats_check.py. Where the formats differ by nature the table below says
-- so.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local tmp = t.tempDir()

-- What differs between the two formats: the first id of a custom number
-- format, and the corpus book in the 1904 date system.
local formats = {
  xls = { create = m.CreateBook, ext = ".xls", firstCustom = 164, book1904 = "xls/poi__1904DateWindowing.xls" },
  xlsx = { create = m.CreateXMLBook, ext = ".xlsx", firstCustom = 166,
    book1904 = "xlsx/xlsxwriter__date_1904_02.xlsx" },
}
local names = { "xls", "xlsx" }

-- Row, value written, number format (a built-in id or a custom text), and
-- whether the cell shows a date. The books take a letter m d y h s outside
-- square brackets for a date code, also in quoted text and after "\", "_"
-- or "*"; where a reader judges otherwise, `openpyxl` and `xlrd` say so.
local cells = {
  { 0, 45000, 14, true },
  { 1, 45000.5, 22, true },
  { 2, 0.25, 20, true },
  { 3, 1234.5, 4, false },
  { 4, 0.125, 10, false },
  { 5, 45000, 0, false },
  { 6, 45000, "yyyy-mm-dd", true },
  { 7, 45000.75, "d mmm yyyy hh:mm", true },
  { 8, 1.5, "[h]:mm:ss", true },
  { 9, -3.5, "[Red]0.00;[Blue]-0.00", false },
  { 10, 3.5, "0.000 \"kg\"", false },
  { 11, 12, "0 \"days\"", true, openpyxl = false, xlrd = false },
  { 12, 7, "#,##0\\d", true, openpyxl = false, xlrd = false },
  { 13, 8, "0.0_m", true, xlrd = false },
  { 14, 45000, "yyyy-mm-dd", true },  -- the same text again: the same id
}

-- Facts for the checker: one line each, fields separated by tabs.
local facts = {}
local function fact(...) facts[#facts + 1] = table.concat({ ... }, "\t") end

-- What the reader of the book finds in the cell of a row of the table.
local function numFmtFact(path, sheet, c)
  local date = c[4]
  local reader = path:match("%.xlsx$") and "openpyxl" or "xlrd"
  if c[reader] ~= nil then date = c[reader] end
  fact("numfmt", path, sheet, c[1], type(c[3]) == "number" and c[3] or "", type(c[3]) == "string" and c[3] or "",
    date and 1 or 0)
end

-- Parts of a date as text.
local function partsText(p) return table.concat(p, "-", 1, 7) end

-- The number format of each cell and its date test, read through the cell.
local function readCells(name, book, sheet, ids, when)
  for _, c in ipairs(cells) do
    local row = c[1]
    local where = ("%s %s row %d"):format(name, when, row)
    local format = m.GetCellFormat(sheet, row, 0)
    t.eq(format ~= 0 and format ~= nil, true, where .. ": the cell has a format: " .. m.GetErrorMessage(book))
    local id = m.GetFormatNumFormat(format)
    if type(c[3]) == "number" then
      t.eq(id, c[3], where .. ": built-in number format")
    else
      t.eq(id, ids[c[3]], where .. ": custom number format id")
      t.eq(m.BookGetCustomNumFormat(book, id), c[3], where .. ": its text")
    end
    t.eq(m.GetCellIsDate(sheet, row, 0), c[4], where .. ": date test")
    t.eq(m.ReadNumber(sheet, row, 0), c[2], where .. ": value")
  end
end

local written = {}
for _, name in ipairs(names) do
  local f = formats[name]
  local book = f.create()
  local sheet = m.AddSheet(book, "Formats")
  local ids, nextId = {}, f.firstCustom
  local formatOf = {}
  for _, c in ipairs(cells) do
    local row, value, numFmt = c[1], c[2], c[3]
    local id = numFmt
    if type(numFmt) == "string" then
      id = m.BookAddCustomNumFormat(book, numFmt)
      t.eq(m.GetErrorMessage(book), "ok", name .. ": BookAddCustomNumFormat " .. numFmt)
      if ids[numFmt] then
        t.eq(id, ids[numFmt], name .. ": the same text has the same id")
      else
        t.eq(id, nextId, name .. ": custom ids are given in order from " .. f.firstCustom)
        ids[numFmt], nextId = id, nextId + 1
      end
      t.eq(m.BookGetCustomNumFormat(book, id), numFmt, name .. ": BookGetCustomNumFormat " .. id)
    end
    local format = m.BookAddFormat(book, 0)
    t.eq(format ~= 0, true, name .. ": BookAddFormat: " .. m.GetErrorMessage(book))
    t.eq(m.GetFormatNumFormat(format), 0, name .. ": a new format shows General")
    m.SetFormatNumFormat(format, id)
    t.eq(m.GetErrorMessage(book), "ok", name .. ": SetFormatNumFormat " .. id)
    t.eq(m.GetFormatNumFormat(format), id, name .. ": GetFormatNumFormat " .. id)
    t.eq(m.WriteNumber(sheet, row, 0, value), true, name .. ": WriteNumber row " .. row)
    m.SetCellFormat(sheet, row, 0, format)
    t.eq(m.GetErrorMessage(book), "ok", name .. ": SetCellFormat row " .. row)
    t.eq(m.GetCellFormat(sheet, row, 0), format, name .. ": GetCellFormat gives the same handle")
    -- A copy in the same book keeps the id.
    local copy = m.BookAddFormat(book, format)
    t.eq(m.GetFormatNumFormat(copy), id, name .. ": a copy of the format keeps id " .. id)
    formatOf[row] = format
  end
  t.eq(m.BookGetCustomNumFormat(book, 14), nil, name .. ": a built-in id has no custom text")
  t.eq(m.GetErrorMessage(book), "custom number format not found", name .. ": its message")
  t.eq(m.BookGetCustomNumFormat(book, nextId), nil, name .. ": an id not given has no text")
  t.eq(m.GetErrorMessage(book), "custom number format not found", name .. ": its message")
  readCells(name, book, sheet, ids, "written")

  -- Formats copied into a new book of each format carry their number
  -- format: a custom one by its text, under an id of the new book.
  for _, target in ipairs(names) do
    local other = formats[target].create()
    local otherSheet = m.AddSheet(other, "Copies")
    for _, c in ipairs(cells) do
      local copy = m.BookAddFormat(other, formatOf[c[1]])
      local where = ("%s format of row %d copied into a %s book"):format(name, c[1], target)
      t.eq(copy ~= 0, true, where .. ": " .. m.GetErrorMessage(other))
      local id = m.GetFormatNumFormat(copy)
      if type(c[3]) == "number" then
        t.eq(id, c[3], where .. ": built-in id")
      else
        t.eq(id >= formats[target].firstCustom, true, where .. ": a custom id (" .. id .. ")")
        t.eq(m.BookGetCustomNumFormat(other, id), c[3], where .. ": its text")
      end
      m.WriteNumber(otherSheet, c[1], 0, c[2])
      m.SetCellFormat(otherSheet, c[1], 0, copy)
      t.eq(m.GetCellIsDate(otherSheet, c[1], 0), c[4], where .. ": date test of a cell")
    end
    -- A format of another book is not a format of this one.
    m.SetCellFormat(otherSheet, 0, 0, formatOf[3])
    t.eq(m.GetErrorMessage(other) ~= "ok", true, ("%s: a %s format on a cell of a %s book is refused")
      :format(name, name, target))
    t.eq(m.GetFormatNumFormat(m.GetCellFormat(otherSheet, 0, 0)), 14, name .. ": the cell keeps its format")
    local path = ("%s/copied-%s-into%s"):format(tmp, name, formats[target].ext)
    t.eq(m.Save(other, path), true, name .. " into " .. target .. ": Save: " .. m.GetErrorMessage(other))
    for _, c in ipairs(cells) do numFmtFact(path, "Copies", c) end
    m.BookRelease(other)
  end

  local path = tmp .. "/formats" .. f.ext
  t.eq(m.Save(book, path), true, name .. ": Save: " .. m.GetErrorMessage(book))
  local again = f.create()
  t.eq(m.Load(again, path), true, name .. ": Load: " .. m.GetErrorMessage(again))
  readCells(name, again, m.GetSheet(again, 0), ids, "loaded")
  -- A text added to the loaded book gets the next free id.
  t.eq(m.BookAddCustomNumFormat(again, "0.0000"), nextId, name .. ": the next custom id after a load")
  m.BookRelease(again)
  m.BookRelease(book)
  for _, c in ipairs(cells) do numFmtFact(path, "Formats", c) end
  written[name] = path
end

-- Dates: parts, serial, and which readers can tell that date from its
-- serial (openpyxl and xlrd have no 29 February 1900, xlrd no serial below
-- 61 in the 1900 system, and both take serial 0 and a serial below 1 for a
-- time of day).
local dates = {
  ["1900"] = {
    { { 1900, 1, 1, 0, 0, 0, 0 }, 1, xlrd = false },
    { { 1900, 1, 2, 6, 0, 0, 0 }, 2.25, xlrd = false },
    { { 1900, 2, 28, 0, 0, 0, 0 }, 59, xlrd = false },
    { { 1900, 2, 29, 0, 0, 0, 0 }, 60, xlrd = false, openpyxl = false },
    { { 1900, 3, 1, 0, 0, 0, 0 }, 61 },
    { { 2000, 1, 1, 12, 0, 0, 0 }, 36526.5 },
    { { 2024, 2, 29, 18, 0, 0, 0 }, 45351.75 },
    { { 0, 0, 0, 6, 0, 0, 0 }, 0.25, xlrd = false, openpyxl = false },
  },
  ["1904"] = {
    { { 1904, 1, 1, 0, 0, 0, 0 }, 0, xlrd = false, openpyxl = false },
    { { 1904, 1, 2, 0, 0, 0, 0 }, 1 },
    { { 1904, 3, 1, 18, 0, 0, 0 }, 60.75 },
    { { 2000, 1, 1, 12, 0, 0, 0 }, 35064.5 },
  },
}

local function checkDates(name, system, book, sheet, when)
  for i, d in ipairs(dates[system]) do
    local where = ("%s %s %s: %s"):format(name, system, when, partsText(d[1]))
    t.eq(m.GetPackedDate(book, unpack(d[1])), d[2], where .. " packs")
    t.eq(partsText({ m.GetUnpackedDate(book, d[2]) }), partsText(d[1]), where .. " unpacks")
    t.eq(m.GetErrorMessage(book), "ok", where .. ": message")
    if sheet then t.eq(m.GetCellIsDate(sheet, i - 1, 0), true, where .. ": the cell shows a date") end
  end
end

local corpus = t.corpus ~= "" and t.corpus or nil
if not corpus then t.skip("the corpus folder is not given: the 1904 books are not tried") end
for _, name in ipairs(names) do
  local f = formats[name]
  for _, system in ipairs({ "1900", "1904" }) do
    local book = f.create()
    local ok = true
    if system == "1904" then
      ok = corpus ~= nil and m.Load(book, corpus .. "/" .. f.book1904)
      if corpus then t.eq(ok, true, name .. ": Load of the 1904 book: " .. m.GetErrorMessage(book)) end
    end
    if ok then
      local sheet = m.AddSheet(book, "Dates")
      local format = m.BookAddFormat(book, 0)
      m.SetFormatNumFormat(format, 22)
      for i, d in ipairs(dates[system]) do
        t.eq(m.WriteNumber(sheet, i - 1, 0, m.GetPackedDate(book, unpack(d[1]))), true, name .. ": WriteNumber")
        m.SetCellFormat(sheet, i - 1, 0, format)
      end
      checkDates(name, system, book, sheet, "written")
      local path = ("%s/dates%s%s"):format(tmp, system, f.ext)
      t.eq(m.Save(book, path), true, name .. " " .. system .. ": Save: " .. m.GetErrorMessage(book))
      local again = f.create()
      t.eq(m.Load(again, path), true, name .. " " .. system .. ": Load: " .. m.GetErrorMessage(again))
      local index
      for s = 0, m.GetSheetCount(again) - 1 do
        if m.GetSheetName(m.GetSheet(again, s)) == "Dates" then index = s end
      end
      t.eq(index ~= nil, true, name .. " " .. system .. ": the sheet of dates is loaded")
      checkDates(name, system, again, index and m.GetSheet(again, index), "loaded")
      for i, d in ipairs(dates[system]) do
        local p = d[1]
        local text = ("%04d-%02d-%02d %02d:%02d:%02d"):format(p[1], p[2], p[3], p[4], p[5], p[6])
        local reader = name == "xls" and "xlrd" or "openpyxl"
        if d[reader] ~= false then fact("date", path, "Dates", i - 1, text, system) end
      end
      m.BookRelease(again)
    end
    m.BookRelease(book)
  end
end

local factFile = tmp .. "/facts.tsv"
t.writeFile(factFile, table.concat(facts, "\n") .. "\n")
t.checker(("%s %s %s"):format(t.python, t.quote(t.here() .. "/formats_check.py"), t.quote(factFile)),
  "openpyxl and xlrd read the number formats and dates")

t.finish("formats")
