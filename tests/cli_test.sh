#!/usr/bin/env bash
# morvane-cli as a user runs it: exit codes, batch input, --home with and
# without a user.ini, and the WGS84 numbers against GeographicLib's GeodSolve.
#   tests/cli_test.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/morvane-cli" "$work/"  # a copy in a folder of its own, as a user unpacks it
cli=$work/morvane-cli
failures=0
check() {  # check NAME EXPECTED ACTUAL
  if [[ "$2" != "$3" ]]; then
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}

# Exit codes: 0 answered, 1 a case refused, 2 a usage error.
for args in "path JN18EU FN20XR" "--version" "--help" "position JN18 jn18eu55aa"; do
  $cli $args >/dev/null 2>&1; check "exit 0: $args" 0 $?
done
for args in "path JN18EU ZZ99" "locator 95 0" "position JN18EU XX"; do
  $cli $args >/dev/null 2>&1; check "exit 1: $args" 1 $?
done
for args in "" "path --bogus A B" "frobnicate" "locator --precision 7 1 2" "position --miles JN18EU"; do
  $cli $args >/dev/null 2>&1; check "exit 2: $args" 2 $?
done

# Batch: every line answered in order, refused lines in their place.
out=$(printf 'JN18EU FN20XR\nJN18EU\nIO91WM,QF56OD\n' | $cli path 2>"$work/err")
check "batch exit" 1 $?
check "batch output" $'JN18EU\tFN20XR\t292\t5847\tkm\nJN18EU\terror: expected 2 words, got 1 (BASE TARGET)\nIO91WM\tQF56OD\t61\t17011\tkm' "$out"
check "batch error line" "line 2: JN18EU: expected 2 words, got 1 (BASE TARGET)" "$(cat "$work/err")"
check "batch json" '{"input": "zz", "error": "Introduced QRA locator incorrect"}' "$(echo zz | $cli position --json 2>/dev/null)"

# --home reads the user.ini beside the program, as the window program would.
export XDG_CONFIG_HOME=$work/config
$cli path --home FN20XR >/dev/null 2>"$work/err"
check "--home without user.ini" 1 $?
grep -q "no home locator saved" "$work/err" || check "--home message" "no home locator saved" "$(cat "$work/err")"
printf '48\r\n51\r\n0\r\nTrue\r\n2\r\n21\r\n0\r\nTrue\r\njn18eu\r\n' > "$work/user.ini"
check "--home with user.ini" $'JN18EU\tFN20XR\t292\t5847\tkm' "$($cli path --home FN20XR)"

# The WGS84 geodesic matches GeodSolve on the same centres (lat lon order,
# signs and the azimuth's range are what this catches).
if command -v GeodSolve >/dev/null; then
  for pair in "JN18EU FN20XR" "QF56OD IO91WM" "FD41GE RL90XA" "AA00AA RR99XX"; do
    read -r b t <<<"$pair"
    pos() { $cli position "$1" | cut -f10,11 | tr '\t' ' '; }
    read -r azi s12 < <(echo "$(pos "$b") $(pos "$t")" | GeodSolve -i -p 9 | awk '{print $1, $3}')
    expected=$(awk -v a="$azi" -v s="$s12" 'BEGIN { if (a < 0) a += 360; a = sprintf("%.1f", a); if (a == "360.0") a = "0.0"; printf "%s\t%.1f", a, s / 1000 }')
    check "ellipsoid $pair" "$b	$t	$expected	km" "$($cli path --ellipsoid "$b" "$t")"
  done
else
  echo "GeodSolve not installed: the ellipsoid comparison is skipped"
fi

echo "morvane-cli end-to-end: $failures failure(s)"
exit $((failures > 0))
