#!/usr/bin/env bash
# Seeds the demo registry of tools/run-saver.sh (tools/lib/seed-demo-registry.sh)
# in a throwaway Wine sandbox and checks that its values landed in the 64-bit
# view, the one the 64-bit saver reads: "reg query /reg:64" finds each, and
# "reg query /reg:32" (the view of 32-bit programs, HKLM\Software\Wow6432Node)
# finds none of those under keys the two views keep apart. Where Debian's
# wine picks the 32-bit loader, registry tools started through plain "wine"
# write to the 32-bit view; ZENT_SIMULATE_WINE32=1 (tools/wine-sandbox.sh)
# shows that here.
#
# Given the saver, it also plants an orphaned and a valid uninstall entry,
# autorun value, COM class and App Paths entry in the 32-bit view
# ("reg add ... /reg:32", as a 32-bit installer writes them), runs the saver
# to "Search completed." and checks that it removed exactly the orphans of both
# views, and that importing its dated backup with the (64-bit) registry editor
# puts each back into the view it came from.
#
#   tools/check-registry-views.sh [build/win64/ZentSaver.scr]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -eq 1 ]; then
    [ -f "$1" ] || { echo "usage: $0 [path/to/ZentSaver.scr]" >&2; exit 2; }
    exec "$here/wine-sandbox.sh" --copy "$1" -- "$here/check-registry-views.sh" --inside \
      "$(basename "$1")"
  fi
  exec "$here/wine-sandbox.sh" -- "$here/check-registry-views.sh" --inside
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/report-stop.sh
source "$here/lib/report-stop.sh"

