#!/usr/bin/env bash
# The package on a real Debian 12 under a real systemd: makes a minimal
# Debian 12 root with debootstrap (once; kept in build/system-test/ so a
# second run takes seconds), copies it, installs the package there with
# `apt-get install ./PACKAGE.deb`, boots the copy with systemd-nspawn and
# checks, inside it, what an administrator relies on:
#
#   the service user and the directories the package makes; a simulated
#   counter (pcsim, as a service, on a stable /dev/serial/by-id/ link)
#   polled by pcpoll@door1 every 10 s around the clock, as pcpoll; the
#   records at :00, :10, ...; its metrics file in the node exporter's
#   directory; systemd-analyze security at most 1.5; a
#   device class the unit does not allow; a second poller on the same port;
#   a configuration error (status 1, no restart); a missing port (status
#   255, restarted after 30 s); the counter killed and started again
#   (recovered without a restart); the counter-health, line and
#   configuration lines in the journal with their priorities; systemctl
#   stop (status 0, a STOP line, no restart after it); a SIGHUP (status
#   0, started again by Restart=always); pcview showing the day; the statistics
#   page's timer enabled, its run writing /var/lib/pcstat/www/index.html as
#   pcstat, and its service rated at most 1.5 by systemd-analyze security.
#
# One line per check, then "N passed, N failed".  Exit status 0 only when
# every check passed; 1 when one failed or the container could not be made
# or booted (the reason is printed); 2 on bad usage.
#
# Usage: tools/system-test.sh [PCPOLL.deb [PCSTAT.deb]]
#   default packages: the newest build/deb/pcpoll_*.deb and the pcstat_*.deb
#   beside it (tools/build-deb.sh); both are installed
# Environment: PC_DEBIAN_MIRROR  the Debian mirror for debootstrap (default:
#              the one apt on this machine uses for bookworm)
#              PC_KEEP_SYSTEM_ROOT=1  keep the booted copy for a look
#
# The container has no network (--private-network): nothing it does leaves
# the machine, and the package's dependencies resolve from what the
# minimal system already holds, as on a user's machine.  Needs root,
# debootstrap and systemd-nspawn (systemd-container); there is no need for
# a systemd on the host: --register=no --keep-unit boot without one.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$here/build/system-test
base=$work/bookworm          # debootstrap's result, never booted
root=$work/root              # the copy that is booted, made anew every run
logs=$work/logs
started=$(date +%s)

