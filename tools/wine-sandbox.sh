#!/usr/bin/env bash
# Runs a command under Wine in a throwaway prefix that cannot reach the real
# machine: a fresh temp folder holds the prefix, HOME, XDG_DATA_HOME (and so
# the recycle bin, which Wine keeps as a freedesktop trash there); the prefix's
# z: drive, which would map the whole Linux file system, is removed; a spare
# drive letter maps to an empty fixtures folder. Everything is removed again
# when the command ends, fails or is interrupted; the command's exit code is
# passed on.
#
#   tools/wine-sandbox.sh [--fixtures LETTER] [--nobin-drive LETTER]
#                         [--drive LETTER:DIR]... [--copy FILE]...
#                         [--output DIR] -- command [args]
#
# --nobin-drive maps a letter to a fresh folder on another file system
# (/dev/shm), from which Wine's trash cannot take files: a drive without a
# recycle bin. --drive maps a further letter to a folder of the machine (use
# with care: the command can change what lies there). --copy puts a file into
# C:\zent-run. --output DIR: the files the command leaves in ZENT_OUTPUT are
# copied into DIR when it has ended (also when it failed).
# A command ending in .exe, .scr, .com, .bat or .cmd is started with the
# 64-bit loader (a program file from the Linux side is copied to C:\zent-run
# first); any other command runs as is, with the sandbox's environment, so
# that the wine calls it makes land in the sandbox. A command that is one of
# the scripts in this folder runs from the sandbox's copy of the folder, which
# the sandbox user can read wherever the clone lies. It runs in the prefix's
# C:\zent-run, so that whatever a program finds or writes relative to its
# current folder stays inside the prefix's own drive.
#
# The command sees:
#   ZENT_SANDBOX         the temp folder holding everything
#   ZENT_FIXTURES        the fixtures folder (Linux path)
#   ZENT_FIXTURES_DRIVE  its drive, "Y:" unless --fixtures says otherwise
#   ZENT_TRASH           the trash folder ($XDG_DATA_HOME/Trash, Linux path)
#   ZENT_TRASH_DRIVE     a drive mapped to the trash folder, "X:"
#   ZENT_NOBIN_DRIVE     the --nobin-drive letter, when one could be made
#   ZENT_OUTPUT          a folder for files that go out (see --output)
#   ZENT_TOOLS           the copy of this folder
#   wine64               on PATH: the 64-bit loader. Debian's plain "wine"
#                        picks the 32-bit loader wherever that one runs, and
#                        registry tools started with it see the 32-bit view
#                        of HKLM\Software: start 64-bit programs and the
#                        registry tools with wine64 (and reg with /reg:64).
#
# Making a prefix with "wineboot -i" takes about half a minute, so a pristine
# prefix is made once per Wine version under ${XDG_CACHE_HOME:-~/.cache}/zent-wine
# and each run works in its own full copy. ZENT_WINE_FRESH=1 makes the run's
# prefix with wineboot instead (about 20 s more); ZENT_SANDBOX_TIMING=1 says
# how long the prefix took. Without a DISPLAY, Xvfb provides one (1024 x 768).
# ZENT_SIMULATE_WINE32=1 makes plain "wine" behave, for the registry tools,
# as on a machine where the 32-bit loader runs (tools/lib/simulated-wine32.sh
# says what exactly): a test aid that shows which wine calls miss the 64-bit
# view.
#
# Started as root, everything in the sandbox runs as an unprivileged user
# (ZENT_SANDBOX_USER, "nobody"): root ignores file permissions, so under root
# Wine would open read-only files for writing and write into folders that a
# test has made unwritable.
set -euo pipefail

usage() {
  sed -n '2,/^set -euo/p' "$0" | sed -e '/^set -euo/d' -e 's/^# \{0,1\}//'
}

fixtures_letter=y
trash_letter=x
extra_drives=()
copies=()
nobin_letter=
output_dir=
while [ $# -gt 0 ]; do
  case "$1" in
    --fixtures) fixtures_letter=${2:?--fixtures needs a letter}; shift 2 ;;
    --drive) extra_drives+=("${2:?--drive needs LETTER:DIR}"); shift 2 ;;
    --drive=*) extra_drives+=("${1#--drive=}"); shift ;;
    --nobin-drive) nobin_letter=${2:?--nobin-drive needs a letter}; shift 2 ;;
    --copy) copies+=("${2:?--copy needs a file}"); shift 2 ;;
    --output) output_dir=${2:?--output needs a folder}; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    --) shift; break ;;
    *) echo "wine-sandbox: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
