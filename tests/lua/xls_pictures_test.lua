-- A .xls book with pictures through the module: loaded, edited and saved
-- again, its pictures stay where they were, with the same image data, as
-- LibreOffice sees them.
local t = require "testlib"
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local corpus = t.requireCorpus()
t.requireLibreOffice()
local here = t.here()
local media = here .. "/../xls/picture_media.py"
local python = t.python
local tmp = t.tempDir()

local run = t.run

local function pictures(path, work)
  return t.checker(python .. " " .. t.quote(media) .. " " .. t.quote(path) .. " " .. t.quote(tmp .. "/" .. work),
    "LibreOffice's pictures of " .. path) or ""
end

for _, name in ipairs({ "poi__SimpleWithImages.xls", "calamine__picture.xls" }) do
  local source = corpus .. "/xls/" .. name
  local before = pictures(source, "before-" .. name)
  t.eq(before:match("^0 ") ~= nil, true, name .. ": LibreOffice finds pictures in the file: " .. before:sub(1, 200))

  local book = m.CreateBook()
  t.eq(m.Load(book, source), true, name .. ": Load " .. m.GetErrorMessage(book))
  local sheet = m.GetSheet(book, 0)
  t.eq(m.WriteString(sheet, 40, 0, "edited"), true, name .. ": WriteString " .. m.GetErrorMessage(book))
  local out = tmp .. "/" .. name
  t.eq(m.Save(book, out), true, name .. ": Save " .. m.GetErrorMessage(book))
  m.BookRelease(book)

  local after = pictures(out, "after-" .. name)
  t.eq(after, before, name .. ": the same pictures at the same cells")
end

os.execute("rm -rf " .. tmp)
t.finish("xls_pictures_test")
