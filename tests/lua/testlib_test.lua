-- The verdicts of the test library: exit statuses of outside programs as
-- run() gives them, and the checker rule (exit status 0 and a closing END
-- line), under lua5.1 and LuaJIT alike.
local t = require "testlib"

local out, status = t.run("echo out; echo err >&2; exit 3")
t.eq(out, "out\nerr\n", "output of both streams")
t.eq(status, 3, "exit status")
t.eq(select(2, t.run("sh -c 'kill -9 $$'")), 137, "killed by a signal")
t.eq(select(2, t.run("kill -9 $$")), -1, "the shell itself killed")
t.eq(select(2, t.run("no-such-program-here")), 127, "missing program")
t.eq(t.run("printf %s " .. t.quote("it's $HOME")), "it's $HOME", "quoted word")
t.eq(t.haveCommand("sh"), true, "sh is there")
t.eq(t.haveCommand("no-such-program-here"), false, "a missing command")

-- Each checker run on its own counts: one check, failed or not (the
-- failures these cases print are expected).
local cases = {
  { "printf 'a 1\\nEND 1 check\\n'", true, "a 1\n" },
  { "echo END", true, "" },
  { "true", false },                                 -- prints nothing
  { "echo 'a 1'", false },                           -- stops before its end
  { "printf 'FAIL x\\nEND\\n'; exit 1", false },     -- the exit status counts
  { "no-such-checker-program", false },              -- missing
}
for _, c in ipairs(cases) do
  local checked, failed = t.checked, t.failed
  local body = t.checker(c[1], "a case of testlib_test")
  local passed = t.failed == failed
  t.checked, t.failed = checked, failed
  t.eq(passed, c[2], "verdict of " .. c[1])
  t.eq(body, c[3], "body of " .. c[1])
end

-- A checker that cannot run marks the script skipped, not failed.
local checked, failed = t.checked, t.failed
local body = t.checker("echo 'SKIP LibreOffice (soffice) is not installed'; exit 77", "skip")
local counted = t.checked ~= checked or t.failed ~= failed
t.eq(body, nil, "skipped body")
t.eq(counted, false, "a skip is no check")
t.eq(t.skipped, "LibreOffice (soffice) is not installed", "skip reason")
t.skipped = nil

t.finish("testlib")
