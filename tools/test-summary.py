#!/usr/bin/env python3
"""The end of the test command's output: the counts of tests passed,
skipped and failed in each CTest run, with the reason of every skip, read
from the JUnit files that `ctest --output-junit` wrote.

    test-summary.py <label>=<junit file>...

Exits with 1 when a test failed or a run left no file, and with 1 when a
test was skipped unless CELVO_ALLOW_SKIPS is set to a non-empty value other
than 0: a test that cannot run (a reader, a tool, a locale or the corpus
missing) must not let the command pass unnoticed."""

import os
import re
import sys
import xml.etree.ElementTree as ET

# A GoogleTest skip prints "<file>:<line>: Skipped" and then its message;
# the scripts print "SKIP <reason>".
GTEST_SKIP = re.compile(r":\d+: Skipped\n(.*)")
SCRIPT_SKIP = re.compile(r"^SKIP (.*)$", re.M)


def skip_reason(case):
    out = case.findtext("system-out") or ""
    m = GTEST_SKIP.search(out)
    if m and m.group(1).strip():
        return m.group(1).strip()
    reasons = SCRIPT_SKIP.findall(out)
    if reasons:
        return reasons[-1].strip()
    skipped = case.find("skipped")
    return "no reason given (%s)" % (skipped.get("message") if skipped is not None else "skipped")


def main(args):
    allow = os.environ.get("CELVO_ALLOW_SKIPS", "") not in ("", "0")
    totals = {"passed": 0, "skipped": 0, "failed": 0}
    skips, failures, missing = [], [], []
    lines = []
    for arg in args:
        label, _, path = arg.partition("=")
        try:
            suite = ET.parse(path).getroot()
        except (OSError, ET.ParseError) as e:
            missing.append("%s: no test results (%s)" % (label, e))
            lines.append("%-52s no results" % (label + ":"))
            continue
        counts = {"passed": 0, "skipped": 0, "failed": 0}
        for case in suite.iter("testcase"):
            status = case.get("status")
            name = case.get("name")
            if case.find("skipped") is not None or status in ("notrun", "disabled"):
                counts["skipped"] += 1
                skips.append((label, name, skip_reason(case)))
            elif status == "run" and case.find("failure") is None:
                counts["passed"] += 1
            else:
                counts["failed"] += 1
                failures.append("%s: %s" % (label, name))
        for k in totals:
            totals[k] += counts[k]
        lines.append("%-52s %5d passed, %4d skipped, %4d failed" %
                     (label + ":", counts["passed"], counts["skipped"], counts["failed"]))

    print()
    print("== summary")
    if failures:
        print("failed:")
        for f in failures:
            print("  " + f)
    if skips:
        print("skipped:")
        for label, name, reason in skips:
            print("  %s: %s: %s" % (label, name, reason))
        by_reason = {}
        for _, _, reason in skips:
            by_reason[reason] = by_reason.get(reason, 0) + 1
        print("skipped for:")
        for reason, n in sorted(by_reason.items(), key=lambda x: -x[1]):
            print("  %4d  %s" % (n, reason))
    for m in missing:
        print(m)
    for line in lines:
        print(line)
    print("%-52s %5d passed, %4d skipped, %4d failed" %
          ("all runs:", totals["passed"], totals["skipped"], totals["failed"]))
    status = 0
    if totals["failed"] or missing:
        status = 1
    if totals["skipped"]:
        if allow:
            print("%d tests skipped, allowed by CELVO_ALLOW_SKIPS" % totals["skipped"])
        else:
            print("%d tests skipped: install what they need (tools/install-deps.sh, the corpus folder), "
                  "or set CELVO_ALLOW_SKIPS=1 to accept it" % totals["skipped"])
            status = 1
    print("test command: %s" % ("passed" if status == 0 else "FAILED"))
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
