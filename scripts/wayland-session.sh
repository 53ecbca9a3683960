#!/usr/bin/env bash
# A private, headless Wayland desktop with a screen reader's plumbing, for the accessibility
# tests and for trying tamsel on Wayland by hand. It needs no display, no system bus, no
# user session and no root:
#   - weston 10 or later with its headless backend (the desktop shell, no panel), or with
#     --x11-input its X11 backend inside a private Xvfb, so that a test can move the
#     pointer and press buttons (XTest, e.g. xdotool) while the clients see only Wayland;
#   - a private D-Bus session bus;
#   - the AT-SPI bus launcher on that bus, which starts the accessibility bus (a second
#     dbus-daemon) and, when a client first asks for it, the AT-SPI registry.
# Everything lives in a runtime directory of its own and is ended, and the directory
# removed, when COMMAND ends or the script is interrupted.
#
# Usage:
#   scripts/wayland-session.sh [OPTION]... run -- COMMAND [ARG]...
#   scripts/wayland-session.sh [OPTION]... shell
#
# Options:
#   --size WIDTHxHEIGHT   size of the output (default 1280x800)
#   --x11-input           weston on its X11 backend in a private Xvfb (see above). The
#                         output's top-left corner is the X screen's (0, 0); the screen is
#                         64 pixels wider and higher than the output. weston takes pointer
#                         input only after the pointer has entered its window: move it
#                         into that margin and back before the first press.
#   --keep-dir            keep the runtime directory (weston's log) and print its path
#
# COMMAND's environment, besides the caller's (DISPLAY is removed, so nothing can fall
# back to X11):
#   XDG_RUNTIME_DIR            the runtime directory (mode 0700)
#   WAYLAND_DISPLAY            weston's socket in it
#   DBUS_SESSION_BUS_ADDRESS   the private session bus
#   QT_QPA_PLATFORM=wayland    Qt programs use the Wayland platform, and fail without it
#   QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
#                              Qt programs register on the AT-SPI bus at start, as they
#                              do when a screen reader runs
#   GSETTINGS_BACKEND=memory   no dconf service is needed
#   QT_IM_MODULE=compose       on the headless output only, which has no seat: Qt 6.4's
#                              Wayland input method needs one, and without it a program
#                              crashes as soon as it draws a text cursor
#   WESTON_LOG                 weston's log file
#   WAYLAND_SESSION_X11_DISPLAY   with --x11-input: the X display that takes the input
# weston runs with its debug protocol, so `weston-debug scene-graph` lists every window
# with its client's PID and its place on the output.
#
# The exit code is COMMAND's; 1 when the session could not be set up.
#
# Example (tamsel on a simulated LAN, under Wayland, as root for the namespaces):
#   scripts/vlan.sh run -- scripts/wayland-session.sh run -- build/tamsel
set -euo pipefail

usage() {
    sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d' | sed 's/^# \{0,1\}//' >&2
    exit 2
}

size=1280x800
keep_dir=0
x11_input=0
verb=""
command=()
while (($# > 0)); do
    case $1 in
        --size) size=$2; shift 2 ;;
        --keep-dir) keep_dir=1; shift ;;
        --x11-input) x11_input=1; shift ;;
        run | shell) verb=$1; shift ;;
        --) shift; command=("$@"); break ;;
        -h | --help) usage ;;
        *) echo "wayland-session.sh: unknown argument '$1'" >&2; usage ;;
    esac
done
if [[ -z $verb || ! $size =~ ^[0-9]+x[0-9]+$ ]]; then
    usage
