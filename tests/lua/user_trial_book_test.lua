-- What a user trying the module meets, by one table over a .xls and a .xlsx
-- book: a book always keeps a visible sheet, "History" is no sheet name,
-- only the active sheet of a .xls book is shown, a character outside the
-- Basic Multilingual Plane survives the .xls string table, and a save that
-- fails partway leaves the previous file as it was. The books saved are
-- read by xlrd, openpyxl and LibreOffice (user_trial_book_check.py).
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local tmp = t.tempDir()
local q = t.quote
local here = t.here()
local checkScript = q(here .. "/user_trial_book_check.py")

-- Facts for the checker: one line each, fields separated by tabs.
local facts = {}
local function fact(...) facts[#facts + 1] = table.concat({ ... }, "\t") end

-- Books that other programs made: sheets Shown (visible), Back (hidden),
-- Deep (very hidden), Also (visible).
local made = t.checker(t.python .. " " .. checkScript .. " make " .. q(tmp), "the books with hidden sheets")

-- Every book a case makes is released when the case ends.
local formats, releaseAll = t.bookFormats(m)


local function bookWith(fmt, ...)
  local book = fmt.create()
  for _, name in ipairs({ ... }) do
    t.eq(m.AddSheet(book, name) ~= 0, true, fmt.name .. ": AddSheet " .. name .. ": " .. m.GetErrorMessage(book))
  end
  return book
end

-- The sheets as name=state, in order.
local function sheetStates(book)
  local out = {}
  for i = 0, m.GetSheetCount(book) - 1 do
    local sheet = m.GetSheet(book, i)
    out[#out + 1] = m.GetSheetName(sheet) .. "=" .. (m.GetSheetIsHidden(sheet) and "hidden" or "visible")
  end
  return table.concat(out, ",")
end

-- The interpreter running this script, for child processes; a sanitized
-- module needs the sanitizer runtimes preloaded there too.
local interp = arg[-1] or "lua5.1"
local preload = os.getenv("LD_PRELOAD") or ""

local LAST_VISIBLE = "can't remove the last visible sheet in workbook"
local RESERVED = "sheet name History is reserved"

-- Where the formats differ by nature: only a .xls book has a string table
-- split into records, and a window record per sheet.
local XLS_RECORDS = "the .xls records are not in a .xlsx book"

local cases = {
  { "the last visible sheet is not deleted", function(fmt, dir)
    if not made then return end
    local book = fmt.create()
    t.eq(m.Load(book, tmp .. "/hidden" .. fmt.ext), true, "Load: " .. m.GetErrorMessage(book))
    t.eq(sheetStates(book), "Shown=visible,Back=hidden,Deep=hidden,Also=visible", "the sheets loaded")
    t.eq(m.DeleteSheet(book, 3), 1, "DeleteSheet Also, while Shown is visible: " .. m.GetErrorMessage(book))
    for _, step in ipairs({
      { 0, 0, LAST_VISIBLE, "Shown=visible,Back=hidden,Deep=hidden" },
      { 1, 1, "ok", "Shown=visible,Deep=hidden" },
      { 0, 0, LAST_VISIBLE, "Shown=visible,Deep=hidden" },
      { 1, 1, "ok", "Shown=visible" },
      { 0, 0, "can't remove the last sheet in workbook", "Shown=visible" },
    }) do
      local index, result, message, after = unpack(step)
      t.eq(m.DeleteSheet(book, index), result, "DeleteSheet " .. index .. " before " .. after)
      t.eq(m.GetErrorMessage(book), message, "its message")
      t.eq(sheetStates(book), after, "the sheets after it")
      t.eq(m.GetActiveSheetNumber(book), 0, "the active sheet after it")
      if index == 1 and result == 1 and after:find("Deep") then
        -- Saved with a hidden sheet left: the readers see the visible one.
        local path = dir .. "/kept-" .. fmt.name .. fmt.ext
        t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
        fact("states", path, "Shown=visible,Deep=veryHidden")
        fact("text", path, 0, 0, 0, "shown")
        fact("lo", path, 0, 0, "shown")
      end
    end
  end },

  { "the hidden sheets of a book stay when the visible ones are deleted but one", function(fmt, dir)
    if not made then return end
    local book = fmt.create()
    t.eq(m.Load(book, tmp .. "/hidden" .. fmt.ext), true, "Load: " .. m.GetErrorMessage(book))
    m.SetActiveSheetNumber(book, 3)
    t.eq(m.DeleteSheet(book, 0), 1, "DeleteSheet Shown: " .. m.GetErrorMessage(book))
    t.eq(m.DeleteSheet(book, 2), 0, "DeleteSheet Also, the only visible sheet")
    t.eq(m.GetErrorMessage(book), LAST_VISIBLE, "its message")
    t.eq(sheetStates(book), "Back=hidden,Deep=hidden,Also=visible", "the sheets")
    t.eq(m.GetActiveSheetNumber(book), 2, "the active sheet is the visible one")
    local path = dir .. "/last-" .. fmt.name .. fmt.ext
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    fact("states", path, "Back=hidden,Deep=veryHidden,Also=visible")
    fact("text", path, 2, 0, 0, "also")
    fact("opens", path)
  end },

  { "History is no sheet name", function(fmt, dir)
    local book = bookWith(fmt, "First")
    for _, name in ipairs({ "History", "HISTORY", "history", "hIsToRy" }) do
      t.eq(m.AddSheet(book, name), 0, "AddSheet " .. name)
      t.eq(m.GetErrorMessage(book), RESERVED, "message of AddSheet " .. name)
      m.InsertSheet(book, 0, name)
      t.eq(m.GetErrorMessage(book), RESERVED, "message of InsertSheet " .. name)
    end
    for _, name in ipairs({ "History 2", "My History", "Histories" }) do
      t.eq(m.AddSheet(book, name) ~= 0, true, "AddSheet " .. name .. ": " .. m.GetErrorMessage(book))
    end
    t.eq(sheetStates(book), "First=visible,History 2=visible,My History=visible,Histories=visible", "the sheets")
    local path = dir .. "/names-" .. fmt.name .. fmt.ext
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    fact("states", path, "First=visible,History 2=visible,My History=visible,Histories=visible")
    fact("opens", path)
  end },

  { "only the active sheet is shown", xlsOnly = XLS_RECORDS, function(fmt, dir)
    local book = bookWith(fmt, "One", "Two", "Three", "Four")
    local path = dir .. "/active" .. fmt.ext
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    fact("shown", path, 0)
    m.SetActiveSheetNumber(book, 2)
    path = dir .. "/active2" .. fmt.ext
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    fact("shown", path, 2)
    -- Through a load, a sheet inserted before the active one, and a delete.
    local back = fmt.create()
    t.eq(m.Load(back, path), true, "Load: " .. m.GetErrorMessage(back))
    m.InsertSheet(back, 0, "Zero")
    t.eq(m.GetActiveSheetNumber(back), 3, "the active sheet moves with the insert")
    t.eq(m.DeleteSheet(back, 3), 1, "DeleteSheet of the active sheet: " .. m.GetErrorMessage(back))
    path = dir .. "/active3" .. fmt.ext
    t.eq(m.Save(back, path), true, "Save: " .. m.GetErrorMessage(back))
    fact("shown", path, 3)
  end },

  { "characters outside the Basic Multilingual Plane in the string table", xlsOnly = XLS_RECORDS, function(fmt, dir)
    local book = bookWith(fmt, "Text")
    local sheet = m.GetSheet(book, 0)
    -- Long enough to go on in CONTINUE records, with the pairs at both
    -- parities, so that some record ends where a pair would be cut.
    local face = "\240\159\152\128"  -- U+1F600
    local texts = {}
    for i = 0, 3 do
      texts[#texts + 1] = ("a"):rep(i) .. face:rep(3000) .. "z"
    end
    texts[#texts + 1] = "plain after " .. face
    for i, text in ipairs(texts) do
      t.eq(m.WriteString(sheet, i - 1, 0, text), true, "WriteString " .. i .. ": " .. m.GetErrorMessage(book))
    end
    local path = dir .. "/faces" .. fmt.ext
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    local back = fmt.create()
    t.eq(m.Load(back, path), true, "Load: " .. m.GetErrorMessage(back))
    for i, text in ipairs(texts) do
      local got = m.ReadString(m.GetSheet(back, 0), i - 1, 0)
      t.eq(got == text, true, "ReadString " .. i .. " after a load gives the text")
      fact("text", path, 0, i - 1, 0, text)
      fact("lo", path, i - 1, 0, text)
    end
  end },

  { "a save that fails partway leaves the previous file", function(fmt, dir)
    local path = dir .. "/kept" .. fmt.ext
    local book = bookWith(fmt, "Small")
    t.eq(m.WriteString(m.GetSheet(book, 0), 0, 0, "the previous file"), true, "WriteString")
    t.eq(m.Save(book, path), true, "Save: " .. m.GetErrorMessage(book))
    local before = t.readFile(path)
    -- A child saves a book of some 200 KB over it under a file-size limit
    -- of 32 KB, with SIGXFSZ ignored so that the write fails with EFBIG.
    local probe = ([[
local m = require 'corvantis.ExcelLibrary_0.CelvoWrapper'
io.write('LOADED\n')
local b = m.%s()
local s = m.AddSheet(b, 'Big')
local x = 12345
for r = 0, 3999 do
  local cs = {}
  for i = 1, 48 do
    x = (x * 1103515245 + 12345) %% 2147483648
    cs[i] = string.char(97 + math.floor(x / 65536) %% 26)
  end
  m.WriteString(s, r, 0, table.concat(cs))
  m.WriteNumber(s, r, 1, x / 7)
end
io.write('RESULT ', tostring(m.Save(b, %q)), ' ', m.GetErrorMessage(b), '\n')
]]):format(fmt.creator, path)
    t.writeFile(dir .. "/probe.lua", probe)
    local out, status = t.run("ulimit -f 64 && trap '' XFSZ && env LD_PRELOAD=" .. q(preload) .. " " .. q(interp) ..
      " " .. q(dir .. "/probe.lua"))
    t.eq(out:match("RESULT [^\n]*"), "RESULT false can't write file", "the save under the limit (status " ..
      status .. "):\n" .. out)
    t.eq(t.readFile(path) == before, true, "the previous file is kept byte for byte")
    local listing = t.run("ls -A " .. q(dir))
    t.eq(listing, "kept" .. fmt.ext .. "\nprobe.lua\n", "no temporary file is left beside it")
    -- Without the limit the same child saves.
    out = t.run("env LD_PRELOAD=" .. q(preload) .. " " .. q(interp) .. " " .. q(dir .. "/probe.lua"))
    t.eq(out:match("RESULT [^\n]*"), "RESULT true ok", "the save without the limit:\n" .. out)
  end },
}

t.runCases(formats, cases, tmp, releaseAll)

local factsPath = tmp .. "/facts.tsv"
t.writeFile(factsPath, table.concat(facts, "\n") .. "\n")
t.checker(t.python .. " " .. checkScript .. " check " .. q(factsPath), "xlrd, openpyxl and LibreOffice")

os.execute("rm -rf " .. q(tmp))
t.finish("user_trial_book")