done
if [ $# -eq 0 ]; then
  echo "wine-sandbox: no command given" >&2
  exit 2
fi

lower() { printf '%s' "$1" | tr '[:upper:]' '[:lower:]'; }
drive_name() { printf '%s:' "$(printf '%s' "${1%:}" | tr '[:lower:]' '[:upper:]')"; }
fixtures_letter=$(lower "${fixtures_letter%:}")
if [ "$fixtures_letter" = "$trash_letter" ]; then
  echo "wine-sandbox: $trash_letter: is the trash drive" >&2
  exit 2
fi

for tool in wine wineboot wineserver; do
  command -v "$tool" >/dev/null || { echo "wine-sandbox: $tool is missing (tools/setup.sh)" >&2; exit 2; }
done
tools_dir=$(cd "$(dirname "$0")" && pwd -P)

# Debian's wine script prefers the 32-bit loader whenever it is installed;
# the 64-bit loader is started by its own name. A Wine without a loader of
# that name runs 64-bit programs with its one loader.
wine32_loader=/usr/lib/wine/wine
wine64_loader=/usr/lib/wine/wine64
if [ ! -x "$wine64_loader" ]; then
  wine64_loader=$(command -v wine64 || command -v wine)
fi

# --- who runs it ------------------------------------------------------------

as_user=()
if [ "$(id -u)" = 0 ]; then
  sandbox_user=${ZENT_SANDBOX_USER:-nobody}
  run_uid=$(id -u "$sandbox_user")
  run_gid=$(id -g "$sandbox_user")
  as_user=(setpriv "--reuid=$run_uid" "--regid=$run_gid" --clear-groups --)
  hand_over() { chown -R "$run_uid:$run_gid" "$@"; }
else
  hand_over() { :; }
fi

# --- the sandbox and its clean-up -------------------------------------------

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/zent-wine.XXXXXXXX")
xvfb_pid=
command_pid=
nobin_folder=
# shellcheck disable=SC2317  # run by the EXIT trap
cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  if [ -n "$command_pid" ]; then kill "$command_pid" 2>/dev/null || true; fi
  if [ -n "$output_dir" ] && [ -d "$sandbox/output" ]; then
    copy_out || echo "wine-sandbox: the files in ZENT_OUTPUT could not be copied to $output_dir" >&2
  fi
  if [ -d "$sandbox/prefix" ]; then
    WINEPREFIX="$sandbox/prefix" "${as_user[@]}" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$sandbox/prefix" "${as_user[@]}" wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  case "$nobin_folder" in
    /dev/shm/zent-nobin.*) chmod -R u+rwX "$nobin_folder" 2>/dev/null || true; rm -rf "$nobin_folder" ;;
  esac
  case "$sandbox" in
    */zent-wine.*)
      chmod -R u+rwX "$sandbox" 2>/dev/null || true  # tests may leave folders unwritable
      rm -rf "$sandbox"
      ;;
  esac
  exit "$status"
}
# The sandbox user's output, regular files only, copied as the caller.
# shellcheck disable=SC2317  # run by the EXIT trap
copy_out() {
  mkdir -p "$output_dir" &&
    find "$sandbox/output" -maxdepth 1 -type f -exec cp -t "$output_dir" {} +
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

export HOME="$sandbox/home"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CONFIG_HOME="$HOME/.config"
outer_cache_home="${XDG_CACHE_HOME:-}"
export XDG_CACHE_HOME="$HOME/.cache"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$sandbox/prefix"
export TMPDIR="$sandbox/tmp"  # Wine's server folder goes there too
unset WINEARCH WINESERVER WINELOADER WINEDLLPATH
# Wine names files on the Linux side in the locale's character set: without
# a UTF-8 one (no LANG at all, as in a bare login) it cannot make a file
# whose name lies outside ASCII.
if [ "$(locale charmap 2>/dev/null || true)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi
mkdir -p "$HOME" "$XDG_DATA_HOME/Trash/files" "$XDG_DATA_HOME/Trash/info" \
  "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$sandbox/fixtures" "$TMPDIR" "$sandbox/output" \
  "$sandbox/bin"
export ZENT_OUTPUT="$sandbox/output"

# The scripts the command may run (and the files they source) are read from
# a copy: the sandbox user may not reach the folder of the clone.
cp -R "$tools_dir" "$sandbox/tools"
export ZENT_TOOLS="$sandbox/tools"
# The registry tools by their full paths, never found through the working
# folder or PATH.
export ZENT_REG='C:\windows\system32\reg.exe'
export ZENT_REGEDIT='C:\windows\regedit.exe'

# loader_command NAME LOADER: a command NAME on the sandbox's PATH that
# starts LOADER.
loader_command() {
  printf '#!/bin/sh\nexec "%s" "$@"\n' "$2" >"$sandbox/bin/$1"
  chmod 755 "$sandbox/bin/$1"
}
loader_command wine64 "$wine64_loader"
if [ -x "$wine32_loader" ] && ! "$wine32_loader" --version >/dev/null 2>&1; then
  # A kernel that cannot run 32-bit programs: every plain wine call of the
  # run (also those of wineboot and of the scripts run inside the sandbox)
  # takes the 64-bit loader.
  for name in wine wine-stable; do loader_command "$name" "$wine64_loader"; done
  export WINELOADER="$wine64_loader"
fi
if [ "${ZENT_SIMULATE_WINE32:-0}" = 1 ]; then
  for name in wine wine-stable; do
    cp "$tools_dir/lib/simulated-wine32.sh" "$sandbox/bin/$name"
    chmod 755 "$sandbox/bin/$name"
  done
fi
export PATH="$sandbox/bin:$PATH"
wine_version=$("$wine64_loader" --version) ||
  { echo "wine-sandbox: the 64-bit loader $wine64_loader does not run" >&2; exit 2; }
hand_over "$sandbox"

# --- a display --------------------------------------------------------------

if [ -z "${DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "wine-sandbox: no DISPLAY and no Xvfb" >&2; exit 2; }
  exec {display_fd}<> <(:)
  "${as_user[@]}" Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  display_number=
  read -r -t 10 display_number <&"$display_fd" || true
  exec {display_fd}<&-
  if [ -z "$display_number" ]; then
    echo "wine-sandbox: Xvfb did not start" >&2
    exit 2
  fi
  export DISPLAY=":$display_number"
fi

# --- the prefix -------------------------------------------------------------

# Leaves a freshly booted prefix with nothing that reaches out of it: no z:
# drive, and the user folders (links into HOME) made plain folders.
seal_prefix() {
  local prefix=$1 link
  rm -f "$prefix/dosdevices/z:"
  # Debian's Wine names its server folder in the prefix; each run gets its own.
  rm -f "$prefix/wineserver"
  while IFS= read -r -d '' link; do
    rm -f "$link"
    mkdir -p "$link"
  done < <(find "$prefix/drive_c/users" -type l -print0)
}

boot_prefix() {
  local prefix=$1
  WINEPREFIX="$prefix" "${as_user[@]}" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$prefix" "${as_user[@]}" wineserver -w
  [ -f "$prefix/system.reg" ] || { echo "wine-sandbox: wineboot failed" >&2; return 1; }
  seal_prefix "$prefix"
}

template_dir() {
  local cache=$outer_cache_home
  [ -n "$cache" ] || cache="$(getent passwd "$(id -u)" | cut -d: -f6)/.cache"
  local key
  key=$( (echo "$wine_version"; stat -c %Y /usr/share/wine/wine.inf 2>/dev/null; echo recipe-2) |
    md5sum | cut -c1-12)
  echo "$cache/zent-wine/prefix-$key"
}

# The pristine prefix is booted inside this run's sandbox (where the
# sandbox user may write) and then moved into the cache; a lock keeps two
# runs from making it at once.
make_template() {
  local template=$1 parent
  parent=$(dirname "$template")
  mkdir -p "$parent"
  (
    flock 9
    [ -d "$template" ] && exit 0
    echo "wine-sandbox: making the pristine prefix once (wineboot -i) ..." >&2
    local staging="$sandbox/template"
    mkdir -p "$staging/home/.local/share"
    hand_over "$staging"
    HOME="$staging/home" XDG_DATA_HOME="$staging/home/.local/share" boot_prefix "$staging/prefix"
    local incoming
    incoming=$(mktemp -d "$parent/incoming.XXXXXX")
    cp -a "$staging/prefix" "$incoming/prefix"
    mv "$incoming/prefix" "$template"
    rm -rf "$incoming" "$staging"
  ) 9>"$parent/.lock"
}

started=$(date +%s%N)
if [ "${ZENT_WINE_FRESH:-0}" = 1 ]; then
  boot_prefix "$WINEPREFIX"
else
  template=$(template_dir)
  [ -d "$template" ] || make_template "$template"
  cp -a "$template" "$WINEPREFIX"
  rm -f "$WINEPREFIX/wineserver"
  hand_over "$WINEPREFIX"
fi

map_drive() {
  local letter=$1 target=$2
  letter=$(lower "${letter%:}")
  case "$letter" in
    [a-z]) ;;
    *) echo "wine-sandbox: bad drive letter '$1'" >&2; exit 2 ;;
  esac
  [ "$letter" != c ] || { echo "wine-sandbox: c: is the prefix's own drive" >&2; exit 2; }
  ln -sfn "$target" "$WINEPREFIX/dosdevices/$letter:"
}

map_drive "$fixtures_letter" "$sandbox/fixtures"
map_drive "$trash_letter" "$XDG_DATA_HOME/Trash"
for mapping in ${extra_drives[@]+"${extra_drives[@]}"}; do
  dir=${mapping#*:}
  [ -d "$dir" ] || { echo "wine-sandbox: $dir is not a folder" >&2; exit 2; }
  map_drive "${mapping%%:*}" "$(cd "$dir" && pwd)"
done

if [ -n "$nobin_letter" ]; then
  if [ -d /dev/shm ] && [ "$(stat -c %d /dev/shm)" != "$(stat -c %d "$sandbox")" ]; then
    nobin_folder=$(mktemp -d /dev/shm/zent-nobin.XXXXXXXX)
    hand_over "$nobin_folder"
    map_drive "$nobin_letter" "$nobin_folder"
    ZENT_NOBIN_DRIVE=$(drive_name "$nobin_letter")
    export ZENT_NOBIN_DRIVE
  else
    echo "wine-sandbox: no other file system for --nobin-drive; left out" >&2
  fi
fi

ZENT_FIXTURES_DRIVE=$(drive_name "$fixtures_letter")
ZENT_TRASH_DRIVE=$(drive_name "$trash_letter")
export ZENT_SANDBOX="$sandbox"
export ZENT_FIXTURES="$sandbox/fixtures"
export ZENT_TRASH="$XDG_DATA_HOME/Trash"
export ZENT_FIXTURES_DRIVE ZENT_TRASH_DRIVE
if [ -n "${ZENT_SANDBOX_TIMING:-}" ]; then
  echo "wine-sandbox: prefix ready in $((($(date +%s%N) - started) / 1000000)) ms" >&2
fi

copy_in() {
  mkdir -p "$WINEPREFIX/drive_c/zent-run"
  cp "$1" "$WINEPREFIX/drive_c/zent-run/"
  hand_over "$WINEPREFIX/drive_c/zent-run"
}
for file in "${copies[@]}"; do
  [ -f "$file" ] || { echo "wine-sandbox: $file is not a file" >&2; exit 2; }
  copy_in "$file"
done

# --- the command ------------------------------------------------------------

program=$1
shift
case "$(lower "$program")" in
  *.exe | *.scr | *.com | *.bat | *.cmd)
    # Without z: Wine cannot reach a program on the Linux side, so it runs
    # from a copy on the prefix's own C: drive.
    if [ -f "$program" ]; then
      copy_in "$program"
      program="C:\\zent-run\\$(basename "$program")"
    fi
    set -- wine64 "$program" "$@"
    ;;
  *)
    if [ -f "$program" ]; then
      program=$(realpath "$program")
      case "$program" in
        "$tools_dir"/*) program="$ZENT_TOOLS/${program#"$tools_dir"/}" ;;
      esac
    fi
    set -- "$program" "$@"
    ;;
esac

mkdir -p "$WINEPREFIX/drive_c/zent-run"
hand_over "$WINEPREFIX/drive_c/zent-run"
cd "$WINEPREFIX/drive_c/zent-run"
# In the background and waited for, so that an interrupt reaches the trap at
# once; the clean-up then ends every process of the prefix.
"${as_user[@]}" "$@" <&0 &
command_pid=$!
status=0
wait "$command_pid" || status=$?
command_pid=
exit "$status"
