#!/usr/bin/env bash
# What the starfield costs the cleaning run: the same planted work is cleaned
# twice, each time in a throwaway Wine sandbox of its own (tools/wine-sandbox.sh)
# on a virtual 1024x768 screen, once with 1 star and once with 5001 block stars
# at top speed, one run after the other. Each run times the saver from its
# start to the status "Search completed." and reads the CPU time its process
# used by then; the script prints both and their ratio.
#
# The work: the demo's registry (tools/lib/seed-demo-registry.sh: every
# registry scan of the main program's options, one orphaned and one valid
# entry each), the demo's junk (tools/lib/seed-demo-junk.sh) and beside it
# 4,000 files in 400 folders on the sandbox's fixtures drive, one in ten of
# them a .TMP file the sweep recycles.
#
#   tools/measure-starfield-cost.sh [path/to/ZentSaver.scr] [rounds]
#
# rounds (default 1) repeats the pair; each round runs 1 star first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

completion='Search completed.'
completion_timeout=300
folders=400
files_per_folder=10

plant_tree() {
  local root="$ZENT_FIXTURES/tree" folder file
  for folder in $(seq -w 1 "$folders"); do
    mkdir -p "$root/F$folder"
    for file in $(seq 2 "$files_per_folder"); do
      echo "document $folder $file" >"$root/F$folder/DOC$file.TXT"
    done
    echo "junk $folder" >"$root/F$folder/JUNK.TMP"
  done
}

# CPU seconds the process with PID has used, from its /proc entry.
cpu_seconds() {
  local ticks
  ticks=$(awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null) || { echo "?"; return; }
  awk -v t="$ticks" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.1f", t / hz }'
}

# The Wine server of this sandbox's prefix.
prefix_wineserver() {
  local pid environment
  for pid in $(pgrep '^wineserver' || true); do
    # Read whole first: a grep that stops early would break the pipe.
    environment=$(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null) || continue
    if grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$environment"; then
      echo "$pid"
      return
    fi
  done
}

measure_inside() {
  local program="C:\\zent-run\\$1" stars=$2 block=$3 speed=$4
  # shellcheck source=tools/lib/seed-demo-registry.sh
  source "$here/lib/seed-demo-registry.sh"
  seed_demo >/dev/null
  # shellcheck source=tools/lib/seed-demo-junk.sh
  source "$here/lib/seed-demo-junk.sh"
  seed_demo_junk >/dev/null
  plant_tree
  # shellcheck source=tools/lib/saver-status.sh
  source "$here/lib/saver-status.sh"
  local setting key='HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT\Saver'
  for setting in "STARS:$stars" "SPEED:$speed" "BLOCK:$block"; do
    wine64 "$ZENT_REG" add "$key" /v "${setting%%:*}" /t REG_DWORD /d "${setting#*:}" /f /reg:64 >/dev/null
  done
  # The Wine server may outlive the seeding: only what it spends from here on
  # counts.
  local log start server_before server_cpu_before=0
  server_before=$(prefix_wineserver)
  [ -z "$server_before" ] || server_cpu_before=$(cpu_seconds "$server_before")
  log=$(mktemp)
  start=$(date +%s.%N)
  WINEDEBUG=$saver_status_channels wine64 "$program" /S 2>"$log" &
  local pid=$! deadline=$((SECONDS + completion_timeout)) elapsed=
  while [ "$SECONDS" -lt "$deadline" ] && kill -0 "$pid" 2>/dev/null; do
    if saver_status_reached "$log" "$completion"; then
      elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
      break
    fi
    sleep 0.1
  done
  local cpu server
  cpu=$(cpu_seconds "$pid")
  server=$(prefix_wineserver)
  if [ -z "$server" ]; then
    server="?"
  elif [ "$server" = "$server_before" ]; then
    server=$(awk -v a="$server_cpu_before" -v b="$(cpu_seconds "$server")" \
      'BEGIN { printf "%.1f", b - a }')
  else
    server=$(cpu_seconds "$server")
  fi
  end_saver_with_key "$pid" >/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -n "$elapsed" ] || { echo "no \"$completion\" within $completion_timeout s" >&2; exit 1; }
  echo "RESULT $elapsed $cpu $server"
}

if [ "${1:-}" = --inside ]; then
  shift
  measure_inside "$@"
  exit
fi

cd "$here/.."
program=${1:-build/win64/ZentSaver.scr}
rounds=${2:-1}
[ -f "$program" ] || { echo "$0: $program does not exist (build the win64 preset)" >&2; exit 2; }
command -v xdotool >/dev/null || { echo "$0: xdotool is missing (tools/setup.sh)" >&2; exit 2; }
# One virtual screen of our own for every run, so that its CPU time can be read.
# shellcheck source=tools/lib/demo-screen.sh
source "$here/lib/demo-screen.sh"
require_screen_tools
start_screen 1024x768

# run LABEL STARS BLOCK SPEED: prints "elapsed saver-cpu wineserver-cpu
# xvfb-cpu" of one sandboxed run.
run() {
  local output xvfb_before
  xvfb_before=$(cpu_seconds "$xvfb_pid")
  output=$("$here/wine-sandbox.sh" --copy "$program" -- \
    "$here/measure-starfield-cost.sh" --inside "$(basename "$program")" "$2" "$3" "$4")
  local result
  result=$(grep '^RESULT ' <<<"$output" | tail -n 1)
  [ -n "$result" ] || { echo "$0: the run with $1 gave no result" >&2; exit 1; }
  # shellcheck disable=SC2086  # the result's words
  set -- $result
  echo "$2 $3 $4 $(awk -v a="$xvfb_before" -v b="$(cpu_seconds "$xvfb_pid")" \
    'BEGIN { printf "%.1f", b - a }')"
}

line() { printf '%-6s %-27s %12s %10s %15s %10s\n' "$@"; }
line round stars 'to "done" s' 'saver cpu' 'wineserver cpu' 'Xvfb cpu'
for round in $(seq "$rounds"); do
  result=$(run "1 star" 0 0 1) || exit 1
  read -r few_s few_cpu few_server few_x <<<"$result"
  line "$round" "1 star" "$few_s" "$few_cpu" "$few_server" "$few_x"
  result=$(run "5001 block stars" 5000 1 10) || exit 1
  read -r many_s many_cpu many_server many_x <<<"$result"
  line "$round" "5001 block stars, speed 10" "$many_s" "$many_cpu" "$many_server" "$many_x"
  awk -v a="$many_s" -v b="$few_s" -v c="$many_cpu" -v d="$few_cpu" 'BEGIN {
    printf "round ratio, 5001 blocks / 1 star: time %.2f", a / b
    if (c != "?" && d != "?" && d > 0) printf ", saver cpu %.2f", c / d
    printf " (goal: time at most 1.15)\n" }'
done
