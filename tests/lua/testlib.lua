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

function M.finish(name)
  print(("%s: %d checks, %d failed"):format(name, M.checked, M.failed))
  os.exit(M.failed == 0 and 0 or 1)
end

return M
