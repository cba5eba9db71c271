-- Benchmark of .xls cells through the Lua module: 50,000 rows x 20 columns
-- (even columns numbers, odd columns texts drawn from 20,000 distinct ones)
-- written and saved, then loaded and read back, summing the numbers and the
-- texts' lengths. Each half runs in a process of its own so that its peak
-- memory is its own. Prints figures; never fails on them.
--
--   lua5.1 xls_cells.lua                 runs both halves and the peers
--   lua5.1 xls_cells.lua write <file>    one half (used by the driver)
--   lua5.1 xls_cells.lua read <file>
local ROWS, COLS, TEXTS = 50000, 20, 20000

local function now()
  local p = io.popen("date +%s.%N")
  local t = tonumber(p:read("*l"))
  p:close()
  return t
end

local function peakKb()
  local f = io.open("/proc/self/status")
  if not f then return 0 end
  for line in f:lines() do
    local kb = line:match("^VmHWM:%s+(%d+)")
    if kb then f:close() return tonumber(kb) end
  end
  f:close()
  return 0
end

local mode, path = arg[1], arg[2]

if mode == "write" then
  local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"
  local texts = {}
  for i = 0, TEXTS - 1 do texts[i] = "text number " .. i end
  local t0, c0 = now(), os.clock()
  local book = m.CreateBook()
  local sheet = m.AddSheet(book, "Data")
  for r = 0, ROWS - 1 do
    for c = 0, COLS - 1 do
      if c % 2 == 0 then
        m.WriteNumber(sheet, r, c, r * 0.5 + c)
      else
        m.WriteString(sheet, r, c, texts[(r * COLS + c) % TEXTS])
      end
    end
  end
  assert(m.Save(book, path), m.GetErrorMessage(book))
  m.BookRelease(book)
  print(("write %.3f %.3f %d"):format(now() - t0, os.clock() - c0, peakKb()))
elseif mode == "read" then
  local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"
  local t0, c0 = now(), os.clock()
  local book = m.CreateBook()
  assert(m.Load(book, path), m.GetErrorMessage(book))
  local sheet = m.GetSheet(book, 0)
  local sum, length = 0, 0
  for r = 0, ROWS - 1 do
    for c = 0, COLS - 1 do
      if c % 2 == 0 then
        sum = sum + m.ReadNumber(sheet, r, c)
      else
        length = length + #m.ReadString(sheet, r, c)
      end
    end
  end
  m.BookRelease(book)
  print(("read %.3f %.3f %d %.17g %d"):format(now() - t0, os.clock() - c0, peakKb(), sum, length))
else
  local here = arg[0]:match("^(.*)/[^/]*$") or "."
  local lua = arg[-1] or "lua5.1"
  local file = os.tmpname() .. ".xls"
  local function run(cmd)
    local p = io.popen(cmd .. " 2>&1")
    local out = p:read("*a")
    p:close()
    return out
  end
  local function report(who, line)
    line = line:gsub("\n", " ")
    local half, secs, cpu, kb, rest = line:match("^(%a+) (%S+) (%S+) (%d+)(.*)$")
    if not half then
      print(("%-8s %s"):format(who, line))
      return
    end
    print(("%-8s %-5s wall %7.2f s  cpu %7.2f s  peak %7.1f MB %s"):format(who, half, tonumber(secs),
      tonumber(cpu), tonumber(kb) / 1024, rest))
  end
  print(("%d rows x %d columns, %d distinct texts; the read lines end with the sum of the"):format(ROWS, COLS, TEXTS))
  print("numbers and the total length of the texts, equal for every reader")
  report("celvo", run(("%s %q write %q"):format(lua, arg[0], file)))
  report("celvo", run(("%s %q read %q"):format(lua, arg[0], file)))
  local python = os.getenv("CELVO_PYTHON") or "/usr/bin/python3"
  local peers = ("%s %q/xls_cells_peers.py"):format(python, here)
  local peerFile = os.tmpname() .. ".xls"
  report("xlwt", run(("%s write %q"):format(peers, peerFile)))
  report("xlrd", run(("%s read %q"):format(peers, file)))
  os.remove(file)
  os.remove(peerFile)
end
