-- Texts read from cells come back as written, however often they are read
-- and whatever was read before them: many distinct texts (more than the
-- module keeps at hand, so that they share and take over its slots), texts
-- rewritten in place, empty, long and non-ASCII texts. The table of books
-- takes the .xlsx book once its cells are written through the module.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local ROWS, COLS = 20000, 8  -- 160,000 distinct texts

local function textAt(r, c) return ("t%d.%d"):format(r, c) end

local books = {
  { "xls", m.CreateBook },
}

for _, b in ipairs(books) do
  local format, create = b[1], b[2]
  local book = create()
  local sheet = m.AddSheet(book, "Texts")
  local other = m.AddSheet(book, "Other")
  for r = 0, ROWS - 1 do
    for c = 0, COLS - 1 do
      assert(m.WriteString(sheet, r, c, textAt(r, c)), m.GetErrorMessage(book))
    end
  end

  -- Every text twice, in two orders.
  local wrong = 0
  for pass = 1, 2 do
    for i = 0, ROWS * COLS - 1 do
      local r, c = i % ROWS, math.floor(i / ROWS)
      if pass == 2 then r, c = ROWS - 1 - r, COLS - 1 - c end
      local s, ok = m.ReadString(sheet, r, c)
      if s ~= textAt(r, c) or ok ~= true then
        wrong = wrong + 1
        if wrong <= 5 then t.eq(s, textAt(r, c), ("%s pass %d cell %d,%d"):format(format, pass, r, c)) end
      end
    end
  end
  t.eq(wrong, 0, format .. ": texts read back wrong")

  -- A cell read, rewritten and read again; texts around the cache's limits.
  local cases = {
    { "rewritten to a text of the same length", "t0.0", "u0.0" },
    { "rewritten to a longer text", "u0.0", "u0.0 and more" },
    { "empty", "x", "" },
    { "48 bytes", "y", ("a"):rep(48) },
    { "49 bytes", ("a"):rep(48), ("a"):rep(49) },
    { "one byte less", ("a"):rep(49), ("a"):rep(47) },
    { "non-ASCII", "plain", "Grüße 😀" },
    { "the same bytes on another sheet", "Grüße 😀", "Grüße 😀" },
  }
  for i, case in ipairs(cases) do
    local name, before, after = case[1], case[2], case[3]
    local target = (i == #cases) and other or sheet
    assert(m.WriteString(target, 0, 0, before))
    t.eq(m.ReadString(target, 0, 0), before, format .. ": " .. name .. " (before)")
    assert(m.WriteString(target, 0, 0, after))
    t.eq(m.ReadString(target, 0, 0), after, format .. ": " .. name)
    t.eq(m.ReadString(target, 0, 0), after, format .. ": " .. name .. " (again)")
  end
  m.BookRelease(book)
end

t.finish(arg[0])
