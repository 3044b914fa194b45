#!/usr/bin/env bash
# morvane-cli.exe under Wine as a Windows user runs it. First against the
# Linux build on the same input: the same bytes out, the same words on
# standard error, the same status, for every command. Then what only
# Windows has: NUL and CON, a file name beyond ASCII, a log held open by
# another program while it is replaced, and where the home locator lives.
#   tests/windows_test.sh WINDOWS_BUILD_DIR LINUX_CLI   (WINEPREFIX set, wineserver running)
set -uo pipefail
exe=$(cd "$1" && pwd)/morvane-cli.exe
hold=$(cd "$1" && pwd)/hold_open.exe
linux=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
compared=0
check() {  # check NAME EXPECTED ACTUAL
  if [[ "$2" != "$3" ]]; then
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}
win() { wine "$exe" "$@"; }

# same INPUT ARGS...: both builds run in $work/run with INPUT on standard
# input; standard output, standard error, the status and every file they
# write must be the same bytes.
same() {
  local input=$1; shift
  local side
  for side in linux windows; do
    rm -rf "$work/$side"; cp -r "$work/run" "$work/$side"
    if [[ $side == linux ]]; then
      (cd "$work/$side" && "$linux" "$@" <"$work/$input" >../"$side.out" 2>../"$side.err"; echo $? >../"$side.rc")
    else
      (cd "$work/$side" && win "$@" <"$work/$input" >../"$side.out" 2>../"$side.err"; echo $? >../"$side.rc")
    fi
  done
  compared=$((compared + 1))
  local what
  for what in out err rc; do
    cmp -s "$work/linux.$what" "$work/windows.$what" ||
      check "same $what: $*" "$(head -c 600 "$work/linux.$what")" "$(head -c 600 "$work/windows.$what")"
  done
  diff -r "$work/linux" "$work/windows" >/dev/null || check "same files written: $*" "" "$(diff -rq "$work/linux" "$work/windows")"
}

