"""The reading peer of xlsx_cells.lua: openpyxl in read-only mode reads the
cells, asks each cell's type before its value, and sums the numbers and the
texts' lengths. Prints the same figures, or why the peer is not there."""
import resource
import sys
import time

mode, path = sys.argv[1], sys.argv[2]
if mode != "read":
    print("only the read half is done by this peer")
    sys.exit(0)
try:
    import openpyxl
except ImportError:
    print("not installed (python3-openpyxl)")
    sys.exit(0)
t0, c0 = time.time(), time.process_time()
book = openpyxl.load_workbook(path, read_only=True)
sheet = book.worksheets[0]
total, length = 0.0, 0
for row in sheet.iter_rows():
    for cell in row:
        t = cell.data_type
        if t == "n" and cell.value is not None:
            total += cell.value
        elif t == "s":
            length += len(cell.value)
book.close()
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print("read %.3f %.3f %d %.17g %d" % (time.time() - t0, time.process_time() - c0, peak, total, length))
