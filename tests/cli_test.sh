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
SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)  # the shipped contest rules files
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
# Station options checked before anything is opened: a usage error each.
for args in "rotate --rotator x:y --azimuth 10" "rotate --tolerance 200 --azimuth 10" "listen --rotate [::1" \
            "listen --new" "listen --interface lo" "listen --from 10.0.0" "listen --bearing 10" "listen --bearing 361-10" "listen --bearing 10-361" "listen --turn K1ABC" \
            "listen --min-snr 1.5" "path --cq A B"; do
  $cli $args >/dev/null 2>&1; check "exit 2: $args" 2 $?
done
for args in "" "path --bogus A B" "frobnicate" "locator --precision 7 1 2" "position --miles JN18EU" "rotate JN18EU FN20XR --rotator" "listen --group" "listen --port 70000"; do
  $cli $args >/dev/null 2>&1; check "exit 2: $args" 2 $?
done

# The exact cell: a position on a grid line is in the cell north and east of it.
out=$(printf '48 2\n52 4\n0 2\n1 0\n48.5 2.25\n-33:52:0 151:12\n' | $cli locator)
check "exact cells" $'48\t2\tJN18AA\n52\t4\tJO22AA\n0\t2\tJJ10AA\n1\t0\tJJ01AA\n48.5\t2.25\tJN18DM\n-33:52:0\t151:12\tQF56OD' "$out"

# A last line without a line end, ending in CR, reads as the lines before it.
check "batch CR at the end" $'JN18EU\tFN20XR\t292\t5847\tkm' "$(printf 'JN18EU FN20XR\r' | $cli path)"
printf "<CALL:5>K1ABC <GRIDSQUARE:4>FN42 <EOR>\n" >"$work/fd.adi"; $cli adif --my JN18EU -o /dev/fd/ "$work/fd.adi" >/dev/null 2>"$work/err"
check "adif -o /dev/fd/" "1 cannot write: Is a directory; nothing written" "$? $(grep -o 'cannot write.*' "$work/err")"

# Batch: every line answered in order, refused lines in their place.
out=$(printf 'JN18EU FN20XR\nJN18EU\nIO91WM,QF56OD\n' | $cli path 2>"$work/err")
check "batch exit" 1 $?
check "batch output" $'JN18EU\tFN20XR\t292\t5847\tkm\nJN18EU\terror: expected 2 words, got 1 (BASE TARGET)\nIO91WM\tQF56OD\t61\t17011\tkm' "$out"
check "batch error line" "line 2: JN18EU: expected 2 words, got 1 (BASE TARGET)" "$(cat "$work/err")"
check "batch json" '{"input": "zz", "error": "Introduced QRA locator incorrect"}' "$(echo zz | $cli position --json 2>/dev/null)"

# Every --json line of hostile input is JSON: quotes, backslashes, control
# characters, invalid UTF-8 (a surrogate, above U+10FFFF, overlong forms).
hostile=$'"x\n\\y z\n\x01\x1f,\x7f\n\xed\xa0\x80 1\n\xf4\x90\x80\x80\n\xe0\x80\xaf\n\xc0\xaf\n\xff\xfe'
for command in locator position path; do
  printf '%s\n' "$hostile" | $cli $command --json 2>/dev/null \
    | python3 -c 'import json, sys; [json.loads(l.decode()) for l in sys.stdin.buffer]' 2>"$work/err"
  check "json parses: $command" "" "$(cat "$work/err")"
done
check "json quote" '{"input": "\"x", "error": "Introduced QRA locator incorrect"}' "$(printf '"x\n' | $cli position --json 2>/dev/null)"

# Live: an answer goes out as soon as its line is read, before the next one comes.
coproc live { $cli path; }
echo "JN18EU FN20XR" >&"${live[1]}"
read -r -t 10 answer <&"${live[0]}"
check "answer before the next line" $'JN18EU\tFN20XR\t292\t5847\tkm' "$answer"
exec {live[1]}>&-; wait
# Batch lines as they come: 65,536 bytes through a pipe, CR LF, 40,000 lines, a
# negative position that is no option.
for spaces in 65523 65524; do
  out=$( { head -c $spaces /dev/zero | tr '\0' ' '; printf 'JN18EU FN20XR\r\n'; } | $cli path 2>/dev/null | grep -o '292\|longer than 65536')
  check "a line of $((spaces + 13)) bytes" "$([ $spaces = 65523 ] && echo 292 || echo 'longer than 65536')" "$out"
done
check "40,000 piped lines" "40000" "$(yes 'JN18EU FN20XR' | head -40000 | cat | $cli path | wc -l)"
check "a negative position" $'-0.5\t-178.99\tAI09MM' "$($cli locator -0.5 -178.99)"
$cli adif --in-place -o x y >/dev/null 2>&1; check "--in-place with -o" 2 $?

# A batch line is capped: one refused case, the next line still answered.
out=$( { head -c 200000 /dev/zero | tr '\0' ,; printf '\nJN18EU FN20XR\n'; } | $cli path 2>/dev/null)
check "long line" $',,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,...\terror: longer than 65536 bytes\nJN18EU\tFN20XR\t292\t5847\tkm' "$out"
# A NUL byte in a line is echoed whole on standard error.
printf 'a\0b 1\n' | $cli locator >/dev/null 2>"$work/err"
check "NUL echoed" "line 1: a b 1: latitude" "$(tr '\0' ' ' <"$work/err" | cut -c1-23)"
for args in "path --json --header A B" "adif -o '' x" "adif --my '' x"; do
  eval "$cli $args" >/dev/null 2>&1; check "exit 2: $args" 2 $?
