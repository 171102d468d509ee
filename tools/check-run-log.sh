#!/usr/bin/env bash
# Runs the screen saver twice in a throwaway Wine sandbox (tools/wine-sandbox.sh)
# on the demo machine (tools/lib/seed-demo-registry.sh, seed-demo-junk.sh) and
# checks the run log "ZentRun.log" in the backup folder:
#   - run 1 completes while another program (tests/demo/sweep_fixtures.cpp) has a
#     temporary file in use: its block says which registry entry it removed
#     and which dated backup holds it (and that file does), which file it
#     recycled, and that the file in use was left alone because it was;
#   - run 2 is ended by a key press while the junk-file sweep empties a
#     temporary folder of 1,500 files: its block says it was aborted by input
#     and where, and most of the folder's files are still in place (the sweep
#     stops after the file at hand, not after the whole folder);
#   - the file is UTF-8 with a byte-order mark and CR LF line ends, and each
#     run is one block that starts with its header line and has its end line.
#
#   tools/check-run-log.sh build/win64/ZentSaver.scr build/win64/sweep_fixtures.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 2 ] || [ ! -f "$1" ] || [ ! -f "$2" ]; then
    echo "usage: $0 path/to/ZentSaver.scr path/to/sweep_fixtures.exe" >&2
    exit 2
  fi
  command -v xdotool >/dev/null || { echo "$0: xdotool is missing (tools/setup.sh)" >&2; exit 2; }
  exec "$here/wine-sandbox.sh" --copy "$1" --copy "$2" -- "$here/check-run-log.sh" \
    --inside "$(basename "$1")" "$(basename "$2")"
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/report-stop.sh
source "$here/lib/report-stop.sh"
# shellcheck source=tools/lib/seed-demo-registry.sh
source "$here/lib/seed-demo-registry.sh"
# shellcheck source=tools/lib/seed-demo-junk.sh
source "$here/lib/seed-demo-junk.sh"
# shellcheck source=tools/lib/saver-status.sh
source "$here/lib/saver-status.sh"

program="C:\\zent-run\\$2"
holder="C:\\zent-run\\$3"
drive=$ZENT_FIXTURES_DRIVE
log=$(demo_unix_path "$demo_product\\BACKUP\\ZentRun.log")
failures=0
work=$(mktemp -d)

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# expect LABEL FAILURE COMMAND...: the command succeeds.
expect() {
  local label=$1 failure=$2
  shift 2
  if "$@"; then echo "ok   $label"; else fail "$failure"; fi
}

# log_text: the log's lines without the byte-order mark and CR, read to the
# end. A reader that stops at its first match (grep -q, head) must not sit at
# the end of a pipe from the file: the writer before it may then die of
# SIGPIPE, and under pipefail a line that is there reads as missing.
log_text() {
  tr -d '\r' <"$log" | sed '1s/^\xEF\xBB\xBF//'
}

# has_line LABEL TEXT: the log holds a line that is exactly TEXT.
has_line() {
  if grep -qxF -- "$2" <<<"$(log_text)"; then
    echo "ok   $1"
  else
    fail "$1: no line \"$2\""
  fi
}

# run_saver LABEL STATUS: starts the saver and presses a key once its status
# has read a text starting with STATUS; false when it never does (120 s).
run_saver() {
  local label=$1 wanted=$2 status_log="$work/status-$1.txt" pid deadline
  WINEDEBUG=$saver_status_channels wine64 "$program" /S 2>"$status_log" &
  pid=$!
  deadline=$((SECONDS + 120))
  until grep -qF "ZentSaver status: $wanted" "$status_log"; do
    if ! kill -0 "$pid" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
      fail "$label: the status never read \"$wanted...\""
      saver_errors "$status_log"
      kill "$pid" 2>/dev/null || true
      return 1
    fi
    sleep 0.1
  done
  end_saver_with_key "$pid" || fail "$label: the saver did not end on a key press"
  wait "$pid" || true
}

