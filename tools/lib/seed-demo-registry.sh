# shellcheck shell=bash
# The main job's demo machine (sourced, not run, inside a Wine sandbox): the
# product's settings asking for eleven registry scans, and in each of the
# eleven places one entry that names a file which is gone and one whose file
# exists (some valid ones lie where a cut command line would miss them: the
# uninstall entry's program in a folder named "J.Doe Smith", the file type's
# program in a folder named "Here.exec"; programs quoted and followed at once
# by their arguments; a library with a version whose file is gone, a class
# whose in-process server is gone and a file type whose open program is gone,
# each still working by another part; a shared folder whose name holds a dot).
# After the saver has run, report_demo tells which entries went, which stayed
# and where the backup of the removed ones is. The registry tools run as
# 64-bit programs, on the 64-bit view the saver sees.

demo_product='C:\Kelvaro-ZENT'
demo_root='C:\ZentDemo'
demo_key_app_paths='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'
demo_key_help='HKLM\SOFTWARE\Microsoft\Windows\Help'
demo_key_shared='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs'
demo_key_fonts='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Fonts'
demo_key_sounds='HKCU\AppEvents\Schemes\Apps\ZentDemo'
demo_key_clsid='HKCR\CLSID'
demo_key_libraries='HKCR\TypeLib'
demo_key_uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
demo_key_autorun='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
demo_key_classes='HKCR'

# C:\A\B -> the file's place on the Linux side of the prefix.
demo_unix_path() {
  local path=${1#C:\\}
  printf '%s/drive_c/%s' "$WINEPREFIX" "${path//\\//}"
}

# Only the "Here" folders exist; nothing named in "Gone" does. The valid file
# type's program lies in a folder whose name begins like a program name
# ("Here.exec"), where a command cut after its first ".EXE" would end.
seed_demo_files() {
  local here
  here=$(demo_unix_path "$demo_root\\Here")
  mkdir -p "$here" "$(demo_unix_path "$demo_product")" "$(demo_unix_path "$demo_root\\J.Doe Smith")"
  local file
  for file in ZentDemoHere.exe zenthere.hlp zenthere.dll zenthere.ttf here.wav zenthere.tlb; do
    : >"$here/$file"
  done
  : >"$(demo_unix_path "$demo_root\\J.Doe Smith")/uninst.exe"
  mkdir -p "$(demo_unix_path "$demo_root\\Here.exec")" "$(demo_unix_path "$demo_root\\Here\\ZShared\\10.0")"
  : >"$(demo_unix_path "$demo_root\\Here.exec\\ZentView.exe")"
}

# Written for the registry editor's import: REGEDIT4, backslashes doubled.
write_demo_registry_script() {
  cat <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Ortavo\Kelvaro-ZENT]
"EXEPath"="C:\\Kelvaro-ZENT"

[HKEY_LOCAL_MACHINE\SOFTWARE\Ortavo\Kelvaro-ZENT\Saver]
"MODE"=dword:00000002

[HKEY_LOCAL_MACHINE\SOFTWARE\Ortavo\Kelvaro-ZENT\Options]
"CUSTOM-REG"=dword:00000001
"REG-SHARED_DLLS"=dword:00000001
"REG-FONTS"=dword:00000001
"REG-MEDIA"=dword:00000001
"REG-HELPS"="1"
"REG-APPS"=dword:00000001
"REG-COM"=dword:00000001
"REG-ACTIVEX"=dword:00000001
"REG-UNINSTALL"=dword:00000001
"REG-AUTORUN"=dword:00000001
"REG-FILE_FORMATE"=dword:00000001
"REG-ICONS"=dword:00000001
"CHECKDRIVE_C"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\ZentDemoGone.exe]
@="C:\\ZentDemo\\Gone\\ZentDemoGone.exe"
"Path"="C:\\ZentDemo\\Gone"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\ZentDemoHere.exe]
@="\"C:\\ZentDemo\\Here\\ZentDemoHere.exe\" /x"
"Path"="C:\\ZentDemo\\Here"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\Help]
"zentgone.hlp"="C:\\ZentDemo\\Gone"
"zenthere.hlp"="C:\\ZentDemo\\Here"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs]
"C:\\ZentDemo\\Gone\\zentgone.dll"=dword:00000001
"C:\\ZentDemo\\Here\\zenthere.dll"=dword:00000001
"C:\\ZentDemo\\Here\\ZShared\\10.0"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Fonts]
"Zent Demo Gone (TrueType)"="C:\\ZentDemo\\Gone\\zentgone.ttf"
"Zent Demo Here (TrueType)"="C:\\ZentDemo\\Here\\zenthere.ttf"

