-- The main job: loads the module, makes workbooks, reads them back and
-- prints what they hold.
local out = arg[1] or "."
local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"

local names = {}
for k in pairs(m) do names[#names + 1] = k end
table.sort(names)
print(("CelvoWrapper: %d functions"):format(#names))
print("  " .. table.concat(names, " "))

print(("FileExists(%q) = %s"):format(out, tostring(m.FileExists(out))))
print(("DirectoryExists(%q) = %s"):format(out, tostring(m.DirectoryExists(out))))

local book = m.CreateBook()
if book == 0 then
  print("CreateBook: the .xls engine is not available in this build")
end