done

# ADIF: empty records count, and a failed write says what reached the file.
printf '<EOH><EOR><EOR><CALL:3>ABC <EOR>' | $cli adif --my JN18EU >/dev/null 2>"$work/err"
check "empty records exit" 0 $?
check "empty records summary" "morvane-cli: standard input: 3 records read, 0 distances added, 0 replaced, 0 kept, 1 skipped (no grid 1, bad grid 0, no own grid 0), 0 damaged, 2 empty" "$(cat "$work/err")"
printf '<EOH><GRIDSQUARE:6>FN20XR %02000d<EOR>' 0 > "$work/log.adi"
(ulimit -f 1; $cli adif --my JN18EU -o "$work/out.adi" "$work/log.adi") 2>"$work/err"
check "size limit exit" 1 $?
check "size limit summary" "morvane-cli: $work/log.adi: 1 records read, nothing written" "$(tail -1 "$work/err")"
$cli adif --my JN18EU -o /dev/full "$work/log.adi" 2>"$work/err"
check "full device" "1 incomplete" "$? $(grep -o incomplete "$work/err")"
# A closed pipe stops the reading, even with SIGPIPE ignored.
(trap '' PIPE; { printf '<EOH>'; for i in $(seq 3000); do printf '<GRIDSQUARE:6>FN20XR %0200d<EOR>\n' 0; done; } >"$work/long.adi"
 cat "$work/long.adi" "$work/long.adi" "$work/long.adi" "$work/long.adi" "$work/long.adi" "$work/long.adi" \
   2>/dev/null | $cli adif --my JN18EU 2>"$work/err" | head -c 10 >/dev/null)
