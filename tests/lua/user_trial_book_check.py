"""Makes the books that user_trial_book_test.lua starts from, and checks the
books it saved as independent readers see them.

    user_trial_book_check.py make <folder>
        writes hidden.xls (with xlwt) and hidden.xlsx (with openpyxl): the
        sheets Shown (visible, A1 "shown"), Back (hidden), Deep (very
        hidden) and Also (visible)

    user_trial_book_check.py check <facts>
        reads a file of facts, one a line, fields separated by tabs:

    states  <book> <name=state,...>   the book's sheets in order, each
                                      visible, hidden or veryHidden: xlrd
                                      reads them from a .xls book, openpyxl
                                      from a .xlsx one
    shown   <book> <index>            xlrd reads the .xls book and finds only
                                      that sheet selected and shown
    text    <book> <sheet> <row> <col> <text>
                                      xlrd (.xls) or openpyxl (.xlsx) reads
                                      the text in that cell
    lo      <book> <row> <col> <text> LibreOffice, converting the book to
                                      CSV, shows the text in that cell of
                                      the first sheet
    opens   <book>                    LibreOffice converts the book
"""
import atexit
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

SHEETS = [("Shown", "visible"), ("Back", "hidden"), ("Deep", "veryHidden"), ("Also", "visible")]


def make(folder):
    xlwt = checklib.require_module("xlwt", "python3-xlwt")
    openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
    levels = {"visible": 0, "hidden": 1, "veryHidden": 2}
    book = xlwt.Workbook()
    for name, state in SHEETS:
        ws = book.add_sheet(name)
        ws.visibility = levels[state]
        ws.write(0, 0, name.lower())
    book.save(os.path.join(folder, "hidden.xls"))
    book = openpyxl.Workbook()
    book.remove(book.active)
    for name, state in SHEETS:
        ws = book.create_sheet(name)
        ws.sheet_state = state
        ws["A1"] = name.lower()
    book.save(os.path.join(folder, "hidden.xlsx"))
    checklib.end()


def check(facts_path):
    xlrd = checklib.require_module("xlrd", "python3-xlrd")
    openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
    facts = checklib.read_facts(facts_path)

    checks = checklib.Checks()
    work = tempfile.mkdtemp(prefix="celvo-trial-")
    atexit.register(shutil.rmtree, work, True)
    open_book = checklib.book_opener(checks, xlrd, openpyxl)

    names = {0: "visible", 1: "hidden", 2: "veryHidden"}
    for path, want in facts["states"]:
        book = open_book(path)
        if book is None:
            continue
        if path.endswith(".xlsx"):
            got = ["%s=%s" % (ws.title, ws.sheet_state) for ws in book.worksheets]
        else:
            got = ["%s=%s" % (s.name, names.get(s.visibility, s.visibility)) for s in book.sheets()]
        checks.equal(",".join(got), want, path + ": the sheets and their states")
        checks.check(any(g.endswith("=visible") for g in got), path + ": a sheet is visible")

    for path, index in facts["shown"]:
        book = open_book(path)
        if book is None:
            continue
        got = [(s.sheet_selected, s.sheet_visible) for s in book.sheets()]
        want = [(int(i == int(index)), int(i == int(index))) for i in range(book.nsheets)]
        checks.equal(got, want, path + ": (selected, shown) of each sheet")

    for path, sheet, row, col, text in facts["text"]:
        book = open_book(path)
        if book is None:
            continue
        try:
            if path.endswith(".xlsx"):
                got = book.worksheets[int(sheet)].cell(row=int(row) + 1, column=int(col) + 1).value
            else:
                got = book.sheet_by_index(int(sheet)).cell_value(int(row), int(col))
        except IndexError:
            got = "(no such cell)"
        checks.equal(got, text, "%s: sheet %s, cell %s,%s" % (path, sheet, row, col))

    checklib.check_libreoffice_shows(checks, facts, work)

    checks.finish()


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("make", "check"):
        sys.exit("usage: user_trial_book_check.py make <folder> | check <facts>")
    (make if sys.argv[1] == "make" else check)(sys.argv[2])
