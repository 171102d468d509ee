#!/usr/bin/env bash
# Runs the screen saver's file sweep end to end in a throwaway Wine sandbox
# (tools/wine-sandbox.sh) and checks that exactly the junk went to the
# recycle bin. The sandbox's registry is seeded with the main program's
# options (the file switches on, the sandbox's test drive chosen, no registry
# scans) and its exclusion files; on the test drive a tree is planted with
# junk of every kind, and beside it keepers: excluded files and folders, a
# read-only junk file, a file held open, names that only look like junk, a
# symbolic link to a folder outside the tree that holds junk, shortcuts made
# by the shell's link object to present and missing targets, one to a file on
# a drive chosen for checking that is not there (an unplugged stick), a
# garbage shortcut, and a hidden system "$" folder inside a temporary folder.
# Hostile names too: a junk-named symbolic link to a document outside the
# tree, a junk-named second name (hard link) of a hidden system file, and a
# twin of an excluded file whose name ends in a blank; the registry names
# "C:\." as the browser's cache, beside a picture on C:.
# The saver runs with /S until its status reads "Search
# completed.", a key press ends it, and then:
#   - every junk file is gone from the tree and in the sandbox's recycle bin,
#     and the bin holds nothing else;
#   - everything else in the tree is where it was, with its size and its
#     permissions (the read-only file is still read-only);
#   - the folder behind the symbolic link still holds its junk, the document
#     behind the file link and the picture on C: are unchanged, and the hidden
#     system file keeps its attributes.
#
#   tools/check-saver-sweeps.sh build/win64/ZentSaver.scr build/win64/sweep_fixtures.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 2 ] || [ ! -f "$1" ] || [ ! -f "$2" ]; then
    echo "usage: $0 path/to/ZentSaver.scr path/to/sweep_fixtures.exe" >&2
    exit 2
  fi
  command -v xdotool >/dev/null || { echo "$0: xdotool is missing (tools/setup.sh)" >&2; exit 2; }
  exec "$here/wine-sandbox.sh" --copy "$1" --copy "$2" -- "$here/check-saver-sweeps.sh" \
    --inside "$(basename "$1")" "$(basename "$2")"
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/saver-status.sh
source "$here/lib/saver-status.sh"

saver="C:\\zent-run\\$2"
fixtures="C:\\zent-run\\$3"
drive=$ZENT_FIXTURES_DRIVE
tree=$ZENT_FIXTURES/tree
outside=$ZENT_SANDBOX/outside-the-tree
signal_unix=$ZENT_FIXTURES/held.signal
trash=$ZENT_TRASH/files
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# Junk of every kind, as paths below the tree. "~TEMPDIR" is a temporary
# folder: its files go, except the one excluded by its bare name.
junk=(A.TMP OLD.BAK 'OLD.B~K' 'OLD.---' 'X.~DF' 'X.~A' FILE0000.CHK 'SETUP.$$$' '~SETUP.INI'
  SUB/DEEP/B.TMP HELP.GID DEAD.LNK DEADDIR.LNK '~TEMPDIR/SETUP.INI' '~TEMPDIR/INNER/C.TMP')
# Keepers: plain files, names that only look like junk, a database
# checkpoint, a help index without the signature, a read-only junk file, a
# file held open, files excluded by bare name and by full path, junk in an
# excluded folder and in an excluded temporary folder, live shortcuts (one
# into a folder whose name a command-line cut would end at) and a garbage one.
# shellcheck disable=SC2016  # "$STORE" is a folder's name
keepers=(KEEP.TXT 'X.~ABC' 'NOTES.~' edb.chk FILE0001.CHK NOTHELP.GID READONLY.TMP HELD.TMP
  PROTECT.TMP SUB/PROTECT.TMP SUB/SAVED.BAK EXCLUDED/D.TMP '~KEEPTEMP/E.TMP' APP.EXE
  'J.Doe Smith/app.exe' LIVE.LNK LIVEDIR.LNK SPACED.LNK GARBAGE.LNK '~TEMPDIR/PROTECT.TMP'
  UNPLUGGED.LNK '~TEMPDIR/$STORE/STORED.DAT' '~KEEPME' '~KEEPME ' KEEPER.SYS)
# A drive letter the sandbox does not have, chosen for checking.
absent_drive=Q
picture=$WINEPREFIX/drive_c/zent-docs/HOLIDAY.JPG

win_path() { printf '%s\\tree\\%s' "$drive" "${1//\//\\}"; }