check "closed pipe stops the reading" "0 incomplete" "$(grep -c '18000 records' "$work/err") $(grep -o incomplete "$work/err")"
# Whatever the pieces the bytes arrive in, and on one processor, the same bytes, words and status.
{ printf 'Log\n<EOH>\n'; for i in $(seq 2000); do printf '<CALL:4>W1AW <GRIDSQUARE:6>FN31PR <COMMENT:9>%09d<EOR>\r\n' $i; done; } >"$work/feed.adi"
expected="$($cli adif --my JN18EU "$work/feed.adi" 2>&1 | md5sum) 0"
for chunk in 1 7000 65536 131071; do
  got=$(python3 -c 'import os, sys
data = open(sys.argv[1], "rb").read(); n = int(sys.argv[2])
for i in range(0, len(data), n): os.write(1, data[i:i + n])' "$work/feed.adi" $chunk | $cli adif --my JN18EU 2>&1 | sed "s|standard input|$work/feed.adi|" | md5sum)
  check "pieces of $chunk" "$expected" "$got $?"
done
check "one processor" "$expected" "$(taskset -c 0 $cli adif --my JN18EU "$work/feed.adi" 2>&1 | md5sum) $?"
$cli adif --my JN18EU "$work" >/dev/null 2>"$work/err"; check "adif on a directory" "1 Is a directory" "$? $(grep -o 'Is a directory' "$work/err")"
echo 'just text' | $cli adif --my JN18EU >/dev/null 2>"$work/err"
check "not an ADIF log" "1 not an ADIF log" "$? $(grep -o 'not an ADIF log' "$work/err")"
# An in-place fill keeps the set-group-ID and sticky bits.
cp "$work/feed.adi" "$work/bits.adi"; chmod 3664 "$work/bits.adi"
$cli adif --my JN18EU --in-place "$work/bits.adi" 2>/dev/null
check "in place keeps set-group-ID and sticky" "3664" "$(stat -c %a "$work/bits.adi")"

# edi: a check lists what differs and fails; a fill in place makes it pass.
printf '[REG1TEST;1]\r\nPWWLo=JO65FR\r\nCQSOs=2;1\r\nCQSOP=1306\r\n[QSORecords;2]\r\n1;2;TF3XYZ;1;59;1;59;1;;IP62OA;1302;;;;\r\n1;2;DL1ABC;1;59;2;59;2;;JO42LT;4;;;;\r\n[END;x]\r\n' > "$work/c.edi"
out=$($cli edi "$work/c.edi"); check "edi check exit" 1 $?
check "edi check" $'line 7\tDL1ABC\tJO42LT\tclaimed 4\tcomputed 396\t395.9 km\nQSORecords\tclaimed 2\tcomputed 2\tagrees\nCQSOs\tclaimed 2;1\tcomputed 2\tagrees\nCQSOP\tclaimed 1306\tcomputed 1698\tdiffers\n'"$work/c.edi: 2 QSOs read, 2 valid, 1 agree, 1 differ; claimed 1306 points, computed 1698; best DX TF3XYZ IP62OA 1301.6 km (CODXC 1301 or 1302)" "$out"
$cli edi --fill --in-place "$work/c.edi" 2>/dev/null; check "edi fill exit" 0 $?
$cli edi "$work/c.edi" >/dev/null; check "edi after fill" 0 $?
printf '[REG1TEST;1]\nPWWLo=JO65\n' | $cli edi --fill >"$work/out" 2>"$work/err"
check "edi short PWWLo" "1 0 line 2: PWWLo=JO65" "$? $(wc -c <"$work/out") $(grep -o 'line 2: PWWLo=JO65' "$work/err")"
# A contest scored another way: said once, not listed line by line.
{ printf '[REG1TEST;1]\nPWWLo=JO65FR\n[QSORecords;10]\n'; for i in 0 1 2 3 4 5 6 7 8 9; do printf '1;2;A%s;1;59;1;59;1;;JO42LT;2;;;;\n' $i; done; } > "$work/rings.edi"
check "edi another rule" "2 $work/rings.edi: 10 QSOs read, 10 valid, 0 agree, 10 differ; claimed 20 points, computed 3960; best DX A0 JO42LT 395.9 km (CODXC 395 or 396); the claimed points do not follow the km rule: 0 of 10 agree" "$($cli edi "$work/rings.edi" | wc -l) $($cli edi "$work/rings.edi" | tail -1)"
# Exactly half agreeing is still listed line by line.
sed '4,8s/;2;;;;/;396;;;;/' "$work/rings.edi" >"$work/half.edi"
check "edi half agree listed" "5" "$($cli edi "$work/half.edi" | grep -c '^line')"
# A log read from a pipe or a FIFO is read twice as a file is; the fill of
# standard input is the whole log.
check "edi from a pipe" "$($cli edi "$work/half.edi")" "$($cli edi <(cat "$work/half.edi") | sed "s|^/dev/fd/[0-9]*|$work/half.edi|")"
check "edi fill from standard input" "$($cli edi --fill "$work/half.edi" 2>/dev/null | md5sum)" "$(cat "$work/half.edi" | $cli edi --fill 2>/dev/null | md5sum)"
# A refused log is a JSON line with --json; bytes from the log are escaped on a terminal's lines.
check "edi json refusal" '{"file": "standard input", "error": "not a REG1TEST log (no [REG1TEST;1] line)"}' "$(echo x | $cli edi --json 2>/dev/null)"
printf '[REG1TEST;1]\nPWWLo=JO65FR\n[QSORecords;2]\n1;2;A\x1b[2J\x7f;1;59;1;59;1;;JO42LT;3;;;;\nshort;line\n' >"$work/esc.edi"
check "edi control bytes escaped" 'line 4	A\x1b[2J\x7f	JO42LT	claimed 3	computed 396	395.9 km' "$($cli edi "$work/esc.edi" 2>/dev/null | head -1)"
$cli edi --fill "$work/esc.edi" >/dev/null 2>&1; check "edi fill with an unreadable line" 1 $?
# A multiplier too large to score with is refused, unless one is given.
sed 's/^PWWLo=JO65FR/&\nCQSOs=1;1234567/' "$work/half.edi" >"$work/mult.edi"
check "edi multiplier of 7 digits" "1 5" "$($cli edi "$work/mult.edi" >/dev/null 2>&1; echo $?) $($cli edi --band-multiplier 1 "$work/mult.edi" | grep -c '^line' | tr -d '\n'; echo)"
# The copy that a second reading needs cannot be kept: said, never a summary.
(ulimit -f 8; { cat "$work/half.edi"; head -c 20000 /dev/zero | tr '\0' '\n'; } | $cli edi >"$work/out" 2>"$work/err")
status=$?
check "edi copy cannot be kept" "1 1 0" "$status $(grep -c 'cannot keep a copy' "$work/err") $(wc -c <"$work/out")"
$cli edi --fill "$work/rings.edi" >"$work/out" 2>"$work/err"
check "edi fill refuses another rule" "1 0 --scoring km" "$? $(wc -c <"$work/out") $(grep -o -- '--scoring km' "$work/err")"
$cli edi --fill --scoring km "$work/rings.edi" 2>/dev/null | grep -c ';JO42LT;396;' >"$work/out"
check "edi fill --scoring km" "10" "$(cat "$work/out")"
# Claims one point off (int(d), round(d)) are the km rule rounded otherwise: filled, and said.
for claim in "395 1" "790 2"; do
  read -r points mult <<<"$claim"
  sed "s/;2;;;;/;$points;;;;/; s/^PWWLo=JO65FR/&\nCQSOs=10;$mult/" "$work/rings.edi" >"$work/near.edi"
  out=$($cli edi --fill "$work/near.edi" 2>&1 >/dev/null)
  check "edi fill one point off x$mult" "0 10 claims changed (10 within one point" "$? $(grep -o '10 claims changed (10 within one point' <<<"$out")"
done
check "edi one point off listed" 10 "$($cli edi "$work/near.edi" | grep -c '^line')"
# A failed write is never a success, to a device or to standard output.
for target in "-o /dev/full" "> /dev/full"; do
  eval "$cli edi --fill $target \"\$work/c.edi\"" 2>"$work/err"
  check "edi fill $target" "1 incomplete" "$? $(grep -o incomplete "$work/err")"
done
# A name for an open descriptor is written into as it stands: >> appends.
for target in /dev/stdout /dev/fd/1 /proc/self/fd/1; do
  echo earlier >"$work/all.edi"
  $cli edi --fill -o $target "$work/c.edi" >>"$work/all.edi" 2>/dev/null
  status=$?
  check "edi -o $target appends" "0 earlier $(($(wc -l <"$work/c.edi") + 1))" "$status $(head -1 "$work/all.edi") $(wc -l <"$work/all.edi")"
done
# An ACL, its mask and a user attribute survive an in-place fill.
if command -v setfacl >/dev/null && setfacl -m u:nobody:rw "$work/c.edi" 2>/dev/null && setfattr -n user.note -v kept "$work/c.edi" 2>/dev/null; then
  setfattr -n user.empty "$work/c.edi"  # an attribute with no value is kept too
  chmod g-w "$work/c.edi"; setfacl -m u:nobody:rw "$work/c.edi"
  before=$(cd "$work" && getfacl -c c.edi; getfattr -d c.edi)
  $cli edi --fill --in-place "$work/c.edi" 2>/dev/null
  check "edi fill keeps ACL and attributes" "$before" "$(cd "$work" && getfacl -c c.edi; getfattr -d c.edi)"
else
  check "ACLs and user attributes can be set here (acl, attr)" "yes" "no"
fi
# The README's edi session, run as it is written there: each "$ " line a
# command, the lines after it what it prints.
readme=$(dirname "$0")/../README.md
mkdir -p "$work/readme"
session=$(awk '/^    \$ cat contest.edi/ {on = 1} on && !/^    / {exit} on {print substr($0, 5)}' "$readme")
expected="" actual="" cmd=""
run_readme_cmd() {
  [[ -z $cmd ]] && return
  [[ $cmd == "cat contest.edi" ]] && printf '%s' "$body" >"$work/readme/contest.edi"
  actual+="\$ $cmd"$'\n'"$(cd "$work/readme" && PATH=$work:$PATH eval "$cmd" 2>&1)"$'\n'
}
body=""
while IFS= read -r line; do
  if [[ $line == '$ '* ]]; then run_readme_cmd; cmd=${line#\$ }; body=""; else body+="$line"$'\n'; fi
  expected+="$line"$'\n'
done <<<"$session"
run_readme_cmd
check "README edi session" "$expected" "$actual"
[[ $session == *"ready to submit"* ]] || check "README edi session found" yes no

for args in "edi --band-multiplier 0 x" "edi --force x" "edi --fill --scoring ring x" "edi --json --fill x" "edi -o out x" "path --fill A B"; do
  $cli $args >/dev/null 2>&1; check "exit 2: $args" 2 $?
done

# crosscheck over a folder: the JSON line contract (keys, physical line
# numbers past a BOM, blank lines and CRLF or mixed line ends), the reports,
# and a log that cannot be read named while the rest is still checked.
mkdir -p "$work/contest"
printf '\xef\xbb\xbf\n\n[REG1TEST;1]\r\nPCall=OK1AAA\r\nPWWLo=JO70AA\r\nPBand=144 MHz\r\n[QSORecords;1]\r\n260905;1400;OK1BBB;1;59;001;59;001;;JO70BB;8;;;;\r\n' >"$work/contest/a.edi"
printf '[REG1TEST;1]\nPCall=OK1BBB\nPWWLo=JO70BB\r\nPBand=145\n[QSORecords;1]\r\n260905;1403;OK1AAA;1;59;001;59;001;;JO70AA;8;;;;\n' >"$work/contest/b.edi"
out=$($cli crosscheck --json --csv "$work/r.csv" --html "$work/r.html" --ubn "$work/ubn" "$work/contest")
check "crosscheck exit" 0 $?
check "crosscheck json line" '{"file": "a.edi", "line": 8, "call": "OK1BBB", "verdict": "ok", "match_file": "b.edi", "match_line": 6, "points": 8, "penalty": 0, "reason": "confirmed by b.edi line 6"}' "$(head -1 <<<"$out")"
check "crosscheck json table" '"rank": 1, "qsos": 1, "claimed": 8, "cqsop": null, "checked": 8' "$(sed -n 3p <<<"$out" | grep -o '"rank.*"checked": 8')"
check "crosscheck csv" 2 "$(grep -c '^144 MHz,2026-09-05,[12],OK1' "$work/r.csv")"
check "crosscheck csv, a header per column" "32 32" "$(head -1 "$work/r.csv" | tr -d '\r' | awk -F, '{print NF}') $(sed -n 2p "$work/r.csv" | tr -d '\r' | awk -F, '{print NF}')"
check "crosscheck html, only its own sorting script" "2 1 0" "$(grep -c '<td>OK1\|<td><a href="ubn/OK1' "$work/r.html") $(grep -o '<script' "$work/r.html" | wc -l) $(grep -ci 'src=' "$work/r.html")"
check "crosscheck html links each log's report" '<a href="ubn/OK1AAA_144_MHz.html">OK1AAA</a> yes' \
  "$(grep -o '<a href="[^"]*">OK1AAA</a>' "$work/r.html") $([ -f "$work/ubn/OK1AAA_144_MHz.html" ] && echo yes)"
check "crosscheck html headers, one per column" "16 16" "$(grep -o '<th>' "$work/r.html" | wc -l) $(grep -m1 '<tr><td>' "$work/r.html" | grep -o '<td>' | wc -l)"
check "crosscheck ubn" "OK1AAA_144_MHz.html OK1AAA_144_MHz.txt OK1BBB_144_MHz.html OK1BBB_144_MHz.txt" "$(ls "$work/ubn" | tr '\n' ' ' | sed 's/ $//')"
# The manager's band for a log, by its name in the folder: it leaves the other's set.
check "crosscheck --band" "== 144 MHz, 2026-09-05: 1 log == 432 MHz, 2026-09-05: 1 log" \
  "$($cli crosscheck --band b.edi=432 "$work/contest" 2>/dev/null | grep '^==' | tr '\n' ' ' | sed 's/ $//')"
# One report per station and band: a superseded log (sorted last, none of its QSOs confirmed) writes none over the one used;
# the same station in another contest gets the contest's date; two that would share a name write nothing.
cp -r "$work/contest" "$work/twice"
sed 's/;OK1BBB;/;OK1ZZZ;/' "$work/contest/a.edi" >"$work/twice/z.edi"
sed 's/^260905/261003/' "$work/contest/a.edi" >"$work/twice/later-a.edi"
sed 's/^260905/261003/' "$work/contest/b.edi" >"$work/twice/later-b.edi"
$cli crosscheck --ubn "$work/ubn2" "$work/twice" >/dev/null 2>&1
check "crosscheck ubn, superseded and later" "OK1AAA_144_MHz_2026-09-05.txt OK1AAA_144_MHz_2026-10-03.txt OK1BBB_144_MHz_2026-09-05.txt OK1BBB_144_MHz_2026-10-03.txt checked score 8" \
  "$(ls "$work/ubn2" | grep txt | tr '\n' ' ')$(grep -o 'checked score [0-9]*' "$work/ubn2/OK1AAA_144_MHz_2026-09-05.txt")"
mkdir -p "$work/clash"
sed 's/PCall=OK1AAA/PCall=OK1AAA\/P/' "$work/contest/a.edi" >"$work/clash/p1.edi"
sed 's/PCall=OK1AAA/PCall=OK1AAA-P/' "$work/contest/a.edi" >"$work/clash/p2.edi"
for target in "--csv /dev/full" "--html /dev/full" "--ubn /proc/morvane-none" "--json"; do
  out=/dev/null; [ "$target" = --json ] && out=/dev/full
  $cli crosscheck $target "$work/contest" >$out 2>/dev/null
  check "crosscheck $target that cannot be written" 1 $?
done
$cli crosscheck --ubn "$work/ubn3" "$work/clash" >/dev/null 2>"$work/err"
check "crosscheck ubn names that clash" "1 would both be OK1AAA-P_144_MHz.txt; no report written" \
  "$? $(grep -o 'would both be .*' "$work/err")$(ls "$work/ubn3" 2>/dev/null)"
# A corrected log sent later, with fewer lines, is the one used (or, by the contest's rule, the longer one); the other is not ranked.
mkdir -p "$work/resent"
cp "$work/contest/b.edi" "$work/resent/b.edi"
sed 's/^\(260905;1400;OK1BBB.*\)$/\1\n260905;1500;OK1CCC;1;59;002;59;002;;JO70CC;8;;;;\r/' "$work/contest/a.edi" >"$work/resent/a-first.edi"
cp "$work/contest/a.edi" "$work/resent/a-corrected.edi"
touch -d '2026-09-06 10:00' "$work/resent/a-first.edi"
touch -d '2026-09-07 10:00' "$work/resent/a-corrected.edi"
for policy in "newest a-corrected" "most-lines a-first"; do
  set -- $policy
  $cli crosscheck --resubmission "$1" --csv "$work/resent.csv" "$work/resent" >/dev/null 2>&1
  check "crosscheck --resubmission $1" "$2 unranked" "$($cli crosscheck --resubmission "$1" --json "$work/resent" 2>/dev/null |
    grep '"log": ' | grep -o '"log": "a-[a-z]*.edi".*"rank": [0-9][0-9]*' | sed 's/"log": "\(a-[a-z]*\).edi".*/\1/') $(grep -c '^144 MHz,2026-09-05,,OK1AAA' "$work/resent.csv" | sed 's/^1$/unranked/')"
done
check "crosscheck --band-multiplier by band" '"points": 24' "$($cli crosscheck --json --band-multiplier 432=5,144=3,1.3GHz=10 "$work/contest" | head -1 | grep -o '"points": [0-9]*')"
check "crosscheck --band-multiplier" '"points": 16' "$($cli crosscheck --json --band-multiplier 2 "$work/contest" | head -1 | grep -o '"points": [0-9]*')"
echo "not a log" >"$work/contest/c.edi"
$cli crosscheck "$work/contest" >"$work/out" 2>"$work/err"
check "crosscheck with a log it cannot read" "1 intake: c.edi: not a REG1TEST log 1" "$? $(grep -o 'intake: c.edi: not a REG1TEST log' "$work/err") $(grep -c '^1	OK1' "$work/out")"
# A manager's folder as entrants fill it: logs as .txt, .edi.bak and inside a .zip, found
# by their content; everything else listed with why; a 2 GB junk file never read whole.
mkdir -p "$work/intake/mail"
log() { printf '[REG1TEST;1]\nPCall=%s\nPWWLo=%s\nPBand=144 MHz\n[QSORecords;1]\n260905;1400;%s;1;59;001;59;001;;%s;8;;;;\n' "$@"; }
log OK1AAA JO70AA OK1BBB JO70BB >"$work/intake/ok1aaa.txt"
log OK1BBB JO70BB OK1AAA JO70AA >"$work/intake/mail/ok1bbb.edi.bak"
log OK1CCC JO70CC OK1AAA JO70AA >"$work/c.edi"
(cd "$work" && python3 -c 'import zipfile; z = zipfile.ZipFile("intake/logs.zip", "w"); z.write("c.edi", "in zip/ok1ccc.edi"); z.writestr("readme.txt", "hello"); z.close()')
echo "see you" >"$work/intake/notes.pdf"
truncate -s 2G "$work/intake/junk.bin"
mkfifo "$work/intake/pipe"
printf '[REG1TEST;1]\n' >"$work/intake/huge.edi" && truncate -s 70M "$work/intake/huge.edi"
/usr/bin/time -f %M -o "$work/rss" $cli crosscheck "$work/intake" >"$work/out" 2>"$work/err"
rc=$?
check "crosscheck intake, a log too large" "intake: huge.edi: starts like a log but holds 70 MB, more than any log (64 MB)" \
  "$(grep -o 'intake: huge.edi: .*' "$work/err")"
check "crosscheck intake" "1 3 logs" "$rc $(grep -o '^== 144 MHz, 2026-09-05: 3 logs' "$work/out" | grep -o '3 logs')"
check "crosscheck intake report" "intake: junk.bin: not a REG1TEST log|intake: logs.zip/readme.txt: not a REG1TEST log|intake: notes.pdf: not a REG1TEST log|intake: pipe: not a regular file" \
  "$(grep -o 'intake: [^ ]*: not a [A-Za-z0-9]* [a-z]*' "$work/err" | paste -sd'|')"
check "crosscheck reads no junk whole" yes "$([ "$(tail -1 "$work/rss")" -lt 60000 ] && echo yes || cat "$work/rss")"
# Ranks within each section; a check log listed, never ranked; a PSect matching no section named.
mkdir -p "$work/sections"
for who in "OK1AAA JO70AA SO" "OK1BBB JO70BB MULTI-OP" "OK1CCC JO70CC CHECKLOG" "OK1DDD JO70DD Single op" "OK1EEE JO70EE Veteran"; do
  set -- $who
  printf '[REG1TEST;1]\nPCall=%s\nPWWLo=%s\nPSect=%s\nPBand=144 MHz\n[QSORecords;1]\n260905;1400;OK1ZZZ;1;59;001;59;001;;JO70ZZ;8;;;;\n' "$1" "$2" "${*:3}" >"$work/sections/$1.edi"
done
check "crosscheck sections" "OK1AAA SINGLE 1|OK1BBB MULTI 1|OK1CCC CHECK -|OK1DDD SINGLE 2|OK1EEE Veteran 1|PSect=Veteran matches no section" \
  "$($cli crosscheck --csv /dev/stdout "$work/sections" 2>"$work/err" | awk -F, 'NR > 1 && $4 ~ /^OK1/ {print $4, $6, ($3 == "" ? "-" : $3)}' | sort | paste -sd'|')|$(grep -o 'PSect=Veteran matches no section' "$work/err")"
# The shipped rules files on a small contest each: the 11:00 QSO (OK Activity counts it), a locator
# OK1AAA copied wrongly (the IARU text costs both sides, the Czech rules the receiver); options override.
mkdir -p "$work/rules"
printf '[REG1TEST;1]\nPCall=OK1AAA\nPWWLo=JO70AA\nPBand=144 MHz\n[QSORecords;2]\n260905;1100;OK1BBB;1;59;001;59;001;;JO70BB;2;;;;\n260905;1030;OK1CCC;1;59;002;59;001;;JO70CX;2;;;;\n' >"$work/rules/a.edi"
printf '[REG1TEST;1]\nPCall=OK1BBB\nPWWLo=JO70BB\nPBand=144 MHz\n[QSORecords;1]\n260905;1100;OK1AAA;1;59;001;59;001;;JO70AA;2;;;;\n' >"$work/rules/b.edi"
printf '[REG1TEST;1]\nPCall=OK1CCC\nPWWLo=JO70CC\nPBand=144 MHz\n[QSORecords;1]\n260905;1030;OK1AAA;1;59;001;59;002;;JO70AA;2;;;;\n' >"$work/rules/c.edi"
verdicts() { $cli crosscheck --json "$@" "$work/rules" 2>/dev/null | grep -o '"file": "[abc].edi", "line": [0-9]*, "call": "[A-Z0-9]*", "verdict": "[a-z_]*"' | sed 's/.*"file": "\(.\).edi".*"verdict": "\(.*\)"/\1:\2/' | paste -sd' '; }
for case in "ok-activity|a:ok a:busted_locator b:ok c:ok" "iaru-r1-vhf|a:ok a:busted_locator b:ok c:busted_locator" "czech-national|a:ok a:busted_locator b:ok c:ok"; do
  check "crosscheck --rules ${case%%|*}" "${case#*|}" "$(verdicts --rules "$SOURCE_DIR/contests/${case%%|*}.toml")"
done
check "crosscheck --rules, an option over it" "a:outside_period a:busted_locator b:outside_period c:ok" \
  "$(verdicts --rules "$SOURCE_DIR/contests/ok-activity.toml" --end-minute excluded)"
check "crosscheck, two periods" "a:outside_period a:busted_locator b:outside_period c:ok|a:ok a:busted_locator b:ok c:ok" \
  "$(verdicts --period 10:00-10:45 | paste -sd' ')|$(verdicts --period 10:00-10:45,11:00-12:00 --duplicates per-period)"
for bad in "--period 10:00-10:45,1100" "--period 10:00-11:00 --duplicates per-period" "--duplicates twice"; do
  $cli crosscheck $bad "$work/rules" >/dev/null 2>&1
  check "crosscheck $bad refused" 2 $?
done
# The entrant's report: lists by verdict, the partners who copied it wrongly, a "no log" partner's
# log on another band named, no other entrant's file names; a text file and an HTML page.
cp -r "$work/rules" "$work/ubnc"
printf '[REG1TEST;1]\nPCall=OK1DDD\nPWWLo=JO70DD\nPBand=432 MHz\n[QSORecords;1]\n260905;1500;OK1AAA;1;59;001;59;001;;JO70AA;2;;;;\n' >"$work/ubnc/d432.edi"
sed -i 's/^\[QSORecords;2\]$/[QSORecords;3]/; $a 260905;1040;OK1DDD;1;59;003;59;001;;JO70DD;2;;;;' "$work/ubnc/a.edi"
$cli crosscheck --rules "$SOURCE_DIR/contests/czech-national.toml" --ubn "$work/ubnc-out" "$work/ubnc" >/dev/null 2>&1
check "crosscheck ubn copied wrongly" "Stations that copied you wrongly (their loss, not yours)|  OK1AAA logged 260905 1030 OK1CCC, sent 59 002, received 59 001 JO70CX: received JO70CX, OK1CCC sent JO70CC" \
  "$(sed -n '/copied you wrongly/,$p' "$work/ubnc-out/OK1CCC_144_MHz.txt" | paste -sd'|')"
check "crosscheck ubn summary as the results" "$($cli crosscheck --csv /dev/stdout --rules "$SOURCE_DIR/contests/czech-national.toml" "$work/ubnc" 2>/dev/null | awk -F, '$4 == "OK1AAA" {print "reduction " $13 "%) error rate " $14 "%)"}')" \
  "$(grep -o 'reduction [-0-9.]*%)' "$work/ubnc-out/OK1AAA_144_MHz.txt") $(grep -o 'error rate [0-9.]*%)' "$work/ubnc-out/OK1AAA_144_MHz.txt")"
