#!/usr/bin/env python3
"""Writes the fuzzer's seed tables into corpus/: valid journals and typical damage.
Run from this folder: python3 make_corpus.py"""
import os
import struct


def table(fields, records, version=0x03, count=None, hlen=None, rlen=None, eof=True, extra=b""):
    rl = 1 + sum(f[2] for f in fields)
    hl = 32 + 32 * len(fields) + 1 + len(extra)
    head = struct.pack("<BBBBIHH", version, 126, 12, 7, len(records) if count is None else count,
                       hl if hlen is None else hlen, rl if rlen is None else rlen) + bytes(20)
    desc = b"".join(n.ljust(11, b"\0") + t + bytes(4) + bytes([l, d]) + bytes(14)
                    for n, t, l, d in fields)
    body = b"".join(records)
    return head + desc + b"\r" + extra + body + (b"\x1a" if eof else b"")


journal = [(b"DATUM", b"D", 8, 0), (b"DATEI", b"C", 40, 0), (b"NUMMER", b"N", 5, 0),
           (b"ERROR", b"C", 12, 0)]


def rec(flag, date, path, num, err):
    return flag + date + path.ljust(40) + num.rjust(5) + err.ljust(12)


recs = [rec(b" ", b"20240105", b"C:\\Fax\\0001.pdf", b"1", b"ok\r\n"),
        rec(b"*", b"20240106", b"C:\\Fax\\B\x81ro\\0002.PDF", b"2", b""),
        rec(b":", b"        ", b"", b"", b"x\0y")]
seeds = {
    "journal.dbf": table(journal, recs),
    "empty_journal.dbf": table(journal, []),
    "no_fields.dbf": table([], [b" ", b"*"]),
    "memo_unknown_wide.dbf": table([(b"M", b"M", 10, 0), (b"Q", b"Q", 3, 0), (b"L", b"L", 3, 0),
                                    (b"N", b"N", 30, 2), (b"D6", b"D", 6, 0)],
                                   [b" " + b"0000000012" + b"abc" + b"Txy" + b"1" * 30 + b"202401"],
                                   version=0x8B),
    "count_beyond_file.dbf": table(journal, recs[:1], count=1000, eof=False),
    "short_record_length.dbf": table(journal, recs, rlen=20),
    "extra_header_bytes.dbf": table(journal, recs[:2], extra=b"\0" * 10),
    "not_dbase.dbf": b"\x30" + bytes(40),
}
os.makedirs("corpus", exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join("corpus", name), "wb") as out:
        out.write(data)
