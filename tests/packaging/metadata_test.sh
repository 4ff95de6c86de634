#!/usr/bin/env bash
# The desktop entry, the AppStream data, the manual pages and the file type
# pass the tools that desktops and distributions check them with.
# Usage: metadata_test.sh SOURCE_DIR BUILD_DIR APP_ID
set -euo pipefail
src=$1 build=$2 id=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
check() { # name, then a command that must succeed quietly
  local name=$1
  shift
  if out=$("$@" 2>&1) && [ -z "$out" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name" >&2
    echo "$out" >&2
  fi
}

check "desktop entry: no error, warning or hint" desktop-file-validate "$src/packaging/tarnexfast.desktop"

appstream() { appstreamcli validate --no-net "$build/packaging/$id.metainfo.xml" >"$tmp/appstream" 2>&1 ||
  { cat "$tmp/appstream"; return 1; }; }
check "AppStream data valid" appstream

man_warnings() { MANWIDTH=80 man --warnings=w -E UTF-8 -l "$1" 2>&1 >/dev/null; }
for page in "$build"/packaging/man/*.1; do
  check "manual page $(basename "$page") without warnings" man_warnings "$page"
done

# The file type: installed into a private database, .KVX files get it.
mime() {
  mkdir -p "$tmp/mime/packages"
  cp /usr/share/mime/packages/freedesktop.org.xml "$tmp/mime/packages/"
  cp "$src/packaging/tarnexfast.mime.xml" "$tmp/mime/packages/$id.xml"
  update-mime-database "$tmp/mime" >/dev/null 2>&1
  grep -q ':application/x-tarnexfast-kvx:\*\.kvx$' "$tmp/mime/globs2" || { echo "no glob in globs2"; return 1; }
  # The desktop entry and the file-manager actions open files with it.
  grep -qx 'MimeType=application/x-tarnexfast-kvx;' "$src/packaging/tarnexfast.desktop" || echo "desktop entry lacks the type"
  grep -qx 'Exec=tarnexfast %F' "$src/packaging/tarnexfast.desktop" || echo "desktop entry does not pass files"
  grep -qx 'Exec=tarnexfast %F' "$src/packaging/file-managers/tarnexfast.servicemenu.desktop" || echo "service menu"
  grep -qx 'Exec=tarnexfast %F' "$src/packaging/file-managers/tarnexfast.nemo_action" || echo "Nemo action"
}
check "file type and its users" mime

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
