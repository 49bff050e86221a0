#!/bin/sh
# Fails when the program links a library it should load only on first use: cfitsio brings
# a TLS and Kerberos stack whose loading costs every start about 11 ms.
# Usage: lazy_libraries.sh OBJDUMP PROGRAM
set -eu
needed=$("$1" -p "$2" | grep NEEDED)
echo "$needed" | grep -q 'libc\.so' || { echo "no NEEDED entries read from $2" >&2; exit 1; }
if echo "$needed" | grep cfitsio >&2; then
  echo "$2 links cfitsio at start" >&2
  exit 1
fi
