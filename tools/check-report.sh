#!/usr/bin/env bash
# Checks the dry-run report against the saver in a throwaway Wine sandbox
# (tools/wine-sandbox.sh): the demo's orphans, keepers and junk are planted
# (tools/lib/seed-demo-registry.sh, tools/lib/seed-demo-junk.sh), then
#   - "ZentReport.exe --main-program --json" ends with 0 and changes nothing:
#     every planted entry and file is still there, the recycle bin is empty;
#   - the saver runs ("/S", as tools/run-saver.sh starts it) until its status
#     reads "Search completed.";
#   - what the report listed for removal is exactly what the saver removed:
#     the values of the list keys and the subkeys of the program keys that
#     went are the listed ones, every other listed entry is gone or emptied,
#     and the junk files gone into the recycle bin are the listed ones (a
#     listed temporary folder with all it held); every demo orphan was listed,
#     no keeper;
#   - bad input ends with a message and a non-zero exit: an unknown flag (2),
#     a drive that does not exist (2), a missing options key (1).
#
#   tools/check-report.sh build/win64/ZentReport.exe build/win64/ZentSaver.scr
#
# The demo's text report is left in report.txt beside ZentReport.exe.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 2 ] || [ ! -f "$1" ] || [ ! -f "$2" ]; then
    echo "usage: $0 path/to/ZentReport.exe path/to/ZentSaver.scr" >&2
    exit 2
  fi
  for tool in xdotool python3; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing (tools/setup.sh)" >&2; exit 2; }
  done
  # The demo's text report is left beside the report program (report.txt).
  exec "$here/wine-sandbox.sh" --copy "$1" --copy "$2" --output "$(cd "$(dirname "$1")" && pwd)" -- \
    "$here/check-report.sh" \
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

report="C:\\zent-run\\$2"
saver="C:\\zent-run\\$3"
work=$(mktemp -d)
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# The keys whose removals can be counted one by one: category index, key,
# whether the saver removes a value or a subkey, and the finding's text that
# names it (as in the repair's table).
counted_keys=(
  "3|HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs|value|target"
  "5|HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run|value|name"
  "6|HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts|value|name"
  "8|HKLM\\SOFTWARE\\Microsoft\\Windows\\Help|value|name"
  "9|HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths|key|name"
  "4|HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall|key|key"
  "1|HKCR\\CLSID|key|key"
  "2|HKCR\\TypeLib|key|key"
)

# The value names or subkey names of a key in one view (64 or 32), one a
# line, upper-cased.
key_contents() {
  local key=$1 kind=$2 view=$3 output
  # A failed query is asked once more: one failed start of the registry tool
  # must not read as a key emptied.
  output=$(wine64 "$ZENT_REG" query "$key" "/reg:$view" 2>/dev/null | tr -d '\r') ||
    output=$(wine64 "$ZENT_REG" query "$key" "/reg:$view" 2>/dev/null | tr -d '\r') || return 0
  if [ "$kind" = value ]; then
    printf '%s\n' "$output" | awk -F '    ' '/    REG_/ { print $2 }'
  else
    # A key without subkeys (as the 32-bit view's may be) lists none.
    printf '%s\n' "$output" | { grep -i "^HKEY_[^\\]*\\\\" || true; } | sed 's/.*\\//'
  fi | tr '[:lower:]' '[:upper:]' | sort -u
}

snapshot_keys() {
  local row index key kind
  for row in "${counted_keys[@]}"; do
    IFS='|' read -r index key kind _ <<<"$row"
    key_contents "$key" "$kind" 64 >"$work/$1.$index"
    key_contents "$key" "$kind" 32 >"$work/$1.$index.32"
  done
}

# Every file below the demo's junk folder, as the report writes paths.
snapshot_junk() {
  (cd "$ZENT_FIXTURES" && find "$demo_junk_folder" -mindepth 1) |
    sed "s|^|${ZENT_FIXTURES_DRIVE}\\\\|; s|/|\\\\|g" | tr '[:lower:]' '[:upper:]' | sort >"$work/$1.junk"
}