check "crosscheck ubn another band" "OK1DDD sent a log for 432 MHz, none for 144 MHz" "$(grep -o 'OK1DDD sent a log for [^;]*' "$work/ubnc-out/OK1AAA_144_MHz.txt")"
check "crosscheck ubn names no files" "0 4" "$(cat "$work/ubnc-out"/*.txt | grep -c '\.edi') $(grep -c '<li>' "$work/ubnc-out/OK1CCC_144_MHz.html")"
# The published columns: the claimed score from CToSc, the ODX among the QSOs that scored, NILs caused.
cp -r "$work/rules" "$work/published"
sed -i 's/^PBand=144 MHz$/PBand=144 MHz\nCToSc=42/' "$work/published/a.edi"
printf '260905;1045;OK1EEE;1;59;004;59;001;;JO70EE;2;;;;\n' >>"$work/published/c.edi"
printf '[REG1TEST;1]\nPCall=OK1EEE\nPWWLo=JO70EE\nPBand=144 MHz\n[QSORecords;1]\n260905;1050;OK1ZZZ;1;59;001;59;001;;JO70ZZ;2;;;;\n' >"$work/published/e.edi"
check "crosscheck published columns" "OK1AAA claimed 42 odx OK1BBB JO70BB|OK1BBB nils_caused 0|OK1EEE nils_caused 1" \
  "$($cli crosscheck --csv /dev/stdout "$work/published" 2>/dev/null | awk -F, '$4 == "OK1AAA" {print $4, "claimed", $9, "odx", $15, $16} $4 == "OK1EEE" || $4 == "OK1BBB" {print $4, "nils_caused", $18}' | sort | paste -sd'|')"
