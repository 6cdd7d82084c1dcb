#!/usr/bin/env bash
# Proves the README's commands on a brand-new minimal Debian 12, where nothing the project
# needs is installed by chance:
#   1. a minbase root (mmdebstrap) gets a clone of this checkout; the README's test
#      command runs there, then its start command, which must still be running after 60 s;
#   2. the Debian package built there installs with apt-get into a second new root, where
#      the program starts and its manual page shows.
# Runs as root. Every process started in the roots is ended by PID and every mount is
# undone, also when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
checkout=$(pwd)
[ "$(id -u)" -eq 0 ] || { echo "fresh-check: run as root" >&2; exit 2; }

if ! dpkg-query -W -f='${Status}' mmdebstrap 2>/dev/null | grep -q "install ok installed"; then
    apt-get update >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends mmdebstrap >/dev/null
fi

work=$(mktemp -d /var/tmp/koda-fresh.XXXXXX)
roots=()
mounts=()

# PIDs of the processes whose root folder is the given root.
pids_in() {
    local root=$1 p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"
    done
    return 0
}

cleanup() {
    local status=$? root pid i
    set +e
    for root in "${roots[@]}"; do
        for pid in $(pids_in "$root"); do kill -TERM "$pid" 2>/dev/null; done
    done
    sleep 1
    for root in "${roots[@]}"; do
        for pid in $(pids_in "$root"); do kill -KILL "$pid" 2>/dev/null; done
    done
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}"
    done
    if ! grep -q " $work/" /proc/mounts; then
        rm -rf --one-file-system "$work"
    else
        echo "fresh-check: mounts left under $work" >&2
        status=1
    fi
    exit "$status"
}
trap cleanup EXIT

# A minimal Debian 12 root with /dev, /dev/pts and /proc of the machine.
make_root() {
    local root=$1
    mmdebstrap --quiet --variant=minbase bookworm "$root" >/dev/null
    roots+=("$root")
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    local m
    for m in dev dev/pts proc; do
        mount --bind "/$m" "$root/$m"
        mounts+=("$root/$m")
    done
}

# Runs a command line in a root as a login shell of root would, with a clean environment.
in_root() {
    local root=$1
    shift
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c "$*"
}

started=$(date +%s)
build_root=$work/build-root
make_root "$build_root"
echo "fresh-check: minimal Debian 12 root made in $(($(date +%s) - started)) s"
mkdir -p "$build_root/work"
git clone --quiet "$checkout" "$build_root/work/koda"

# The README's test command.
started=$(date +%s)
in_root "$build_root" "cd /work/koda && bash scripts/test.sh" >"$work/test.log" 2>&1 || {
    tail -n 60 "$work/test.log"
    echo "fresh-check: the test command failed in the fresh root" >&2
    exit 1
}
grep -E "tests passed|tests failed" "$work/test.log"
echo "fresh-check: the test command passed in the fresh root in $(($(date +%s) - started)) s"

# The README's start command: the program must be running 60 s after it came up.
setsid chroot "$build_root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /work/koda && exec bash scripts/run.sh" >"$work/run.log" 2>&1 </dev/null &
run_pid=$!
program_pid=""
for _ in $(seq 300); do
    for pid in $(pids_in "$build_root"); do
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = KodaMonitor ] && program_pid=$pid
    done
    [ -n "$program_pid" ] && break
    kill -0 "$run_pid" 2>/dev/null || break
    sleep 1
done
if [ -z "$program_pid" ]; then
    cat "$work/run.log"
    echo "fresh-check: the start command did not start the program" >&2
    exit 1
fi
sleep 60
if ! kill -0 "$program_pid" 2>/dev/null; then
    cat "$work/run.log"
    echo "fresh-check: the program ended within 60 s of its start" >&2
    exit 1
fi
echo "fresh-check: the start command's program is running after 60 s"
kill -TERM "$program_pid"
for _ in $(seq 50); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -TERM -- "-$run_pid" 2>/dev/null || true
wait "$run_pid" 2>/dev/null || true

# The Debian package, installed on a second new root as a user would install it.
in_root "$build_root" "cd /work/koda && bash scripts/package.sh" >"$work/package.log" 2>&1 || {
    cat "$work/package.log"
    echo "fresh-check: the package could not be built or checked" >&2
    exit 1
}
deb=$(tail -n 1 "$work/package.log")
echo "fresh-check: package $(basename "$deb") built, lintian and appstreamcli clean"
install_root=$work/install-root
make_root "$install_root"
cp "$build_root$deb" "$install_root/tmp/"
in_root "$install_root" "apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    /tmp/$(basename "$deb") man-db && useradd -m racer" >"$work/install.log" 2>&1 || {
    tail -n 40 "$work/install.log"
    echo "fresh-check: the package did not install on a new root" >&2
    exit 1
}
# A user's start, offscreen: still running when the time limit ends it (exit code 124).
set +e
in_root "$install_root" "runuser -u racer -- env HOME=/home/racer QT_QPA_PLATFORM=offscreen \
    timeout 10 KodaMonitor" >"$work/installed-run.log" 2>&1
status=$?
set -e
if [ "$status" -ne 124 ]; then
    cat "$work/installed-run.log"
    echo "fresh-check: the installed program ended by itself (exit code $status)" >&2
    exit 1
fi
in_root "$install_root" "man -P cat KodaMonitor" | grep -q "communication monitor" || {
    echo "fresh-check: man KodaMonitor shows no page" >&2
    exit 1
}
echo "fresh-check: the package installs on a new root, KodaMonitor starts and man KodaMonitor shows its page"