[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\ZentDemo\GoneEvent\.current]
@="C:\\ZentDemo\\Gone\\gone.wav"

[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\ZentDemo\HereEvent\.current]
@="C:\\ZentDemo\\Here\\here.wav"

[HKEY_CLASSES_ROOT\CLSID\{5A1E7E57-0000-4000-8000-00000000DEAD}]
@="Zent Demo Gone Class"

[HKEY_CLASSES_ROOT\CLSID\{5A1E7E57-0000-4000-8000-00000000DEAD}\InprocServer32]
@="C:\\ZentDemo\\Gone\\zentgone.dll"

[HKEY_CLASSES_ROOT\CLSID\{5A1E7E57-0000-4000-8000-00000000BEEF}]
@="Zent Demo Here Class"

[HKEY_CLASSES_ROOT\CLSID\{5A1E7E57-0000-4000-8000-00000000BEEF}\InprocServer32]
@="C:\\ZentDemo\\Gone\\zentgone.dll"

[HKEY_CLASSES_ROOT\CLSID\{5A1E7E57-0000-4000-8000-00000000BEEF}\LocalServer32]
@="\"C:\\ZentDemo\\Here\\ZentDemoHere.exe\"-Embedding"

[HKEY_CLASSES_ROOT\TypeLib\{5A1E7E57-0001-4000-8000-00000000DEAD}\1.0]
@="Zent Demo Gone Library"

[HKEY_CLASSES_ROOT\TypeLib\{5A1E7E57-0001-4000-8000-00000000DEAD}\1.0\0\win32]
@="C:\\ZentDemo\\Gone\\zentgone.tlb"

[HKEY_CLASSES_ROOT\TypeLib\{5A1E7E57-0001-4000-8000-00000000BEEF}\1.0]
@="Zent Demo Here Library"

[HKEY_CLASSES_ROOT\TypeLib\{5A1E7E57-0001-4000-8000-00000000BEEF}\1.0\0\win32]
@="C:\\ZentDemo\\Here\\zenthere.tlb"

[HKEY_CLASSES_ROOT\TypeLib\{5A1E7E57-0001-4000-8000-00000000BEEF}\0.9]
@="Zent Demo Here Library"

[HKEY_CLASSES_ROOT\TypeLib\{5A1E7E57-0001-4000-8000-00000000BEEF}\0.9\0\win32]
@="C:\\ZentDemo\\Gone\\zentold.tlb"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZentDemoGone]
"DisplayName"="Zent Demo Gone"
"UninstallString"="\"C:\\ZentDemo\\Gone\\uninst.exe\" /S"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZentDemoHere]
"DisplayName"="Zent Demo Here"
"UninstallString"="C:\\ZentDemo\\J.Doe Smith\\uninst.exe /S"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"ZentDemoGone"="C:\\ZentDemo\\Gone\\zentgone.exe -autostart"
"ZentDemoHere"="\"C:\\ZentDemo\\Here\\ZentDemoHere.exe\"--autostart"
[HKEY_CLASSES_ROOT\.zentgone]
@="ZentDemo.GoneFile"

[HKEY_CLASSES_ROOT\ZentDemo.GoneFile\shell\open\command]
@="\"C:\\ZentDemo\\Gone\\ZentDemoGone.exe\" \"%1\""

[HKEY_CLASSES_ROOT\.zenthere]
@="ZentDemo.HereFile"

[HKEY_CLASSES_ROOT\ZentDemo.HereFile\shell\open\command]
@="\"C:\\ZentDemo\\Here.exec\\ZentView.exe\"-open \"%1\""

[HKEY_CLASSES_ROOT\.zenthereprint]
@="ZentDemo.HerePrintFile"

[HKEY_CLASSES_ROOT\ZentDemo.HerePrintFile\shell\open\command]
@="\"C:\\ZentDemo\\Gone\\ZentDemoGone.exe\" \"%1\""

