#!/bin/bash
# The installer from start to finish on this machine, in a sandbox of its own.
#
#   tools/demo.sh                 runs under its own Xvfb and clicks as a person would
#   tools/demo.sh --interactive   shows the window on $DISPLAY for you to click
#
# It installs what is needed, builds (into OMBRIX_BUILD_DIR, default build/),
# makes a sample delivery of the general edition (Chinese) with a stand-in
# client, starts a loopback operations server, runs the installer with its
# own HOME, registry, program files, AppData, system drive and temp folder
# under demo/, and prints what was placed. Screenshots: demo/screenshots/.
# Ends non-zero when a step failed.
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBRIX_BUILD_DIR:-$here/build}
bin=$build/bin
demo=$here/demo
sandbox=$demo/machine
delivery=$demo/delivery
shots=$demo/screenshots
interactive=0
[ "${1:-}" = "--interactive" ] && interactive=1

server_pid=""
display_pid=""
installer_pid=""

step() { printf '\n== %s\n' "$*"; }
fail() { printf 'demo: FAILED: %s\n' "$*" >&2; exit 1; }

# Every program of the demo sees the sandbox as its machine.
machine() {
    machine_env=(HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/home/.config" XDG_DATA_HOME="$sandbox/home/.local/share"
        XDG_RUNTIME_DIR="$sandbox/runtime" OMBRIX_REGISTRY_DIR="$sandbox/registry" PROGRAMFILES="$sandbox/programfiles"
        APPDATA="$sandbox/appdata" SystemDrive="$sandbox/sysdrive" TMPDIR="$sandbox/tmp"
        OMBRIX_STANDIN_LOG="$sandbox/standin.log" DISPLAY="${DISPLAY:-}" QT_QPA_PLATFORM=xcb)
}

# Only what the demo started, by process id.
stop_all() {
    [ -n "$installer_pid" ] && kill "$installer_pid" 2>/dev/null
    if [ -f "$sandbox/standin.log" ]; then
        cut -f2 "$sandbox/standin.log" | while read -r pid; do
            [ -n "$pid" ] && kill "$pid" 2>/dev/null
        done
    fi
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    [ -n "$display_pid" ] && kill "$display_pid" 2>/dev/null
}
trap stop_all EXIT

wait_for() { # seconds, command...
    local limit=$(($1 * 10)) i=0
    shift
    until "$@"; do
        i=$((i + 1))
        [ "$i" -ge "$limit" ] && return 1
        sleep 0.1
    done
}

install_dependencies() {
    step "dependencies"
    "$here/tools/deps.sh" || fail "installing the dependencies"
}

build_programs() {
    step "build into $build"
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || fail "configuring the build"
    cmake --build "$build" --target installer uninstaller updater standin reg -j"$(nproc)" >"$demo/build.log" 2>&1 ||
        { tail -30 "$demo/build.log"; fail "building (log: demo/build.log)"; }
}

prepare_sandbox() {
    step "sandbox in $sandbox"
    rm -rf "$sandbox" "$delivery" "$shots"
    mkdir -p "$sandbox"/{home/Desktop,home/.local/share/applications,home/.config,registry,programfiles,appdata,sysdrive,tmp,runtime} "$shots"
    chmod 700 "$sandbox/runtime"
}

start_server() {
    step "operations server on 127.0.0.1"
    rm -f "$demo/server.port" "$demo/server.log"
    python3 "$here/tools/testserver.py" --port 0 --port-file "$demo/server.port" --log "$demo/server.log" >"$demo/server.out" 2>&1 &
    server_pid=$!
    wait_for 10 test -s "$demo/server.port" || fail "the test server did not start"
    port=$(cat "$demo/server.port")
    echo "listening on 127.0.0.1:$port"
}