fi
if [[ $verb == run && ${#command[@]} -eq 0 ]]; then
    echo "wayland-session.sh: run needs -- COMMAND" >&2
    exit 2
fi

bus_launcher=""
for candidate in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
    [[ -x $candidate ]] && bus_launcher=$candidate && break
done
tools=(weston dbus-daemon dbus-send)
((x11_input)) && tools+=(Xvfb)
for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
        echo "wayland-session.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
done
if [[ -z $bus_launcher ]]; then
    echo "wayland-session.sh: at-spi-bus-launcher is missing (package at-spi2-core)" >&2
    exit 1
fi

session_dir=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-wayland.XXXXXX")
chmod 0700 "$session_dir"
started=()

# A process and everything it started, children first found, all by their ids.
process_tree() {
    local pid=$1 child
    echo "$pid"
    for child in $(ps -o pid= --ppid "$pid" 2>/dev/null); do
        process_tree "$child"
    done
}

session_cleanup() {
    local rc=$? pids=() pid i
    trap - EXIT INT TERM HUP
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        # shellcheck disable=SC2207
        pids+=($(process_tree "${started[i]}"))
    done
    if ((${#pids[@]} > 0)); then
        kill -TERM "${pids[@]}" 2>/dev/null || true
        for _ in $(seq 30); do
            pid=""
            for i in "${pids[@]}"; do
                kill -0 "$i" 2>/dev/null && pid=$i && break
            done
            [[ -z $pid ]] && break
            sleep 0.1
        done
        kill -KILL "${pids[@]}" 2>/dev/null || true
        wait 2>/dev/null || true
    fi
    if ((keep_dir)); then
        echo "wayland-session.sh: runtime directory kept in $session_dir" >&2
    else
        rm -rf "$session_dir"
    fi
    exit "$rc"
}
trap session_cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Retries CMD every 50 ms until it succeeds or MS milliseconds pass.
wait_until() {
    local ms=$1
    shift
    local deadline=$((SECONDS * 1000 + ms)) now
    while ! "$@"; do
        now=$((SECONDS * 1000))
        ((now < deadline)) || return 1
        sleep 0.05
    done
}

fail_with_log() {
    echo "wayland-session.sh: $1" >&2
    [[ -f ${2:-} ]] && tail -n 30 "$2" >&2
    exit 1
}

unset DISPLAY WAYLAND_SOCKET
export XDG_RUNTIME_DIR=$session_dir
export WAYLAND_DISPLAY=wayland-tamsel
export WESTON_LOG=$session_dir/weston.log
export GSETTINGS_BACKEND=memory

# The compositor. The debug protocol lets tests read where windows are.
cat >"$session_dir/weston.ini" <<'EOF'
[core]
idle-time=0
require-input=false

[shell]
panel-position=none
background-color=0xff203040
EOF
backend=(--backend=headless-backend.so)
if ((x11_input)); then
    # Xvfb picks a free display number and writes it to the descriptor.
    x11_screen=$((${size%x*} + 64))x$((${size#*x} + 64))x24
    Xvfb -displayfd 3 -nolisten tcp -screen 0 "$x11_screen" 3>"$session_dir/x11.display" \
        >"$session_dir/xvfb.out" 2>&1 &
    started+=($!)
    xvfb_pid=$!
    x11_up() {
        kill -0 "$xvfb_pid" 2>/dev/null || fail_with_log "Xvfb exited" "$session_dir/xvfb.out"
        [[ -s $session_dir/x11.display ]]
    }
    wait_until 10000 x11_up || fail_with_log "Xvfb did not start within 10 s"
    WAYLAND_SESSION_X11_DISPLAY=:$(head -n1 "$session_dir/x11.display")
    export WAYLAND_SESSION_X11_DISPLAY
    backend=(--backend=x11-backend.so --use-pixman)
fi
DISPLAY=${WAYLAND_SESSION_X11_DISPLAY:-} weston "${backend[@]}" \
    --config="$session_dir/weston.ini" --socket="$WAYLAND_DISPLAY" \
    --width="${size%x*}" --height="${size#*x}" --debug --log="$WESTON_LOG" \
    >"$session_dir/weston.out" 2>&1 &
started+=($!)
weston_pid=$!
weston_up() {
    kill -0 "$weston_pid" 2>/dev/null || fail_with_log "weston exited" "$WESTON_LOG"
    [[ -S $session_dir/$WAYLAND_DISPLAY ]]
}
wait_until 10000 weston_up || fail_with_log "weston did not start within 10 s" "$WESTON_LOG"

# The session bus.
dbus-daemon --session --nofork --nopidfile --address="unix:path=$session_dir/bus" \
    >"$session_dir/dbus.out" 2>&1 &
started+=($!)
dbus_pid=$!
export DBUS_SESSION_BUS_ADDRESS=unix:path=$session_dir/bus
bus_up() {
    kill -0 "$dbus_pid" 2>/dev/null || fail_with_log "dbus-daemon exited" "$session_dir/dbus.out"
    [[ -S $session_dir/bus ]]
}
wait_until 10000 bus_up || fail_with_log "dbus-daemon did not start within 10 s"

# The accessibility bus, started by our own launcher rather than by activation, so that
# it is ours to end.
"$bus_launcher" --launch-immediately >"$session_dir/at-spi.out" 2>&1 &
started+=($!)
launcher_pid=$!
a11y_bus_up() {
    kill -0 "$launcher_pid" 2>/dev/null ||
        fail_with_log "at-spi-bus-launcher exited" "$session_dir/at-spi.out"
    dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true &&
        dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
            org.a11y.Bus.GetAddress 2>/dev/null | grep -q 'unix:'
}
wait_until 10000 a11y_bus_up || fail_with_log "the AT-SPI bus did not start within 10 s"

export QT_QPA_PLATFORM=wayland
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
if ((!x11_input)); then
    export QT_IM_MODULE=compose
fi

rc=0
if [[ $verb == shell ]]; then
    echo "wayland-session.sh: shell on the headless Wayland desktop $session_dir" >&2
    PS1="[wayland] \\w\\$ " bash --norc -i || rc=$?
else
    "${command[@]}" &
    started+=($!)
    wait $! || rc=$?
fi
exit $rc