[HKEY_CLASSES_ROOT\ZentDemo.HerePrintFile\shell\print\command]
@="\"C:\\ZentDemo\\Here\\ZentDemoHere.exe\" /p \"%1\""

[HKEY_CLASSES_ROOT\ZentDemo.GoneIcon\DefaultIcon]
@="C:\\ZentDemo\\Gone\\zentgone.dll,1"

[HKEY_CLASSES_ROOT\ZentDemo.HereIcon\DefaultIcon]
@="\"C:\\ZentDemo\\Here\\zenthere.dll\",0"
EOF
}

seed_demo() {
  seed_demo_files
  local script="$ZENT_FIXTURES/seed.reg"
  write_demo_registry_script | sed 's/$/\r/' >"$script"
  wine64 "$ZENT_REGEDIT" /s "$ZENT_FIXTURES_DRIVE\\seed.reg"
  wine64 "$ZENT_REG" query 'HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT\Options' /v CUSTOM-REG /reg:64 >/dev/null 2>&1 ||
    { echo "demo: the registry could not be seeded (no CUSTOM-REG in the 64-bit view)" >&2; return 1; }
  echo "Seeded the sandbox registry: eleven scans chosen, one orphaned and one valid entry each."
}

# The data of a value ("" = the key's default value); fails when it is missing.
demo_value_data() {
  local key=$1 name=$2 output
  if [ -z "$name" ]; then
    output=$(wine64 "$ZENT_REG" query "$key" /ve /reg:64 2>/dev/null) || return 1
  else
    output=$(wine64 "$ZENT_REG" query "$key" /v "$name" /reg:64 2>/dev/null) || return 1
  fi
  printf '%s\n' "$output" | tr -d '\r' | awk -F '    ' '/    REG_/ { print $4; exit }'
}

# A query that fails is asked once more before the key counts as gone, so that
# one failed start of the registry tool under load is not taken for a removal.
demo_key_exists() {
  wine64 "$ZENT_REG" query "$1" /reg:64 >/dev/null 2>&1 ||
    wine64 "$ZENT_REG" query "$1" /reg:64 >/dev/null 2>&1
}

# One line per entry: removed (the key or value is gone), emptied (a sound's
# file name was cleared, which is how a sound is taken out) or kept.
demo_entry_state() {
  local key=$1 name=${2-} data
  if [ "$name" = '(key)' ]; then
    demo_key_exists "$key" && echo kept || echo removed
  elif ! data=$(demo_value_data "$key" "$name") && ! data=$(demo_value_data "$key" "$name"); then
    echo removed
  elif [ -z "$data" ]; then
    echo emptied
  else
    echo kept
  fi
}

# demo_report_line gone|here CATEGORY ENTRY KEY NAME: an orphaned entry (gone)
# is to be taken out, a valid one (here) kept; report_demo counts the others.
demo_unexpected=0
demo_report_line() {
  local kind=$1 category=$2 entry=$3 key=$4 name=$5 state note=
  state=$(demo_entry_state "$key" "$name")
  case "$kind:$state" in
    gone:removed | gone:emptied | here:kept) ;;
    gone:*) note='   <- should have been removed'; demo_unexpected=$((demo_unexpected + 1)) ;;
    *) note='   <- should have been kept'; demo_unexpected=$((demo_unexpected + 1)) ;;
  esac
  printf '  %-8s %-12s %s%s\n' "$state" "$category" "$entry" "$note"
}

demo_backup_report() {
  local folder backup
  folder=$(demo_unix_path "$demo_product\\BACKUP")
  backup=
  if [ -d "$folder" ]; then
    backup=$(find "$folder" -maxdepth 1 -name '*.reg' ! -name 1.reg ! -name dummy.reg | sort |
      tail -n 1)
  fi
  if [ -z "$backup" ]; then
    echo "No dated backup in $demo_product\\BACKUP."
    return
  fi
  echo "Backup of what was removed: $demo_product\\BACKUP\\$(basename "$backup")"
  echo "  its sections:"
  # The registry editor of the NT family exports in UTF-16.
  if [ "$(head -c 2 "$backup" | od -An -tx1 | tr -d ' ')" = fffe ]; then
    iconv -f UTF-16 -t UTF-8 "$backup"
  else
    cat "$backup"
  fi | tr -d '\r' | grep '^\[' | sed 's/^/    /'
}

