#!/usr/bin/env bash
# Fails unless the library exports exactly the given names, undecorated.
# Usage: check-exports.sh OBJDUMP MODULE NAME...
set -u
objdump=$1
module=$2
shift 2
expected=$(printf '%s\n' "$@" | sort)
actual=$("$objdump" -p "$module" | awk '/\[Ordinal\/Name Pointer\] Table/ {inside=1; next}
    inside && /^[[:space:]]*\[/ {print $NF; next}
    inside {inside=0}' | sort)
if [ "$actual" != "$expected" ]; then
    echo "$(basename "$module") exports:"; printf '  %s\n' $actual
    echo "expected:"; printf '  %s\n' $expected
    exit 1
fi
echo "$(basename "$module") exports exactly:" $actual
