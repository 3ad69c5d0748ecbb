#!/usr/bin/env bash
# Whole-process comparison of dayscrib-zip with the programs a user would
# measure it against, each started afresh as a script would start it:
#
#   inflate  dayscrib-zip inflate of ~40 MB (system headers and a binary)
#            against gzip -d of the same deflate data, and against
#            libdeflate-gunzip -c (the fastest whole-buffer decoder we know)
#   add      dayscrib-zip add of one entry into an archive of 9,000 members
#            (~14 MB) against cp of that archive followed by sync of the copy:
#            the least any save must do that never changes the archive in place
#   test     dayscrib-zip test of that archive against unzip -t
#
#   bench/compare.sh [BUILD_DIR]      (default: build)
#
# Knobs: DAYSCRIB_ZIP (the tool to measure; default BUILD_DIR/dayscrib-zip),
# RUNS (timed runs of each command, default 15), COMPARE_DIR (where the data
# is made; default a new folder under $TMPDIR or /tmp, which should be on a
# disk, not in memory, for the add row to mean anything).
#
# Ours and the peer run in turn, so a machine whose load changes during the
# run slows both alike; each row gives the median times and their ratio
# (ours / peer: below 1 means ours is faster).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
TOOL=${DAYSCRIB_ZIP:-$BUILD/dayscrib-zip}
RUNS=${RUNS:-15}
[ -x "$TOOL" ] || { echo "compare.sh: no tool at $TOOL (build the dayscrib-zip target)" >&2; exit 2; }
for p in gzip libdeflate-gunzip unzip cp sync python3; do
    command -v "$p" >/dev/null || { echo "compare.sh: $p is needed" >&2; exit 2; }
done

OWN_DIR=
if [ -z "${COMPARE_DIR:-}" ]; then
    OWN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/dayscrib-compare.XXXXXX")
    COMPARE_DIR=$OWN_DIR
    trap 'rm -rf "$OWN_DIR"' EXIT
fi
mkdir -p "$COMPARE_DIR"
cd "$COMPARE_DIR"

# --- data --------------------------------------------------------------------

# 40 MB: system headers in a fixed order, then one binary.
if [ ! -f corpus.gz ]; then
    find /usr/include -type f -name '*.h' -print0 | sort -z |
        python3 -c '
import sys
names = sys.stdin.buffer.read().split(b"\0")
out = open("corpus", "wb")
total = 0
for n in names:
    if not n or total >= 36 << 20:
        continue
    with open(n, "rb") as f:
        data = f.read()
    out.write(data)
    total += len(data)
for b in ("/usr/bin/cmake", "/usr/bin/perl", "/usr/bin/python3", "/bin/bash"):
    try:
        out.write(open(b, "rb").read()[: 4 << 20])
        break
    except OSError:
        pass
'
    gzip -n -6 -c corpus >corpus.gz
    # The raw deflate stream inside: past the 10-byte header (no name, -n),
    # without the 8-byte trailer.
    tail -c +11 corpus.gz | head -c -8 >corpus.deflate
    "$TOOL" inflate <corpus.deflate | cmp -s - corpus ||
        { echo "compare.sh: the tool does not inflate the corpus back" >&2; exit 1; }
fi

# An archive like a long-kept diary: 9,000 entries of RTF-like text.
if [ ! -f diary.zip ]; then
    python3 - <<'EOF'
import random, zipfile
words = ["{\\rtf1\\ansi\\deff0 ", "{\\fonttbl{\\f0 Arial;}}", "\\par ", "\\pard ", "{\\b ", "} ",
         "diary ", "today ", "we ", "walked ", "along ", "the ", "river, ", "rain ",
         "\\'e9t\\'e9 ", "{\\i quiet} ", "evening. "]
alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ."
with zipfile.ZipFile("diary.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(9000):
        r = random.Random(i)
        text = "".join(r.choice(words) for _ in range(130))
        text += "".join(r.choice(alphabet) for _ in range(1450))
        name = "%d/%d/Week%d/%d.rtf" % (1990 + i // 365 % 30, i % 12 + 1, i % 5 + 1, i)
        info = zipfile.ZipInfo(name, (2020, 1, 1, 12, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, text.encode("latin-1"))
EOF
    python3 -c '
import random
r = random.Random(7)
print("{\\rtf1\\ansi " + " ".join(r.choice(["today", "we", "walked", "by", "the", "river"])
                                 for _ in range(500)) + "}")' >entry.rtf
fi

# --- timing ------------------------------------------------------------------

now_us() { # microseconds, from bash's own clock (no process started)
    local t=${EPOCHREALTIME/./}
    echo "$t"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# time_pair NAME OURS PEER: runs both RUNS times in turn (after one warm-up
# each) and prints a row of the table.
time_pair() {
    local name=$1 ours=$2 peer=$3 i t0 t1
    local ours_times=() peer_times=()
    bash -c "$ours" >/dev/null
    bash -c "$peer" >/dev/null
    for ((i = 0; i < RUNS; i++)); do
        t0=$(now_us)
        bash -c "$ours" >/dev/null
        t1=$(now_us)
        ours_times+=($((t1 - t0)))
        t0=$(now_us)
        bash -c "$peer" >/dev/null
        t1=$(now_us)
        peer_times+=($((t1 - t0)))
    done
    local mo mp
    mo=$(printf '%s\n' "${ours_times[@]}" | median)
    mp=$(printf '%s\n' "${peer_times[@]}" | median)
    awk -v n="$name" -v o="$mo" -v p="$mp" -v t="$4" -v peer="$5" \
        'BEGIN { printf "%-8s %10.1f ms %10.1f ms  %-12s %6.2f   %s\n", n, o / 1000, p / 1000, peer, o / p, t }'
}

Q() { printf '%q' "$1"; }
T=$(Q "$TOOL")
echo "tool: $TOOL"
echo "data: $COMPARE_DIR ($(stat -c %s corpus) bytes inflated; diary.zip $(stat -c %s diary.zip) bytes, 9000 members)"
echo "runs: $RUNS each, ours and the peer in turn; medians"
echo
printf '%-8s %13s %13s  %-12s %6s   %s\n' row ours peer "peer is" ratio "target (ours/peer time)"
time_pair inflate "$T inflate <corpus.deflate" "gzip -d -c corpus.gz" "<= 1.0" "gzip -d"
time_pair inflate "$T inflate <corpus.deflate" "libdeflate-gunzip -c corpus.gz" "<= 1.0" \
    "libdeflate-gunzip"
time_pair add "$T add diary.zip '2002\\1\\Week1\\4500.rtf' <entry.rtf" \
    "cp diary.zip diary-copy.zip && sync diary-copy.zip" "<= 1.2" "cp+sync"
time_pair test "$T test diary.zip" "unzip -tq diary.zip" "<= 0.9" "unzip -t"
"$TOOL" test diary.zip >/dev/null || { echo "compare.sh: the archive no longer tests clean" >&2; exit 1; }
unzip -tq diary.zip >/dev/null || { echo "compare.sh: unzip -t rejects the archive" >&2; exit 1; }
