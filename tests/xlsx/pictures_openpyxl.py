#!/usr/bin/env python3
"""Prints the pictures openpyxl finds in a .xlsx book, one line each:

    <sheet index> <from col> <from colOff> <from row> <from rowOff> <to col> <to colOff> <to row> <to rowOff> <format> <bytes>

Usage: pictures_openpyxl.py BOOK.xlsx

Ends with the closing END line of tests/tools/checklib.py.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402


def main():
    openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
    # Without Pillow openpyxl drops every picture it reads.
    checklib.require_module("PIL", "python3-pil")
    book = openpyxl.load_workbook(sys.argv[1])
    for index, sheet in enumerate(book.worksheets):
        for image in sheet._images:
            a = image.anchor
            f, t = a._from, a.to
            data = image._data()
            print(index, f.col, f.colOff, f.row, f.rowOff, t.col, t.colOff, t.row, t.rowOff,
                  (image.format or "").lower(), len(data))
    checklib.end()


if __name__ == "__main__":
    main()
