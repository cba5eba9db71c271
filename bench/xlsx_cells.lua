-- Benchmark of .xlsx cells through the Lua module: the work of xls_cells.lua
-- (the driver, run here with the .xlsx book) beside libxlsxwriter writing
-- the same cells (xlsx_cells_writer.c, its default mode) and openpyxl
-- reading them in read-only mode (xlsx_cells_peers.py); rows written
-- bottom-up are timed too. Prints figures; never fails on them.
--
--   lua5.1 xlsx_cells.lua [rounds]
CELLS_FORMAT = "xlsx"
local here = arg[0]:match("^(.*)/[^/]*$") or "."
dofile(here .. "/xls_cells.lua")
