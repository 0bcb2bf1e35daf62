#!/usr/bin/env python3
# Compares each sheet as the import's preview loads it with LibreOffice's CSV export of it.
import csv, re, subprocess, sys, os, glob, datetime
CLI = os.environ["CLI"]
csv.field_size_limit(10**9)

def norm(text, ours):
    t = text.strip()
    if t == "": return ""
    if ours:
        t = t.replace("\\t", "\t").replace("\\n", "\n").replace("\\\\", "\\")
        if t in ("Wahr", "Falsch"): return 1.0 if t == "Wahr" else 0.0
        m = re.fullmatch(r"(\d\d)\.(\d\d)\.(\d{4})(?: (\d\d):(\d\d):(\d\d))?", t)
        if m: return ("D", int(m[3]), int(m[2]), int(m[1]), int(m[4] or 0), int(m[5] or 0), int(m[6] or 0))
        m = re.fullmatch(r"(\d\d):(\d\d):(\d\d)", t)
        if m: return ("T", int(m[1]), int(m[2]), int(m[3]))
        if re.fullmatch(r"-?\d+(,\d+)?(E[+-]?\d+)?", t): return float(t.replace(",", "."))
        return t
    m = re.fullmatch(r"(\d\d)/(\d\d)/(\d{4})(?: (\d\d):(\d\d):(\d\d)(?: ([AP]M))?)?", t)
    if m: return ("D", int(m[3]), int(m[1]), int(m[2]), int(m[4] or 0), int(m[5] or 0), int(m[6] or 0))
    m = re.fullmatch(r"(\d\d):(\d\d):(\d\d)(?: ([AP]M))?", t)
    if m:
        h = int(m[1]) % 12 + (12 if m[4] == "PM" else 0) if m[4] else int(m[1])
        return ("T", h, int(m[2]), int(m[3]))
    if t in ("TRUE", "FALSE"): return 1.0 if t == "TRUE" else 0.0
    if t.startswith("#") and t.endswith(("!", "?", "A")): return ""  # error values load as empty cells, with a note
    if re.fullmatch(r"-?\d+(\.\d+)?(E[+-]?\d+)?", t): return float(t)
    return t

def used(rows):
    rows = [r for r in rows]
    while rows and not any(c.strip() for c in rows[-1]): rows.pop()
    while rows and not any(c.strip() for c in rows[0]): rows.pop(0)
    if not rows: return rows
    first = min((i for r in rows for i, c in enumerate(r) if c.strip()), default=0)
    last = max((i for r in rows for i, c in enumerate(r) if c.strip()), default=0)
    return [(r + [""] * (last + 1))[first:last + 1] for r in rows]

def ours(path, sheet):
    out = subprocess.run([CLI, "preview", "--no-header", "--rows", "1000000", "--file", path, "--table", sheet],
                         capture_output=True, text=True, env=dict(os.environ, VELRA_LOCALE="de_DE")).stdout
    lines = out.split("\n")[1:]
    return used([l.split("\t") for l in lines])

matched = total = 0
for book in sys.argv[1:]:
    stem = os.path.splitext(os.path.basename(book))[0]
    for exported in sorted(glob.glob(f"csv-{os.path.basename(book)}/{stem}-*.csv")):
        sheet = os.path.basename(exported)[len(stem) + 1:-4]
        with open(exported, encoding="utf-8", newline="") as f:
            theirs = used(list(csv.reader(f, delimiter="\t")))
        mine = ours(book, sheet)
        diffs = []
        if len(theirs) != len(mine) or (theirs and len(theirs[0]) != len(mine[0])):
            diffs.append(f"shape {len(theirs)}x{len(theirs[0]) if theirs else 0} vs {len(mine)}x{len(mine[0]) if mine else 0}")
        else:
            for r, (a, b) in enumerate(zip(theirs, mine)):
                for c, (x, y) in enumerate(zip(a, b)):
                    nx, ny = norm(x, False), norm(y, True)
                    if nx != ny and not (isinstance(nx, float) and isinstance(ny, float) and abs(nx - ny) <= 1e-9 * max(1, abs(nx))):
                        diffs.append(f"R{r+1}C{c+1}: {x[:30]!r} vs {y[:30]!r}")
        total += 1
        matched += not diffs
        print(f"{book} [{sheet}]: {'gleich' if not diffs else 'ABWEICHEND ' + '; '.join(diffs[:3])}")
print(f"{matched} von {total} Tabellenblättern Wert für Wert gleich")