make_sample_delivery() {
    step "sample delivery of the general edition (Chinese)"
    local client=$demo/client
    rm -rf "$client"
    mkdir -p "$client/resources"
    cp "$bin/standin" "$client/OmbrixVPL.exe"
    # Enough entries for the progress bar to be seen moving.
    for i in $(seq 1 1500); do printf 'resource %d\n' "$i" >"$client/resources/r$i.txt"; done
    python3 "$here/tools/makedelivery.py" --client "$client" --out "$delivery" --bin "$bin" --force \
        --name "Ombrix云渲染" --name-en "Ombrix Cloud Render" --mark DEMO01 --version 2.0.1 \
        --bs "http://127.0.0.1:$port" --channel-host "127.0.0.1:$port" || fail "making the delivery"
    cp "$bin/standin" "$delivery/FBsetup.exe"
}

start_display() {
    if [ "$interactive" = 1 ] && [ -n "${DISPLAY:-}" ]; then
        echo "using your display $DISPLAY"
        return
    fi
    local n
    for n in $(seq 90 150); do [ -e "/tmp/.X$n-lock" ] || break; done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    display_pid=$!
    export DISPLAY=":$n"
    wait_for 10 test -e "/tmp/.X11-unix/X$n" || fail "Xvfb did not start"
    interactive=0
}

window_of() { # pid title
    xdotool search --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | tail -1
}

shot() { # window name
    import -window "$1" "$shots/$2.png" && echo "screenshot: demo/screenshots/$2.png"
}

click() { # window x y
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

has_window() { [ -n "$(window_of "$installer_pid" "$1")" ]; }

reported() { grep -q '"/clientChannel/clientChannelInfo"' "$demo/server.log" 2>/dev/null; }

run_installer() {
    step "installer"
    machine
    (cd "$delivery" && exec env "${machine_env[@]}" ./install) >"$demo/install.log" 2>&1 &
    installer_pid=$!
    if [ "$interactive" = 1 ]; then
        echo "the window is on $DISPLAY: click Install, then the finish button"
        wait "$installer_pid" || fail "the installer ended with status $?"
        installer_pid=""
        return
    fi
    local window
    wait_for 60 has_window Widget || fail "no install window"
    window=$(window_of "$installer_pid" Widget)
    sleep 0.5 # the first paint
    shot "$window" 1-options
    click "$window" 530 364 # "自定义": the options unfold
    sleep 0.5
    shot "$window" 2-options-unfolded
    click "$window" 293 293 # "一键安装"
    shot "$window" 3-installing
    wait_for 120 reported || fail "the installation did not finish (log: demo/install.log)"
    sleep 0.5
    shot "$window" 4-finished
    click "$window" 293 293 # "开启…": start the client and close
    wait_for 30 test ! -e "/proc/$installer_pid" || fail "the installer did not close"
    wait "$installer_pid" || fail "the installer ended with status $?"
    installer_pid=""
    grep -q "No matching signal" "$demo/install.log" && fail "a slot of the window is not connected"
    wait_for 10 test -s "$sandbox/standin.log" || fail "the client was not started"
}

show_results() {
    step "files placed (program files)"
    (cd "$sandbox/programfiles" && find . -mindepth 1 -not -path '*/resources/*' | sort && echo "  ... and $(find . -path '*/resources/*' | wc -l) files in resources/")
    step "per-user data (AppData)"
    (cd "$sandbox/appdata" && find . -mindepth 1 | sort)
    step "shortcuts"
    find "$sandbox/home/.local/share/applications" "$sandbox/home/Desktop" -type l -printf '%P -> %l\n' | sed "s|$sandbox|<sandbox>|g"
    step "registry values written"
    local key
    for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\OmbrixVPL' \
        'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' 'HKCU\Software\Norvane\OmbrixVPL\Settings'; do
        echo "reg query $key"
        env "${machine_env[@]}" "$bin/reg" query "$key" || fail "no registry key $key"
    done
    step "channel report received by the server"
    python3 - "$demo/server.log" <<'EOF'
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    r = json.loads(line)
    if r["path"] == "/clientChannel/clientChannelInfo":
        print("%s %s?%s" % (r["method"], r["path"], r["query"]))
        for k, v in r["query_items"]:
            print("    %s = %s" % (k, v))
EOF
    step "programs started by the finish click"
    cut -f1,3- "$sandbox/standin.log"
}

mkdir -p "$demo"
install_dependencies
build_programs
prepare_sandbox
start_server
make_sample_delivery
start_display
run_installer
show_results
step "done"
