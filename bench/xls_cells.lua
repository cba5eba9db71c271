-- Benchmark of .xls cells through the Lua module: 50,000 rows x 20 columns
-- (even columns the numbers r*1.5+c, odd columns the texts "text N" with
-- N = (r*31+c) % 20000, made inside the timed loop) written and saved, then
-- loaded and read back with the cell's type asked before each read, summing
-- the numbers and the texts' lengths. xlwt writes and xlrd reads the same
-- cells the same way. Each half runs in a process of its own, timed whole
-- from outside (start-up and module loading included, for every program
-- alike: wall time, and processor time in user and system mode), so that
-- its time and peak memory are its own; the four processes of a round run
-- one after the other, and the ratios compare figures of the same round.
-- Prints figures; never fails on them.
--
--   lua5.1 xls_cells.lua [rounds]        runs both halves and the peers
--   lua5.1 xls_cells.lua growth [rounds] the cost of growth (below)
--   lua5.1 xls_cells.lua write <file> [rows cols]   one half (used by the driver)
--   lua5.1 xls_cells.lua writeup <file> [rows cols]
--   lua5.1 xls_cells.lua read <file> [rows cols]
--
-- The cost of growth: the same work on larger and other shapes of sheet,
-- written top-down and bottom-up and read back, each in a process of its
-- own; it prints wall time and peak memory per million cells beside those
-- of the million cells, and the ratios (a ratio above 1.2 is marked).
local ROWS, COLS, TEXTS = 50000, 20, 20000
if (arg[1] == "write" or arg[1] == "writeup" or arg[1] == "read") and arg[3] then
  ROWS, COLS = assert(tonumber(arg[3])), assert(tonumber(arg[4]))
end

-- The format measured: xlsx_cells.lua sets CELLS_FORMAT before it runs this
-- driver with the .xlsx book and its peers.
local format = CELLS_FORMAT or "xls"
local FORMATS = {
  xls = { create = "CreateBook", ext = ".xls", writer = "xlwt", reader = "xlrd",
          peers = function(here, python) return ("%s %q/xls_cells_peers.py"):format(python, here) end,
          peerWrite = function(peers, file) return ("%s write %q"):format(peers, file) end },
  xlsx = { create = "CreateXMLBook", ext = ".xlsx", writer = "lxw", reader = "openpyxl",
           peers = function(here, python) return ("%s %q/xlsx_cells_peers.py"):format(python, here) end,
           peerWrite = function(_, file)
             local writer = os.getenv("CELVO_XLSX_WRITER")
             if not writer or writer == "" then return "echo libxlsxwriter peer not built" end
             return ("%q %q"):format(writer, file)
           end },
}
local F = FORMATS[format]

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

if mode == "write" or mode == "writeup" then
  -- writeup writes the rows from the bottom up.
  local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"
  local t0, c0 = now(), os.clock()
  local book = m[F.create]()
  local sheet = m.AddSheet(book, "Data")
  local first, last, step = 0, ROWS - 1, 1
  if mode == "writeup" then first, last, step = ROWS - 1, 0, -1 end
  for r = first, last, step do
    for c = 0, COLS - 1 do
      if c % 2 == 0 then
        m.WriteNumber(sheet, r, c, r * 1.5 + c)
      else
        m.WriteString(sheet, r, c, "text " .. (r * 31 + c) % TEXTS)
      end
    end
  end
  assert(m.Save(book, path), m.GetErrorMessage(book))
  m.BookRelease(book)
  print(("%s %.3f %.3f %d"):format(mode, now() - t0, os.clock() - c0, peakKb()))
elseif mode == "read" then
  local m = require "corvantis.ExcelLibrary_0.CelvoWrapper"
  local t0, c0 = now(), os.clock()
  local book = m[F.create]()
  assert(m.Load(book, path), m.GetErrorMessage(book))
  local sheet = m.GetSheet(book, 0)
  local sum, length = 0, 0
  local NUMBER, STRING = 1, 2
  for r = 0, ROWS - 1 do
    for c = 0, COLS - 1 do
      local t = m.GetCellType(sheet, r, c)
      if t == NUMBER then
        sum = sum + m.ReadNumber(sheet, r, c)
      elseif t == STRING then
        length = length + #m.ReadString(sheet, r, c)
      end
    end
  end
  m.BookRelease(book)
  print(("read %.3f %.3f %d %.17g %d"):format(now() - t0, os.clock() - c0, peakKb(), sum, length))