plant_files() {
  local name
  for name in "${junk[@]}" "${keepers[@]}"; do
    mkdir -p "$(dirname "$tree/$name")"
    echo "$name" >"$tree/$name"
  done
  printf '\x3f\x5f\x03\x00help index' >"$tree/HELP.GID"
  printf 'no signature' >"$tree/NOTHELP.GID"
  : >"$tree/FILE0001.CHK"  # an empty fragment stays
  printf 'not a link at all' >"$tree/GARBAGE.LNK"
  mkdir -p "$outside" "$tree/LIVEDIR"
  echo "behind the link" >"$outside/TRAP.TMP"
  echo "the user's document" >"$outside/DOCUMENT.DOC"
  ln -s "$outside" "$tree/LINKED"
  mkdir -p "$(dirname "$picture")" && echo "a photo" >"$picture"
  chmod a-w "$tree/READONLY.TMP"
}

# Shortcuts through the shell's link object: to a present program, a present
# folder, a program in "J.Doe Smith", and to a missing program and folder.
plant_links() {
  local pair link target
  for pair in "LIVE.LNK|APP.EXE" "LIVEDIR.LNK|LIVEDIR" "SPACED.LNK|J.Doe Smith\\app.exe" \
    "DEAD.LNK|GONE\\OLD.EXE"; do
    link=${pair%%|*} target=${pair#*|}
    wine64 "$fixtures" link "$(win_path "$link")" "$(win_path "$target")" || return 1
  done
  wine64 "$fixtures" link "$(win_path UNPLUGGED.LNK)" "$absent_drive:\\DATA\\REPORT.DOC" || return 1
  # shellcheck disable=SC2016  # "$STORE" is a folder's name
  wine64 "$fixtures" attributes "$(win_path '~TEMPDIR/$STORE')" 6 || return 1
  # A folder target is known as a folder only while it is there.
  mkdir -p "$tree/GONEDIR" && wine64 "$fixtures" link "$(win_path DEADDIR.LNK)" \
    "$(win_path GONEDIR)" && rmdir "$tree/GONEDIR"
}

# Names that are not what they look like, made through the system's calls.
plant_aliases() {
  wine64 "$fixtures" symlink "$(win_path X.TMP)" "$drive\\outside-the-tree\\DOCUMENT.DOC" || {
    echo "CreateSymbolicLinkW failed: the link is made from Linux instead"
    ln -s "$outside/DOCUMENT.DOC" "$tree/X.TMP"
  }
  wine64 "$fixtures" hidesystem "$(win_path KEEPER.SYS)" &&
    wine64 "$fixtures" hardlink "$(win_path KEEPER.TMP)" "$(win_path KEEPER.SYS)" || return 1
  keeper_attributes=$(wine64 "$fixtures" attributes "$(win_path KEEPER.SYS)" | tr -d '\r')
  echo "KEEPER.SYS planted hidden and system: $keeper_attributes, second name KEEPER.TMP"
}

seed_registry() {
  local product='C:\ZentSweepCheck' letter=${drive%:}
  mkdir -p "$WINEPREFIX/drive_c/ZentSweepCheck"
  printf '%s\r\n' PROTECT.TMP "$(win_path SUB/SAVED.BAK)" "$(win_path '~KEEPME')" \
    >"$WINEPREFIX/drive_c/ZentSweepCheck/FILESEXP_USER.INI"
  printf '%s\r\n' "$(win_path EXCLUDED)" "$(win_path '~KEEPTEMP')" \
    >"$WINEPREFIX/drive_c/ZentSweepCheck/DIRSEXP_USER.INI"
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ortavo\\Kelvaro-ZENT]\r\n'
    printf '"EXEPath"="%s"\r\n\r\n' "${product//\\/\\\\}"
    printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ortavo\\Kelvaro-ZENT\\Saver]\r\n"MODE"=dword:00000002\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ortavo\\Kelvaro-ZENT\\Options]\r\n'
    local value
    for value in CUSTOM-FILES FILES-LNKS FILES-PIF FILES-GID FILES-CHK FILES-TMPINSTFILES \
      FILES-BACKUPS FILES-TMP FILES-BAK CUSTOM-TMPFOLDERS CUSTOM-CACHE "DRIVE_$letter" \
      "CHECKDRIVE_$letter" "CHECKDRIVE_$absent_drive"; do
      printf '"%s"=dword:00000001\r\n' "$value"
    done
    printf '\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths]\r\n'
    printf '"Directory"="C:\\\\."\r\n'
  } >"$ZENT_FIXTURES/seed.reg"
  wine64 "$ZENT_REGEDIT" /s "$drive\\seed.reg"
  rm -f "$ZENT_FIXTURES/seed.reg"
  wine64 "$ZENT_REG" query 'HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT\Options' /v CUSTOM-FILES /reg:64 \
    >/dev/null 2>&1 || { echo "the registry could not be seeded" >&2; return 1; }
}