# shellcheck source=tools/lib/seed-demo-registry.sh
source "$here/lib/seed-demo-registry.sh"
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# in_view VIEW KEY [NAME]: the value NAME (the key's default value without
# one) is there in the 32- or 64-bit view.
in_view() {
  if [ $# -eq 2 ]; then
    wine64 "$ZENT_REG" query "$2" /ve "/reg:$1" >/dev/null 2>&1
  else
    wine64 "$ZENT_REG" query "$2" /v "$3" "/reg:$1" >/dev/null 2>&1
  fi
}

# only_in_64 KEY NAME: in the 64-bit view and not in the 32-bit one.
only_in_64() {
  if ! in_view 64 "$@"; then
    fail "$1\\$2 is missing from the 64-bit view"
  elif in_view 32 "$@"; then
    fail "$1\\$2 is in the 32-bit view as well"
  else
    echo "ok   $1\\$2 is in the 64-bit view only"
  fi
}

# in_64 KEY [NAME]: under a key both views share; it must be in the 64-bit one.
in_64() {
  if in_view 64 "$@"; then
    echo "ok   $1\\${2:-(default)} is in the 64-bit view (a key both views share)"
  else
    fail "$1\\${2:-(default)} is missing from the 64-bit view"
  fi
}

seed_demo || fail "seeding the demo registry"
product='HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT'
only_in_64 "$product" EXEPath
only_in_64 "$product\\Options" CUSTOM-REG
only_in_64 "$product\\Saver" MODE
only_in_64 "$demo_key_help" zentgone.hlp
only_in_64 "$demo_key_shared" 'C:\ZentDemo\Gone\zentgone.dll'
only_in_64 "$demo_key_fonts" 'Zent Demo Gone (TrueType)'
in_64 "$demo_key_app_paths\\ZentDemoGone.exe"
in_64 "$demo_key_sounds\\GoneEvent\\.current"

[ "$failures" -eq 0 ] || exit 1
echo "the seeded values are in the view the 64-bit saver reads"
[ -n "${2:-}" ] || exit 0

# --- the saver's run over both views ----------------------------------------

# shellcheck source=tools/lib/saver-status.sh
source "$here/lib/saver-status.sh"
program="C:\\zent-run\\$2"
gone='C:\ZentDemo\Gone\zent32.exe'
kept='C:\ZentDemo\Here\ZentDemoHere.exe'
clsid_gone='{5A1E7E57-0032-4000-8000-00000000DEAD}'
clsid_kept='{5A1E7E57-0032-4000-8000-00000000BEEF}'

add32() { wine64 "$ZENT_REG" add "$@" /f /reg:32 >/dev/null; }
plant32() {
  local word=$1 file=$2 clsid=$3
  add32 "$demo_key_uninstall\\Zent32$word" /v DisplayName /d "Zent 32 $word"
  add32 "$demo_key_uninstall\\Zent32$word" /v UninstallString /d "\"$file\" /S"
  add32 "$demo_key_autorun" /v "Zent32$word" /d "$file"
  add32 "$demo_key_clsid\\$clsid" /ve /d "Zent 32 $word Class"
  add32 "$demo_key_clsid\\$clsid\\InprocServer32" /ve /d "$file"
  add32 "$demo_key_app_paths\\Zent32$word.exe" /ve /d "$file"
}

# there VIEW KEY [NAME]: the key (or its value NAME) is in that view.
there() {
  if [ $# -eq 2 ]; then
    wine64 "$ZENT_REG" query "$2" "/reg:$1" >/dev/null 2>&1 ||
      wine64 "$ZENT_REG" query "$2" "/reg:$1" >/dev/null 2>&1
  else
    in_view "$1" "$2" "$3" || in_view "$1" "$2" "$3"
  fi
}

# expect_state LABEL VIEW present|absent KEY [NAME]
expect_state() {
  local label=$1 view=$2 wanted=$3 state=absent
  shift 3
  if there "$view" "$@"; then state=present; fi
  if [ "$state" = "$wanted" ]; then
    echo "ok   $label: $wanted in the $view-bit view"
  else
    fail "$label: $state in the $view-bit view, expected $wanted"
  fi
}

# entries32 WORD: the planted 32-bit entries as "label|key|name" lines.
entries32() {
  printf '%s\n' "uninstall Zent32$1|$demo_key_uninstall\\Zent32$1|" \
    "autorun Zent32$1|$demo_key_autorun|Zent32$1" \
    "COM class Zent32$1|$demo_key_clsid\\$2|" \
    "App Paths Zent32$1.exe|$demo_key_app_paths\\Zent32$1.exe|"
}

# expect_entries WORD CLSID present|absent VIEW
expect_entries() {
  local label key name
  while IFS='|' read -r label key name; do
    if [ -n "$name" ]; then
      expect_state "$label" "$4" "$3" "$key" "$name"
    else
      expect_state "$label" "$4" "$3" "$key"
    fi
  done < <(entries32 "$1" "$2")
}

stop_context='planting the 32-bit entries'
plant32 Gone "$gone" "$clsid_gone"
plant32 Kept "$kept" "$clsid_kept"
expect_entries Gone "$clsid_gone" present 32

stop_context='the saver run'
status_log=$(mktemp)
WINEDEBUG=$saver_status_channels wine64 "$program" /S 2>"$status_log" &
pid=$!
deadline=$((SECONDS + 180))
until grep -qF 'ZentSaver status: Search completed.' "$status_log"; do
  if ! kill -0 "$pid" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
    fail "the saver never reached \"Search completed.\""
    saver_errors "$status_log"
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  sleep 0.2
done
end_saver_with_key "$pid" || fail "the saver did not end on a key press"
wait "$pid" || true

stop_context='checking the run'
expect_entries Gone "$clsid_gone" absent 32
expect_entries Kept "$clsid_kept" present 32
expect_state 'uninstall ZentDemoGone (64-bit)' 64 absent "$demo_key_uninstall\\ZentDemoGone"
expect_state 'uninstall ZentDemoHere (64-bit)' 64 present "$demo_key_uninstall\\ZentDemoHere"
expect_state 'autorun ZentDemoGone (64-bit)' 64 absent "$demo_key_autorun" ZentDemoGone
backup=$(find "$(demo_unix_path "$demo_product\\BACKUP")" -maxdepth 1 -name '*.reg' \
  ! -name 1.reg ! -name dummy.reg | sort | tail -n 1)
if [ -z "$backup" ]; then
  fail "no dated backup"
  exit 1
fi
log=$(demo_unix_path "$demo_product\\BACKUP\\ZentRun.log")
if grep -qF '(32-bit view)' "$log"; then
  echo "ok   the run log names the 32-bit view"
else
  fail "the run log never names the 32-bit view"
fi

stop_context='importing the backup'
wine64 "$ZENT_REGEDIT" /s "C:\\Kelvaro-ZENT\\BACKUP\\$(basename "$backup")"
expect_entries Gone "$clsid_gone" present 32
expect_state 'uninstall Zent32Gone (restored)' 64 absent "$demo_key_uninstall\\Zent32Gone"
expect_state 'autorun Zent32Gone (restored)' 64 absent "$demo_key_autorun" Zent32Gone
expect_state 'uninstall ZentDemoGone (restored)' 64 present "$demo_key_uninstall\\ZentDemoGone"

[ "$failures" -eq 0 ] || exit 1
echo "the saver removed the orphans of both views, and its backup restores each into its own"
