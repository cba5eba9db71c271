-- The cells of the corpus books read the same before and after a save: every
-- .xlsx of the corpus that is not spoilt on purpose is loaded, the type and
-- value of each cell of its sheets' used ranges (the first 3000 rows and 200
-- columns) read, the book saved and loaded again, and every cell read again.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local corpus = t.requireCorpus()
local tmp = t.tempDir()
local SPOILT = { "BROKEN-ON-PURPOSE", "HOSTILE", "NOT-XLS", "ENCRYPTED" }

local notes = {}
for line in io.lines(corpus .. "/MANIFEST.tsv") do
  local fields = {}
  for field in (line .. "\t"):gmatch("([^\t]*)\t") do fields[#fields + 1] = field end
  if fields[1] and fields[1]:match("^xlsx/") then notes[fields[1]] = fields[7] or "" end
end

local function spoilt(note)
  for _, s in ipairs(SPOILT) do
    if note:sub(1, #s) == s then return true end
  end
  return false
end

-- One text per cell: "row,col type value".
local function sheetCells(out, i, s)
  local r1, r2 = m.GetFirstRow(s), math.min(m.GetLastRow(s), m.GetFirstRow(s) + 3000)
  local c1, c2 = m.GetFirstColumn(s), math.min(m.GetLastColumn(s), m.GetFirstColumn(s) + 200)
  for r = r1, r2 - 1 do
    for c = c1, c2 - 1 do
      local kind = m.GetCellType(s, r, c)
      if kind ~= 0 then
        local v
        if kind == 1 then v = ("%.17g"):format(m.ReadNumber(s, r, c))
        elseif kind == 2 then v = m.ReadString(s, r, c)
        elseif kind == 3 then v = tostring(m.ReadBool(s, r, c))
        end
        local f = m.GetCellIsFormula(s, r, c) and m.ReadFormula(s, r, c) or ""
        out[#out + 1] = ("%d!%d,%d %d %s %s"):format(i, r, c, kind, tostring(v), tostring(f))
      end
    end
  end
end

local function cellsOf(book)
  local out = {}
  for i = 0, m.GetSheetCount(book) - 1 do
    local s = m.GetSheet(book, i)
    -- A chart sheet has no cells.
    if s ~= nil and s ~= 0 then sheetCells(out, i, s) end
  end
  return out
end

local files = {}
local p = assert(io.popen("ls " .. t.quote(corpus .. "/xlsx")))
for f in p:lines() do files[#files + 1] = f end
p:close()

local compared = 0
for _, f in ipairs(files) do
  local note = notes["xlsx/" .. f] or ""
  if not spoilt(note) then
    local book = m.CreateXMLBook()
    if m.Load(book, corpus .. "/xlsx/" .. f) and m.GetSheetCount(book) > 0 then
      local before = cellsOf(book)
      local out = tmp .. "/" .. f
      t.eq(m.Save(book, out), true, f .. " saved: " .. m.GetErrorMessage(book))
      local again = m.CreateXMLBook()
      t.eq(m.Load(again, out), true, f .. " loaded again: " .. m.GetErrorMessage(again))
      local after = cellsOf(again)
      local first
      for k = 1, math.max(#before, #after) do
        if before[k] ~= after[k] then
          first = ("%s / %s"):format(tostring(before[k]), tostring(after[k]))
          break
        end
      end
      t.eq(first, nil, f .. ": the cells read the same after a save")
      compared = compared + 1
      m.BookRelease(again)
      os.remove(out)
    end
    m.BookRelease(book)
  end
end
t.eq(compared > 50, true, "corpus books compared: " .. compared)
t.finish("xlsx_corpus_cells")
