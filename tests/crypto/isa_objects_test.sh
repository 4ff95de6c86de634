#!/usr/bin/env bash
# Every object given was compiled for particular instructions and is only
# called after the CPU was found to have them. An inline or template function
# that it defines as a weak symbol could be the copy the linker keeps for
# plain code as well, which would then run those instructions on CPUs that
# lack them; so such objects may define no weak code at all.
set -euo pipefail
[ $# -gt 0 ] || { echo "no objects given" >&2; exit 1; }
status=0
for obj in "$@"; do
  # DW.ref.* are the exception tables' pointers to the personality routine: data, not code.
  shared=$(nm -C --defined-only "$obj" | awk '$2 ~ /^[WwVvui]$/ && $3 !~ /^DW\.ref\./')
  if [ -n "$shared" ]; then
    echo "$(basename "$obj") defines code the linker may share with plain code:"
    echo "$shared"
    status=1
  else
    echo "$(basename "$obj"): no shared code"
  fi
done
exit $status
