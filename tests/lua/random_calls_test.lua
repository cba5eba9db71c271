-- Random sequences of calls of all the module's functions over .xls and
-- .xlsx books, checked against a small model of what each call leaves: the
-- values written and cleared, the sheets added, inserted and deleted, the
-- formats and their number formats, the books saved, loaded and released,
-- and which handles still stand. A sequence fails on any contradiction with
-- the model, and on any Lua error other than a bad argument or "invalid
-- handle" where the sequence asked for one (a sanitizer report ends the
-- process, which fails the test too).
--
-- A sequence is a number of steps drawn from its seed, each a call of one
-- function and the calls that check what it left. The test command runs a
-- fixed set of seeds (40 sequences of 300 steps from seed 1). By hand, any:
--   lua5.1 random_calls_test.lua [first seed [sequences [steps]]]
-- or the environment CELVO_RANDOM_SEED, CELVO_RANDOM_SEQUENCES and
-- CELVO_RANDOM_STEPS; CELVO_RANDOM_VERBOSE=1 prints every call. The books
-- of the corpus are loaded too when CELVO_CORPUS names its folder.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local firstSeed = tonumber(arg and arg[1] or os.getenv("CELVO_RANDOM_SEED") or "1")
local sequences = tonumber(arg and arg[2] or os.getenv("CELVO_RANDOM_SEQUENCES") or "40")
local stepsPerSequence = tonumber(arg and arg[3] or os.getenv("CELVO_RANDOM_STEPS") or "300")
local verbose = os.getenv("CELVO_RANDOM_VERBOSE") == "1"

local tmp = t.tempDir()
local TWO32 = 4294967296

-- ---- the random source ------------------------------------------------------
-- The minimal standard generator, exact in doubles, so that a seed gives the
-- same sequence under every Lua.
local state = 1
local function reseed(seed)
  state = seed % 2147483646 + 1
end
local function rand(n) -- 1..n
  state = state * 16807 % 2147483647
  return state % n + 1