cp -r "$work/rules" "$work/reports"
sed -i 's/;59;002;;JO70AA;/;55;002;;JO70AA;/' "$work/reports/c.edi"  # OK1CCC heard 55 where OK1AAA sent 59
check "crosscheck --rules, --no-report-check over it" "busted_exchange ok" \
  "$(for o in "" --no-report-check; do $cli crosscheck --json --rules "$SOURCE_DIR/contests/czech-national.toml" $o "$work/reports" 2>/dev/null | grep -o '"file": "c.edi".*"verdict": "[a-z_]*"' | grep -o '[a-z_]*"$' | tr -d '"'; done | paste -sd' ')"
# A rules file's own sections: a check log listed unranked, and a section ranked on all bands,
# each band's total with its multiplier (432 x5: 8 + 40).
mkdir -p "$work/allbands"
for l in "a144 OK1AAA JO70AA Single-op 144 1000 OK1BBB JO70BB" "a432 OK1AAA JO70AA SO 432 1010 OK1BBB JO70BB" \
         "b144 OK1BBB JO70BB SO 144 1000 OK1AAA JO70AA" "b432 OK1BBB JO70BB SO 432 1010 OK1AAA JO70AA" \
         "c144 OK1CCC JO70CC CHECKLOG 144 1020 OK1AAA JO70AA"; do
  set -- $l
  printf '[REG1TEST;1]\nPCall=%s\nPWWLo=%s\nPSect=%s\nPBand=%s MHz\n[QSORecords;1]\n260905;%s;%s;1;59;001;59;001;;%s;2;;;;\n' "$2" "$3" "$4" "$5" "$6" "$7" "$8" >"$work/allbands/$1.edi"