# The class, library, uninstall and autostart entries of one kind.
demo_program_lines() {
  local kind=$1 word=$2 tail=$3
  local class="{5A1E7E57-0000-4000-8000-00000000$tail}" library="{5A1E7E57-0001-4000-8000-00000000$tail}"
  demo_report_line "$kind" 'COM class' "$class" "$demo_key_clsid\\$class" '(key)'
  demo_report_line "$kind" 'Type lib' "$library" "$demo_key_libraries\\$library" '(key)'
  demo_report_line "$kind" 'Uninstall' "ZentDemo$word" "$demo_key_uninstall\\ZentDemo$word" '(key)'
  demo_report_line "$kind" 'Autorun' "ZentDemo$word" "$demo_key_autorun" "ZentDemo$word"
}

# Fails when an entry did not end as it should.
report_demo() {
  echo "Orphaned entries (their files are gone):"
  demo_report_line gone 'App Paths' ZentDemoGone.exe "$demo_key_app_paths\\ZentDemoGone.exe" '(key)'
  demo_report_line gone 'Help' zentgone.hlp "$demo_key_help" zentgone.hlp
  demo_report_line gone 'SharedDLLs' 'C:\ZentDemo\Gone\zentgone.dll' "$demo_key_shared" \
    'C:\ZentDemo\Gone\zentgone.dll'
  demo_report_line gone 'Fonts' 'Zent Demo Gone (TrueType)' "$demo_key_fonts" \
    'Zent Demo Gone (TrueType)'
  demo_report_line gone 'Sounds' 'ZentDemo\GoneEvent' "$demo_key_sounds\\GoneEvent\\.current" ''
  demo_program_lines gone Gone DEAD
  demo_report_line gone 'File types' .zentgone "$demo_key_classes\\.zentgone" '(key)'
  demo_report_line gone 'File types' ZentDemo.GoneFile "$demo_key_classes\\ZentDemo.GoneFile" '(key)'
  demo_report_line gone 'Icons' 'ZentDemo.GoneIcon\DefaultIcon' \
    "$demo_key_classes\\ZentDemo.GoneIcon\\DefaultIcon" ''
  echo "Valid entries (their files exist):"
  demo_report_line here 'App Paths' ZentDemoHere.exe "$demo_key_app_paths\\ZentDemoHere.exe" '(key)'
  demo_report_line here 'Help' zenthere.hlp "$demo_key_help" zenthere.hlp
  demo_report_line here 'SharedDLLs' 'C:\ZentDemo\Here\zenthere.dll' "$demo_key_shared" \
    'C:\ZentDemo\Here\zenthere.dll'
  demo_report_line here 'SharedDLLs' 'C:\ZentDemo\Here\ZShared\10.0' "$demo_key_shared" \
    'C:\ZentDemo\Here\ZShared\10.0'
  demo_report_line here 'Fonts' 'Zent Demo Here (TrueType)' "$demo_key_fonts" \
    'Zent Demo Here (TrueType)'
  demo_report_line here 'Sounds' 'ZentDemo\HereEvent' "$demo_key_sounds\\HereEvent\\.current" ''
  demo_program_lines here Here BEEF
  demo_report_line here 'File types' .zenthere "$demo_key_classes\\.zenthere" '(key)'
  demo_report_line here 'File types' ZentDemo.HereFile "$demo_key_classes\\ZentDemo.HereFile" '(key)'
  demo_report_line here 'File types' .zenthereprint "$demo_key_classes\\.zenthereprint" '(key)'
  demo_report_line here 'File types' ZentDemo.HerePrintFile \
    "$demo_key_classes\\ZentDemo.HerePrintFile" '(key)'
  demo_report_line here 'Icons' 'ZentDemo.HereIcon\DefaultIcon' \
    "$demo_key_classes\\ZentDemo.HereIcon\\DefaultIcon" ''
  echo "Entries the fresh prefix already had whose files are missing on C: (such as Wine's own"
  echo "bitmap fonts) were found and removed too; the backup holds them as well."
  demo_backup_report
  [ "$demo_unexpected" -eq 0 ]
}
