#!/usr/bin/env python3
"""Writes the operations fuzzer's seeds into corpus_operations/: four option bytes (see
operations_fuzzer.cpp), then a journal. Run from this folder: python3 make_operations_corpus.py"""
import os

from make_corpus import journal, rec, table

zero_date = b"\0" * 8
# C:\Fax\Ärzte\Übersicht.pdf in OEM 850.
umlaut_path = b"C:\\Fax\\\x8erzte\\\x9abersicht.pdf"
dupes = [rec(b" ", b"20240105", b"C:\\Fax\\0001.pdf", b"1", b"ok\r\n"),
         rec(b"*", b"20240105", b"C:\\Fax\\0001.pdf", b"1", b"ok"),
         rec(b" ", zero_date, umlaut_path, b"2", b"St\x94rung\r\n"),
         rec(b":", zero_date, umlaut_path, b"2", b"St\x94rung"),
         rec(b" ", b"20240107", b"D:\\a.b\\ohne_endung", b"3", b"\0\0"),
         rec(b" ", b"20240108", b"C:\\Ein sehr langer Ordner\\0004.tif", b"4", b"")]
lower = [(b"datum", b"D", 8, 0), (b"Datei", b"C", 40, 0), (b"NUMMER", b"N", 5, 0),
         (b"error", b"C", 12, 0)]
seeds = {
    # sff on, folder 2 (umlauts), block size of 7 bytes; record 3; a copy appended
    "umlauts_after_zero_date": bytes([0x01 | 2 << 2 | 1 << 5, 3, 0, 0]) + table(journal, dupes),
    # sff off, folder 4 (too long for most paths); record 6; one record byte changed
    "too_long_paths": bytes([4 << 2 | 3 << 5, 6, 1, 77]) + table(journal, dupes),
    # code pages 437/1252; the records after the first appended
    "oem437_lower_case_names": bytes([0x02 | 1 << 2, 1, 2, 0]) + table(lower, dupes),
    # another record count in the source; a field one wider (not compatible)
    "recounted_source": bytes([0, 2, 3, 2]) + table(journal, dupes[:3]),
    "incompatible_source": bytes([1, 1, 5, 0]) + table(journal, dupes[:2]),
    "count_past_records": bytes([0, 1, 4, 0]) + table(journal, dupes, count=2),
    "empty_journal": bytes([0, 1, 0, 0]) + table(journal, []),
    # records of the flag alone, one byte a block: all equal to the first
    "flag_only_records": bytes([0, 1, 0, 0]) + table(
        [(b"DATUM", b"D", 0, 0), (b"DATEI", b"C", 0, 0)], [b" ", b"*", b" ", b"\0", b" "]),
}
os.makedirs("corpus_operations", exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join("corpus_operations", name), "wb") as out:
        out.write(data)