done
printf 'period = ["10:00-10:05", "10:10-10:15"]\n[band-multiplier]\n"432" = 5\n[[section]]\nname = "SO"\npsect = ["SO", "SINGLE*"]\nall-bands = true\n[[section]]\nname = "Check"\npsect = "*CHECK*"\nranked = false\n' >"$work/allbands.toml"
check "crosscheck --rules, sections and all bands" "|OK1CCC|Check|results, All bands, 2026-09-05, SO:|1|OK1AAA|SO|144 MHz + 432 MHz|4|48|2|OK1BBB|SO|144 MHz + 432 MHz|4|48" \
  "$($cli crosscheck --rules "$work/allbands.toml" "$work/allbands" 2>/dev/null | awk -F'\t' '$2 == "OK1CCC" {print $1 "|" $2 "|" $4} /^results, All/ {print; a = 1; next} a && NR > 1 && $1 ~ /^[0-9]/ {print $1 "|" $2 "|" $4 "|" $5 "|" $7 "|" $10}' | paste -sd'|')"
check "crosscheck --json, all bands" '{"all_bands": "All bands, 2026-09-05, SO", "rank": 1, "call": "OK1AAA", "locator": "JO70AA", "section": "SO", "bands": "144 MHz + 432 MHz", "qsos": 2, "claimed": 4, "checked": 48, "penalty": 0, "total": 48}' \
  "$($cli crosscheck --json --rules "$work/allbands.toml" "$work/allbands" 2>/dev/null | grep -m1 '"all_bands"')"
