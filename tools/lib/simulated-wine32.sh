#!/bin/sh
# A test aid, not part of the product. With ZENT_SIMULATE_WINE32=1,
# tools/wine-sandbox.sh makes this the sandbox's plain "wine" (and
# "wine-stable"): it stands for Debian's wine script on a machine where the
# 32-bit loader runs, which the script then prefers. There the registry tools
# started through plain "wine" are 32-bit programs and see the 32-bit view of
# HKLM\Software (Wow6432Node); so here
#   reg ARGS                    runs with /reg:32, unless ARGS name a view;
#   regedit [/s] FILE           imports FILE into the 32-bit view
#                               (reg import FILE /reg:32);
#   regedit [/s] /e FILE KEY    exports KEY from the 32-bit view
#                               (reg export KEY FILE /reg:32 /y);
# any other use of regedit is refused. Everything else runs with the 64-bit
# loader, as the 32-bit loader hands a 64-bit program over to it. Not
# simulated: 32-bit programs themselves (a kernel without 32-bit support
# cannot run them) and the folder redirection 32-bit programs see.
set -eu

lower() { printf '%s' "$1" | tr '[:upper:]' '[:lower:]'; }

tool=$(lower "${1:-}")
tool=${tool##*\\}
tool=${tool%.exe}
case "$tool" in
  reg)
    for argument in "$@"; do
      case "$(lower "$argument")" in /reg:32 | /reg:64) exec wine64 "$@" ;; esac
    done
    exec wine64 "$@" /reg:32
    ;;
  regedit)
    shift
    if [ "$(lower "${1:-}")" = /s ]; then shift; fi
    if [ $# -eq 1 ]; then
      wine64 "$ZENT_REG" import "$1" /reg:32 >/dev/null
      exit
    fi
    if [ $# -eq 3 ] && [ "$(lower "$1")" = /e ]; then
      wine64 "$ZENT_REG" export "$3" "$2" /reg:32 /y >/dev/null
      exit
    fi
    echo "wine (32-bit registry view simulated): regedit $* is not simulated" >&2
    exit 2
    ;;
esac
exec wine64 "$@"