if [[ $# -gt 2 ]]; then
    echo "usage: $0 [PCPOLL.deb [PCSTAT.deb]]" >&2
    exit 2
fi

die() {
    echo "system-test: $*" >&2
    exit 1
}

# ---- what the machine must have

missing=()
for tool in debootstrap systemd-nspawn nsenter cmake; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
((${#missing[@]} == 0)) ||
    die "cannot run: missing ${missing[*]} (tools/install-deps.sh installs them)"
((EUID == 0)) || die "cannot run: needs root (debootstrap and systemd-nspawn)"

deb=${1:-}
if [[ -z $deb ]]; then
    deb=$(ls -t "$here"/build/deb/pcpoll_*_*.deb 2>/dev/null | head -1)
    [[ -n $deb ]] || die "no package in build/deb/: run tools/build-deb.sh first"
fi
[[ -f $deb ]] || die "no such package: $deb"
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
# The statistics package of the same build: pcstat_VERSION_ARCH.deb.
statdeb=${2:-$(dirname "$deb")/$(basename "$deb" | sed 's/^pcpoll_/pcstat_/')}
[[ -f $statdeb ]] || die "no such package: $statdeb"
statdeb=$(cd "$(dirname "$statdeb")" && pwd)/$(basename "$statdeb")

mkdir -p "$work" "$logs"
rm -f "$logs"/*

# ---- the simulated counter, built for the container (same Debian release)

echo "system-test: building the simulated counter"
if ! { cmake -S "$here" -B "$work/sim" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
           -DPC_BUILD_TESTS=OFF >"$logs/sim-build.txt" 2>&1 &&
       cmake --build "$work/sim" --target pcsim >>"$logs/sim-build.txt" 2>&1; }; then
    tail -20 "$logs/sim-build.txt" >&2
    die "cannot build the simulated counter (see $logs/sim-build.txt)"
fi

# ---- the minimal Debian 12 root, made once

mirror=${PC_DEBIAN_MIRROR:-}
if [[ -z $mirror ]] && command -v apt-get >/dev/null 2>&1; then
    mirror=$(apt-get indextargets --format '$(CODENAME) $(REPO_URI)' 'Identifier: Packages' \
                 2>/dev/null | awk '$1 == "bookworm" { print $2; exit }')
fi
if [[ ! -f $base/.pc-ready ]]; then
    [[ -n $mirror ]] || die "cannot make the Debian 12 root: no bookworm mirror known (set PC_DEBIAN_MIRROR)"
    echo "system-test: debootstrap of a minimal Debian 12 into $base (once)"
    rm -rf "$base" "$base.new"
    if ! timeout 1200 debootstrap --variant=minbase --include=systemd-sysv,dbus \
             bookworm "$base.new" "$mirror" >"$logs/debootstrap.txt" 2>&1; then
        tail -20 "$logs/debootstrap.txt" >&2
        rm -rf "$base.new"
        die "cannot make the Debian 12 root: debootstrap failed (see $logs/debootstrap.txt)"
    fi
    date -u +%FT%TZ >"$base.new/.pc-ready"
    mv "$base.new" "$base"
fi

echo "system-test: fresh copy of the Debian 12 root"
rm -rf "$root"
cp -a --reflink=auto "$base" "$root" || die "cannot copy $base"

# What the test brings along: the package, the simulated counter and its
# unit.  The counter's pseudo-terminal gets the owner and mode of a real
# serial device (root:dialout 0660) and a /dev/serial/by-id/ name, so the
# poller reaches it exactly as it reaches a USB adapter.
mkdir -p "$root/root/pkg" "$root/etc/pcsim"
cp "$deb" "$statdeb" "$root/root/pkg/"
install -m 0755 "$work/sim/tools/pcsim" "$root/usr/local/bin/pcsim"
cat >"$root/usr/local/bin/pcsim-as-serial-device" <<'EOF'
#!/bin/sh
# Waits (at most 10 s) for the simulator's link, then gives its device the
# owner and mode of a serial port.
link=$1
i=0
while [ ! -e "$link" ]; do
    i=$((i + 1))
    [ $i -le 100 ] || { echo "no $link" >&2; exit 1; }
    sleep 0.1
done
device=$(readlink -f "$link")
chgrp dialout "$device" && chmod 0660 "$device"
EOF
chmod 0755 "$root/usr/local/bin/pcsim-as-serial-device"
cat >"$root/etc/systemd/system/pcsim@.service" <<'EOF'
[Unit]
Description=Simulated people counter %i

[Service]
Type=exec
EnvironmentFile=-/etc/pcsim/%i.env
ExecStartPre=/bin/mkdir -p /dev/serial/by-id
ExecStart=/usr/local/bin/pcsim --link /dev/serial/by-id/usb-pcsim-%i --step-random 5 $PCSIM_OPTIONS
ExecStartPost=/usr/local/bin/pcsim-as-serial-device /dev/serial/by-id/usb-pcsim-%i
EOF

# What an earlier installation that ran the poller as root left behind.
mkdir -p "$root/opt/velmora/log" "$root/var/log/korvane"
printf '\nSTART nazwa wywolania door1: 2011-03-14 - 08:59.50 \n' >"$root/opt/velmora/log/door1.log"
printf '09:00;     0; 0; 0;0X3B6B\n' >"$root/var/log/korvane/door1_20110314.csv"
chmod 0644 "$root/opt/velmora/log/door1.log" "$root/var/log/korvane/door1_20110314.csv"
# Debian's prometheus-node-exporter ships its textfile directory so.
mkdir -p "$root/var/lib/prometheus/node-exporter"
chmod 0755 "$root/var/lib/prometheus/node-exporter"

# The package's dependencies are fetched from the Debian mirror, as apt on
# a user's machine does, into an archive directory kept beside the root, so
# that the booted container, which has no network, installs them from
# there, and a second run fetches nothing.
archives=$work/apt-archives
mkdir -p "$archives"
echo "system-test: fetching the package's dependencies (kept in $archives)"
if ! timeout 600 systemd-nspawn --quiet --register=no --keep-unit --directory="$root" \
         --bind="$archives:/var/cache/apt/archives" \
         apt-get install -y -q --download-only \
         "/root/pkg/$(basename "$deb")" "/root/pkg/$(basename "$statdeb")" \
         </dev/null >"$logs/apt-download.txt" 2>&1; then
    tail -20 "$logs/apt-download.txt" >&2
    die "cannot fetch the package's dependencies (see $logs/apt-download.txt)"
fi

# ---- boot

nspawn_pid=
leader=
shutdown_container() {
    [[ -n $nspawn_pid ]] || return 0
    if kill -0 "$nspawn_pid" 2>/dev/null && [[ -n $leader ]]; then
        timeout 10 nsenter -t "$leader" -a -- /bin/systemctl --no-block poweroff >/dev/null 2>&1
    fi
    local i
    for ((i = 0; i < 300; i++)); do
        kill -0 "$nspawn_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$nspawn_pid" 2>/dev/null; then
        # SIGTERM asks systemd-nspawn for an orderly halt; then no mercy.
        kill -TERM "$nspawn_pid" 2>/dev/null
        for ((i = 0; i < 100; i++)); do
            kill -0 "$nspawn_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$nspawn_pid" 2>/dev/null
    fi
    wait "$nspawn_pid" 2>/dev/null
    nspawn_pid=
}
cleanup() {
    shutdown_container
    if [[ ${PC_KEEP_SYSTEM_ROOT:-0} != 1 ]]; then
        rm -rf "$root"
    fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# A Debian 12 machine boots with the unified cgroup hierarchy, where
# systemd enforces DevicePolicy= and IPAddressDeny= with BPF programs.
# systemd-nspawn would give the container the host's layout (cgroup v1 on
# a host without systemd) and filter bpf(): both are set as on a real
# machine, so that what the unit restricts is really restricted here.
echo "system-test: booting it with systemd-nspawn"
SYSTEMD_NSPAWN_UNIFIED_HIERARCHY=1 \
    systemd-nspawn --quiet --boot --register=no --keep-unit --private-network \
    --system-call-filter=bpf --console=passive --directory="$root" --machine=pcpoll-test \
    --bind="$archives:/var/cache/apt/archives" \
    </dev/null >"$logs/nspawn.txt" 2>&1 &
nspawn_pid=$!

cannot_boot() {
    echo "system-test: this machine cannot boot a container: $1" >&2
    if [[ -s $logs/nspawn.txt ]]; then
        echo "systemd-nspawn said:" >&2
        tail -20 "$logs/nspawn.txt" | sed 's/^/    /' >&2
    fi
    exit 1
}
for ((i = 0; i < 300; i++)); do
    kill -0 "$nspawn_pid" 2>/dev/null || cannot_boot "systemd-nspawn ended at once"
    for child in $(cat /proc/"$nspawn_pid"/task/*/children 2>/dev/null); do
        if [[ $(cat /proc/"$child"/comm 2>/dev/null) == systemd ]]; then
            leader=$child
        fi
    done
    [[ -n $leader ]] && break
    sleep 0.1
done
[[ -n $leader ]] || cannot_boot "no systemd started in the container within 30 s"

# A command inside the booted container, with a clean environment and a
# bound on its time.
inside() {
    timeout 120 nsenter -t "$leader" -a -- /usr/bin/env -i \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 SYSTEMD_PAGER= SYSTEMD_COLORS=0 TERM=dumb "$@"
}
# Writes standard input to FILE inside the container.
put() {
    inside /bin/sh -c 'cat >"$1"' put "$1"
}

# Until systemd has made its socket the question fails; --wait then waits
# for the boot to finish.
for ((i = 0; i < 90; i++)); do
    state=$(inside systemctl is-system-running --wait 2>&1)
    case $state in
    running | degraded | maintenance | stopping) break ;;
    esac
    kill -0 "$nspawn_pid" 2>/dev/null || cannot_boot "systemd-nspawn ended during the boot"
    sleep 1
done
case $state in
running | degraded) ;;
*) cannot_boot "systemd in the container did not come up in 90 s (is-system-running: $state)" ;;
esac
echo "system-test: booted in $(($(date +%s) - started)) s ($state)"

# ---- checks

passed=0
failed=0
pass() {
    passed=$((passed + 1))
    echo "ok: $1"
}
fail() {
    failed=$((failed + 1))
    echo "FAIL: $1"
    if [[ $# -gt 1 && -n $2 ]]; then
        printf '%s\n' "$2" | head -20 | sed 's/^/    /'
    fi
}
# check NAME COMMAND...: passes when COMMAND succeeds; its output is shown
# on failure.
check() {
    local name=$1 output
    shift
    if output=$("$@" 2>&1); then
        pass "$name"
    else
        fail "$name" "$output"
    fi
}
# wait_until SECONDS COMMAND...: true once COMMAND succeeds, false when the
# time is up.
wait_until() {
    local deadline=$(($(date +%s) + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        (($(date +%s) < deadline)) || return 1
        sleep 1
    done
}
show() {  # show UNIT PROPERTY: one property's value
    inside systemctl show -p "$2" --value "$1"
}
expect_equal() {  # expect_equal WHAT EXPECTED ACTUAL
    [[ $2 == "$3" ]] || { echo "$1: expected '$2', got '$3'"; return 1; }
}

check "state of the booted system: $state (no failed units)" \
    expect_equal "failed units" "" "$(inside systemctl --failed --no-legend --plain)"

package=/root/pkg/$(basename "$deb")
install_output=$(inside apt-get install -y -q "$package" "/root/pkg/$(basename "$statdeb")" 2>&1)
install_status=$?
printf '%s\n' "$install_output" >"$logs/apt-install.txt"
if [[ $install_status -eq 0 ]]; then
    pass "apt-get install ./$(basename "$deb") ./$(basename "$statdeb") ($(grep -c '^Unpacking' <<<"$install_output") packages)"
else
    fail "apt-get install ./$(basename "$deb") ./$(basename "$statdeb")" "$(tail -15 <<<"$install_output")"
fi

user_line=$(inside getent passwd pcpoll)
pc_uid=$(cut -d: -f3 <<<"$user_line")
dialout_gid=$(inside getent group dialout | cut -d: -f3)
check_user() {
    [[ -n $pc_uid && $pc_uid -lt 1000 ]] || { echo "not a system user: $user_line"; return 1; }
    expect_equal "shell" /usr/sbin/nologin "$(cut -d: -f7 <<<"$user_line")" || return 1
    expect_equal "primary group" pcpoll "$(inside id -gn pcpoll)" || return 1
    inside id -nG pcpoll | grep -qw dialout || { echo "groups: $(inside id -nG pcpoll)"; return 1; }
}
check "system user pcpoll (uid $pc_uid), group pcpoll, member of dialout, no login" check_user

owners() {  # owners PATH...: "user:group mode" of each, on one line
    inside stat -c '%U:%G %a' "$@" 2>&1 | paste -sd' '
}
check "directories: /opt/velmora/log, /var/log/korvane pcpoll:pcpoll 0755; /opt/velmora, /etc/korvane root:root 0755" \
    expect_equal "owners" "pcpoll:pcpoll 755 pcpoll:pcpoll 755 root:root 755 root:root 755" \
    "$(owners /opt/velmora/log /var/log/korvane /opt/velmora /etc/korvane)"
check "files an earlier root installation left are given to pcpoll, their modes kept" \
    expect_equal "owners" "pcpoll:pcpoll 644 pcpoll:pcpoll 644" \
    "$(owners /opt/velmora/log/door1.log /var/log/korvane/door1_20110314.csv)"
textfile=/var/lib/prometheus/node-exporter
check_textfile_dir() {
    # With an ACL, the group bits of the mode show the ACL's mask.
    expect_equal "ACL" "user::rwx user:$pc_uid:rwx group::r-x mask::rwx other::r-x" \
        "$(getfacl -n -c -p "$root$textfile" | grep . | paste -sd' ')" || return 1
    expect_equal "owner" "root:root" "$(inside stat -c %U:%G "$textfile")"
}
check "the node exporter's textfile directory: still root:root 0755, and ACL user:pcpoll:rwx" \
    check_textfile_dir
check_unit_files() {
    local listing
    listing=$(inside systemctl list-unit-files --no-legend --plain 'pcpoll@*')
    grep -Eq '^pcpoll@\.service +disabled' <<<"$listing" || { echo "$listing"; return 1; }
    ! inside ls /etc/systemd/system/multi-user.target.wants 2>/dev/null | grep pcpoll
}
check "template unit pcpoll@.service installed, no instance enabled" check_unit_files

# -- the simulated counter on its stable name

inside systemctl start pcsim@door1.service >"$logs/pcsim-start.txt" 2>&1
link=/dev/serial/by-id/usb-pcsim-door1
check "simulated counter pcsim@door1 on $link, a device root:dialout 0660" \
    expect_equal "device" "root:dialout 660" "$(inside stat -L -c '%U:%G %a' "$link" 2>&1)"

# -- the pollers' configurations

door_conf() {  # door_conf PORT NAME: a day-long, 10-second configuration
    printf '%s\n' "# test entrance $2" "portname = $1" "entry = /var/log/korvane/$2.csv" \
        "recordtime = 10" "opentime = 00:00-24:00" "comlog = yes"
}
# door1 also writes its metrics into the node exporter's directory, and
# holds a misspelt day and a setting without blanks, which the poller
# reports and otherwise ignores.
metrics=$textfile/pcpoll-door1.prom
{ door_conf "$link" door1
  printf '%s\n' "metrics = $metrics" "sunday = 10:00-14:00" "comlog=yes"; } |
    put /opt/velmora/door1.conf
door_conf "$link" door1b | put /opt/velmora/door1b.conf
door_conf /dev/ttyUSB7 door2 | put /opt/velmora/door2.conf
door_conf "$link" door3 | grep -v opentime | put /opt/velmora/door3.conf
# door4's "port" is a character device of a class the unit does not allow
# (10:200, the tun device, open to everybody): only the device policy keeps
# the poller from opening it.  (The simulator's pseudo-terminals, class
# pts, are among the devices DevicePolicy=closed always allows.)
not_serial=/dev/pcpoll-not-serial
inside mknod -m 0666 "$not_serial" c 10 200
door_conf "$not_serial" door4 | put /opt/velmora/door4.conf

# The missing port first: its restart comes 30 s later, while the rest runs.
inside systemctl start pcpoll@door2.service
door2_started=$(date +%s)

inside systemctl enable --now pcpoll@door1.service >"$logs/enable.txt" 2>&1
check "systemctl enable --now pcpoll@door1.service" \
    expect_equal "state" active "$(show pcpoll@door1.service ActiveState)"
door1_pid=$(show pcpoll@door1.service MainPID)

report=/var/log/korvane/door1_$(inside date +%Y%m%d).csv
records() { inside cat "$report" 2>/dev/null; }
record_count() { records | grep -c .; }
three_records() { (($(record_count) >= 3)); }
wait_until 45 three_records
record_pattern='^([0-9]{2}):([0-9]{2})\.([0-9]{2}); *[0-9]+; *[0-9]+; *0;0X[0-9A-F]{4}$'
check_records() {
    local lines line seconds previous=""
    lines=$(records)
    three_records || { echo "fewer than 3 records in 45 s:"; echo "$lines"; return 1; }
    while IFS= read -r line; do
        [[ $line =~ $record_pattern ]] || { echo "not an answered record: '$line'"; return 1; }
        seconds=$((10#${BASH_REMATCH[1]} * 3600 + 10#${BASH_REMATCH[2]} * 60 + 10#${BASH_REMATCH[3]}))
        ((seconds % 10 == 0)) || { echo "not at a multiple of 10 s: $line"; return 1; }
        if [[ -n $previous ]] && ((seconds != previous + 10)); then
            echo "not 10 s after the one before: $line"
            return 1
        fi
        previous=$seconds
    done <<<"$lines"
}
check "records every 10 s at :00, :10, ..., answered ($(record_count) so far)" check_records

check_identity() {
    local status
    status=$(inside cat "/proc/$door1_pid/status")
    grep -Eq "^Uid:[[:space:]]+$pc_uid[[:space:]]+$pc_uid[[:space:]]" <<<"$status" &&
        grep -Eq "^Groups:.*\\b$dialout_gid\\b" <<<"$status" ||
        { grep -E '^(Uid|Gid|Groups):' <<<"$status"; return 1; }
    expect_equal "owners and modes of what it writes" \
        "pcpoll:pcpoll 644 pcpoll:pcpoll 644 pcpoll:pcpoll 644" \
        "$(owners "$report" /opt/velmora/log/door1_v.log /opt/velmora/log/comlog.txt)"
}
check "pcpoll@door1 runs as pcpoll with dialout; its report, verbose log and com log are pcpoll's, 0644" \
    check_identity

metrics_up() {  # metrics_up VALUE: the metrics file says pcpoll_up VALUE
    inside cat "$metrics" 2>/dev/null | grep -qx "pcpoll_up{entrance=\"door1\"} $1"
}
check_metrics() {
    metrics_up 1 || { echo "no pcpoll_up 1 in $metrics:"; inside ls -la "$textfile"; inside cat "$metrics"; return 1; }
    expect_equal "owner, mode, files in the directory" "pcpoll:pcpoll 644 1" \
        "$(owners "$metrics") $(inside ls -A "$textfile" | grep -c .)"
}
check "metrics in the node exporter's directory, through the unit's sandbox and the ACL: pcpoll_up 1" \
    check_metrics

inside systemd-analyze security --no-pager pcpoll@door1.service >"$logs/security.txt" 2>&1
exposure=$(sed -n 's/.*Overall exposure level for pcpoll@door1.service: \([0-9.]*\).*/\1/p' \
               "$logs/security.txt")
at_most_1_5() {
    awk -v e="${exposure:-99}" 'BEGIN { exit !(e <= 1.5) }' || grep -E '^(✗|→)' "$logs/security.txt"
}
check "systemd-analyze security pcpoll@door1.service: ${exposure:-?}, at most 1.5" at_most_1_5

# -- a device class the unit does not allow, a second poller on the port

ended_255() { [[ $(show "pcpoll@$1.service" ExecMainStatus) == 255 ]]; }
journal_of() { inside journalctl -u "pcpoll@$1.service" -o cat --no-pager "${@:2}"; }

inside systemctl start pcpoll@door4.service
wait_until 15 ended_255 door4
check_device_policy() {
    ended_255 door4 && journal_of door4 | grep -qx "$not_serial: Operation not permitted" ||
        { echo "status $(show pcpoll@door4.service ExecMainStatus)"; journal_of door4; return 1; }
}
check "DevicePolicy=closed: a device of another class is refused (255, '$not_serial: Operation not permitted')" \
    check_device_policy
inside systemctl stop pcpoll@door4.service

inside systemctl start pcpoll@door1b.service
wait_until 15 ended_255 door1b
check_busy() {
    ended_255 door1b && journal_of door1b | grep -qx "$link: Device or resource busy" &&
        expect_equal "door1's pid" "$door1_pid" "$(show pcpoll@door1.service MainPID)" ||
        { echo "status $(show pcpoll@door1b.service ExecMainStatus)"; journal_of door1b; return 1; }
}
check "a second poller on the same port: 255, '$link: Device or resource busy'; door1 undisturbed" \
    check_busy
inside systemctl stop pcpoll@door1b.service

# -- a configuration error

inside systemctl start pcpoll@door3.service >>"$logs/start-door3.txt" 2>&1
door3_failed() { [[ $(show pcpoll@door3.service ActiveState) == failed ]]; }
wait_until 15 door3_failed
check "configuration error: status 1, failed at once, no restart" \
    expect_equal "status, state, restarts" "1 failed failed 0" \
    "$(show pcpoll@door3.service ExecMainStatus) $(show pcpoll@door3.service ActiveState) $(show pcpoll@door3.service SubState) $(show pcpoll@door3.service NRestarts)"
check_config_errors() {
    local errors
    errors=$(journal_of door3 -p 0..3)
    grep -qF "Nie znaleziono globarnego czasu otwarcia sklepu 'opentime' w pliku /opt/velmora/door3.conf" <<<"$errors" &&
        grep -qF "program przerwany z powodu powyzszych bledow" <<<"$errors" ||
        { echo "priority err and above:"; echo "$errors"; echo "all:"; journal_of door3; return 1; }
}
check "journal, priority err: the configuration error and the abort line" check_config_errors

# -- the counter killed and started again

inside systemctl kill --signal=SIGKILL pcsim@door1.service
verbose() { inside cat /opt/velmora/log/door1_v.log; }
line_lost() { verbose | grep -q "Utracono polaczenie z portem $link"; }
counter_good() { verbose | grep -q "Licznik odpowiada poprawnie"; }
wait_until 30 line_lost
sleep 12   # at least one more unanswered poll
# The counter comes back answering junk twice, then as usual.
echo 'PCSIM_OPTIONS=--script garbage,garbage' | put /etc/pcsim/door1.env
inside systemctl start pcsim@door1.service
wait_until 60 counter_good
check_recovery() {
    local log
    log=$(verbose)
    grep -q "Utracono polaczenie z portem $link" <<<"$log" &&
        grep -q "Odzyskano polaczenie z portem $link" <<<"$log" ||
        { tail -20 <<<"$log"; return 1; }
    expect_equal "pid and restarts of door1" "$door1_pid 0" \
        "$(show pcpoll@door1.service MainPID) $(show pcpoll@door1.service NRestarts)" || return 1
    records | grep -Eq '; *1;0X[0-9A-F]{4}$' || { echo "no unanswered record while it was gone"; return 1; }
}
check "counter killed and started again: line lost, recovered, no restart, unanswered polls recorded" \
    check_recovery

journal_of door1 >"$logs/journal-door1.txt"
in_journal() {  # in_journal PRIORITIES PATTERN...
    local text pattern missing=""
    text=$(journal_of door1 -p "$1")
    shift
    for pattern in "$@"; do
        grep -Eq -- "$pattern" <<<"$text" || missing+="missing: $pattern"$'\n'
    done
    [[ -z $missing ]] || { printf '%s' "$missing"; echo "journal:"; cat "$logs/journal-door1.txt"; return 1; }
}
date_time='[0-9]{4}-[0-9]{2}-[0-9]{2} - [0-9]{2}:[0-9]{2}\.[0-9]{2}'
check "journal, priority warning: 'Licznik nie odpowiada', '... bez wartosci', 'Utracono polaczenie'" \
    in_journal 0..4 "^$date_time Licznik nie odpowiada\$" \
    "^$date_time Licznik odpowiada bez wartosci\$" "^Utracono polaczenie z portem $link"
check "journal, priority notice or info: 'Licznik odpowiada poprawnie', 'Odzyskano polaczenie'" \
    in_journal 5..6 "^$date_time Licznik odpowiada poprawnie\$" "^Odzyskano polaczenie z portem $link\$"
check "journal, priority warning: the configuration warnings (sunday, comlog=yes)" \
    in_journal 0..4 "^Uwaga: nieznany parametr sunday w pliku /opt/velmora/door1.conf\$" \
    "^Uwaga: comlog=yes nie jest czytane, brak odstepow wokol = w pliku /opt/velmora/door1.conf\$"
check "journal: no '<N>' priority prefix left in a message" \
    bash -c '! grep -E "^<[0-9]>" "$1"' prefix "$logs/journal-door1.txt"

# -- a stray SIGHUP: the poller stops cleanly (status 0) and the unit
#    (Restart=always) starts it again 30 s later

hup_pid=$(show pcpoll@door1.service MainPID)
hup_restarts=$(show pcpoll@door1.service NRestarts)
hup_records=$(record_count)
inside systemctl kill --signal=SIGHUP pcpoll@door1.service
door1_back() {
    local pid
    pid=$(show pcpoll@door1.service MainPID)
    [[ $pid != 0 && $pid != "$hup_pid" ]] &&
        (($(show pcpoll@door1.service NRestarts) > hup_restarts)) &&
        (($(record_count) > hup_records + 1))
}
wait_until 75 door1_back
check_hup() {
    door1_back && [[ $(show pcpoll@door1.service ActiveState) == active ]] &&
        (($(inside grep -c '^STOP: ' /opt/velmora/log/door1.log) == 1)) ||
        { echo "pid $(show pcpoll@door1.service MainPID) (was $hup_pid)," \
               "restarts $(show pcpoll@door1.service NRestarts) (were $hup_restarts)," \
               "records $(record_count) (were $hup_records)"
          inside cat /opt/velmora/log/door1.log; return 1; }
}
check "SIGHUP: one STOP line, then the unit starts the poller again and records go on" check_hup

# -- the missing port: status 255, then a restart 30 s later

door2_restarted() { (($(show pcpoll@door2.service NRestarts) >= 1)); }
wait_until $((door2_started + 45 - $(date +%s))) door2_restarted
check_missing_port() {
    ended_255 door2 && door2_restarted &&
        journal_of door2 | grep -qx "/dev/ttyUSB7: No such file or directory" ||
        { echo "status $(show pcpoll@door2.service ExecMainStatus), restarts $(show pcpoll@door2.service NRestarts)"
          journal_of door2; return 1; }
}
check "missing port: status 255, '/dev/ttyUSB7: No such file or directory', restarted after 30 s" \
    check_missing_port
inside systemctl stop pcpoll@door2.service

# -- stop

stop_started=$(date +%s%N)
inside systemctl stop pcpoll@door1.service
stop_ms=$((($(date +%s%N) - stop_started) / 1000000))
check "systemctl stop: status 0 in ${stop_ms} ms, inactive, a second STOP line in the event log, pcpoll_up 0" \
    expect_equal "status, result, state, STOP lines, pcpoll_up 0" "0 success inactive 2 yes" \
    "$(show pcpoll@door1.service ExecMainStatus) $(show pcpoll@door1.service Result) $(show pcpoll@door1.service ActiveState) $(inside grep -c '^STOP: ' /opt/velmora/log/door1.log) $(metrics_up 0 && echo yes)"

# -- the viewer shows the day, to any user

echo 'entry = door1' | put /etc/korvane/pcview.conf
view=$(echo -1 | inside setpriv --reuid=nobody --regid=nogroup --clear-groups /usr/bin/pcview 2>&1)
view_status=$?
printf '%s\n' "$view" >"$logs/pcview.txt"
check_view() {
    local t missing=""
    [[ $view_status -eq 255 ]] || { echo "status $view_status"; return 1; }
    grep -q "Raport dla" <<<"$view" && grep -qx "door1" <<<"$view" ||
        { grep -v '^$' <<<"$view"; return 1; }
    for t in $(records | cut -d';' -f1); do
        grep -q "^$t;" <<<"$view" || missing+="$t "
    done
    [[ -z $missing ]] || { echo "rows missing: $missing"; return 1; }
}
check "pcview as nobody shows all $(record_count) records of door1's day, status 255 after -1" check_view

# systemctl stop is for good: no restart after RestartSec.
sleep $((stop_started / 1000000000 + 35 - $(date +%s) > 0 ? stop_started / 1000000000 + 35 - $(date +%s) : 0))
check "35 s after systemctl stop: still inactive, not restarted" \
    expect_equal "state" "inactive" "$(show pcpoll@door1.service ActiveState)"

# -- the statistics page: the timer's run writes it, as pcstat

check_stat_user() {
    inside getent passwd pcstat | grep -q ':/usr/sbin/nologin$' &&
        inside id -nG pcstat | grep -qw pcpoll ||
        { inside getent passwd pcstat; inside id pcstat; return 1; }
}
check "system user pcstat, member of pcpoll, no login" check_stat_user
# A configuration only root and the group pcpoll may read.
inside chgrp pcpoll /opt/velmora/door1.conf
inside chmod 0640 /opt/velmora/door1.conf
page=/var/lib/pcstat/www/index.html
inside systemctl enable --now pcstat-dashboard.timer >"$logs/dashboard-enable.txt" 2>&1
# The boot is more than OnBootSec= ago: the timer elapses at once.
page_written() {
    [[ $(show pcstat-dashboard.service Result) == success ]] && inside test -s "$page"
}
wait_until 120 page_written
check_dashboard() {
    page_written || {
        echo "result $(show pcstat-dashboard.service Result)"
        inside journalctl -u pcstat-dashboard.service -o cat --no-pager | tail -n 5
        return 1
    }
    expect_equal "timer, page and its directory" "active enabled pcstat:pcstat 644 pcstat:pcstat 755" \
        "$(show pcstat-dashboard.timer ActiveState) $(show pcstat-dashboard.timer UnitFileState) $(owners "$page" /var/lib/pcstat/www)" ||
        return 1
    inside grep -q '<th scope="row">door1</th><td>[0-9:.]*</td><td>odpowiada</td>' "$page" ||
        { echo "door1's latest reading is not on the page"; inside grep door1 "$page" | head -n 3; return 1; }
}
check "pcstat-dashboard.timer enabled: its run writes $page as pcstat (0644) with door1's latest reading" \
    check_dashboard
inside cat "$page" >"$logs/dashboard.html" 2>&1

inside systemd-analyze security --no-pager pcstat-dashboard.service >"$logs/security-dashboard.txt" 2>&1
dashboard_exposure=$(sed -n 's/.*Overall exposure level for pcstat-dashboard.service: \([0-9.]*\).*/\1/p' \
                         "$logs/security-dashboard.txt")
dashboard_at_most_1_5() {
    awk -v e="${dashboard_exposure:-99}" 'BEGIN { exit !(e <= 1.5) }' ||
        grep -E '^(✗|→)' "$logs/security-dashboard.txt"
}
check "systemd-analyze security pcstat-dashboard.service: ${dashboard_exposure:-?}, at most 1.5" \
    dashboard_at_most_1_5

echo "system-test: $(($(date +%s) - started)) s; logs in $logs"
inside journalctl --no-pager >"$logs/journal.txt" 2>&1
shutdown_container
echo "$passed passed, $failed failed"
((failed == 0))