printf 'name = "X"\nloosers = "both"\n' >"$work/bad.toml"
$cli crosscheck --rules "$work/bad.toml" "$work/rules" >/dev/null 2>"$work/err"
check "crosscheck --rules, a misspelt key" "2 loosers is no rule" "$? $(grep -o 'loosers is no rule' "$work/err")"
printf 'name = "X\n' >"$work/bad.toml"
$cli crosscheck --rules "$work/bad.toml" "$work/rules" >/dev/null 2>"$work/err"
check "crosscheck --rules, not TOML" "2 bad.toml:1:" "$? $(grep -o 'bad.toml:1:' "$work/err")"
check "crosscheck json, the contest last" '{"contest": "OK Activity", "rules": "The OK Activity rules: 08:00-11:00 UTC, the end minute counted, ring scoring", "rules_file": "'"$SOURCE_DIR"'/contests/ok-activity.toml", "sets": [{"band": "144 MHz", "date": "2026-09-05", "logs": 3}]}' \
  "$($cli crosscheck --json --rules "$SOURCE_DIR/contests/ok-activity.toml" "$work/rules" 2>/dev/null | tail -1)"
# Header text in the loggers' code pages shown as UTF-8; a file name that is no UTF-8 still found from the JSON.
mkdir -p "$work/pages"
printf '[REG1TEST;1]\nTName=Provozn\xed aktiv\nPCall=OK1AAA\nPWWLo=JO70AA\nPSect=Jednotlivec \xe8\xed\xf8\nPBand=144 MHz\n[QSORecords;1]\n260905;1400;DL1BBB;1;59;001;59;001;;JO50BB;8;;;;\n' >"$work/pages/ok1aaa.edi"
printf '[REG1TEST;1]\nPCall=DL1BBB\nPWWLo=JO50BB\nPSect=Einmann \xe4\xf6\xfc\nPBand=144 MHz\n[QSORecords;1]\n260905;1400;OK1AAA;1;59;001;59;001;;JO70AA;8;;;;\n' >"$work/pages/dl1bbb-$(printf '\xe4').edi"
$cli crosscheck --json --csv "$work/pages.csv" --html "$work/pages.html" "$work/pages" >"$work/pages.json" 2>/dev/null
check "crosscheck html title" "<title>Provozní aktiv results</title>" "$(grep -o '<title>.*</title>' "$work/pages.html")"
check "crosscheck code pages" "Jednotlivec číř|Einmann äöü|found" "$(python3 -c '
import json, os, sys
rows = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
sections = sorted({r["section"] for r in rows if "section" in r}, reverse=True)
files = [r["log"] for r in rows if "section" in r]
print("|".join(sections + ["found" if all(os.path.exists(os.path.join(sys.argv[2], f)) for f in files) else "lost"]))
' "$work/pages.json" "$work/pages")"
check "crosscheck csv code pages" 1 "$(grep -c 'Jednotlivec číř' "$work/pages.csv")"
# Every byte of the upper half as Windows-1250 (a Czech call) and Windows-1252 (a German one) decode it.
for who in "OK1AAA cp1250" "DL1BBB cp1252"; do
  set -- $who
  printf '[REG1TEST;1]\nPCall=%s\nPWWLo=JO70AA\nPBand=144 MHz\nPSect=' "$1" >"$work/pages2.edi"
  python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(0x80, 0x100)))' >>"$work/pages2.edi"
  printf '\n[QSORecords;1]\n260905;1400;OK1ZZZ;1;59;001;59;001;;JO70ZZ;8;;;;\n' >>"$work/pages2.edi"
  check "crosscheck $2" same "$($cli crosscheck --json "$work/pages2.edi" 2>/dev/null | python3 -c '
