#!/bin/bash
# The whole life of an installation on this machine, in a sandbox of its own:
# install, update, uninstall.
#
#   tools/demo.sh                 runs under its own Xvfb and clicks as a person would
#   tools/demo.sh --interactive   shows the windows on $DISPLAY for you to click
#
# It installs what is needed, builds (into OMBRIX_BUILD_DIR, default build/),
# makes a sample delivery of the general edition (Chinese) with a stand-in
# client, starts a loopback operations and update server, runs the installer
# with its own HOME, registry, program files, AppData, system drive and temp
# folder under demo/, then the updater to a newer release from the server
# (some files changed, the running client among them), then the uninstaller
# with its reason survey, and ends with what each step placed, changed and
# removed. Screenshots: demo/screenshots/ (OMBRIX_DEMO_DIR moves demo/).
# Ends non-zero when a step failed.
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBRIX_BUILD_DIR:-$here/build}
bin=$build/bin
# Where one road keeps its machine, delivery, release and screenshots.
use_folder() {
    demo=$1
    sandbox=$demo/machine
    delivery=$demo/delivery
    shots=$demo/screenshots
    release=$demo/release
}
use_folder "${OMBRIX_DEMO_DIR:-$here/demo}"
# The identity's language: zh_cn, or en_us (no reason page then).
lang=zh_cn
interactive=0
[ "${1:-}" = "--interactive" ] && interactive=1

server_pid=""
display_pid=""
installer_pid=""
program_pid=""
new_version=2.1.0
release_note="2.1.0: faster uploads, fixes / 上传更快，修复若干问题"

step() { printf '\n== %s\n' "$*"; }
fail() { printf 'demo: FAILED: %s\n' "$*" >&2; exit 1; }

# Every program of the demo sees the sandbox as its machine.
machine() {
    machine_env=(HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/home/.config" XDG_DATA_HOME="$sandbox/home/.local/share"
        XDG_RUNTIME_DIR="$sandbox/runtime" OMBRIX_REGISTRY_DIR="$sandbox/registry" PROGRAMFILES="$sandbox/programfiles"
        APPDATA="$sandbox/appdata" SystemDrive="$sandbox/sysdrive" TMPDIR="$sandbox/tmp"
        OMBRIX_STANDIN_LOG="$sandbox/standin.log" DISPLAY="${DISPLAY:-}" QT_QPA_PLATFORM=xcb)
}

# Only what the demo started, by process id: the programs of one road.
stop_road() {
    [ -n "$installer_pid" ] && kill "$installer_pid" 2>/dev/null
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    if [ -f "$sandbox/standin.log" ]; then
        cut -f2 "$sandbox/standin.log" | while read -r pid; do
            [ -n "$pid" ] && kill "$pid" 2>/dev/null
        done
    fi
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    installer_pid="" program_pid="" server_pid=""
}

stop_all() {
    stop_road
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
    rm -rf "$release" && mkdir -p "$release"
    python3 "$here/tools/testserver.py" --port 0 --port-file "$demo/server.port" --log "$demo/server.log" \
        --release "$release" --note "$release_note" >"$demo/server.out" 2>&1 &
    server_pid=$!
    wait_for 10 test -s "$demo/server.port" || fail "the test server did not start"
    port=$(cat "$demo/server.port")
    echo "listening on 127.0.0.1:$port"
}

