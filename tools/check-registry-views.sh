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
#   tools/check-registry-views.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
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