import json, sys
psect = [json.loads(l)["psect"] for l in sys.stdin if "psect" in l][0]
print("same" if psect == bytes(range(0x80, 0x100)).decode(sys.argv[1], errors="replace") else repr(psect))' "$2")"
done
mkdir -p "$work/empty"
$cli crosscheck "$work/empty" >/dev/null 2>"$work/err"
check "crosscheck of a folder without logs" "1 no REG1TEST logs in it" "$? $(grep -o 'no REG1TEST logs in it' "$work/err")"
for args in "crosscheck" "crosscheck --tolerance x d" "crosscheck --loser me d" "crosscheck --penalty dup=1 d" "crosscheck --scoring rings d" "crosscheck --period 8-11 d" "crosscheck --period 14:00-14:00 d" "crosscheck --end-minute counts d" "crosscheck --period 08:00-11:00 --end-minute yes d" "crosscheck --band-multiplier 14=3 d" "crosscheck --band-multiplier 432=x d" "crosscheck --resubmission last d" "crosscheck --band typo.edi=14 d" "crosscheck --band 144 d" "path --tolerance 5 A B" "path --no-report-check A B" "crosscheck --fill d"; do
  $cli $args >/dev/null 2>&1; check "exit 2: $args" 2 $?
done

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
  # scripts/deps installs it: a machine without it has not been set up.
  check "GeodSolve installed (geographiclib-tools)" "yes" "no"
fi

echo "morvane-cli end-to-end: $failures failure(s)"
exit $((failures > 0))