# Every entry of the tree with its size and permissions; the link itself is
# listed, not what lies behind it.
snapshot() {
  (cd "$tree" && {
    find . -mindepth 1 -type f -printf '%P|f|%s|%m\n'
    find . -mindepth 1 ! -type f -printf '%P|%y|-|%m\n'
  } | sort)
}

hold_file() {
  wine64 "$fixtures" hold "$(win_path HELD.TMP)" "$drive\\held.signal" &
  holder_pid=$!
  local _
  for _ in $(seq 100); do
    [ -e "$signal_unix" ] && return 0
    sleep 0.2
  done
  return 1
}

run_saver() {
  local log pid _
  log=$(mktemp)
  xdotool mousemove 500 400 >/dev/null 2>&1 || true
  WINEDEBUG=$saver_status_channels wine64 "$saver" /S 2>"$log" &
  pid=$!
  for _ in $(seq 240); do
    saver_status_reached "$log" 'Search completed.' && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  if saver_status_reached "$log" 'Search completed.'; then
    echo "ok   the saver's run completed"
  else
    fail "the saver did not report \"Search completed.\""
    saver_errors "$log"
  fi
  end_saver_with_key "$pid" Escape 15 || fail "the saver did not end on a key press"
  wait "$pid" 2>/dev/null || true
}

check_junk() {
  local name
  for name in "${junk[@]}"; do
    if [ -e "$tree/$name" ]; then
      fail "junk $name stayed"
    elif [ -z "$(find "$trash" -name "$(basename "$name")*" -print -quit 2>/dev/null)" ]; then
      fail "junk $name is gone but not in the recycle bin"
    fi
  done
  local binned
  binned=$(find "$trash" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
  [ "$binned" -eq "${#junk[@]}" ] || fail "the recycle bin holds $binned entries, not ${#junk[@]}"
  [ "$failures" -gt 0 ] || echo "ok   exactly the ${#junk[@]} junk files are in the recycle bin"
}

# The tree after the run: the snapshot before, less the junk and the
# folders the junk alone filled.
check_keepers() {
  local expected actual name
  expected=$(printf '%s\n' "$1" | while IFS='|' read -r path rest; do
    for name in "${junk[@]}" '~TEMPDIR/INNER'; do [ "$path" = "$name" ] && continue 2; done
    printf '%s|%s\n' "$path" "$rest"
  done)
  actual=$(snapshot)
  if [ "$expected" = "$actual" ]; then
    echo "ok   everything else in the tree is where it was, with its size and permissions"
  else
    fail "the tree differs from what should have stayed (< expected, > found):"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | grep '^[<>]' |
      sed 's/^/       /' || true
  fi
  [ ! -w "$tree/READONLY.TMP" ] || fail "READONLY.TMP lost its read-only attribute"
  if [ "$(cat "$outside/TRAP.TMP" 2>/dev/null)" = "behind the link" ]; then
    echo "ok   the junk behind the symbolic link stayed"
  else
    fail "the junk behind the symbolic link was touched"
  fi
  local document attributes
  document=$(cat "$outside/DOCUMENT.DOC" 2>/dev/null || true)
  [ "$document" = "the user's document" ] || fail "the document behind the file link was touched"
  [ "$(cat "$picture" 2>/dev/null)" = "a photo" ] || fail "the picture on C: was touched"
  attributes=$(wine64 "$fixtures" attributes "$(win_path KEEPER.SYS)" | tr -d '\r')
  [ "$attributes" = "$keeper_attributes" ] ||
    fail "KEEPER.SYS has the attributes $attributes, not $keeper_attributes"
  [ "$failures" -gt 0 ] ||
    echo "ok   the linked document, the picture and the hidden system file are unchanged"
}

holder_pid=
keeper_attributes=
plant_files
seed_registry
plant_links || { echo "the shortcuts or the \"\$\" folder could not be planted" >&2; exit 1; }
plant_aliases || { echo "the hard link could not be made" >&2; exit 1; }
hold_file || { echo "HELD.TMP could not be held open" >&2; exit 1; }
before=$(snapshot)
printf 'Planted %d junk files and %d keepers in %s\\tree\n' "${#junk[@]}" "${#keepers[@]}" "$drive"
run_saver
rm -f "$signal_unix"
wait "$holder_pid" 2>/dev/null || true
check_junk
check_keepers "$before"
if [ "$failures" -eq 0 ]; then
  echo "saver sweep check: all passed"
else
  echo "saver sweep check: $failures failed"
  exit 1
fi