# What a station has: a batch of positions and locators (some wrong), an
# ADIF log from a logger, an EDI log, and a contest's logs, folder and zip.
mkdir -p "$work/run/contest" "$work/run/Grüße"
: >"$work/empty"
printf '48.8566 2.3522\n-33:52:0 151:12\n51.5N 0.1W\n0 -0.000001\n95 0\nzz\n48 2\n' >"$work/positions"
printf 'JN18EU\nFN20XR55\njn18eu55aa\nXX99\nIO91wm\n' >"$work/locators"
printf 'JN18EU FN20XR\r\nIO91WM,QF56OD\nJN18EU\nAA00AA RR99XX\nFD41GE\tRL90XA\nJJ00 JJ00\nIO91WM KP20LE\n' >"$work/pairs"
# ^Z is a byte like any other (text mode would end the input there), and a
# refusal's words on standard error end in LF, as on Linux.
printf 'JN18EU FN20XR\n\x1a\nIO91WM QF56OD\r\n\x1aKP20LE\n' >"$work/ctrl-z"
{
  printf 'ADIF export from a logger\n<ADIF_VER:5>3.1.4 <PROGRAMID:6>Logger <EOH>\n'
  for g in FN42 FN31pr QF56OD io91wm KP20LE RR99xx JN18EU; do
    printf '<CALL:5>K1ABC <QSO_DATE:8>20261208 <TIME_ON:4>1400 <BAND:3>20m <MODE:3>FT8 <GRIDSQUARE:%d>%s <EOR>\r\n' ${#g} "$g"
  done
  printf '<CALL:4>W1AW <MY_GRIDSQUARE:6>FN31PR <GRIDSQUARE:4>JN18 <EOR>\n<CALL:4>NONE <EOR>\n<CALL:3>BAD <GRIDSQUARE:4>ZZ99 <EOR>\n'
} >"$work/run/log.adi"
cp "$work/run/log.adi" "$work/run/Grüße/Grüße.adi"
printf '[REG1TEST;1]\r\nTName=Test\r\nPCall=OK1AAA\r\nPWWLo=JO65FR\r\nPBand=144 MHz\r\nCQSOs=2;1\r\nCQSOP=1306\r\n[QSORecords;2]\r\n260905;1400;TF3XYZ;1;59;1;59;1;;IP62OA;1302;;;;\r\n260905;1401;DL1ABC;1;59;2;59;2;;JO42LT;4;;;;\r\n[END;x]\r\n' >"$work/run/c.edi"
# A contest of eight stations, each working the others in turn, with a
# busted call, a wrong locator and a log that never came.
python3 - "$work/run/contest" <<'PY'
import sys
calls = ["OK1AAA", "OK1BBB", "OK2CCC", "DL1DDD", "DL2EEE", "SP1FFF", "OM1GGG", "OE1HHH"]
squares = ["JO70AA", "JO70BB", "JN89CC", "JO61DD", "JO62EE", "JO73FF", "JN98GG", "JN88HH"]
for i, call in enumerate(calls[:-1]):
    lines = ["[REG1TEST;1]", "TName=Test contest", f"PCall={call}", f"PWWLo={squares[i]}", "PBand=144 MHz",
             "PSect=SINGLE", "[QSORecords;7]"]
    for n, j in enumerate(j for j in range(len(calls)) if j != i):
        other, square = calls[j], squares[j]
        if i == 2 and n == 1: other = other[:-1] + "X"
        if i == 3 and n == 2: square = square[:4] + "ZZ"
        minute = 1400 + 3 * min(i, j) + max(i, j) // 3
        lines.append(f"260905;{minute};{other};1;59;{n + 1:03d};59;{n + 1:03d};;{square};0;;;;")
    open(f"{sys.argv[1]}/{call.lower()}.edi", "w", newline="\r\n").write("\n".join(lines) + "\n")
PY
(cd "$work/run" && python3 -c 'import zipfile; z = zipfile.ZipFile("zipped.zip", "w"); [z.write("contest/" + n, "logs/" + n) for n in ("ok1aaa.edi", "ok1bbb.edi")]; z.close()')

same locators position
same locators position --json
same positions locator
same positions locator --json --precision 8
same pairs path
same pairs path --json
same pairs path --miles --long
same pairs path --ellipsoid
same ctrl-z path
same empty path JN18EU FN20XR
same empty path --ellipsoid --json QF56OD IO91WM
same empty locator -- -33.8688 151.2093
same empty position JN18 zz
same empty frobnicate
same empty adif --my JN18EU log.adi
same empty adif --my JN18EU --azimuth --ellipsoid -o filled.adi log.adi
same empty adif --my JN18EU --in-place log.adi
same empty adif --my JN18EU no-such.adi
same run/log.adi adif --my JN18EU
same empty edi c.edi
same empty edi --json c.edi
same empty edi --fill -o filled.edi c.edi
same empty edi --fill --in-place c.edi
same empty crosscheck contest
same empty crosscheck --json contest
same empty crosscheck --csv results.csv --html results.html --ubn reports contest
same empty crosscheck --rules "$SOURCE_DIR/contests/iaru-r1-vhf.toml" --csv results.csv contest
same empty crosscheck zipped.zip
same empty crosscheck "Grüße"
same empty rotate --rotator 127.0.0.1:1 --azimuth 10

# A file name beyond ASCII, given as a Windows user types it.
(cd "$work/run/Grüße" && win adif --my JN18EU --in-place 'Grüße.adi' >/dev/null 2>"$work/err")
check "non-ASCII name filled in place" "0 1" "$? $(grep -c 'K1ABC.*DISTANCE' "$work/run/Grüße/Grüße.adi" | head -1 | sed 's/^[1-9][0-9]*$/1/')"

# Devices are written into, not replaced.
cp "$work/run/log.adi" "$work/nul.adi"
(cd "$work" && win adif --my JN18EU -o NUL nul.adi >"$work/out" 2>"$work/err")
check "-o NUL" "0 0" "$? $(wc -c <"$work/out")"
check "-o NUL leaves the log" "" "$(cmp "$work/run/log.adi" "$work/nul.adi")"
(cd "$work/run" && win edi --fill -o nul c.edi >/dev/null 2>&1); check "-o nul (any case)" 0 $?
# CON is the console: written to where there is one (Wine without a
# display has none, and says it cannot be opened); never a file made.
(cd "$work" && win adif --my JN18EU -o CON nul.adi >"$work/out" 2>"$work/err")
check "-o CON" "written" "$( (($? == 0)) || grep -q 'CON: cannot open' "$work/err" && echo written)$(ls "$work" | grep -i '^con')"

# --in-place while another program holds the log open: a viewer that
# shares deletion lets it be replaced; an editor that does not makes the
# fill fail, the log as it was and nothing left beside it.
for holder in viewer editor; do
  cp "$work/run/log.adi" "$work/held.adi"
  coproc HOLD { cd "$work" && wine "$hold" held.adi "$holder"; }
  read -r opened <&"${HOLD[0]}"
  (cd "$work" && win adif --my JN18EU --in-place held.adi >/dev/null 2>"$work/err"); status=$?
  exec {HOLD[1]}>&-; wait "$HOLD_PID" 2>/dev/null
  if [[ $holder == viewer ]]; then
    check "in place, held by a $holder ($opened)" "0 filled" "$status $(grep -q DISTANCE "$work/held.adi" && echo filled)"
  else
    check "in place, held by an $holder ($opened)" "1 unchanged 1" \
      "$status $(cmp -s "$work/run/log.adi" "$work/held.adi" && echo unchanged) $(ls -A "$work" | grep -c '^held')"
    grep -q 'cannot replace the file' "$work/err" || check "in place, held: the reason" "cannot replace the file" "$(cat "$work/err")"
  fi
done

# Ctrl-C (Wine makes it of SIGINT) in the middle of a fill: the temporary
# file beside the output is gone, and the status is STATUS_CONTROL_C_EXIT
# (0xC000013A, of which a POSIX parent sees 0x3A).
mkdir -p "$work/ctrl-c"; mkfifo "$work/ctrl-c/in"
(
  cd "$work/ctrl-c"
  wine "$exe" adif --my JN18EU -o out.adi <in 2>/dev/null & pid=$!
  exec 3>in
  for _ in 1 2 3 4 5 6 7 8; do cat "$work/run/log.adi" >&3; done
  for _ in $(seq 50); do ls -A | grep -q '^\.morvane-' && break; sleep 0.1; done
  kill -INT "$pid"; wait "$pid"; echo "status $? $(ls -A | grep -c '^\.morvane-')" >../ctrl-c.said
  exec 3>&-
)
check "Ctrl-C during a fill" "status 58 0" "$(cat "$work/ctrl-c.said")"

# The home locator: beside a copy unpacked into a folder of the user's; in
# %APPDATA%\morvane for the copy installed into Program Files.
mkdir -p "$work/portable"; cp "$exe" "$work/portable/"
printf '48\r\n51\r\n0\r\nTrue\r\n2\r\n21\r\n0\r\nTrue\r\njn18eu\r\n' >"$work/portable/user.ini"
check "--home beside the unpacked program" $'JN18EU\tFN20XR\t292\t5847\tkm' "$(wine "$work/portable/morvane-cli.exe" path --home FN20XR 2>&1)"
installed="$WINEPREFIX/drive_c/Program Files/Morvane"
appdata=$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
mkdir -p "$installed"; cp "$exe" "$installed/"
wine "$installed/morvane-cli.exe" path --home FN20XR >/dev/null 2>"$work/err"
check "--home installed, nothing saved: the file named is in %APPDATA%" "$appdata\\morvane\\user.ini" \
  "$(grep -o "no home locator saved in .*user.ini" "$work/err" | sed 's/no home locator saved in //')"
# One an administrator put beside the installed program, for every user.
cp "$work/portable/user.ini" "$installed/"
check "--home installed: the administrator's user.ini" $'JN18EU\tFN20XR\t292\t5847\tkm' "$(wine "$installed/morvane-cli.exe" path --home FN20XR 2>&1)"
appdataUnix=$(wine winepath -u "$appdata" 2>/dev/null)
mkdir -p "$appdataUnix/morvane"; printf '48\r\n51\r\n0\r\nTrue\r\n2\r\n21\r\n0\r\nTrue\r\nIO91WM\r\n' >"$appdataUnix/morvane/user.ini"
check "--home installed: %APPDATA%'s user.ini" "$("$linux" path IO91WM FN20XR)" "$(wine "$installed/morvane-cli.exe" path --home FN20XR 2>&1)"
rm -rf "$installed" "$appdataUnix/morvane"

echo "morvane-cli.exe under Wine: $compared commands compared with Linux, $failures failure(s)"
exit $((failures > 0))
