#!/usr/bin/env bash
# Fails when a source file includes a header from a folder above its own.
# The folders, from the ground floor up:
#   platform  the door to the operating system (interfaces, Win32, in-memory)
#   common    helpers every subsystem uses: registry access, paths, exclusions
#   sysinfo   operating-system information and the drive list
#   run       run state, findings register, repair and backup, run driver
#   sweep     the file sweeps and the deletion chain
#   regscan   the registry scans
#   ui        settings, dialog, saver window, starfield, interface texts
#   app       program entry
# A folder may include its own files and those of any folder below it. Only
# the Win32 parts (a "win32" subfolder) and the program entry may include
# another folder's Win32 parts: the core never sees windows.h.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

layers=(platform common sysinfo run sweep regscan ui app)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

is_win32_part() { [[ $1 == */win32/* ]]; }

faults=0
while IFS= read -r file; do
  folder=${file%%/*}
  while IFS=: read -r line included; do
    target=${included%%/*}
    [ -n "${rank[$target]+set}" ] || continue
    if [ "${rank[$target]}" -gt "${rank[$folder]}" ]; then
      echo "$file:$line: includes $included from $target/, above $folder/"
      faults=$((faults + 1))
    elif is_win32_part "$included" && ! is_win32_part "$file" && [ "$folder" != app ]; then
      echo "$file:$line: the portable core includes the Win32 part $included"
      faults=$((faults + 1))
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' "$file" |
    sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
done < <(git ls-files -co --exclude-standard -- "${layers[@]/%//*.cpp}" "${layers[@]/%//*.h}")

if [ "$faults" -gt 0 ]; then
  echo "check-layers: $faults include(s) point upwards" >&2
  exit 1
fi
echo "check-layers: every include points down (${layers[*]})"