make_sample_delivery() { # further makedelivery.py options...
    step "sample delivery: ${*:-general edition}, $lang"
    local client=$demo/client
    rm -rf "$client"
    mkdir -p "$client/resources"
    cp "$bin/standin" "$client/OmbrixVPL.exe"
    # Enough entries for the progress bar to be seen moving.
    for i in $(seq 1 1500); do printf 'resource %d\n' "$i" >"$client/resources/r$i.txt"; done
    python3 "$here/tools/makedelivery.py" --client "$client" --out "$delivery" --bin "$bin" --force \
        --name "Ombrix云渲染" --name-en "Ombrix Cloud Render" --mark DEMO01 --version 2.0.1 \
        --bs "http://127.0.0.1:$port" --channel-host "127.0.0.1:$port" \
        --update-host "127.0.0.1:$port" --update-host-en "127.0.0.1:$port" --lang "$lang" "$@" || fail "making the delivery"
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
    import -window "$1" "$shots/$2.png" && echo "screenshot: ${shots#"$here"/}/$2.png"
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

# ---- the rest of the road: update, uninstall, and what each step did ----

# The machine's files and registry at one moment, for the summary.
snapshot() { # name
    mkdir -p "$demo/state"
    python3 "$here/tools/machinestate.py" snapshot "$sandbox" "$demo/state/$1.json" || fail "noting the machine's state"
}

regvalue() { # key name
    env "${machine_env[@]}" "$bin/reg" query "$1" /v "$2" 2>/dev/null | sed -n "s/^    $2    REG_SZ    //p"
}

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\OmbrixVPL'

# The versioned installation folder the registry names, as a path here.
installed_folder() {
    regvalue "$uninstall_key" installDir | tr '\\' /
}

window_up() { [ -n "$(window_of "$1" "$2")" ]; }
requested() { grep -q "\"path\": \"$1\"" "$demo/server.log" 2>/dev/null; }
registered_version() { [ "$(regvalue "$uninstall_key" DisplayVersion)" = "$1" ]; }
unregistered() { ! env "${machine_env[@]}" "$bin/reg" query "$uninstall_key" >/dev/null 2>&1; }
client_running() {
    local pid
    for pid in $(cut -f2 "$sandbox/standin.log" 2>/dev/null); do
        [ -e "/proc/$pid" ] && return 0
    done
    return 1
}

max_running() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(cat "$p/comm" 2>/dev/null)" = 3dsmax.exe ] && return 0
    done
    return 1
}

# The installer and the uninstaller refuse to run beside 3ds Max.
no_max() {
    max_running || return 0
    echo "a process named 3dsmax.exe runs on this machine; waiting for it to end"
    wait_for 60 eval '! max_running' || fail "3ds Max (3dsmax.exe) runs: the installer and the uninstaller refuse to run beside it"
}

fault() { # route mode
    curl -s -o /dev/null -d "{\"$1\":\"$2\"}" "http://127.0.0.1:$port/_control" || fail "setting the server's $1 route"
}

# Starts one of the installed programs from the installation folder.
start_installed() { # program log arguments...
    local program=$1 log=$2
    shift 2
    (cd "$folder" && exec env "${machine_env[@]}" "./$program" "$@") >"$demo/$log" 2>&1 &
    program_pid=$!
}

# Waits for the program to close its window and end well; a person takes
# the time they need.
program_ended() { # log
    if [ "$interactive" != 1 ]; then
        wait_for 30 test ! -e "/proc/$program_pid" || fail "${1%.log} did not close"
    fi
    wait "$program_pid" || fail "${1%.log} ended with status $?"
    program_pid=""
    grep -q "No matching signal" "$demo/$1" && fail "a slot of the ${1%.log} window is not connected"
    return 0
}

make_release() {
    step "release $new_version on the update server"
    rm -rf "$release"
    cp -a "$demo/client" "$release"
    for i in 1 2 3; do printf 'resource %d, revised in %s\n' "$i" "$new_version" >"$release/resources/r$i.txt"; done
    printf 'added in %s\n' "$new_version" >"$release/resources/added.txt"
    # Listed first and sent slowly, so the running update can be seen.
    printf '%s\n' "$new_version" >"$release/CHANGES.txt"
    # A new client: the stand-in again, grown by a tail the program ignores.
    { cat "$bin/standin"; printf 'release %s\n' "$new_version"; } >"$release/OmbrixVPL.exe"
    chmod 755 "$release/OmbrixVPL.exe"
    echo "changed: OmbrixVPL.exe, resources/r1.txt..r3.txt; new: CHANGES.txt, resources/added.txt"
}

run_updater() {
    step "updater: $new_version from the update server"
    machine
    folder=$(installed_folder)
    [ -d "$folder" ] || fail "no installation folder in the registry"
    if client_running; then
        echo "the client runs: its OmbrixVPL.exe is in use and will be set aside"
    fi
    fault stream drip@1
    start_installed update.exe update.log "$new_version"
    if [ "$interactive" = 1 ]; then
        echo "the window is on $DISPLAY: watch the update, then click 完成 (finish)"
        program_ended update.log
        fault stream none
        return
    fi
    local window
    wait_for 60 window_up "$program_pid" Widget || fail "no update window"
    window=$(window_of "$program_pid" Widget)
    wait_for 60 requested /getVersionStream.htm || fail "the updater fetched nothing (log: demo/update.log)"
    sleep 0.5
    shot "$window" 5-update-running
    wait_for 120 registered_version "$new_version" || fail "the update did not finish (log: demo/update.log)"
    sleep 0.5
    shot "$window" 6-update-finished
    click "$window" 293 333 # "完成": start the client and close
    program_ended update.log
    fault stream none
}