else
  local growth = arg[1] == "growth"
  local rounds = tonumber(growth and arg[2] or arg[1]) or 3
  local lua = arg[-1] or "lua5.1"
  local here = arg[0]:match("^(.*)/[^/]*$") or "."
  local python = os.getenv("CELVO_PYTHON") or "/usr/bin/python3"
  local peers = F.peers(here, python)
  -- Runs the command under bash's time: its output, and the whole process's
  -- wall and processor (user and system) seconds.
  local function run(cmd)
    assert(not cmd:find("'", 1, true), "paths with a quote are not supported")
    local p = io.popen(("bash -c 'TIMEFORMAT=\"TIMES %%R %%U %%S\"; time %s' 2>&1"):format(cmd))
    local out = p:read("*a")
    p:close()
    local wall, user, sys = out:match("TIMES (%S+) (%S+) (%S+)")
    out = out:gsub("TIMES [^\n]*\n?", "")
    if not wall then return out, nil, nil end
    return out, tonumber(wall), tonumber(user) + tonumber(sys)
  end
  local function loadavg()
    local f = io.open("/proc/loadavg")
    if not f then return "?" end
    local s = f:read("*l")
    f:close()
    return s:match("^(%S+ %S+ %S+)") or "?"
  end
  -- One line of figures; the whole process's wall and processor seconds,
  -- or nothing when the program did not print its figures.
  local function report(who, line, wall, cpu)
    line = line:gsub("\n", " ")
    local half, secs, loopCpu, kb, rest = line:match("^(%a+) (%S+) (%S+) (%d+)(.*)$")
    if not half or not wall then
      print(("  %-6s %s"):format(who, line))
      return nil, nil
    end
    print(("  %-6s %-5s process wall %6.2f s cpu %6.2f s | timed part wall %6.2f s cpu %6.2f s | peak %7.1f MB %s"):format(
      who, half, wall, cpu, tonumber(secs), tonumber(loopCpu), tonumber(kb) / 1024, rest))
    return wall, cpu
  end
  local function ratio(a, b)
    if a and b and b > 0 then return a / b end
  end
  local function median(list)
    if #list == 0 then return nil end
    table.sort(list)
    return list[math.floor((#list + 1) / 2)]
  end
  local function show(x) return x and ("%.3f"):format(x) or "n/a" end
  if growth then
    -- The shapes of sheet that the format holds: .xls has 65,536 rows of
    -- 256 columns, so its large and wide sheets are of those bounds.
    local shapes = format == "xlsx"
      and { { ROWS, COLS }, { 200000, 20 }, { 64, 16384 } }
      or { { ROWS, COLS }, { 65536, 61 }, { 4096, 256 } }
    local self = ("%s %q"):format(lua, arg[0])
    print(("the cost of growth, %s: medians of %d rounds per million cells; ratios to the first shape"):format(
      format, rounds))
    local base = {}
    for _, shape in ipairs(shapes) do
      local rows, cols = shape[1], shape[2]
      local millions = rows * cols / 1e6
      for _, half in ipairs({ "write", "writeup", "read" }) do
        local walls, peaks = {}, {}
        for _ = 1, rounds do
          local file = os.tmpname() .. F.ext
          local out, wall
          if half == "read" then
            out = run(("%s write %q %d %d"):format(self, file, rows, cols))
            out, wall = run(("%s read %q %d %d"):format(self, file, rows, cols))
          else
            out, wall = run(("%s %s %q %d %d"):format(self, half, file, rows, cols))
          end
          os.remove(file)
          local kb = out:match("^%a+ %S+ %S+ (%d+)")
          if wall and kb then
            walls[#walls + 1] = wall / millions
            peaks[#peaks + 1] = tonumber(kb) / 1024 / millions
          else
            print(("  %s %dx%d failed: %s"):format(half, rows, cols, out))
          end
        end
        local wall, peak = median(walls), median(peaks)
        local b = base[half]
        if not b then
          b = { wall = wall, peak = peak }
          base[half] = b
        end
        local rw, rp = ratio(wall, b.wall), ratio(peak, b.peak)
        local mark = ((rw and rw > 1.2) or (rp and rp > 1.2)) and "  ABOVE 1.2" or ""
        print(("  %7d rows x %5d columns %-7s %s s and %s MB per million cells, ratios %s and %s%s"):format(
          rows, cols, half, show(wall), show(peak), show(rw), show(rp), mark))
      end
    end
    return
  end
  print(("%d rows x %d columns, %d distinct texts made in the loop; the read lines end with the"):format(ROWS, COLS,
    TEXTS))
  print("sum of the numbers and the total length of the texts, equal for every reader")
  local writes, reads, writesCpu, readsCpu, ups = {}, {}, {}, {}, {}
  -- The script runs itself for our halves (xlsx_cells.lua, which sets the
  -- format, runs this driver).
  local self = ("%s %q"):format(lua, arg[0])
  for round = 1, rounds do
    local file = os.tmpname() .. F.ext
    local peerFile = os.tmpname() .. F.ext
    print(("round %d, load average %s"):format(round, loadavg()))
    local ourWrite, ourWriteCpu = report("celvo", run(("%s write %q"):format(self, file)))
    local ourRead, ourReadCpu = report("celvo", run(("%s read %q"):format(self, file)))
    local upWrite = report("celvo", run(("%s writeup %q"):format(self, peerFile)))
    local peerWrite, peerWriteCpu = report(F.writer, run(F.peerWrite(peers, peerFile)))
    local peerRead, peerReadCpu = report(F.reader, run(("%s read %q"):format(peers, file)))
    local w, r = ratio(ourWrite, peerWrite), ratio(ourRead, peerRead)
    local wc, rc = ratio(ourWriteCpu, peerWriteCpu), ratio(ourReadCpu, peerReadCpu)
    local up = ratio(upWrite, ourWrite)
    print(("  ratios of whole processes: write %s of %s's wall time (%s of its cpu), read %s of %s's (%s);"
      .. " rows written bottom-up %s of top-down"):format(show(w), F.writer, show(wc), show(r), F.reader, show(rc),
      show(up)))
    writes[#writes + 1], reads[#reads + 1], ups[#ups + 1] = w, r, up
    writesCpu[#writesCpu + 1], readsCpu[#readsCpu + 1] = wc, rc
    os.remove(file)
    os.remove(peerFile)
  end
  print(("median of %d rounds: write %s of %s's wall time (%s of its cpu), read %s of %s's (%s);"
    .. " bottom-up %s of top-down"):format(rounds, show(median(writes)), F.writer, show(median(writesCpu)),
    show(median(reads)), F.reader, show(median(readsCpu)), show(median(ups))))
  local nproc = io.popen("nproc")
  local processors = nproc:read("*l") or "?"
  nproc:close()
  print(("load average now %s on %s processors; on a busy machine the cpu ratios are the steadier figures"):format(
    loadavg(), processors))
end
