"""The Python peers of xls_cells.lua: the same work with xlwt (writing) and
xlrd (reading), texts made inside the timed loop and the cell's type asked
before each read. Prints the same figures, or why a peer is not there."""
import resource
import sys
import time

ROWS, COLS, TEXTS = 50000, 20, 20000
mode, path = sys.argv[1], sys.argv[2]


def peak_kb():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss


if mode == "write":
    try:
        import xlwt
    except ImportError:
        print("not installed (python3-xlwt)")
        sys.exit(0)
    t0, c0 = time.time(), time.process_time()
    book = xlwt.Workbook()
    sheet = book.add_sheet("Data")
    for r in range(ROWS):
        row = sheet.row(r)
        for c in range(COLS):
            if c % 2 == 0:
                row.write(c, r * 1.5 + c)
            else:
                row.write(c, "text %d" % ((r * 31 + c) % TEXTS))
    book.save(path)
    print("write %.3f %.3f %d" % (time.time() - t0, time.process_time() - c0, peak_kb()))
else:
    try:
        import xlrd
    except ImportError:
        print("not installed (python3-xlrd)")
        sys.exit(0)
    t0, c0 = time.time(), time.process_time()
    book = xlrd.open_workbook(path)
    sheet = book.sheet_by_index(0)
    total, length = 0.0, 0
    for r in range(ROWS):
        for c in range(COLS):
            t = sheet.cell_type(r, c)
            if t == xlrd.XL_CELL_NUMBER:
                total += sheet.cell_value(r, c)
            elif t == xlrd.XL_CELL_TEXT:
                length += len(sheet.cell_value(r, c))
    print("read %.3f %.3f %d %.17g %d" % (time.time() - t0, time.process_time() - c0, peak_kb(), total, length))