stop_context='seeding the demo machine'
seed_demo >/dev/null
seed_demo_junk >/dev/null
echo held >"$(demo_junk_unix HELD.TMP)"
held_signal='C:\\zent-run\\held.signal'
wine64 "$holder" hold "$drive\\$demo_junk_folder\\HELD.TMP" "$held_signal" &
holder_pid=$!
for _ in $(seq 60); do
  [ -e "$(demo_unix_path "$held_signal")" ] && break
  sleep 0.5
done
[ -e "$(demo_unix_path "$held_signal")" ] || { echo "FAIL the file could not be held open"; exit 1; }

stop_context='run 1'
run_saver completed 'Search completed.'
rm -f "$(demo_unix_path "$held_signal")"
wait "$holder_pid" 2>/dev/null || true

if [ ! -f "$log" ]; then
  echo "FAIL no run log at $demo_product\\BACKUP\\ZentRun.log"
  exit 1
fi
upper_folder="$drive\\$(printf '%s' "$demo_junk_folder" | tr '[:lower:]' '[:upper:]')"
autorun='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
has_line "the option source" "options: the main program's options"
has_line "the removed autorun entry and its backup" \
  "removed value \"ZentDemoGone\" in $autorun - backup: 1.reg #1"
has_line "the recycled file" "recycled $upper_folder\\A.TMP (temporary files)"
has_line "the file in use, left alone" "left alone $upper_folder\\HELD.TMP (temporary files): in use"
dated=$(log_text | sed -n 's/^backup 1\.reg #1 saved as \(.*\.reg\): .*/\1/p')
dated=${dated%%$'\n'*}
if [ -n "$dated" ] && grep -qF '"ZentDemoGone"' \
  <<<"$(iconv -f UTF-16 -t UTF-8 "$(demo_unix_path "$dated")" 2>/dev/null)"; then
  echo "ok   the dated backup the log names ($dated) holds the removed entry"
else
  fail "the log names no dated backup that holds the removed entry (\"$dated\")"
fi

stop_context='run 2'
for d in $(seq 500); do mkdir -p "$ZENT_FIXTURES/zdeep/d$d/a" "$ZENT_FIXTURES/zdeep/d$d/b"; done
big_files=1500
mkdir -p "$ZENT_FIXTURES/zbig/~big"
(cd "$ZENT_FIXTURES/zbig/~big" && touch $(seq -f 'f%04g.txt' "$big_files"))
# The walk shows the folder that holds "~big" just before it sizes and empties it.
run_saver aborted "$drive\\\\zbig\\\\"

has_line "the abort by input and where" "aborted by input during the junk-file sweep"
left=$(find "$ZENT_FIXTURES/zbig/~big" -type f | wc -l)
expect "the key press stopped the temporary folder's deletion ($left of $big_files files left)" \
  "only $left of $big_files files of the temporary folder were left after the key press" \
  test "$left" -ge $((big_files * 2 / 3))
lines=$(wc -l <"$log")
crlf=$(grep -c $'\r$' "$log" || true)
text=$(log_text)
headers=$(grep -c '^=== ZentSaver run started ' <<<"$text" || true)
ends=$(grep -c '^ended ' <<<"$text" || true)
expect "the log starts with the UTF-8 mark" "the log does not start with the UTF-8 mark" \
  test "$(head -c 3 "$log" | od -An -tx1 | tr -d ' ')" = efbbbf
expect "every line ends with CR LF" "$crlf of $lines lines end with CR LF" \
  test "$lines" -gt 0 -a "$crlf" = "$lines"
expect "two runs, each with its header and end line" \
  "$headers header lines and $ends end lines for two runs" test "$headers" = 2 -a "$ends" = 2
expect "the second run ends as aborted" "the last line is not an aborted run's end" \
  grep -q '^ended .* (aborted by input)$' <<<"$(tail -n 1 <<<"$text")"

if [ "$failures" -ne 0 ]; then
  echo "The log:"
  tr -d '\r' <"$log" | sed 's/^/  /'
  exit 1
fi
echo "the run log says what each run removed, left and where input stopped it"
