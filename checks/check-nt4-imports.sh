#!/usr/bin/env bash
# Fails when a module imports a function that Windows NT 4.0 does not have: the loader there
# would refuse to start the program or load the library.
# Usage: check-nt4-imports.sh OBJDUMP MODULE...
set -u
objdump=$1
shift
# Later-system functions that toolchains pull in unnoticed, and the CRT's *_s family.
absent='^(GetTickCount64|AddVectoredExceptionHandler|RemoveVectoredExceptionHandler|AddVectoredContinueHandler|RemoveVectoredContinueHandler|.*SRWLock.*|.*ConditionVariable.*|InitOnce.*|Fls(Alloc|Free|GetValue|SetValue)|GetModuleHandleEx[AW]?|ReplaceFile[AW]?|GetFileSizeEx|SetFilePointerEx|GetLongPathName[AW]?|CreateHardLink[AW]?|MoveFileWithProgress[AW]?|GetNativeSystemInfo|IsWow64Process|SetDllDirectory[AW]?|EncodePointer|DecodePointer|QueueUserWorkItem|CreateTimerQueue.*|GetProcessId|RegGetValue[AW]?|RegDeleteTree[AW]?|RegOpenCurrentUser|GetAncestor|Monitor.*|GetMonitorInfo[AW]?|AllowSetForegroundWindow|SetLayeredWindowAttributes|GetLayeredWindowAttributes|UpdateLayeredWindow.*|GetLastInputInfo|InitCommonControlsEx|.*_s|InitializeCriticalSectionEx|CompareStringEx|LCMapStringEx|GetLocaleInfoEx|GetSystemTimePreciseAsFileTime|GetSystemTimeAsPreciseFileTime|___lc_codepage_func|___mb_cur_max_func|_set_invalid_parameter_handler)$'
# Libraries that NT 4.0 does not ship.
absent_dlls='^(api-ms-win-.*|libwinpthread-1\.dll|libgcc_s_.*\.dll|libstdc\+\+-6\.dll|ucrtbase\.dll|vcruntime.*\.dll|msvcr[0-9]+\.dll)$'

status=0
for module in "$@"; do
    dump=$("$objdump" -p "$module") || { echo "cannot read $module"; status=1; continue; }
    dlls=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
    names=$(printf '%s\n' "$dump" | awk '/^[[:space:]]*DLL Name:/ {inside=1; next}
        inside && /^[[:space:]]*[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_]/ {print $3}
        /^$/ {inside=0}')
    bad=$(printf '%s\n' "$names" | grep -E "$absent" | sort -u)
    baddll=$(printf '%s\n' "$dlls" | grep -i -E "$absent_dlls" | sort -u)
    if [ -n "$bad$baddll" ]; then
        echo "$(basename "$module"): imports that Windows NT 4.0 lacks:" $bad $baddll
        status=1
    else
        echo "$(basename "$module"): $(printf '%s\n' "$names" | grep -c .) imports from $(printf '%s\n' "$dlls" | tr '\n' ' ')- all present on NT 4.0"
    fi
done
exit $status
