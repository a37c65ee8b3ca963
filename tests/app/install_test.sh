#!/bin/sh
# Installs the build into a temporary prefix and checks what a desktop, the
# manual and the program itself look for there.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

id=org.ravelin.Ravelin
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
for f in bin/ravelin bin/ravelin-help bin/ravelin-jet bin/ravelin-jetclient \
         share/ravelin/help/index.html share/icons/hicolor/scalable/apps/$id.svg; do
    [ -s "$prefix/$f" ] || fail "$f not installed"
done
[ -f "$desktop" ] || fail "$desktop not installed"
[ -f "$metainfo" ] || fail "$metainfo not installed"

# Each PNG icon is in its size's folder and has that size (IHDR width and height).
for size in 16 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
    if [ ! -f "$png" ]; then fail "$png not installed"; continue; fi
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x$size" ] || fail "$png is $dims"
done

# The entry starts an installed program and names the installed icon.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ "$icon" = "$id" ] || fail "Icon=$icon is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo does not launch $id.desktop"

# Every manual page of the tree is installed, and every installed program has one.
for page in "$source"/docs/man/*.1; do
    name=$(basename "$page")
    [ -s "$prefix/share/man/man1/$name.gz" ] || fail "manual $name not installed"
done
for exe in "$prefix"/bin/*; do
    name=$(basename "$exe")
    [ -f "$prefix/share/man/man1/$name.1.gz" ] || fail "no manual page for $name"
done

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
    fail "desktop-file-validate is not installed (Debian: desktop-file-utils)"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
else
    fail "appstreamcli is not installed (Debian: appstream)"
fi

# The installed help viewer finds its pages under the prefix: it shows them
# until stopped, where a missing page ends it with status 2.
QT_QPA_PLATFORM=offscreen timeout 3 "$prefix/bin/ravelin-help" >/dev/null 2>&1
status=$?
[ $status -eq 124 ] || fail "installed ravelin-help ended with status $status instead of showing its pages"

# Run as root (or from a prefix in the home), bin/ is writable: the installed
# program still keeps the user's files in the user's config folder. Its first
# start writes the user name database there, never beside the executable.
config=$(mktemp -d)
env -u RAVELIN_HOME XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$config" QT_QPA_PLATFORM=offscreen timeout 3 "$prefix/bin/ravelin" >/dev/null 2>&1
[ -s "$config/ravelin/compnamedb.mdb" ] || fail "the installed ravelin did not keep its files in \$XDG_CONFIG_HOME/ravelin"
[ ! -e "$prefix/bin/compnamedb.mdb" ] || fail "the installed ravelin wrote into its bin/ folder"
rm -rf "$config"

exit $failed
