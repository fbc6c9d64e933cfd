#!/usr/bin/env bash
# Checks the built Tapivex.exe: ASLR and DEP are on, it is a GUI program, and
# it imports only DLLs that Windows loads from the system folder whatever lies
# beside the program (known DLLs, and comctl32 through its side-by-side manifest).
set -euo pipefail
exe="$1"
# The objdump of the executable's own processor (i686, or x86_64 for the tests' 64-bit build).
headers="$(i686-w64-mingw32-objdump -p "$exe" 2>/dev/null || x86_64-w64-mingw32-objdump -p "$exe")"
fail=0

for flag in DYNAMIC_BASE NX_COMPAT; do
  grep -q "^[[:space:]]*$flag\$" <<<"$headers" || { echo "missing $flag"; fail=1; }
done
grep -q '^Subsystem[[:space:]]*00000002' <<<"$headers" || { echo "not a GUI program"; fail=1; }

allowed=' advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll '
while read -r dll; do
  [[ "$allowed" == *" ${dll,,} "* ]] || { echo "imports $dll, which Windows does not protect"; fail=1; }
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

size=$(stat -c %s "$exe")
(( size < 1048576 )) || { echo "$exe is $size bytes, not under 1 MiB"; fail=1; }

if ((fail)); then exit 1; fi
echo "$exe: ASLR and DEP on, GUI, $size bytes, imports only protected system DLLs"
