#!/usr/bin/env bash
# Tables written by our engine, read back by two independent dBase readers from Debian's
# packages (python3-dbfread and shapelib's dbfdump): the output must be a valid dBase III file
# that other programs read as we meant it.
#   independent_readers_test.sh CLI_EXE WORK_DIR
set -euo pipefail
cli=$1
work=$2
rm -rf "$work" && mkdir -p "$work"
table="$work/journal.dbf"

# A journal of three records, written byte by byte (OEM 850: 0x81 is u-umlaut).
/usr/bin/python3 - "$table" <<'PY'
import struct, sys
fields = [(b"DATUM", b"D", 8), (b"DATEI", b"C", 40), (b"NR", b"N", 5), (b"ERROR", b"C", 10)]
recs = [b" 20240105" + b"C:\\Fax\\0001.PDF".ljust(40) + b"    1" + b"ok\r\n".ljust(10),
        b"*20240106" + b"C:\\Fax\\B\x81ro\\0002.pdf".ljust(40) + b"    2" + b"".ljust(10),
        b" 20240105" + b"C:\\Fax\\0001.PDF".ljust(40) + b"    1" + b"ok".ljust(10)]
head = struct.pack("<BBBBIHH", 3, 120, 1, 1, len(recs), 32 + 32 * len(fields) + 1,
                   1 + sum(f[2] for f in fields)) + bytes(20)
desc = b"".join(n.ljust(11, b"\0") + t + bytes(4) + bytes([l, 0]) + bytes(14) for n, t, l in fields)
open(sys.argv[1], "wb").write(head + desc + b"\r" + b"".join(recs) + b"\x1a")
PY

"$cli" relocate "$table" --to 'E:\Neu' --sff >/dev/null
"$cli" dedupe "$table" >/dev/null

/usr/bin/python3 - "$table" <<'PY'
import datetime, sys
import dbfread
t = dbfread.DBF(sys.argv[1], encoding="cp850", char_decode_errors="strict", load=True)
rows = t.records
assert len(rows) == 2, f"dbfread sees {len(rows)} records"
assert not t.deleted, "dbfread sees deleted records"
assert rows[0]["DATEI"] == "E:\\Neu\\0001.sff", rows[0]
assert rows[1]["DATEI"] == "E:\\Neu\\0002.sff", rows[1]
assert rows[0]["DATUM"] == datetime.date(2024, 1, 5), rows[0]
assert rows[0]["NR"] == 1 and rows[1]["NR"] == 2, rows
assert rows[0]["ERROR"] == "ok", rows[0]
assert t.date == datetime.date.today(), t.date
print("dbfread: 2 records as expected")
PY

dump=$(dbfdump -r "$table")  # raw: this dbfdump does not format D fields
echo "$dump"
lines=$(grep -c 'E:\\Neu\\000[12]\.sff' <<<"$dump" || true)
[ "$lines" -eq 2 ] || { echo "dbfdump shows $lines relocated records, expected 2" >&2; exit 1; }
grep -q '20240106' <<<"$dump" || { echo "dbfdump lost the second record's date" >&2; exit 1; }
echo "dbfdump: 2 records as expected"
