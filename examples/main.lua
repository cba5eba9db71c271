-- The main job: loads the module, shows its table and its file tests, then
-- makes a workbook of each kind, saves it, reads it back and prints what it
-- holds (for the engines present in this build).
--
--   lua5.1 examples/main.lua [output-folder]
local out = arg[1] or "."
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

-- The table.
local names = {}
for k, v in pairs(m) do
  if type(v) == "function" then names[#names + 1] = k end
end
table.sort(names)
print(("CelvoWrapper: %d functions"):format(#names))
for i = 1, #names, 6 do
  print("  " .. table.concat(names, " ", i, math.min(i + 5, #names)))
end

-- The file tests.
local script = arg[0] or "examples/main.lua"
print("File tests:")
for _, p in ipairs({ out, script, out .. "/no-such-file", script .. "/below-a-file", "" }) do
  print(("  %-40s FileExists=%-5s DirectoryExists=%s"):format(("%q"):format(p),
    tostring(m.FileExists(p)), tostring(m.DirectoryExists(p))))
end

-- Handles: 0 gives no results; a handle never given out is refused.
print(("Handle 0: GetSheetCount(0) gives %d values"):format(select("#", m.GetSheetCount(0))))
local ok, err = pcall(function() local n = m.GetSheetCount(424242) return n end)
print(("Unknown handle: %s"):format(ok and "accepted?!" or tostring(err)))

-- Workbooks.
local function roundTrip(kind, create, ext)
  local book = create()
  if book == 0 then
    print(("%s: this build has no %s engine yet (%s gave 0)"):format(kind, ext, kind == "xls" and "CreateBook" or "CreateXMLBook"))
    return
  end
  local sheet = m.AddSheet(book, "Data")
  local written = m.WriteString(sheet, 0, 0, "Name")
  if not written then
    print(("%s: cells are not written in this build (%s)"):format(kind, m.GetErrorMessage(book)))
  else
    m.WriteString(sheet, 0, 1, "Value")
    m.WriteString(sheet, 1, 0, "pi")
    m.WriteNumber(sheet, 1, 1, 3.14159)
    m.WriteString(sheet, 2, 0, "text \240\159\152\128")
    m.WriteBool(sheet, 2, 1, 1)
  end
  m.WriteString(sheet, 3, 0, "twice pi")
  print(("%s: WriteFormula(\"B2*2\") = %s (%s)"):format(kind, tostring(m.WriteFormula(sheet, 3, 1, "B2*2")),
    m.GetErrorMessage(book)))
  local path = out .. "/example." .. ext
  print(("%s: Save(%q) = %s (%s)"):format(kind, path, tostring(m.Save(book, path)), m.GetErrorMessage(book)))
  m.BookRelease(book)

  local back = create()
  print(("%s: Load = %s (%s), %d sheet(s)"):format(kind, tostring(m.Load(back, path)), m.GetErrorMessage(back),
    m.GetSheetCount(back)))
  for i = 0, m.GetSheetCount(back) - 1 do
    local s = m.GetSheet(back, i)
    print(("  sheet %d %q rows %d-%d, columns %d-%d"):format(i, m.GetSheetName(s) or "?", m.GetFirstRow(s),
      m.GetLastRow(s), m.GetFirstColumn(s), m.GetLastColumn(s)))
    for r = m.GetFirstRow(s), m.GetLastRow(s) - 1 do
      local cells = {}
      for c = m.GetFirstColumn(s), m.GetLastColumn(s) - 1 do
        local text, isText = m.ReadString(s, r, c)
        if m.GetCellIsFormula(s, r, c) then
          cells[#cells + 1] = "=" .. tostring(m.ReadFormula(s, r, c))
        elseif isText then
          cells[#cells + 1] = ("%q"):format(text)
        elseif m.GetCellType(s, r, c) == 3 then
          cells[#cells + 1] = tostring(m.ReadBool(s, r, c) == 1)
        else
          cells[#cells + 1] = tostring((m.ReadNumber(s, r, c)))
        end
      end
      print(("    row %d: %s"):format(r, table.concat(cells, ", ")))
    end
  end
  m.BookRelease(back)
end

roundTrip("xls", m.CreateBook, "xls")
roundTrip("xlsx", m.CreateXMLBook, "xlsx")

-- A book of each kind with several sheets and number formats, saved and
-- read back.
local function sheetsAndFormats(kind, create, ext)
  local book = create()
  if book == 0 then return end
  for _, name in ipairs({ "Summary", "Data 2024", "Notes \226\156\148" }) do m.AddSheet(book, name) end
  m.AddSheet(book, "A sheet name much longer than thirty-one characters")
  print(("%s sheets: AddSheet with a long name: %s"):format(kind, m.GetErrorMessage(book)))
  m.InsertSheet(book, 0, "Cover")
  m.DeleteSheet(book, 2)
  m.SetActiveSheetNumber(book, 1)
  local formats = { "0.000", "#,##0.00 \"EUR\"", "yyyy-mm-dd hh:mm" }
  for _, text in ipairs(formats) do
    local id = m.BookAddCustomNumFormat(book, text)
    if id == 0 then
      print(("  custom formats: %s"):format(m.GetErrorMessage(book)))
      break
    end
    local f = m.BookAddFormat(book, 0)
    m.SetFormatNumFormat(f, id)
    print(("  custom format %d %q on a new cell format (%d)"):format(id, text, m.GetFormatNumFormat(f)))
  end
  local path = out .. "/sheets." .. ext
  print(("  Save(%q) = %s (%s)"):format(path, tostring(m.Save(book, path)), m.GetErrorMessage(book)))
  m.BookRelease(book)

  local back = create()
  print(("  Load = %s (%s)"):format(tostring(m.Load(back, path)), m.GetErrorMessage(back)))
  for i = 0, m.GetSheetCount(back) - 1 do
    local s = m.GetSheet(back, i)
    print(("  sheet %d %q%s"):format(i, m.GetSheetName(s),
      i == m.GetActiveSheetNumber(back) and " (active)" or ""))
  end
  -- Custom number formats take ids from 164 in a .xls book, from 166 in a .xlsx one.
  for id = 164, 168 do
    local text = m.BookGetCustomNumFormat(back, id)
    if text then print(("  format %d: %q"):format(id, text)) end
  end
  local serial = m.GetPackedDate(back, 2024, 2, 29, 18, 30, 0, 0)
  if serial and serial ~= 0 then
    local y, mo, d, h, mi = m.GetUnpackedDate(back, serial)
    print(("  date 2024-02-29 18:30 packs to %.6f and back to %04d-%02d-%02d %02d:%02d"):format(
      serial, y, mo, d, h, mi))
  else
    print(("  dates: %s"):format(m.GetErrorMessage(back)))
  end
  m.BookRelease(back)
end
sheetsAndFormats("xls", m.CreateBook, "xls")
sheetsAndFormats("xlsx", m.CreateXMLBook, "xlsx")