run_uninstaller() {
    step "uninstaller with the reason survey"
    machine
    folder=$(installed_folder)
    [ -d "$folder" ] || fail "no installation folder in the registry"
    product=$(dirname "$folder")
    start_installed uninstall.exe uninstall.log
    if [ "$interactive" = 1 ]; then
        echo "the window is on $DISPLAY: click 卸载, choose reasons, 确定卸载, then 卸载完成"
        program_ended uninstall.log
        wait_for 15 test ! -e "$product" || fail "the product folder was not removed after the uninstaller ended"
        return
    fi
    local window
    wait_for 60 window_up "$program_pid" Widget || fail "no uninstall window"
    window=$(window_of "$program_pid" Widget)
    wait_for 30 requested /cms/uninstallReason/getPresentByType || fail "no reason list asked for"
    sleep 0.5
    shot "$window" 7-uninstall-confirmation
    click "$window" 208 263 # "卸载": the reason page; in English the removal at once
    if [ "$lang" = zh_cn ]; then
        sleep 0.5
        shot "$window" 8-uninstall-reasons
        click "$window" 109 91  # the first reason
        click "$window" 109 121 # the third reason
        click "$window" 273 188 # the free text, which checks "其他"
        xdotool type --delay 30 "uploads too slow here"
        click "$window" 273 268 # the contact
        xdotool type --delay 30 "li.ming@mail.example"
        sleep 0.3
        shot "$window" 9-uninstall-answered
        click "$window" 483 343 # "确定卸载"
    fi
    wait_for 60 unregistered || fail "the removal did not finish (log: demo/uninstall.log)"
    sleep 0.7
    shot "$window" 10-uninstall-finished
    click "$window" 288 313 # "卸载完成": close, and the clean-up script removes the folder
    program_ended uninstall.log
    wait_for 15 test ! -e "$product" || fail "the product folder was not removed after the uninstaller ended"
}

summary() {
    step "summary: what each step placed, changed and removed"
    local tool=$here/tools/machinestate.py
    python3 "$tool" diff "$demo/state/0-before.json" "$demo/state/1-installed.json" --title "install (general edition, $lang)"
    python3 "$tool" diff "$demo/state/1-installed.json" "$demo/state/2-updated.json" --title "update to $new_version"
    python3 "$tool" diff "$demo/state/2-updated.json" "$demo/state/3-uninstalled.json" --title "uninstall"
    python3 "$tool" diff "$demo/state/0-before.json" "$demo/state/3-uninstalled.json" --title "left on the machine after the whole road"
    echo "---- what the loopback server received"
    python3 - "$demo/server.log" <<'EOF'
import collections, json, sys
records = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
counts = collections.Counter("%s %s" % (r["method"], r["path"]) for r in records)
for request, n in counts.items():
    print("    %-60s %d" % (request, n))
for r in records:
    if r["path"] == "/cms/uninstallReason/getUserUninstallReasonByType":
        print("    survey answer: " + r["body"])
EOF
    echo "---- screenshots (${shots#"$here"/}/)"
    if [ -n "$(ls "$shots")" ]; then
        (cd "$shots" && ls -1 -- *.png | sort -n | sed 's/^/    /')
    else
        echo "    none: the windows were yours to click"
    fi
}

main() {
    mkdir -p "$demo"
    install_dependencies
    build_programs
    prepare_sandbox
    start_server
    make_sample_delivery
    start_display
    snapshot 0-before
    no_max
    run_installer
    snapshot 1-installed
    show_results
    make_release
    run_updater
    snapshot 2-updated
    no_max
    run_uninstaller
    snapshot 3-uninstalled
    summary
    step "done"
}

# Sourced (tools/screenshots.sh), it only lends its steps.
[ "${BASH_SOURCE[0]}" = "$0" ] && main "$@"
