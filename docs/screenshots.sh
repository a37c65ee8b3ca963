#!/usr/bin/env bash
# Draws the README's screenshots headless: Ravelin under Xvfb, watching a copy
# of a sample database that simulated clients (ravelin-jetclient) are using.
#   docs/screenshots.sh BUILD_DIR OUT_DIR
# Needs Xvfb, xdotool and ImageMagick (import, convert).
set -euo pipefail
build=$(realpath "$1")
out=$(realpath "$2")
testdata=$(realpath "$(dirname "$0")/../tests/data")
# A fixed folder, so that the pictures show a short, readable path.
work=/tmp/ravelin-demo
rm -rf "$work"
pids=()
cleanup() {
    # The program first, the display last.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + $$ % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display QT_QPA_PLATFORM=xcb

# The program's folder: the database list names the copy; the settings choose
# the lock-file read mode with auto monitoring every 5 s, which selects the
# first database at start-up and lists its users on the first tick.
mkdir -p "$work/home" "$work/share"
export RAVELIN_HOME=$work/home
cp "$testdata/access/testV2000.mdb" "$work/share/sales.mdb"
cp "$testdata/workgroup/system.mdw" "$work/share/system.mdw"
chmod u+w "$work/share/"*
printf '1\r\n%s\r\n' "$work/share/sales.mdb" > "$RAVELIN_HOME/ravelin.set"
printf '%s\r\n' 600 600 13500 9600 3300 1500 "$work/share/system.mdw" admin "" 1 5000 1 0 \
    "$RAVELIN_HOME/compnamedb.mdb" > "$RAVELIN_HOME/settings.set"

client() { "$build/ravelin-jetclient" "$@" "$work/share/sales.mdb" >/dev/null & pids+=($!); }
client --computer PC-ANN --user ann
client --computer PC-BOB --user bob
client --computer ACCOUNTS-3 --user Admin
sleep 1

windowTitled() {  # title pattern, what it is
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || { echo "screenshots: the $2 did not open" >&2; exit 1; }
    echo "$id"
}
mainWindow() { windowTitled '^Ravelin$' 'main window'; }

# A first start writes the user name database; the people behind the three
# computers go into it before the start that is pictured.
"$build/ravelin" & first=$!
mainWindow >/dev/null
sleep 1
kill "$first"; wait "$first" 2>/dev/null || true
person() { "$build/ravelin-jet" insert "$RAVELIN_HOME/compnamedb.mdb" T_Main "$@" >/dev/null; }
person ComputerName=PC-ANN "Name=Ann Lee" "Contact=ext. 2041" Email=ann@example.org
person ComputerName=PC-BOB "Name=Bob Marsh" "Contact=ext. 2117" Email=bob@example.org
person ComputerName=ACCOUNTS-3 "Name=Accounts office" "Contact=ext. 2300" Email=accounts@example.org

"$build/ravelin" & pids+=($!)
main=$(mainWindow)
sleep 7  # the first auto-monitoring tick fills the list

shot() {  # window, file
    import -window "$1" "$work/shot.png"
    convert "$work/shot.png" +dither -colors 64 -strip "PNG8:$out/$2"
}
shot "$main" screenshot-main.png

xdotool windowfocus --sync "$main" key ctrl+w
settings=$(windowTitled 'Settings' 'settings window')
sleep 1
shot "$settings" screenshot-settings.png
xdotool key --window "$settings" Escape
xdotool windowclose "$settings" 2>/dev/null || true
sleep 1

xdotool windowfocus --sync "$main" key ctrl+e
names=$(windowTitled 'User Database' 'user name database window')
sleep 1
shot "$names" screenshot-usernames.png
echo "screenshots: wrote $out/screenshot-main.png, screenshot-settings.png and screenshot-usernames.png"