trash_count() { find "$ZENT_TRASH/files" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }

run_report() {
  local status=0
  wine64 "$report" "$@" >"$work/out" 2>"$work/err" || status=$?
  tr -d '\r' <"$work/out" >"$work/out.txt"
  return "$status"
}

# expect_exit LABEL CODE ARGS...: ends with CODE and a message on stderr.
expect_exit() {
  local label=$1 code=$2 status=0
  shift 2
  run_report "$@" || status=$?
  if [ "$status" -ne "$code" ]; then
    fail "$label: exit code $status, not $code"
  elif [ ! -s "$work/err" ] || [ -s "$work/out.txt" ]; then
    fail "$label: no message on stderr, or a report on stdout"
  else
    echo "ok   $label: exit code $code, \"$(head -n 1 "$work/err" | tr -d '\r')\""
  fi
}

wait_for_completion() {
  local pid=$1 log=$2 deadline=$((SECONDS + 120))
  while [ "$SECONDS" -lt "$deadline" ]; do
    kill -0 "$pid" 2>/dev/null || return 1
    saver_status_reached "$log" 'Search completed.' && return 0
    sleep 0.5
  done
  return 1
}

run_saver() {
  local log="$work/saver.log" pid _
  WINEDEBUG=$saver_status_channels wine64 "$saver" /S 2>"$log" &
  pid=$!
  if wait_for_completion "$pid" "$log"; then
    echo "ok   the saver's run completed"
  else
    fail "the saver did not complete its run"
    saver_errors "$log"
  fi
  end_saver_with_key "$pid" || true
  wait "$pid" 2>/dev/null || true
}

# Compares the report's JSON with what went; prints FAIL lines.
compare() {
  local rows=()
  local row
  for row in "${counted_keys[@]}"; do rows+=("$row"); done
  python3 - "$work" "${rows[@]}" <<'EOF'
import json, os, sys
work, rows = sys.argv[1], sys.argv[2:]
report = json.load(open(os.path.join(work, "report.json"), encoding="utf-8"))
def lines(name):
    path = os.path.join(work, name)
    return set(l for l in open(path, encoding="utf-8", errors="replace").read().split("\n") if l)
listed = {}
for category in report["categories"]:
    for entry in category["entries"]:
        if entry["remove"]:
            listed.setdefault((category["kind"], category["index"]), []).append(entry)
failures = 0
def fail(text):
    global failures
    failures += 1
    print("FAIL " + text)
counted = set()
for row in rows:
    index, key, kind, field = row.split("|")
    counted.add(int(index))
    went = lines("before.%s" % index) - lines("after.%s" % index)
    # A key both views share shows what went in each; the 64-bit view has it.
    went32 = lines("before.%s.32" % index) - lines("after.%s.32" % index) - went
    entries = listed.get(("registry", int(index)), [])
    for view, gone, chosen in ((64, went, False), (32, went32, True)):
        names = set(e[field].upper() for e in entries if e.get("view32", False) == chosen)
        if gone != names:
            fail("%s (%d-bit view): removed %s, listed %s" % (key, view, sorted(gone), sorted(names)))
        else:
            print("ok   %s (%d-bit view): the %d %s(s) removed are the ones listed"
                  % (key, view, len(gone), kind))
files_went = lines("before.junk") - lines("after.junk")
files_listed = set()
for (kind, _), entries in listed.items():
    if kind == "files":
        files_listed |= set(e["name"].upper() for e in entries)
covered = set(p for p in files_went if any(p == l or p.startswith(l + "\\") for l in files_listed))
if covered != files_went or not files_listed <= files_went:
    fail("junk: gone %s, listed %s" % (sorted(files_went), sorted(files_listed)))
else:
    print("ok   junk: the %d files and folders gone are the %d listed (and what they held)"
          % (len(files_went), len(files_listed)))
open(os.path.join(work, "uncounted"), "w", encoding="utf-8").write("".join(
    "%d\t%s\t%s\t%s\n" % (index, e["name"], e["key"], e["target"])
    for (kind, index), entries in listed.items() if kind == "registry" and index not in counted
    for e in entries))
sys.exit(1 if failures else 0)
EOF
}

