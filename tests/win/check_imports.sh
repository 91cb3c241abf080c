#!/bin/sh
# Each binary given may import only DLLs that come with every Windows: the C++ runtime,
# libwinpthread, SDL and the decoders are inside the binaries themselves.
#
#   check_imports.sh OBJDUMP BINARY...
set -eu
objdump=$1
shift

# Lower case; the system DLLs that SDL and the C runtime use.
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll"
allowed="$allowed imm32.dll version.dll winmm.dll setupapi.dll msvcrt.dll"

status=0
for binary in "$@"; do
  imports=$("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  if [ -z "$imports" ]; then
    echo "FAIL $binary: no import table found" >&2
    status=1
    continue
  fi
  for dll in $imports; do
    case " $allowed " in
      *" $dll "*) ;;
      *)
        echo "FAIL $binary imports $dll, which Windows does not ship" >&2
        status=1
        ;;
    esac
  done
  echo "$binary imports:" $imports
done
exit $status
