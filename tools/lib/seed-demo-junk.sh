# shellcheck shell=bash
# The file part of the demo (sourced, not run, inside a Wine sandbox): a
# planted tree of junk and keepers on the sandbox's fixtures drive, the file
# switches and that drive chosen in the product's options, and after the run
# a list of what went to the recycle bin and what stayed.

demo_junk_folder=junkdemo
# Junk the sweep takes: temporary, backup and .BAK files, a check-disk
# fragment, a temporary installation file and a temporary folder's file.
demo_junk_files=(A.TMP OLD.BAK 'X.~DF' FILE0000.CHK 'SETUP.$$$' 'SUB/~SETUP/SETUP.INI')
# Keepers: a plain file, a database checkpoint, names that only look like
# backups, and a read-only temporary file (write-protected files stay).
demo_junk_keepers=(KEEP.TXT edb.chk 'X.~ABC' 'NOTES.~' READONLY.TMP)

demo_junk_unix() { printf '%s/%s/%s' "$ZENT_FIXTURES" "$demo_junk_folder" "$1"; }

seed_demo_junk() {
  local name
  for name in "${demo_junk_files[@]}" "${demo_junk_keepers[@]}"; do
    mkdir -p "$(dirname "$(demo_junk_unix "$name")")"
    echo "$name" >"$(demo_junk_unix "$name")"
  done
  chmod a-w "$(demo_junk_unix READONLY.TMP)"
  local options='HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT\Options' value
  local letter=${ZENT_FIXTURES_DRIVE%:}
  for value in CUSTOM-FILES FILES-CHK FILES-TMPINSTFILES FILES-BACKUPS FILES-TMP FILES-BAK \
    CUSTOM-TMPFOLDERS "DRIVE_$letter" "CHECKDRIVE_$letter"; do
    wine64 "$ZENT_REG" add "$options" /v "$value" /t REG_DWORD /d 1 /f /reg:64 >/dev/null
  done
  echo "Planted junk and keepers in $ZENT_FIXTURES_DRIVE\\$demo_junk_folder; the file sweep walks that drive."
}

# recycled: gone from its place and in the sandbox's trash; kept: still there.
demo_junk_state() {
  local name=$1
  if [ -e "$(demo_junk_unix "$name")" ]; then
    echo kept
  elif [ -n "$(find "$XDG_DATA_HOME/Trash/files" -name "$(basename "$name")*" -print -quit \
    2>/dev/null)" ]; then
    echo recycled
  else
    echo lost
  fi
}

# Fails when a file did not end as it should.
report_demo_junk() {
  local name state unexpected=0
  echo "Junk files on $ZENT_FIXTURES_DRIVE\\$demo_junk_folder:"
  for name in "${demo_junk_files[@]}"; do
    state=$(demo_junk_state "$name")
    [ "$state" = recycled ] || unexpected=$((unexpected + 1))
    printf '  %-9s %s%s\n' "$state" "$name" "$([ "$state" = recycled ] || echo '   <- should be in the recycle bin')"
  done
  echo "Keepers:"
  for name in "${demo_junk_keepers[@]}"; do
    state=$(demo_junk_state "$name")
    [ "$state" = kept ] || unexpected=$((unexpected + 1))
    printf '  %-9s %s%s\n' "$state" "$name" "$([ "$state" = kept ] || echo '   <- should have stayed')"
  done
  [ "$unexpected" -eq 0 ]
}
