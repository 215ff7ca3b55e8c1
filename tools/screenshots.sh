#!/bin/bash
# Pictures of every window and state of the three programs, for the README:
# the real programs in sandboxes under Xvfb, with the CJK font, clicked into
# each state as a person would (the demo's road in Chinese and in English,
# plus a failed update, the message boxes and the channel banners). Writes
# docs/screenshots/*.png; the work folders go to a temporary folder.
#
#   tools/screenshots.sh
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=demo.sh
. "$here/tools/demo.sh"

out=$here/docs/screenshots
work=$(mktemp -d)
max_pid=""
trap 'stop_all; [ -n "$max_pid" ] && kill "$max_pid" 2>/dev/null' EXIT

# One picture into docs/screenshots under its lasting name.
publish() { # demo-shot name
    cp "$shots/$1.png" "$out/$2.png" || fail "no screenshot $1"
    echo "docs/screenshots/$2.png"
}

window_shot() { # pid title name
    local window
    wait_for 60 window_up "$1" "$2" || fail "no window \"$2\" for $3"
    window=$(window_of "$1" "$2")
    sleep 0.5
    shot "$window" "$3"
    last_window=$window
}

# The installer refuses while 3ds Max runs: the information box.
information_box() { # name
    step "message box: information"
    machine
    cp "$bin/standin" "$demo/3dsmax.exe"
    OMBRIX_STANDIN_LOG=$demo/max.log "$demo/3dsmax.exe" &
    max_pid=$!
    folder=$delivery
    start_installed install max-refusal.log
    window_shot "$program_pid" Form "$1"
    click "$last_window" 338 170 # "确定"
    program_ended max-refusal.log
    kill "$max_pid"
    wait "$max_pid" 2>/dev/null
    max_pid=""
}

# A second installer over the installation: the question box, declined.
question_box() { # name
    step "message box: question"
    machine
    folder=$delivery
    start_installed install reinstall.log
    window_shot "$program_pid" Form "$1"
    click "$last_window" 338 170 # "取消"
    program_ended reinstall.log
}

# The first download refused by the server: the red line, then closed.
failed_update() { # name
    step "updater: a failed download"
    machine
    folder=$(installed_folder)
    fault stream 404@1
    start_installed update.exe failed-update.log "$new_version"
    wait_for 60 grep -q '"fault": "404"' "$demo/server.log" || fail "the download was not refused"
    window_shot "$program_pid" Widget "$1"
    click "$last_window" 567 17 # the close button
    program_ended failed-update.log
    fault stream none
}

# The whole road in one language, its pictures under lasting names.
road() { # lang
    lang=$1
    local short=${lang%_*}
    use_folder "$work/$lang"
    prepare_sandbox
    start_server
    make_sample_delivery
    information_box msgbox-information
    no_max
    run_installer
    question_box msgbox-question
    make_release
    failed_update update-failed
    run_updater
    no_max
    run_uninstaller
    stop_road
    publish msgbox-information "msgbox-information-$short"
    publish 1-options "install-folded-$short"
    publish 2-options-unfolded "install-unfolded-$short"
    publish 3-installing "install-installing-$short"
    publish 4-finished "install-finished-$short"
    publish msgbox-question "msgbox-question-$short"
    publish update-failed "update-failed-$short"
    publish 5-update-running "update-running-$short"
    publish 6-update-finished "update-finished-$short"
    publish 7-uninstall-confirmation "uninstall-confirmation-$short"
    if [ "$lang" = zh_cn ]; then
        publish 8-uninstall-reasons uninstall-reasons-zh
        publish 9-uninstall-answered uninstall-answered-zh
    fi
    publish 10-uninstall-finished "uninstall-finished-$short"
}

# A channel build's first window: its own banner and logo.
channel() { # name makedelivery options...
    local name=$1
    shift
    lang=zh_cn
    use_folder "$work/$name"
    prepare_sandbox
    start_server
    make_sample_delivery "$@"
    no_max
    machine
    folder=$delivery
    start_installed install "$name.log"
    window_shot "$program_pid" Widget "$name"
    click "$last_window" 567 17 # the close button
    program_ended "$name.log"
    stop_road
    publish "$name" "$name"
}

use_folder "$work"
mkdir -p "$out" "$work"
install_dependencies
build_programs
start_display
road zh_cn
road en_us
channel install-folded-channel --third MRARender --name "MRA云渲染" --name-en "MRA Cloud Render"
channel install-folded-npz --third NPZRender --name "NPZ云渲染" --name-en "NPZ Cloud Render"
rm -rf "$work"
step "done: $(ls "$out"/*.png | wc -l) pictures in docs/screenshots/"
