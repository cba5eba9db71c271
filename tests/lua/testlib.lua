-- Checks for the Lua test scripts: each failed check is printed, and
-- finish() ends the script with a non-zero status when any failed.
local M = { failed = 0, checked = 0 }

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

-- A new scratch folder.
function M.tempDir()
  local tmp = os.tmpname()
  os.remove(tmp)
  os.execute("mkdir -p " .. tmp)
  return tmp
end

-- The output of an outside program, which runs without the sanitizer
-- runtimes a test may preload.
function M.run(cmd)
  local p = io.popen("env -u LD_PRELOAD " .. cmd .. " 2>&1")
  local out = p:read("*a")
  p:close()
  return out
end

function M.finish(name)
  print(("%s: %d checks, %d failed"):format(name, M.checked, M.failed))
  os.exit(M.failed == 0 and 0 or 1)
end

return M
