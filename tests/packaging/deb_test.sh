#!/usr/bin/env bash
# Builds the Debian package from this build tree, unpacks it as dpkg would
# and checks what it holds: the file list, stripped programs that run, the
# dependencies, and no error from lintian.
# Usage: deb_test.sh BUILD_DIR VERSION APP_ID
set -euo pipefail
build=$1 version=$2 id=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack could not build the package"; }
deb="$tmp/out/tarnexfast_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$tmp/out")"

dpkg-deb -x "$deb" "$tmp/root"
(cd "$tmp/root" && find . ! -type d | sed 's|^\./|/|' | LC_ALL=C sort) >"$tmp/files"
{
  echo /usr/bin/tarnexfast
  echo /usr/bin/tarnexfast-cli
  echo "/usr/share/applications/$id.desktop"
  echo /usr/share/bash-completion/completions/tarnexfast-cli
  echo /usr/share/doc/tarnexfast/changelog.gz
  echo /usr/share/doc/tarnexfast/copyright
  echo /usr/share/fish/vendor_completions.d/tarnexfast-cli.fish
  for size in 16 22 24 32 48 64 128 256; do
    echo "/usr/share/icons/hicolor/${size}x${size}/apps/tarnexfast.png"
  done
  echo /usr/share/icons/hicolor/scalable/apps/tarnexfast.svg
  echo "/usr/share/kio/servicemenus/$id.desktop"
  echo /usr/share/man/man1/tarnexfast-cli.1.gz
  echo /usr/share/man/man1/tarnexfast.1.gz
  echo "/usr/share/metainfo/$id.metainfo.xml"
  echo "/usr/share/mime/packages/$id.xml"
  echo /usr/share/nemo/actions/tarnexfast.nemo_action
  echo /usr/share/zsh/vendor-completions/_tarnexfast-cli
} | LC_ALL=C sort >"$tmp/expected"
diff -u "$tmp/expected" "$tmp/files" || fail "the package's files differ from the list above"

for size in 16 22 24 32 48 64 128 256; do
  file "$tmp/root/usr/share/icons/hicolor/${size}x${size}/apps/tarnexfast.png" |
    grep -q "PNG image data, $size x $size," || fail "the ${size}x${size} icon is not ${size} pixels square"
done

for program in tarnexfast tarnexfast-cli; do
  if readelf -S "$tmp/root/usr/bin/$program" | grep -E '\.(symtab|debug_info)' >/dev/null; then
    fail "$program is not stripped"
  fi
done
out=$("$tmp/root/usr/bin/tarnexfast-cli" --version) || fail "the unpacked tarnexfast-cli --version failed"
[ "$out" = "tarnexfast-cli $version" ] || fail "tarnexfast-cli --version said '$out'"

depends=$(dpkg-deb -f "$deb" Depends)
names=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
  grep -qxF "$library" <<<"$names" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = qt6-wayland ] || fail "Recommends is not qt6-wayland"

lintian --no-tag-display-limit "$deb" >"$tmp/lintian" 2>&1 || true
if grep '^E:' "$tmp/lintian"; then
  fail "lintian reports errors"
fi
echo "1 passed, 0 failed"