end
local function chance(p) return rand(1000000) <= p * 1000000 end
local function pick(list) return list[rand(#list)] end

-- ---- the formats --------------------------------------------------------------
-- Where the formats differ by nature: the size of the sheet, and a blank
-- without a format, which the .xls sheet holds and the .xlsx book refuses.
local formats = {
  xls = { creator = "CreateBook", rows = 65536, cols = 256, ext = ".xls", blankWithoutFormat = true },
  xlsx = { creator = "CreateXMLBook", rows = 1048576, cols = 16384, ext = ".xlsx", blankWithoutFormat = false },
}

-- ---- the model ----------------------------------------------------------------
-- book: { h, fmt, sheets = { sheet... }, formats = { format... }, customs =
--   { [id] = text }, texts = { [text] = id }, active, customsKnown (false
--   for a book of the corpus) }
-- sheet: { h (0 until a handle is asked for), name, hidden, cells = { [key]
--   = cell }, unknown (a sheet of the corpus, whose own cells are not in the
--   model), noHandle (a .xlsx chart sheet), noCells (the message with which
--   a sheet that holds no cells refuses writes) }
-- cell: { r, c, kind = "number" | "string" | "bool" | "blank" | "formula", v,
--   format, formatUnknown (written over a cell of the corpus, whose format
--   it keeps), refs (a formula over other sheets; v nil until read again) }
-- format: { h, num } (a format made by BookAddFormat), or { num } for the
--   format a loaded cell came with.
local books = {}  -- the books alive
local dead = {}   -- handles that no longer stand: { h, kind }
local saved = { xls = {}, xlsx = {} } -- the paths of the books saved in the sequence, by format
local failures = 0
local trail = {}  -- the calls of the current sequence, for the report
local seq         -- the seed of the current sequence

local function note(text)
  trail[#trail + 1] = text
  if #trail > 40 then table.remove(trail, 1) end
  if verbose then print(text) end
end

local function contradiction(what)
  failures = failures + 1
  t.checked, t.failed = t.checked + 1, t.failed + 1
  print(("FAIL seed %d: %s"):format(seq, what))
  print("  the last calls of the sequence:")
  for _, line in ipairs(trail) do print("    " .. line) end
  error("stop", 0)
end

local function expect(got, want, what)
  if got ~= want and not (got ~= got and want ~= want) then
    contradiction(("%s: got %s, want %s"):format(what, tostring(got), tostring(want)))
  end
end

local function show(v)
  if type(v) == "string" then
    if #v > 40 then return ("%q.. (%d bytes)"):format(v:sub(1, 40), #v) end
    return ("%q"):format(v)
  end
  return tostring(v)
end

-- Calls a module function, which must not raise.
local function call(name, ...)
  local args = { ... }
  local shown = {}
  for i = 1, select("#", ...) do shown[i] = show(args[i]) end
  note(("%s(%s)"):format(name, table.concat(shown, ", ")))
  local r = t.pack(pcall(m[name], ...))
  if not r[1] then contradiction(("%s raised: %s"):format(name, tostring(r[2]))) end
  return unpack(r, 2, r.n)
end

-- Calls a module function that must raise an error matching `pattern`.
local function raises(pattern, name, ...)
  local args = { ... }
  local shown = {}
  for i = 1, select("#", ...) do shown[i] = show(args[i]) end
  note(("%s(%s) must raise %s"):format(name, table.concat(shown, ", "), pattern))
  local ok, err = pcall(m[name], ...)
  if ok then contradiction(name .. " did not raise") end
  if not tostring(err):find(pattern) then contradiction(("%s raised %s"):format(name, tostring(err))) end
end

local function message(book) return call("GetErrorMessage", book.h) end

local function key(r, c) return r .. "," .. c end

-- ---- choices ------------------------------------------------------------------
local function rowOf(f)
  return pick({ 0, 0, 1, 2, 3, 5, 9, 40, f.rows - 2, f.rows - 1, -1, f.rows, rand(60) - 1 })
end
local function colOf(f)
  return pick({ 0, 0, 1, 2, 3, 4, 7, 30, f.cols - 2, f.cols - 1, -1, f.cols, rand(12) - 1 })
end
local function onSheet(f, r, c) return r >= 0 and r < f.rows and c >= 0 and c < f.cols end

local numbers = { 0, 1, -1, 0.5, 2.25, -1234.5, 1e15, 123456789.125, 1e-300, -2.5e300, 2 ^ 31, 2 ^ 53,
  45351.75, 1 / 3 }
local function numberOf()
  if chance(0.3) then return rand(100000) - 50000 end
  return pick(numbers)
end
local texts = { "", "a", "Text", "  spaced  ", "Zürich", "日本語", "𝄞 clef", "line\nbreak", "tab\there",
  "=not a formula", "1234", ("long "):rep(60), "a\"quote", "<&>" }
-- Texts that read back otherwise: up to the first NUL byte, and bytes that
-- are no UTF-8 as U+FFFD.
local readAs = { ["ab\0cd"] = "ab", ["\255ab"] = "\239\191\189ab" }
texts[#texts + 1] = "ab\0cd"
texts[#texts + 1] = "\255ab"
local formulas = { "1+2", "SUM(A1:B2)", "A1*2", "\"a\"&\"b\"", "TRUE", "1/0", "MAX(C3:D4)+1", "A1&B1" }
-- Texts that are no formula: the .xls book refuses them; the .xlsx book
-- keeps formula text as it is written.
local badFormulas = { "1+", "SUM(", "", "A1 B1", "(((1)" }
-- Formulas over other sheets, which may not be there: their text is taken
-- as the book reads it once written, and again after a sheet is added,
-- inserted or deleted; a save and a load keep it.
local sheetFormulas = { "S1!A1+1", "'a b'!B2*2", "SUM(Data!A1:B2)", "Sheet1!C3", "S2!A1:A3", "Report!$A$1" }
local sheetNames = { "S1", "S2", "Data", "data", "Sheet1", "Report", "Ärger", "a b", "x'y", "Tab9",
  "A/B", "", "History", ("N"):rep(31), ("L"):rep(40) }
local customTexts = { "0.000", "#,##0.0 \"kg\"", "yyyy-mm-dd", "hh:mm:ss", "0%", "[Red]0.00" }
-- Built-in ids of number formats shown as dates (14 to 22, 45 to 47).
local function builtInIsDate(id) return (id >= 14 and id <= 22) or (id >= 45 and id <= 47) end
local customIsDate = { ["yyyy-mm-dd"] = true, ["hh:mm:ss"] = true }

-- A sheet name the book takes as it stands: not empty, at most 31
-- characters of those a name may hold, not "History", and not the name of
-- a sheet of the book in any letter case.
local function nameTaken(book, name)
  for _, s in ipairs(book.sheets) do
    if s.name:lower() == name:lower() then return true end
  end
  return false
end
local function plainName(book, name)
  return name ~= "" and #name <= 31 and not name:find("[/\\%?%*%[%]:]") and name:lower() ~= "history"
    and name:sub(1, 1) ~= "'" and name:sub(-1) ~= "'" and not nameTaken(book, name)
end

local function liveBooks()
  local list = {}
  for _, b in ipairs(books) do list[#list + 1] = b end
  return list
end

-- ---- checks of the whole model ------------------------------------------------

local function sheetHandle(book, i)
  local s = book.sheets[i]
  local h = call("GetSheet", book.h, i - 1)
  if s.noHandle then
    expect(h, 0, "GetSheet of a .xlsx chart sheet")
    return 0
  end
  if h == 0 then contradiction(("GetSheet %d of %d gave no handle: %s"):format(i - 1, #book.sheets, message(book))) end
  if s.h ~= 0 then expect(h, s.h, "GetSheet gives the sheet's handle again") end
  s.h = h
  return h
end

local function formatNum(cellFormat) return cellFormat and cellFormat.num or 0 end

-- A cell reads back as the model holds it (an empty one as empty).
local function checkCell(book, sheet, r, c)
  local h = sheet.h
  local cell = sheet.cells[key(r, c)]
  local where = ("%s %s!%d,%d"):format(book.fmt, sheet.name, r, c)
  local kind = call("GetCellType", h, r, c)
  if not cell then
    -- The cells a loaded sheet of the corpus came with are not in the model.
    if not sheet.unknown or sheet.noCells then expect(kind, 0, where .. ": the empty cell's type") end
    return
  end
  if cell.kind == "number" then
    expect(kind, 1, where .. ": type of a number")
    local v = call("ReadNumber", h, r, c)
    expect(v, cell.v, where .. ": ReadNumber")
  elseif cell.kind == "string" then
    expect(kind, 2, where .. ": type of a text")
    local v, found = call("ReadString", h, r, c)
    expect(v, cell.v, where .. ": ReadString")
    expect(found, true, where .. ": ReadString found")
  elseif cell.kind == "bool" then
    expect(kind, 3, where .. ": type of a boolean")
    expect(call("ReadBool", h, r, c), cell.v and 1 or 0, where .. ": ReadBool")
  elseif cell.kind == "blank" then
    expect(kind, 4, where .. ": type of a blank")
  else
    expect(kind ~= 0, true, where .. ": a formula cell is not empty")
    local text = call("ReadFormula", h, r, c)
    if cell.v == nil then
      expect(type(text), "string", where .. ": the text of a formula over another sheet")
      cell.v = text
    end
    expect(text, cell.v, where .. ": ReadFormula")
  end
  expect(call("GetCellIsFormula", h, r, c), cell.kind == "formula", where .. ": GetCellIsFormula")
  local fh = call("GetCellFormat", h, r, c)
  if cell.formatUnknown then
    -- Written over a cell of the corpus, whose format it keeps.
    return
  elseif fh ~= 0 then
    expect(call("GetFormatNumFormat", fh), formatNum(cell.format), where .. ": the number format of its format")
    -- The format a cell was given is the format it has.
    if cell.format and cell.format.h then expect(fh, cell.format.h, where .. ": GetCellFormat") end
  else
    -- A .xlsx cell written without a format has none of its own.
    expect(formatNum(cell.format), 0, where .. ": a cell without a format: " .. message(book))
  end
  if cell.kind == "number" then
    local id = formatNum(cell.format)
    local isDate = builtInIsDate(id) or (id >= 164 and customIsDate[book.customs[id] or ""] == true)
    expect(call("GetCellIsDate", h, r, c), isDate, where .. ": GetCellIsDate")
  end
end

-- The used range of a sheet: the first row and column used and one past
-- the last, all 0 for a sheet without cells.
local function checkUsedRange(book, sheet)
  if sheet.unknown and not sheet.noCells then return end
  local r0, r1, c0, c1
  for _, cell in pairs(sheet.cells) do
    r0 = r0 and math.min(r0, cell.r) or cell.r
    r1 = r1 and math.max(r1, cell.r + 1) or cell.r + 1
    c0 = c0 and math.min(c0, cell.c) or cell.c
    c1 = c1 and math.max(c1, cell.c + 1) or cell.c + 1
  end
  local where = ("%s %s: "):format(book.fmt, sheet.name)
  expect(call("GetFirstRow", sheet.h), r0 or 0, where .. "GetFirstRow")
  expect(call("GetLastRow", sheet.h), r1 or 0, where .. "GetLastRow")
  expect(call("GetFirstColumn", sheet.h), c0 or 0, where .. "GetFirstColumn")
  expect(call("GetLastColumn", sheet.h), c1 or 0, where .. "GetLastColumn")
end

local function checkBook(book)
  expect(call("GetSheetCount", book.h), #book.sheets, book.fmt .. ": GetSheetCount")
  for i, s in ipairs(book.sheets) do
    if sheetHandle(book, i) ~= 0 then
      expect(call("GetSheetName", s.h), s.name, book.fmt .. ": GetSheetName " .. (i - 1))
      expect(call("GetSheetIsHidden", s.h), s.hidden == true, book.fmt .. ": GetSheetIsHidden " .. (i - 1))
      for _, cell in pairs(s.cells) do checkCell(book, s, cell.r, cell.c) end
      checkUsedRange(book, s)
    end
  end
  for id, text in pairs(book.customs) do
    expect(call("BookGetCustomNumFormat", book.h, id), text, book.fmt .. ": BookGetCustomNumFormat " .. id)
  end
  for _, f in ipairs(book.formats) do
    expect(call("GetFormatNumFormat", f.h), f.num, book.fmt .. ": GetFormatNumFormat")
  end
end

-- ---- handles that no longer stand -------------------------------------------------

local function bury(h, kind)
  if h and h ~= 0 then dead[#dead + 1] = { h = h, kind = kind } end
end

local function buryContents(book)
  for _, s in ipairs(book.sheets) do bury(s.h, "sheet") end
  for _, f in ipairs(book.formats) do bury(f.h, "format") end
end

-- ---- the calls --------------------------------------------------------------------

local function newBook(fmtName)
  local f = formats[fmtName]
  local h = call(f.creator)
  expect(h ~= 0, true, f.creator .. " gives a handle")
  local book = { h = h, fmt = fmtName, f = f, sheets = {}, formats = {}, customs = {}, texts = {}, active = 0,
    saves = 0 }
  books[#books + 1] = book
  return book
end

local function removeBook(book)
  for i, b in ipairs(books) do
    if b == book then table.remove(books, i) break end
  end
end

local function someBook()
  if #books == 0 then newBook(pick({ "xls", "xlsx" })) end
  return pick(books)
end

-- A sheet of the book (its handle asked for when it has none), or nil.
local function someSheet(book)
  local usable = {}
  for i, s in ipairs(book.sheets) do
    if not s.noHandle then usable[#usable + 1] = i end
  end
  if #usable == 0 then return nil end
  local i = pick(usable)
  local s = book.sheets[i]
  if s.h == 0 or chance(0.1) then sheetHandle(book, i) end
  return s
end

local function someFormat(book)
  if #book.formats == 0 then return nil end
  return pick(book.formats)
end

-- Sheet operations ---------------------------------------------------------------

-- A change of the sheet list may change the text of the formulas over
-- other sheets: it is read again.
local function forgetSheetFormulas(book)
  for _, s in ipairs(book.sheets) do
    for _, cell in pairs(s.cells) do
      if cell.refs then cell.v = nil end
    end
  end
end

local function addSheet(book)
  local name = pick(sheetNames)
  local plain = plainName(book, name)
  local h = call("AddSheet", book.h, name)
  local msg = message(book)
  if plain then
    if h == 0 then contradiction(("AddSheet %q refused: %s"):format(name, msg)) end
    expect(msg, "ok", "AddSheet message")
  end
  if h ~= 0 then
    local got = call("GetSheetName", h)
    if not plain then
      -- Only a name cut to 31 characters may be taken besides.
      expect(#name > 31 and got == name:sub(1, 31) and not nameTaken(book, got), true,
        ("AddSheet %q took the name %q: %s"):format(name, got, msg))
    end
    book.sheets[#book.sheets + 1] = { h = h, name = got, cells = {} }
    if #book.sheets == 1 then book.active = 0 end
    forgetSheetFormulas(book)
  end
end

local function insertSheet(book)
  local name = pick(sheetNames)
  local n = #book.sheets
  local index = pick({ 0, rand(n + 1) - 1, n, n + 1, -1 })
  local plain = plainName(book, name)
  local r = t.pack(call("InsertSheet", book.h, index, name))
  expect(r.n, 0, "InsertSheet gives nothing")
  local msg = message(book)
  local count = call("GetSheetCount", book.h)
  local inRange = index >= 0 and index <= n
  if plain and inRange then
    expect(msg, "ok", "InsertSheet message")
    expect(count, n + 1, "InsertSheet adds a sheet")
  elseif not inRange then
    expect(count, n, "InsertSheet out of range adds nothing")
    expect(msg, "index is out of range", "InsertSheet out of range: message")
  end
  if count == n + 1 then
    local h = call("GetSheet", book.h, index)
    local got = call("GetSheetName", h)
    if not plain then
      expect(#name > 31 and got == name:sub(1, 31) and not nameTaken(book, got), true,
        ("InsertSheet %q took the name %q: %s"):format(name, got, msg))
    end
    table.insert(book.sheets, index + 1, { h = h, name = got, cells = {} })
    forgetSheetFormulas(book)
    if n == 0 then
      book.active = 0
    elseif index <= book.active then
      book.active = book.active + 1
    end
  else
    expect(count, n, "a refused InsertSheet adds nothing")
  end
end

local function deleteSheet(book)
  local n = #book.sheets
  local index = pick({ 0, rand(math.max(n, 1)) - 1, n - 1, n, -1 })
  local victim = book.sheets[index + 1]
  local ok = call("DeleteSheet", book.h, index)
  local msg = message(book)
  if index < 0 or index >= n then
    expect(ok, 0, "DeleteSheet out of range")
    return
  end
  -- The book keeps a visible sheet.
  local visible = 0
  for _, s in ipairs(book.sheets) do
    if not s.hidden then visible = visible + 1 end
  end
  if n == 1 or (not victim.hidden and visible <= 1) then
    expect(ok, 0, "DeleteSheet of the last visible sheet: " .. msg)
    return
  end
  expect(ok, 1, "DeleteSheet " .. index .. ": " .. msg)
  table.remove(book.sheets, index + 1)
  bury(victim.h, "sheet")
  forgetSheetFormulas(book)
  -- The active sheet stays the same sheet; when it was the one deleted, the
  -- sheet that takes its place (the last one at the end) is active. A hidden
  -- sheet (one SetActiveSheetNumber made active) gives way to the next
  -- visible sheet.
  local want = index < book.active and book.active - 1 or book.active
  if want >= #book.sheets then want = #book.sheets - 1 end
  if book.sheets[want + 1].hidden then
    for step = 1, #book.sheets - 1 do
      local i = (want + step) % #book.sheets
      if not book.sheets[i + 1].hidden then
        want = i
        break
      end
    end
  end
  expect(call("GetActiveSheetNumber", book.h), want, ("the active sheet after DeleteSheet %d (active %d)"):format(
    index, book.active))
  book.active = want
end

local function activeSheet(book)
  expect(call("GetActiveSheetNumber", book.h), book.active, "GetActiveSheetNumber")
  local n = #book.sheets
  local index = pick({ 0, rand(math.max(n, 1)) - 1, n, -1 })
  call("SetActiveSheetNumber", book.h, index)
  if index >= 0 and index < n then book.active = index end
  expect(call("GetActiveSheetNumber", book.h), book.active, "GetActiveSheetNumber after SetActiveSheetNumber " .. index)
end

local function getSheet(book)
  local n = #book.sheets
  local index = pick({ 0, rand(math.max(n, 1)) - 1, n, -1, n + 5 })
  if index >= 0 and index < n then
    local s = book.sheets[index + 1]
    if sheetHandle(book, index + 1) ~= 0 then
      expect(call("GetSheetName", s.h), s.name, "GetSheetName")
      expect(call("GetSheetIsHidden", s.h), s.hidden == true, "GetSheetIsHidden")
      local protected = call("GetSheetIsProtected", s.h)
      if not s.unknown then expect(protected, false, "GetSheetIsProtected") end
    end
  else
    expect(call("GetSheet", book.h, index), 0, "GetSheet out of range")
  end
  expect(call("GetSheetCount", book.h), n, "GetSheetCount")
end

-- Cell operations ------------------------------------------------------------------

local function setCell(sheet, r, c, kind, v, keepFormat)
  local k = key(r, c)
  local old = sheet.cells[k]
  sheet.cells[k] = { r = r, c = c, kind = kind, v = v, format = keepFormat and old and old.format or nil,
    formatUnknown = keepFormat and (old and old.formatUnknown or (not old and sheet.unknown)) }
end

-- A sheet that holds no cells refuses every write with its message; a sheet
-- of the corpus may turn out to be one (in a .xls book, where a chart sheet
-- has a handle), a sheet the module made never.
local noCellsMessages = { ["a chart sheet holds no cells"] = true, ["cells can only be written to a worksheet"] = true }
local function refusedForNoCells(book, sheet, msg, what)
  if sheet.noCells then
    expect(msg, sheet.noCells, what .. " into a sheet that holds no cells")
    return true
  end
  if noCellsMessages[msg] then
    if not sheet.unknown or book.fmt ~= "xls" then contradiction(what .. " refused: " .. msg) end
    sheet.noCells = msg
    return true
  end
  return false
end

local function write(book)
  local sheet = someSheet(book)
  if not sheet then return end
  local f = book.f
  local r, c = rowOf(f), colOf(f)
  local on = onSheet(f, r, c)
  local what = pick({ "number", "number", "string", "string", "bool", "blank", "formula" })
  local ok, kind, v
  if what == "number" then
    v = numberOf()
    if chance(0.03) then v = pick({ 1 / 0, -1 / 0, 0 / 0 }) end
    ok = call("WriteNumber", sheet.h, r, c, v)
    kind = v == v and v ~= 1 / 0 and v ~= -1 / 0 and "number" or nil
  elseif what == "string" then
    v = pick(texts)
    if chance(0.01) then v = ("x"):rep(32768) end
    ok = call("WriteString", sheet.h, r, c, v)
    kind = #v <= 32767 and "string" or nil
    v = readAs[v] or v
  elseif what == "bool" then
    local n = pick({ 0, 1, 2, -1 })
    ok = call("WriteBool", sheet.h, r, c, n)
    kind, v = "bool", n ~= 0
  elseif what == "formula" then
    local bad, refs = chance(0.15), chance(0.3)
    v = bad and pick(badFormulas) or refs and pick(sheetFormulas) or pick(formulas)
    ok = call("WriteFormula", sheet.h, r, c, v)
    kind = "formula"
    if bad and (book.fmt == "xls" or not ok) then kind = nil end
    if refs and not bad then
      local msg = message(book)
      if not ok then
        -- A sheet it names is not there.
        if on then expect(book.fmt, "xls", "a .xlsx book keeps formula text as written: " .. msg) end
        kind = nil
      elseif on then
        v = call("ReadFormula", sheet.h, r, c)
        expect(type(v), "string", "the text of a formula over another sheet")
        setCell(sheet, r, c, "formula", v, true)
        sheet.cells[key(r, c)].refs = true
        return
      end
    end
  else
    local format = chance(0.5) and someFormat(book) or nil
    ok = call("WriteBlank", sheet.h, r, c, format and format.h or 0)
    kind = (format or f.blankWithoutFormat) and "blank" or nil
    if ok and on and kind then
      expect(sheet.noCells, nil, "WriteBlank into a sheet that holds no cells")
      setCell(sheet, r, c, "blank", nil, format == nil)
      if format then
        sheet.cells[key(r, c)].format = format
        sheet.cells[key(r, c)].formatUnknown = nil
      end
      return
    end
  end
  local msg = message(book)
  if refusedForNoCells(book, sheet, msg, what .. " write") then
    expect(ok, false, what .. " write into a sheet that holds no cells")
    expect(call("GetCellType", sheet.h, r, c), 0, "a sheet that holds no cells has no cell")
    return
  end
  if on and kind and not ok and sheet.unknown and not sheet.cells[key(r, c)] and
    msg == "can't change a cell of a data table" then
    -- A cell of a data table of the corpus keeps its formula.
    return
  end
  if on and kind then
    if not ok then contradiction(("%s write at %d,%d refused: %s"):format(what, r, c, msg)) end
    expect(msg, "ok", what .. " write message")
    -- The cell keeps its format through a new value.
    setCell(sheet, r, c, kind, v, true)
  else
    expect(ok, false, ("%s write at %d,%d of %s"):format(what, r, c, show(v)))
  end
  if on then checkCell(book, sheet, r, c) end
end

local function read(book)
  local sheet = someSheet(book)
  if not sheet then return end
  local f = book.f
  -- Mostly a cell the model holds.
  local r, c = rowOf(f), colOf(f)
  if chance(0.6) then
    local cells = {}
    for _, cell in pairs(sheet.cells) do cells[#cells + 1] = cell end
    if #cells > 0 then
      local cell = pick(cells)
      r, c = cell.r, cell.c
    end
  end
  if onSheet(f, r, c) then
    checkCell(book, sheet, r, c)
    local cell = sheet.cells[key(r, c)]
    -- Reads of another kind fail and find nothing.
    local known = cell or not sheet.unknown or sheet.noCells
    if known and (not cell or cell.kind ~= "string") then
      local v, found = call("ReadString", sheet.h, r, c)
      expect(v, nil, "ReadString of a cell that holds no text")
      expect(found, false, "ReadString found")
    end
    if known and (not cell or cell.kind ~= "formula") then
      expect(call("ReadFormula", sheet.h, r, c), nil, "ReadFormula of a cell that holds no formula")
    end
    if known and (not cell or (cell.kind ~= "formula" and cell.kind ~= "number")) then
      expect(call("ReadNumber", sheet.h, r, c), 0, "ReadNumber of a cell that holds no number")
    end
    if known and (not cell or (cell.kind ~= "formula" and cell.kind ~= "bool")) then
      expect(call("ReadBool", sheet.h, r, c), 0, "ReadBool of a cell that holds no boolean")
    end
    if not cell and not (sheet.unknown and not sheet.noCells) then
      expect(call("GetCellFormat", sheet.h, r, c), 0, "GetCellFormat of an empty cell")
      expect(call("GetCellIsDate", sheet.h, r, c), false, "GetCellIsDate of an empty cell")
    end
  else
    expect(call("GetCellType", sheet.h, r, c), 0, "GetCellType off the sheet")
    expect(call("ReadFormula", sheet.h, r, c), nil, "ReadFormula off the sheet")
    expect(call("GetCellFormat", sheet.h, r, c), 0, "GetCellFormat off the sheet")
  end
  local row, col = call("GetRowIsHidden", sheet.h, pick({ r, -1, 0, f.rows })),
    call("GetColumnIsHidden", sheet.h, pick({ c, -1, 0, f.cols }))
  if not sheet.unknown then
    expect(row, false, "GetRowIsHidden")
    expect(col, false, "GetColumnIsHidden")
  end
end

-- A bound of a block: on the sheet, before it, past it, or far out (some of
-- 2^32 and more, which reach the book by their low 32 bits).
local function boundOf(size)
  local choice = rand(10)
  if choice <= 5 then return rand(12) - 1 end
  if choice == 6 then return size - rand(3) end
  if choice == 7 then return -rand(30) end
  if choice == 8 then return size + rand(30) - 1 end
  if choice == 9 then return pick({ -2147483648, 2147483647, TWO32 - rand(20), TWO32 + size + rand(5) }) end
  return pick({ 0, size - 1 })
end
local function int32(v) -- the low 32 bits, as the module reads a whole number
  v = v % TWO32
  if v >= 2147483648 then v = v - TWO32 end
  return v
end

local function clear(book)
  local sheet = someSheet(book)
  if not sheet then return end
  local f = book.f
  local r0, r1 = boundOf(f.rows), boundOf(f.rows)
  local c0, c1 = boundOf(f.cols), boundOf(f.cols)
  if chance(0.7) then
    if int32(r1) < int32(r0) then r0, r1 = r1, r0 end
    if int32(c1) < int32(c0) then c0, c1 = c1, c0 end
  end
  expect(call("ClearCells", sheet.h, r0, r1, c0, c1), true, "ClearCells")
  local msg = message(book)
  if refusedForNoCells(book, sheet, msg, "ClearCells") then return end
  local a0, a1, b0, b1 = int32(r0), int32(r1), int32(c0), int32(c1)
  if a1 < a0 then
    expect(msg, "rowLast must be greater than or equal to rowFirst", "ClearCells message")
    return
  elseif b1 < b0 then
    expect(msg, "colLast must be greater than or equal to colFirst", "ClearCells message")
    return
  end
  expect(msg, "ok", "ClearCells message")
  for k, cell in pairs(sheet.cells) do
    if cell.r >= a0 and cell.r <= a1 and cell.c >= b0 and cell.c <= b1 then sheet.cells[k] = nil end
  end
  -- The cells around the block stay.
  for _, cell in pairs(sheet.cells) do
    if math.abs(cell.r - a0) <= 1 or math.abs(cell.r - a1) <= 1 or math.abs(cell.c - b0) <= 1 or
      math.abs(cell.c - b1) <= 1 then
      checkCell(book, sheet, cell.r, cell.c)
    end
  end
  checkUsedRange(book, sheet)
end

-- A format of another book, which no cell of this book can take.
local function foreignFormat(book)
  local others = {}
  for _, b in ipairs(books) do
    if b ~= book then
      for _, format in ipairs(b.formats) do others[#others + 1] = format end
    end
  end
  if #others == 0 then return nil end
  return pick(others)
end

local function cellFormat(book)
  local sheet = someSheet(book)
  if not sheet then return end
  local f = book.f
  local r, c = rowOf(f), colOf(f)
  local foreign = chance(0.15) and foreignFormat(book)
  if foreign then
    local before = sheet.cells[key(r, c)]
    for _, name in ipairs({ "SetCellFormat", "WriteBlank" }) do
      call(name, sheet.h, r, c, foreign.h)
      expect(message(book) ~= "ok", true, name .. " with a format of another book is refused")
      expect(sheet.cells[key(r, c)], before, name .. " with a format of another book")
    end
    if onSheet(f, r, c) then checkCell(book, sheet, r, c) end
    return
  end
  local format = someFormat(book)
  if not format then return end
  local r0 = t.pack(call("SetCellFormat", sheet.h, r, c, format.h))
  expect(r0.n, 0, "SetCellFormat gives nothing")
  local msg = message(book)
  if refusedForNoCells(book, sheet, msg, "SetCellFormat") then return end
  if onSheet(f, r, c) then
    expect(msg, "ok", "SetCellFormat message")
    local k = key(r, c)
    if not sheet.cells[k] then
      if sheet.unknown then
        -- A cell of the corpus may stand there: its value is not known.
        local kind = call("GetCellType", sheet.h, r, c)
        if kind ~= 4 then
          sheet.cells[k] = nil
          return
        end
      end
      sheet.cells[k] = { r = r, c = c, kind = "blank" }
    end
    sheet.cells[k].format = format
    sheet.cells[k].formatUnknown = nil
    checkCell(book, sheet, r, c)
  else
    expect(msg ~= "ok", true, "SetCellFormat off the sheet is refused")
  end
end

-- Formats ----------------------------------------------------------------------------

local function addFormat(book)
  local init = chance(0.4) and someFormat(book) or nil
  local h = call("BookAddFormat", book.h, init and init.h or 0)
  if h == 0 then contradiction("BookAddFormat gave no format: " .. message(book)) end
  local format = { h = h, num = init and init.num or 0 }
  expect(call("GetFormatNumFormat", h), format.num, "GetFormatNumFormat of a new format")
  book.formats[#book.formats + 1] = format
end

local function numFormat(book)
  local format = someFormat(book)
  if not format then return end
  local ids = { 0, 2, 10, 14, 22, 45, 49, -1, 100000 }
  for id in pairs(book.customs) do ids[#ids + 1] = id end
  ids[#ids + 1] = 164 + rand(40)
  local id = pick(ids)
  call("SetFormatNumFormat", format.h, id)
  local msg = message(book)
  if id >= 0 and id < 164 or book.customs[id] then
    expect(msg, "ok", "SetFormatNumFormat " .. id)
    format.num = id
  elseif book.customsKnown == false and msg == "ok" then
    -- A custom format the loaded book came with.
    format.num = id
    book.customs[id] = call("BookGetCustomNumFormat", book.h, id)
    expect(type(book.customs[id]), "string", "the text of a custom format the book took")
  else
    expect(msg ~= "ok", true, "SetFormatNumFormat " .. id .. " is refused")
  end
  expect(call("GetFormatNumFormat", format.h), format.num, "GetFormatNumFormat")
end

local function customFormat(book)
  if chance(0.5) then
    local text = pick(customTexts)
    local id = call("BookAddCustomNumFormat", book.h, text)
    expect(message(book), "ok", "BookAddCustomNumFormat message")
    expect(id >= 164, true, "a custom format id is 164 or more: " .. id)
    if book.texts[text] then expect(id, book.texts[text], "the same text has the same id") end
    for otherId, other in pairs(book.customs) do
      if other ~= text and otherId == id then contradiction(("%q has the id of %q"):format(text, other)) end
    end
    book.texts[text], book.customs[id] = id, text
  else
    local id = pick({ 0, 14, 163, 164 + rand(20), -1 })
    local text = call("BookGetCustomNumFormat", book.h, id)
    if book.customs[id] then
      expect(text, book.customs[id], "BookGetCustomNumFormat " .. id)
    elseif (id >= 164 and book.customsKnown ~= false) or id < 0 then
      expect(text, nil, "BookGetCustomNumFormat of an id the book does not hold: " .. id)
    end
  end
end

-- Dates ------------------------------------------------------------------------------

local function dates(book)
  if chance(0.6) then
    local p = { 1900 + rand(8099), rand(12), rand(28), rand(24) - 1, rand(60) - 1, rand(60) - 1, rand(10) - 1 }
    local serial = call("GetPackedDate", book.h, unpack(p))
    expect(message(book), "ok", "GetPackedDate message")
    local back = { call("GetUnpackedDate", book.h, serial) }
    expect(table.concat(back, "-"), table.concat(p, "-"), "a date unpacks to its parts")
  elseif chance(0.5) then
    -- Parts far out of range come to no date.
    local p = { 2000, 1, 1, 0, 0, 0, 0 }
    local i = rand(4)
    p[i] = pick({ -2147483648, 2147483647, TWO32 + 2147483648, -2 ^ 40 - 2 ^ 31, 2 ^ 31 })
    local serial = call("GetPackedDate", book.h, unpack(p))
    expect(message(book), "date is out of range", "GetPackedDate " .. table.concat(p, ","))
    expect(serial, 0, "a refused GetPackedDate")
  else
    local serial = pick({ -1, -0.5, 0, 0.25, 61, 36526.5, 2958465.5, 2958466, 1e300, -1e300, rand(3000000) })
    local r = t.pack(call("GetUnpackedDate", book.h, serial))
    expect(r.n, 7, "GetUnpackedDate gives seven numbers")
    local inRange = serial >= 0 and serial < 2958466
    expect(message(book), inRange and "ok" or "serial date is out of range", "GetUnpackedDate " .. serial)
    if inRange and serial >= 1 then
      local again = call("GetPackedDate", book.h, unpack(r, 1, 7))
      expect(math.abs(again - serial) < 1e-6, true, ("the parts of %s pack to %s"):format(serial, again))
    end
  end
end

-- Files -------------------------------------------------------------------------------

local function snapshotSheets(book)
  local copy = {}
  for _, s in ipairs(book.sheets) do
    local cells = {}
    for k, cell in pairs(s.cells) do
      cells[k] = { r = cell.r, c = cell.c, kind = cell.kind, v = cell.v,
        format = cell.format and { num = cell.format.num } or nil, formatUnknown = cell.formatUnknown,
        refs = cell.refs }
    end
    copy[#copy + 1] = { h = 0, name = s.name, cells = cells, unknown = s.unknown, noHandle = s.noHandle,
      hidden = s.hidden, noCells = s.noCells }
  end
  return copy
end

local function copyCustoms(book)
  local customs, texts = {}, {}
  for id, text in pairs(book.customs) do customs[id], texts[text] = text, id end
  return customs, texts
end

local function save(book)
  -- The texts of formulas over other sheets, as they are before the save.
  for i, s in ipairs(book.sheets) do
    for _, cell in pairs(s.cells) do
      if cell.refs and cell.v == nil then
        if s.h == 0 then sheetHandle(book, i) end
        checkCell(book, s, cell.r, cell.c)
      end
    end
  end
  book.saves = book.saves + 1
  local path = ("%s/s%d-%d-%d%s"):format(tmp, seq, book.h, book.saves, book.f.ext)
  local ok = call("Save", book.h, path)
  local msg = message(book)
  if #book.sheets == 0 then
    expect(ok, false, "Save of a book without sheets")
    return
  end
  if not ok then contradiction("Save refused: " .. msg) end
  expect(msg, "ok", "Save message")
  saved[book.fmt][#saved[book.fmt] + 1] = path
  -- A save where no file can be made fails and changes nothing.
  if chance(0.2) then
    local bad = pick({ tmp .. "/no/such/folder/x" .. book.f.ext, tmp })
    expect(call("Save", book.h, bad), false, "Save to " .. bad)
    expect(message(book) ~= "ok", true, "a failed Save says why")
  end
  expect(call("FileExists", path), true, "FileExists of the saved book")
  expect(call("DirectoryExists", path), false, "DirectoryExists of the saved book")

  -- Loaded into a new book, or into a book of the same format, whose handles
  -- go.
  local target
  local others = {}
  for _, b in ipairs(books) do
    if b.fmt == book.fmt then others[#others + 1] = b end
  end
  if chance(0.5) or #books >= 5 then
    target = pick(others)
    buryContents(target)
  else
    target = newBook(book.fmt)
  end
  local loaded = call("Load", target.h, path)
  if not loaded then contradiction("Load of the saved book: " .. message(target)) end
  expect(message(target), "ok", "Load message")
  target.sheets = snapshotSheets(book)
  target.customs, target.texts = copyCustoms(book)
  target.customsKnown = book.customsKnown
  target.formats = {}
  target.active = book.active
  checkBook(target)
  expect(call("GetActiveSheetNumber", target.h), target.active, "the loaded book's active sheet")
end

local function loadBad(book)
  local before = #book.sheets
  local other = book.fmt == "xls" and "xlsx" or "xls"
  local paths = { tmp .. "/none" .. book.f.ext, tmp, tmp .. "/notabook" .. book.f.ext }
  -- A book of the other format.
  if #saved[other] > 0 then paths[#paths + 1] = pick(saved[other]) end
  local path = pick(paths)
  expect(call("Load", book.h, path), false, "Load of " .. path)
  expect(message(book) ~= "ok", true, "a failed Load says why")
  expect(call("GetSheetCount", book.h), before, "a failed Load leaves the sheets")
  -- The handles of the book stay.
  if #book.sheets > 0 then
    local s = book.sheets[rand(#book.sheets)]
    if s.h ~= 0 then expect(call("GetSheetName", s.h), s.name, "a sheet handle after a failed Load") end
  end
  expect(call("DirectoryExists", tmp), true, "DirectoryExists of the folder")
  expect(call("FileExists", tmp .. "/none.xls"), false, "FileExists of no file")
end

-- A book of the corpus, loaded into a book of its format: its sheets (the
-- chart sheets among them), and whether each is hidden, are taken as the
-- book gives them; the cells it holds are not in the model (only those
-- written since), nor are its custom number formats.
local corpusBooks = {
  xls = { "xls/sheetjs__BlankSheetTypes.xls", "xls/calamine__any_sheets.xls", "xls/poi__SimpleChart.xls",
    "xls/exceldatareader__Test10x10.xls", "xls/poi__SimpleWithComments.xls", "xls/poi__testArraysAndTables.xls",
    "xls/sheetjs__sheet_visibility.xls", "xls/poi__testNames.xls" },
  xlsx = { "xlsx/sheetjs__BlankSheetTypes.xlsm", "xlsx/closedxml__CellValues.xlsx", "xlsx/calamine__errors.xlsx",
    "xlsx/exceljs__google-sheets.xlsx", "xlsx/calamine__shared_formula_reversed.xlsx",
    "xlsx/calamine__issue_567_absolute_shared.xlsx", "xlsx/sheetjs__sheet_visibility.xlsx",
    "xlsx/xlsxwriter__array_formula01.xlsx" },
}

local function loadCorpus(book)
  if t.corpus == "" then return end
  local path = t.corpus .. "/" .. pick(corpusBooks[book.fmt])
  buryContents(book)
  local ok = call("Load", book.h, path)
  if not ok then contradiction(("Load of %s: %s"):format(path, message(book))) end
  book.sheets, book.formats, book.customs, book.texts = {}, {}, {}, {}
  book.customsKnown = false
  for i = 0, call("GetSheetCount", book.h) - 1 do
    local h = call("GetSheet", book.h, i)
    -- The .xlsx book gives a chart sheet no handle.
    local s = { h = h, name = "", cells = {}, unknown = true, noHandle = h == 0 }
    if h ~= 0 then
      s.name = call("GetSheetName", h)
      s.hidden = call("GetSheetIsHidden", h)
    else
      expect(book.fmt, "xlsx", "only a .xlsx book gives a sheet no handle")
      s.hidden = false
    end
    book.sheets[#book.sheets + 1] = s
  end
  book.active = call("GetActiveSheetNumber", book.h)
end

local function release(book)
  call("BookRelease", book.h)
  bury(book.h, "book")
  buryContents(book)
  removeBook(book)
end

-- Handles and arguments ---------------------------------------------------------------

-- A handle that no longer stands raises "invalid handle" for any function
-- of its kind.
local byKind = {
  book = { { "GetSheetCount" }, { "GetErrorMessage" }, { "AddSheet", "X" }, { "GetSheet", 0 },
    { "BookAddFormat", 0 }, { "Save", "/nonexistent/x" }, { "GetPackedDate", 2000, 1, 1, 0, 0, 0, 0 },
    { "GetActiveSheetNumber" }, { "BookRelease" } },
  sheet = { { "GetSheetName" }, { "WriteNumber", 0, 0, 1 }, { "ReadString", 0, 0 }, { "ClearCells", 0, 1, 0, 1 },
    { "GetLastRow" }, { "GetCellType", 0, 0 }, { "SetCellFormat", 0, 0, 0 }, { "GetRowIsHidden", 0 } },
  format = { { "GetFormatNumFormat" }, { "SetFormatNumFormat", 2 } },
}

local function deadHandle()
  if #dead == 0 then return end
  local d = pick(dead)
  local c = pick(byKind[d.kind])
  raises("invalid handle", c[1], d.h, unpack(c, 2))
end

-- Handle 0 gives no results; a wrong argument raises a bad argument error.
local function badArguments(book)
  local name = pick({ "GetSheetCount", "GetSheetName", "ReadNumber", "GetFormatNumFormat", "GetPackedDate" })
  local r = t.pack(call(name, 0, 1, 2, 3, 4, 5, 6, 7))
  expect(r.n, 0, name .. " of handle 0 gives nothing")
  local sheet = someSheet(book)
  local h = sheet and sheet.h or 0
  local bad = {
    { "bad argument", "WriteNumber", h, 1, 1, "x" },
    { "bad argument", "WriteString", h, 1, 1, {} },
    { "bad argument", "GetSheet", book.h, "first" },
    { "bad argument", "ClearCells", h, 0, 0 / 0, 0, 1 },
    { "bad argument", "AddSheet", book.h, nil },
    { "bad argument", "GetPackedDate", book.h, 2000, 1, 1, 0, 0, 0, true },
    { "bad argument", "Load", book.h, false },
    -- A handle of another kind.
    { "invalid handle", "GetSheetCount", sheet and sheet.h or -7 },
    { "invalid handle", "GetSheetName", book.h },
    { "invalid handle", "SetFormatNumFormat", book.h, 2 },
  }
  local c = pick(bad)
  raises(c[1], c[2], unpack(c, 3, table.maxn(c)))
end

-- ---- a sequence -----------------------------------------------------------------------

local steps = {
  { 3, function() newBook(pick({ "xls", "xlsx" })) end },
  { 6, function() addSheet(someBook()) end },
  { 3, function() insertSheet(someBook()) end },
  { 3, function() deleteSheet(someBook()) end },
  { 2, function() activeSheet(someBook()) end },
  { 3, function() getSheet(someBook()) end },
  { 30, function() write(someBook()) end },
  { 12, function() read(someBook()) end },
  { 6, function() clear(someBook()) end },
  { 4, function() cellFormat(someBook()) end },
  { 3, function() addFormat(someBook()) end },
  { 3, function() numFormat(someBook()) end },
  { 3, function() customFormat(someBook()) end },
  { 3, function() dates(someBook()) end },
  { 2, function() save(someBook()) end },
  { 1, function() loadBad(someBook()) end },
  { 1, function() loadCorpus(someBook()) end },
  { 1, function() if #books > 1 or chance(0.3) then release(someBook()) end end },
  { 2, function() deadHandle() end },
  { 2, function() badArguments(someBook()) end },
  { 1, function() checkBook(someBook()) end },
}
local totalWeight = 0
for _, s in ipairs(steps) do totalWeight = totalWeight + s[1] end

local function runSequence(seed)
  seq = seed
  reseed(seed)
  books, dead, trail, saved = {}, {}, {}, { xls = {}, xlsx = {} }
  local ok, err = pcall(function()
    for _ = 1, stepsPerSequence do
      local roll = rand(totalWeight)
      for _, s in ipairs(steps) do
        roll = roll - s[1]
        if roll <= 0 then
          s[2]()
          break
        end
      end
    end
    for _, book in ipairs(liveBooks()) do checkBook(book) end
  end)
  if not ok and err ~= "stop" then
    failures = failures + 1
    t.checked, t.failed = t.checked + 1, t.failed + 1
    print(("FAIL seed %d: the driver raised %s"):format(seed, tostring(err)))
    for _, line in ipairs(trail) do print("    " .. line) end
  end
  for _, book in ipairs(liveBooks()) do pcall(m.BookRelease, book.h) end
  books = {}
  os.execute("rm -f " .. t.quote(tmp) .. "/s" .. seed .. "-*")
  return ok
end

if t.corpus == "" then
  t.skip("the corpus folder is not given (set CELVO_CORPUS_DIR): no book of the corpus is loaded")
else
  t.requireCorpus()
end
t.writeFile(tmp .. "/notabook.xls", "this is no book")
t.writeFile(tmp .. "/notabook.xlsx", "PK this is no package either")
local clean = 0
for seed = firstSeed, firstSeed + sequences - 1 do
  if runSequence(seed) then clean = clean + 1 end
end
print(("%d of %d sequences of %d steps (seeds %d to %d) found nothing"):format(clean, sequences, stepsPerSequence,
  firstSeed, firstSeed + sequences - 1))
t.eq(failures, 0, "sequences that found a contradiction")

os.execute("rm -rf " .. t.quote(tmp))
t.finish("random calls")
