#!/usr/bin/env bash
# The installed program, staged into a temporary prefix and then moved as a
# whole (so neither the build tree nor the prefix it was installed to can be
# what it finds): it starts from an unrelated folder, reads its layout where
# it was installed, writes the same results as the build tree's program, and
# its desktop entry and AppStream file pass the desktop's own validators.
#
# Usage: staged_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=offscreen

cmake --install "$build" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/moved"
p=$work/moved
share=$p/share

for f in bin/varnok share/varnok/Varnok6p.ui share/doc/varnok/VarnokMan.pdf \
  share/doc/varnok/USER_GUIDE.md share/doc/varnok/guide_window.png share/doc/varnok/copyright \
  share/doc/varnok/examples/Tarvish.txt share/doc/varnok/examples/Tarvishgrp.txt \
  share/applications/varnok.desktop share/icons/hicolor/scalable/apps/varnok.svg \
  share/mime/packages/varnok.xml share/metainfo/org.varnok.Varnok.metainfo.xml \
  share/man/man1/varnok.1.gz; do
  [ -f "$p/$f" ] || fail "$f is not installed"
done
if strings "$p/bin/varnok" | grep -qF "$build"; then fail "the program names the build tree"; fi

# One version everywhere it is written.
version=$(cd / && "$p/bin/varnok" --version)
[ "$version" = "$("$build/varnok" --version)" ] || fail "installed: $version"
v=${version#varnok }
grep -q "<release version=\"$v\"" "$share/metainfo/org.varnok.Varnok.metainfo.xml" ||
  fail "the AppStream file has no release $v"
zcat "$share/man/man1/varnok.1.gz" | grep -q "^\.TH VARNOK 1 .*\"varnok $v\"" ||
  fail "the manual page is not of version $v"
zcat "$share/doc/varnok/changelog.gz" | head -n 1 | grep -q "^varnok ($v)" ||
  fail "the changelog does not start with version $v"

# A headless study from an unrelated folder, by the build tree's program and
# by the installed one, in the same folder so that the files name the same paths.
run=$work/study
mkdir -p "$run"
cp "$share/doc/varnok/examples/gorilla.txt" "$share/doc/varnok/examples/gorilla_groups.txt" "$run"/
cat >"$run/session.vks" <<'VKS'
answer file gorilla.txt
Varnoksw('LoadData')
answer file gorilla_groups.txt
Varnoksw('LoadGroupList')
print FileBox String
print XAxisLabel String
Varnoksw('ShowPCAAxis')
save-picture scores.json
answer file scores.txt
Varnoksw('SavePCA')
answer file eigen.txt
Varnoksw('SaveEigen')
VKS
results() {
  for f in console.txt scores.json scores.txt eigen.txt; do
    [ -s "$run/$f" ] || fail "$1 wrote no $f"
    cat "$run/$f"
  done
}
(cd /tmp && "$build/varnok" --script "$run/session.vks" >"$run/console.txt" 2>&1) ||
  fail "the build tree's program: $(cat "$run/console.txt")"
results "the build tree's program" >"$work/expected"
rm -f "$run/console.txt" "$run"/scores.* "$run/eigen.txt"
(cd /tmp && "$p/bin/varnok" --script "$run/session.vks" >"$run/console.txt" 2>&1) ||
  fail "the installed program: $(cat "$run/console.txt")"
results "the installed program" >"$work/installed"
diff "$work/expected" "$work/installed" >&2 || fail "the installed program wrote other results"

# The layout is read where it was installed: an edit there shows.
sed -i 's|<string>X axis</string>|<string>X axis (installed)</string>|' "$share/varnok/Varnok6p.ui"
(cd /tmp && "$p/bin/varnok" --script "$run/session.vks" 2>&1) | grep -q "^XAxisLabel String: X axis (installed)$" ||
  fail "the installed program did not read share/varnok/Varnok6p.ui"

# The desktop's validators, where this machine has them.
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$share/applications/varnok.desktop" || fail "desktop-file-validate"
else
  echo "desktop-file-validate is not installed: the desktop entry is not checked"
fi
if command -v appstream-util >/dev/null; then
  appstream-util validate-relax --nonet "$share/metainfo/org.varnok.Varnok.metainfo.xml" >/dev/null ||
    fail "appstream-util validate-relax"
else
  echo "appstream-util is not installed: the AppStream file is not checked"
fi
if command -v update-mime-database >/dev/null; then
  cp -r "$share/mime" "$work/mime"
  update-mime-database "$work/mime" >/dev/null 2>&1 || fail "update-mime-database"
fi
echo "The staged install of $version works from $p."