# The demo's orphans are each listed (by a text of theirs), its keepers not for
# removal (the read-only junk file stays: write-protected files may not go).
check_demo_listed() {
  local text
  for text in ZentDemoGone.exe zentgone.hlp 'C:\ZentDemo\Gone\zentgone.dll' \
    'Zent Demo Gone (TrueType)' GoneEvent '{5A1E7E57-0000-4000-8000-00000000DEAD}' \
    '{5A1E7E57-0001-4000-8000-00000000DEAD}' .zentgone ZentDemo.GoneIcon; do
    grep -qiF "$text" "$work/report.txt" || fail "the report does not list the orphan $text"
  done
  for text in ZentDemoHere zenthere 'Demo Here' HereEvent 00000000BEEF .zenthere KEEP.TXT \
    EDB.CHK READONLY.TMP; do
    if grep -i '^  remove ' "$work/report.txt" | grep -iF "$text" >/dev/null; then
      fail "the report lists the keeper $text for removal"
    fi
  done
  echo "ok   every demo orphan is listed, no keeper"
}

seed_demo >/dev/null
seed_demo_junk >/dev/null
snapshot_keys before
snapshot_junk before

status=0
run_report --main-program --json || status=$?
if [ "$status" -ne 0 ]; then
  fail "ZentReport.exe --main-program --json: exit code $status"
  cat "$work/err"
  exit 1
fi
cp "$work/out.txt" "$work/report.json"
python3 -c 'import json,sys; json.load(open(sys.argv[1], encoding="utf-8"))' "$work/report.json" ||
  fail "the report is not JSON"
run_report --main-program || fail "ZentReport.exe --main-program: exit code $?"
cp "$work/out.txt" "$work/report.txt"
cp "$work/report.txt" "$ZENT_OUTPUT/report.txt"
snapshot_keys unchanged
snapshot_junk unchanged
# The report is at fault when something that was there is gone; the names
# gone are shown. An entry that appears meanwhile is not its doing.
for file in "$work"/before.*; do
  gone=$(comm -23 "$file" "${file/before./unchanged.}")
  [ -z "$gone" ] || fail "the report took out of ${file##*/before.}: $gone"
done
[ "$(trash_count)" -eq 0 ] || fail "the report put files into the recycle bin"
echo "ok   the report changed no counted key and no file"
check_demo_listed

run_saver
snapshot_keys after
snapshot_junk after
compare || failures=$((failures + 1))
# The other categories name their entries in ways a key listing cannot count:
# each listed one must be gone or emptied, which report_demo checks for the
# demo's own; the others are shown.
if [ -s "$work/uncounted" ]; then
  echo "     listed in the other categories (index, name, key, target):"
  sed 's/^/       /' "$work/uncounted"
fi
report_demo >"$work/demo" || { fail "the saver's run did not end as the demo expects"; cat "$work/demo"; }

expect_exit "unknown flag" 2 --bogus
missing=
for letter in q r s t u v w; do
  [ -e "$WINEPREFIX/dosdevices/$letter:" ] || { missing=$letter; break; }
done
expect_exit "drive ${missing^^}: that does not exist" 2 "--drives=${missing^^}"
wine64 "$ZENT_REG" delete 'HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT\Options' /f /reg:64 >/dev/null
expect_exit "missing options key" 1 --main-program

if [ "$failures" -gt 0 ]; then
  echo "check-report: $failures check(s) failed"
  exit 1
fi
echo "check-report: the report listed exactly what the saver then removed"
