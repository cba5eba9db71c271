-- Checks for the Lua test scripts: each failed check is printed, and
-- finish() ends the script with a non-zero status when any failed.
--
-- Outside programs: in Lua 5.1 and LuaJIT, io.popen(cmd):close() answers
-- true whatever the command's exit status, so never judge a program by it.
-- M.run gives the output and the real exit status; M.checker runs a checker
-- script (tests/tools/checklib.py) and counts as a check that passes only
-- when the checker exits with 0 after its closing "END" line.
--
-- Skipping: a script that cannot run because something it needs is missing
-- (the corpus folder, LibreOffice, a reader) calls M.skip or one of the
-- M.require* functions; finish() then exits with M.SKIP_STATUS, which CTest
-- shows as skipped (and the test command fails on). Failed checks still
-- fail the script.
local M = { failed = 0, checked = 0, SKIP_STATUS = 77 }

function M.eq(got, want, what)
  M.checked = M.checked + 1
  if got ~= want then
    M.failed = M.failed + 1
    print(("FAIL %s: got %s, want %s"):format(what, tostring(got), tostring(want)))
  end
end

-- The values of a call, packed with their count.
function M.pack(...)
  return { n = select('#', ...), ... }
end

-- The message of the error that f(...) raises, or nil when it raises none.
function M.errorOf(f, ...)
  local ok, err = pcall(f, ...)
  if ok then return nil end
  return tostring(err)
end

-- The folder of the running test script.
function M.here()
  return (arg[0]:match("^(.*)/[^/]*$") or ".")
end

-- The system python3 that has the independent readers installed.
M.python = os.getenv("CELVO_PYTHON")
if not M.python or M.python == "" then M.python = "/usr/bin/python3" end

-- The corpus folder of real files, or "" when the test command gave none.
M.corpus = os.getenv("CELVO_CORPUS") or ""

-- A path as one shell word.
function M.quote(s)
  return "'" .. tostring(s):gsub("'", "'\\''") .. "'"
end

-- The bytes of a file, or nil when it cannot be read.
function M.readFile(path)
  local f = io.open(path, "rb")
  if not f then return nil end
  local s = f:read("*a")
  f:close()
  return s
end

function M.writeFile(path, data)
  local f = assert(io.open(path, "wb"))
  f:write(data)
  f:close()
end

-- A new scratch folder.
function M.tempDir()
  local tmp = os.tmpname()
  os.remove(tmp)
  os.execute("mkdir -p " .. M.quote(tmp))
  return tmp
end

local STATUS_MARK = "\ncelvo-exit-status "

-- The output (both streams) and the exit status of an outside program,
-- which runs without the sanitizer runtimes a test may preload. The status
-- is -1 when the shell gave none.
function M.run(cmd)
  local p = assert(io.popen("unset LD_PRELOAD; (" .. cmd .. ") </dev/null 2>&1; printf '" ..
    STATUS_MARK:gsub("\n", "\\n") .. "%d\\n' $?"))
  local out = p:read("*a")
  p:close()
  local at = out:find(STATUS_MARK, 1, true)
  if not at then return out, -1 end
  local status = tonumber(out:match("^(%d+)", at + #STATUS_MARK)) or -1
  return out:sub(1, at - 1), status
end

-- True when the shell finds the command.
function M.haveCommand(name)
  local _, status = M.run("command -v " .. M.quote(name) .. " >/dev/null")
  return status == 0
end

-- Records that the script cannot run in full, and why.
function M.skip(reason)
  M.skipped = M.skipped or reason
  print("SKIP " .. reason)
end

-- Ends the script as skipped (failed checks still fail it).
function M.skipNow(reason)
  M.skip(reason)
  M.finish(arg and arg[0] or "test")
end

-- The script ends as skipped when the command is missing.
function M.requireCommand(name, what)
  if not M.haveCommand(name) then M.skipNow(("%s (%s) is not installed"):format(what, name)) end
end

function M.requireLibreOffice()
  M.requireCommand("soffice", "LibreOffice")
end

-- The corpus folder; the script ends as skipped when none is given, and
-- fails when the folder given does not exist.
function M.requireCorpus()
  if M.corpus == "" then M.skipNow("the corpus folder is not given (set CELVO_CORPUS_DIR)") end
  local _, status = M.run("test -d " .. M.quote(M.corpus))
  if status ~= 0 then
    M.eq(false, true, "the corpus folder " .. M.corpus .. " exists")
    M.finish(arg and arg[0] or "test")
  end
  return M.corpus
end

-- Book makers of both formats whose books are released together:
--   local formats, releaseAll, releasing = t.bookFormats(m)
-- formats holds { name, create, ext, creator } for .xls and .xlsx; releaseAll
-- releases every book made since its last call; releasing(create) makes one
-- more such maker.
function M.bookFormats(m)
  local made = {}
  local function releasing(create)
    return function()
      local book = create()
      made[#made + 1] = book
      return book
    end
  end
  local function releaseAll()
    for _, book in ipairs(made) do m.BookRelease(book) end
    made = {}
  end
  return {
    { name = "xls", create = releasing(m.CreateBook), ext = ".xls", creator = "CreateBook" },
    { name = "xlsx", create = releasing(m.CreateXMLBook), ext = ".xlsx", creator = "CreateXMLBook" },
  }, releaseAll, releasing
end

-- Runs each case of a table over each format: case[2](fmt, dir) in a folder
-- of its own below tmp, the books made released after it. A case marked
-- xlsOnly or xlsxOnly (the reason) runs on that format only and is noted
-- on the other; a case that raises fails.
function M.runCases(formats, cases, tmp, releaseAll)
  for _, fmt in ipairs(formats) do
    for i, c in ipairs(cases) do
      local dir = tmp .. "/" .. fmt.name .. i
      os.execute("mkdir -p " .. M.quote(dir))
      local before = M.failed
      local only = c.xlsOnly and "xls" or c.xlsxOnly and "xlsx"
      if only and fmt.name ~= only then
        print(("NOTE %s: %s: %s"):format(fmt.name, c.xlsOnly or c.xlsxOnly, c[1]))
      else
        local ok, err = pcall(c[2], fmt, dir)
        releaseAll()
        M.eq(ok, true, fmt.name .. ": " .. c[1] .. " raised " .. tostring(err))
      end
      if M.failed > before then print(("in %s: %s"):format(fmt.name, c[1])) end
    end
  end
end

-- Runs a checker as one check named `what`: it passes when the checker
-- exits with 0 and its last line begins with "END". Returns the output
-- before that line, or nil when the check failed or the checker cannot run
-- (exit status 77 with a "SKIP" line: the script is then marked skipped).
function M.checker(cmd, what)
  local out, status = M.run(cmd)
  local body, last = out:match("^(.-)([^\n]*)\n*$")
  if status == M.SKIP_STATUS then
    M.skip(out:match("SKIP ([^\n]*)") or ("the checker of " .. what .. " cannot run"))
    return nil
  end
  local ok = status == 0 and last:sub(1, 3) == "END"
  M.checked = M.checked + 1
  if not ok then
    M.failed = M.failed + 1
    print(("FAIL %s: the checker %s (exit status %d)\n%s"):format(what,
      status == 0 and "gave no closing END line" or "failed", status, out))
    return nil
  end
  return body
end

function M.finish(name)
  print(("%s: %d checks, %d failed"):format(name, M.checked, M.failed))
  if M.failed > 0 then os.exit(1) end
  if M.skipped then
    print("SKIP " .. M.skipped)
    os.exit(M.SKIP_STATUS)
  end
  os.exit(0)
end

return M
