#!/usr/bin/env bash
# Checks the DLL's export table and imports: the 14 exports by name, undecorated, and only
# system DLLs imported.
set -uo pipefail
dll=${1:?usage: check_exports.sh DLL}
dump=$(i686-w64-mingw32-objdump -p "$dll") || exit 1
expected="ExecutePluginCommand GetAppMinVersion GetCustomCommands GetData GetEvents GetLogEx
GetModuleDescription GetModuleInfo GetModuleType GetPluginIntfVersion MultiThreadSupport
ProcessData ShowOptionsDialog madTraceProcess"
names=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^[ \t]*\[/{print $NF} t&&/^$/{t=0}' | sort)
want=$(printf '%s\n' $expected | sort)
status=0
if [ "$names" != "$want" ]; then
  echo "export table differs:"
  diff <(printf '%s\n' "$want") <(printf '%s\n' "$names")
  status=1
fi
allowed='^(KERNEL32|USER32|ADVAPI32|OLE32|OLEAUT32|VERSION|COMCTL32|SHELL32|GDI32|msvcrt|COMDLG32|HHCTRL|SHLWAPI)\.dll$'
while read -r dllname; do
  if ! printf '%s\n' "$dllname" | grep -qiE "$allowed"; then
    echo "imports a non-system DLL: $dllname"
    status=1
  fi
done < <(printf '%s\n' "$dump" | awk '/DLL Name:/{print $3}')
[ $status -eq 0 ] && echo "export table: 14 undecorated names; imports: $(printf '%s\n' "$dump" | awk '/DLL Name:/{printf "%s ", $3}')"
exit $status
