#!/usr/bin/env bash
# Installs a built tree into a scratch directory, as a package build would
# (DESTDIR=<scratch> cmake --install <build> --prefix /usr), and checks what
# lands there: every file present with sane permissions, the systemd unit
# (ExecStart in the "@" form, no restart after a configuration error, the
# service user and its sandbox, accepted by systemd-analyze verify and
# rated at most 1.5 by systemd-analyze security), the manual pages
# (rendered without warnings), the statistics page's unit and timer
# (verified, rated at most 1.5), the sysusers.d and tmpfiles.d entries
# (applied to a scratch root) and the examples.
#
# Usage: install_test.sh BUILD_DIR
# The cmake program used is $CMAKE when set, else cmake from PATH.
#
# Nothing outside BUILD_DIR and a temporary directory is written; the
# system's own /usr, /etc, /opt and /var are left alone.  Checks that need
# a tool the machine lacks (systemd-analyze, systemd-tmpfiles,
# systemd-sysusers, getfacl, man, groff) or root are skipped with a
# message; when CI is set they fail instead, naming what is missing.
set -u
umask 022  # as a package build would; the directory modes depend on it

if [[ $# -ne 1 || ! -d $1 ]]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
prefix=/usr

work=$(mktemp -d "${TMPDIR:-/tmp}/pc-install-test.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
dest=$work/dest
root=$dest$prefix

passed=0
failed=0
skipped=0

pass() {
    passed=$((passed + 1))
    echo "ok: $1"
}
fail() {
    failed=$((failed + 1))
    echo "FAIL: $1"
    if [[ $# -gt 1 && -n $2 ]]; then
        printf '%s\n' "$2" | sed 's/^/    /'
    fi
}
skip() {
    if [[ -n ${CI:-} ]]; then
        fail "$1 (CI must run every check)"
        return
    fi
    skipped=$((skipped + 1))
    echo "skipped: $1"
}
finish() {
    echo "install-test: $passed passed, $failed failed, $skipped skipped"
    [[ $failed -eq 0 ]]
    exit
}

# ---- the installation itself

if output=$(DESTDIR=$dest "${CMAKE:-cmake}" --install "$build" --prefix "$prefix" 2>&1); then
    pass "cmake --install into DESTDIR with prefix $prefix"
else
    fail "cmake --install into DESTDIR with prefix $prefix" "$output"
    finish
fi

outside=$(cd "$dest" && {
    find . -mindepth 1 -maxdepth 1 ! -path "./${prefix#/}" ! -path ./etc
    find ".$prefix" -mindepth 1 -maxdepth 1 ! -name bin ! -name lib ! -name share
    find ./etc -mindepth 1 ! -path ./etc/logrotate.d ! -path ./etc/logrotate.d/pcpoll
})
if [[ -z $outside ]]; then
    pass "everything lands in bin, lib and share under the prefix, and /etc/logrotate.d/pcpoll"
else
    fail "files installed outside bin, lib and share of the prefix" "$outside"
fi

# ---- every file present, with its permissions

programs=(bin/pcpoll bin/pcview bin/pcstat lib/pcstat/pcstat-load)
data=(share/man/man8/pcpoll.8
      share/man/man1/pcview.1
      share/man/man1/pcstat.1
      lib/systemd/system/pcpoll@.service
      lib/tmpfiles.d/pcpoll.conf
      lib/sysusers.d/pcpoll.conf
      lib/systemd/system/pcstat-dashboard.service
      lib/systemd/system/pcstat-dashboard.timer
      lib/sysusers.d/pcstat.conf
      share/doc/pcstat/examples/nginx-pcstat
      share/doc/pcstat/examples/pcstat-weekly-mail.service
      share/doc/pcstat/examples/pcstat-weekly-mail.timer
      share/doc/pcpoll/examples/pcpoll-alerts.yml
      share/doc/pcpoll/examples/door1.conf
      share/doc/pcpoll/examples/pcview.conf
      share/doc/pcstat/examples/pcstat-load.service
      share/doc/pcstat/examples/pcstat-load.timer
      share/doc/pcstat/examples/collect/pcstat-collect.service
      share/doc/pcstat/examples/collect/pcstat-collect.timer
      share/doc/pcstat/examples/collect/pcstat-collect.shops)

mode_of() { stat -c %a "$1"; }

for file in "${programs[@]}"; do
    path=$root/$file
    if [[ ! -f $path ]]; then
        fail "$prefix/$file is installed"
    elif [[ $(mode_of "$path") != 755 || ! -x $path ]]; then
        fail "$prefix/$file is executable with mode 0755" "mode $(mode_of "$path")"
    elif [[ $(head -c 4 "$path" | od -An -c | tr -d ' ') != '177ELF' ]]; then
        fail "$prefix/$file is a program" "$(head -c 16 "$path" | od -An -c)"
    else
        pass "$prefix/$file installed, mode 0755"
    fi
done

# The poller and the viewer need only the C and C++ runtime (their package
# pcpoll has no other dependency); cairo and libpq are pcstat's alone.
if command -v readelf >/dev/null 2>&1; then
    for file in bin/pcpoll bin/pcview; do
        [[ -f $root/$file ]] || continue
        needed=$(readelf -d "$root/$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
        if grep -qE 'libpq|libcairo|libfontconfig' <<<"$needed"; then
            fail "$prefix/$file links only the C and C++ runtime" "$needed"
        else
            pass "$prefix/$file links only the C and C++ runtime ($needed)"
        fi
    done
    # pcstat leaves libpq, and the libraries it brings, to its loader.
    needed=$(readelf -d "$root/bin/pcstat" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    if ! grep -q '^libpq\.so' <<<"$needed" && grep -q '^libcairo\.so' <<<"$needed"; then
        pass "$prefix/bin/pcstat links cairo, not libpq"
    else
        fail "$prefix/bin/pcstat links cairo, not libpq" "$needed"
    fi
    needed=$(readelf -d "$root/lib/pcstat/pcstat-load" 2>/dev/null |
        sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    if grep -q '^libpq\.so' <<<"$needed"; then
        pass "$prefix/lib/pcstat/pcstat-load links libpq"
    else
        fail "$prefix/lib/pcstat/pcstat-load links libpq" "$needed"
    fi
else
    skip "the libraries the programs link: readelf is not installed"
fi

for file in "${data[@]}"; do
    path=$root/$file
    if [[ ! -f $path ]]; then
        fail "$prefix/$file is installed"
    elif [[ $(mode_of "$path") != 644 ]]; then
        fail "$prefix/$file has mode 0644" "mode $(mode_of "$path")"
    else
        pass "$prefix/$file installed, mode 0644"
    fi
done

# The collecting script of the examples: a shell script, mode 0755.
collect=$root/share/doc/pcstat/examples/collect/pcstat-collect
if [[ -f $collect && $(mode_of "$collect") == 755 && $(head -c 2 "$collect") == '#!' ]]; then
    pass "$prefix/share/doc/pcstat/examples/collect/pcstat-collect installed, mode 0755"
else
    fail "$prefix/share/doc/pcstat/examples/collect/pcstat-collect is a script with mode 0755"
fi

odd=$(find "$dest" \( -type d ! -perm 755 \) -o \( -type f ! -perm 755 ! -perm 644 \) \
      -o \( ! -type d ! -type f \))
if [[ -z $odd ]]; then
    pass "no other modes than 0755 and 0644, no special files"
else
    fail "no other modes than 0755 and 0644, no special files" "$odd"
fi

leaks=$(grep -rl -- "$dest" "$dest" 2>/dev/null)
if [[ -z $leaks ]]; then
    pass "no installed file mentions the DESTDIR"
else
    fail "installed files mention the DESTDIR" "$leaks"
fi

# ---- the systemd unit

unit=$root/lib/systemd/system/pcpoll@.service
if [[ -f $unit ]]; then
    settings=$(grep -v -E '^[[:space:]]*([#;]|$)' "$unit")
    execs=$(grep -E '^ExecStart=' <<<"$settings")
    if [[ $execs =~ ^ExecStart=@$prefix/bin/pcpoll\ %i\ -v$ ]]; then
        pass "ExecStart=@$prefix/bin/pcpoll %i -v: the instance name is argv[0]"
    else
        fail "one ExecStart line, @$prefix/bin/pcpoll %i -v" "$execs"
    fi
    if grep -q -E '^RestartPreventExitStatus=(.*[[:space:]])?1([[:space:]]|$)' <<<"$settings"; then
        pass "RestartPreventExitStatus names 1 (configuration error)"
    else
        fail "RestartPreventExitStatus names 1" "$(grep -E '^RestartPreventExitStatus' <<<"$settings")"
    fi
    for expected in Restart=always 'Documentation=man:pcpoll(8)' \
                    WantedBy=multi-user.target KillSignal=SIGTERM; do
        if grep -q -x -F -- "$expected" <<<"$settings"; then
            pass "unit has $expected"
        else
            fail "unit has $expected"
        fi
    done
    # The service user and the sandbox the poller is known to work in.
    sandbox=(User=pcpoll Group=pcpoll SupplementaryGroups=dialout UMask=0022 PrivateUsers=yes
             ProtectSystem=strict PrivateNetwork=yes IPAddressDeny=any
             RestrictAddressFamilies=AF_UNIX CapabilityBoundingSet= NoNewPrivileges=yes
             DevicePolicy=closed 'DeviceAllow=char-ttyS rw' 'DeviceAllow=char-ttyUSB rw'
             'DeviceAllow=char-ttyACM rw' ProtectProc=invisible
             SystemCallFilter=@system-service 'SystemCallFilter=~@privileged @resources')
    absent=""
    for expected in "${sandbox[@]}"; do
        grep -q -x -F -- "$expected" <<<"$settings" || absent+="$expected"$'\n'
    done
    if [[ -z $absent ]]; then
        pass "unit runs as pcpoll (dialout) with no network, capability or foreign device"
    else
        fail "unit runs as pcpoll (dialout) with no network, capability or foreign device" \
             "missing: $absent"
    fi
    writable=$(grep -E '^ReadWritePaths=' <<<"$settings" | cut -d= -f2- | tr ' ' '\n' | sort | paste -sd' ')
    if [[ $writable == "-/var/lib/prometheus/node-exporter /opt/velmora/log /var/log/korvane" ]]; then
        pass "unit writes only the two log directories and the node exporter's, if there"
    else
        fail "unit writes only the two log directories and the node exporter's" "ReadWritePaths: $writable"
    fi

    if command -v systemd-analyze >/dev/null 2>&1; then
        # verify wants the ExecStart program to exist: check a copy that
        # points into the scratch installation.  With MANPATH there it also
        # resolves Documentation=man:pcpoll(8) to the installed page.
        mkdir -p "$work/units"
        sed "s|@$prefix/bin/pcpoll |@$root/bin/pcpoll |" "$unit" > "$work/units/pcpoll@.service"
        man_option=--man=no
        command -v man >/dev/null 2>&1 && man_option=--man=yes
        if output=$(cd "$work" && MANPATH=$root/share/man \
                    systemd-analyze verify "$man_option" "$work/units/pcpoll@.service" 2>&1) &&
           [[ -z $output ]]; then
            pass "systemd-analyze verify $man_option accepts the unit"
        else
            fail "systemd-analyze verify $man_option accepts the unit" "$output"
        fi
        # Rated from the unit file alone; the rating under a running
        # systemd is checked by tools/system-test.sh.
        output=$(cd "$work" && systemd-analyze security --offline=yes --threshold=15 --no-pager \
                     "$work/units/pcpoll@.service" 2>&1)
        status=$?
        exposure=$(sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p' <<<"$output")
        if [[ $status -eq 0 && -n $exposure ]]; then
            pass "systemd-analyze security --offline rates the unit $exposure, at most 1.5"
        else
            fail "systemd-analyze security --offline rates the unit at most 1.5" \
                 "$(grep -E '^(✗|→)' <<<"$output")"
        fi
    else
        skip "systemd-analyze verify: systemd-analyze is not installed"
    fi
fi

# ---- the statistics page's unit and timer

dashboard=$root/lib/systemd/system/pcstat-dashboard.service
if [[ -f $dashboard ]]; then
    if grep -qx "ExecStart=$prefix/bin/pcstat --dashboard /var/lib/pcstat/www" "$dashboard" &&
       grep -qx 'User=pcstat' "$dashboard" && grep -qx 'ProtectSystem=strict' "$dashboard" &&
       grep -qx 'StateDirectory=pcstat pcstat/www' "$dashboard" &&
       grep -qx 'OnCalendar=\*:00/15:30' "$root/lib/systemd/system/pcstat-dashboard.timer" &&
       grep -qx 'OnBootSec=1min' "$root/lib/systemd/system/pcstat-dashboard.timer"; then
        pass "pcstat-dashboard.service runs $prefix/bin/pcstat --dashboard as pcstat; its timer every 15 minutes and at boot"
    else
        fail "pcstat-dashboard.service and .timer" "$(grep -E '^(ExecStart|User|OnCalendar|OnBootSec)=' "$dashboard" "$root/lib/systemd/system/pcstat-dashboard.timer")"
    fi
    if grep -qE '^u[[:space:]]+pcstat[[:space:]]' "$root/lib/sysusers.d/pcstat.conf" &&
       grep -qE '^m[[:space:]]+pcstat[[:space:]]+pcpoll([[:space:]]|$)' "$root/lib/sysusers.d/pcstat.conf"; then
        pass "sysusers.d makes the system user pcstat, member of pcpoll"
    else
        fail "sysusers.d makes the system user pcstat, member of pcpoll" "$(cat "$root/lib/sysusers.d/pcstat.conf")"
    fi
    if command -v systemd-analyze >/dev/null 2>&1; then
        mkdir -p "$work/units"
        sed "s|$prefix/bin/pcstat |$root/bin/pcstat |" "$dashboard" >"$work/units/pcstat-dashboard.service"
        cp "$root/lib/systemd/system/pcstat-dashboard.timer" "$work/units/"
        if output=$(cd "$work" && systemd-analyze verify --man=no "$work/units/pcstat-dashboard.service" \
                        "$work/units/pcstat-dashboard.timer" 2>&1) && [[ -z $output ]]; then
            pass "systemd-analyze verify accepts pcstat-dashboard.service and .timer"
        else
            fail "systemd-analyze verify accepts pcstat-dashboard.service and .timer" "$output"
        fi
        output=$(cd "$work" && systemd-analyze security --offline=yes --threshold=15 --no-pager \
                     "$work/units/pcstat-dashboard.service" 2>&1)
        status=$?
        exposure=$(sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p' <<<"$output")
        if [[ $status -eq 0 && -n $exposure ]]; then
            pass "systemd-analyze security --offline rates pcstat-dashboard.service $exposure, at most 1.5"
        else
            fail "systemd-analyze security --offline rates pcstat-dashboard.service at most 1.5" \
                 "$(grep -E '^(✗|→)' <<<"$output")"
        fi
    else
        skip "systemd-analyze verify of the dashboard's units: systemd-analyze is not installed"
    fi
fi

# ---- manual pages

for page in share/man/man8/pcpoll.8 share/man/man1/pcview.1 share/man/man1/pcstat.1; do
    path=$root/$page
    [[ -f $path ]] || continue
    name=$(basename "$page")
    if command -v groff >/dev/null 2>&1; then
        if output=$(groff -man -Tutf8 -ww -z "$path" 2>&1) && [[ -z $output ]]; then
            pass "groff -ww renders $name without warnings"
        else
            fail "groff -ww renders $name without warnings" "$output"
        fi
    else
        skip "groff check of $name: groff is not installed"
    fi
    if command -v man >/dev/null 2>&1; then
        if text=$(MANWIDTH=80 MANPAGER=cat PAGER=cat man --warnings -l "$path" 2>"$work/man.err") &&
           [[ ! -s $work/man.err ]] && grep -q '^NAME' <<<"$text" &&
           grep -q '^EXIT STATUS' <<<"$text" && grep -q '^FILES' <<<"$text"; then
            pass "man -l shows $name (NAME, EXIT STATUS, FILES) without warnings"
        else
            fail "man -l shows $name without warnings" "$(cat "$work/man.err")"
        fi
    else
        skip "man -l check of $name: man is not installed"
    fi
done

# ---- sysusers.d and tmpfiles.d entries

sysusers=$root/lib/sysusers.d/pcpoll.conf
tmpfiles=$root/lib/tmpfiles.d/pcpoll.conf
if [[ -f $sysusers && -f $tmpfiles ]]; then
    if grep -q -E '^u[[:space:]]+pcpoll[[:space:]]+-[[:space:]]' "$sysusers" &&
       grep -q -E '^m[[:space:]]+pcpoll[[:space:]]+dialout([[:space:]]|$)' "$sysusers"; then
        pass "sysusers.d makes the system user pcpoll, member of dialout"
    else
        fail "sysusers.d makes the system user pcpoll, member of dialout" "$(cat "$sysusers")"
    fi
    lines=$(grep -v -E '^[[:space:]]*(#|$)' "$tmpfiles" | tr -s ' \t' ' ')
    expected_lines="d /opt/velmora 0755 root root -
d /opt/velmora/log 0755 pcpoll pcpoll -
Z /opt/velmora/log - pcpoll pcpoll -
d /var/log/korvane 0755 pcpoll pcpoll -
Z /var/log/korvane - pcpoll pcpoll -
d /etc/korvane 0755 root root -
a+- /var/lib/prometheus/node-exporter - - - - u:pcpoll:rwx"
    if [[ $lines == "$expected_lines" ]]; then
        pass "tmpfiles.d: the log directories pcpoll's, /opt/velmora and /etc/korvane root's, the textfile ACL"
    else
        fail "tmpfiles.d: the log directories pcpoll's, /opt/velmora and /etc/korvane root's" "$lines"
    fi

    missing=""
    for tool in systemd-sysusers systemd-tmpfiles; do
        command -v "$tool" >/dev/null 2>&1 || missing+="$tool "
    done
    if [[ -n $missing ]]; then
        skip "sysusers and tmpfiles in a scratch root: ${missing}not installed"
    elif [[ $(id -u) -ne 0 ]]; then
        skip "sysusers and tmpfiles in a scratch root: needs root to give files away"
    elif [[ ! -f /usr/share/base-passwd/passwd.master ]]; then
        skip "sysusers and tmpfiles in a scratch root: base-passwd's tables are missing"
    else
        # A scratch root with Debian's base users and groups (dialout among
        # them) and a log that an earlier root installation left behind.
        scratch=$work/root
        mkdir -p "$scratch/etc" "$scratch/opt/velmora/log"
        cp /usr/share/base-passwd/passwd.master "$scratch/etc/passwd"
        cp /usr/share/base-passwd/group.master "$scratch/etc/group"
        printf 'START\n' >"$scratch/opt/velmora/log/door1.log"
        users_output=$(systemd-sysusers --root="$scratch" "$sysusers" 2>&1)
        uid=$(awk -F: '$1 == "pcpoll" { print $3 }' "$scratch/etc/passwd")
        gid=$(awk -F: '$1 == "pcpoll" { print $4 }' "$scratch/etc/passwd")
        if [[ -n $uid && $uid -lt 1000 && $gid == "$(awk -F: '$1 == "pcpoll" { print $3 }' "$scratch/etc/group")" ]] &&
           grep -q -E '^dialout:[^:]*:20:(.*,)?pcpoll(,|$)' "$scratch/etc/group"; then
            pass "systemd-sysusers makes pcpoll (uid $uid) in dialout in a scratch root"
        else
            fail "systemd-sysusers makes pcpoll in dialout in a scratch root" \
                 "$users_output"$'\n'"$(grep -E 'pcpoll|dialout' "$scratch/etc/passwd" "$scratch/etc/group")"
        fi
        # With --root, systemd-tmpfiles looks up the ACL's user on this
        # machine, which has no pcpoll: that one complaint is expected here
        # (tools/system-test.sh checks the ACL on a booted system).
        tmpfiles_output=$(systemd-tmpfiles --create --root="$scratch" "$tmpfiles" 2>&1 |
                          grep -v -F 'Failed to parse ACL "u:pcpoll:rwx"')
        owners=$(cd "$scratch" && stat -c '%n %u:%g %a' opt/velmora opt/velmora/log \
                     opt/velmora/log/door1.log var/log/korvane etc/korvane | paste -sd' ')
        expected_owners="opt/velmora 0:0 755 opt/velmora/log $uid:$gid 755"
        expected_owners+=" opt/velmora/log/door1.log $uid:$gid 644 var/log/korvane $uid:$gid 755"
        expected_owners+=" etc/korvane 0:0 755"
        if [[ -z $tmpfiles_output && $owners == "$expected_owners" ]]; then
            pass "systemd-tmpfiles --create in the scratch root: directories and an old log given to pcpoll"
        else
            fail "systemd-tmpfiles --create in the scratch root: directories and an old log given to pcpoll" \
                 "$tmpfiles_output"$'\n'"$owners"
        fi
    fi
fi

# ---- examples

examples=$root/share/doc/pcpoll/examples
if [[ -f $examples/door1.conf ]]; then
    conf=$examples/door1.conf
    missing=""
    for key in portname entry recordtime opentime comlog; do
        grep -q -E "^$key = [^[:space:]]+\$" "$conf" || missing+="$key "
    done
    if [[ -z $missing && $(tail -c 1 "$conf" | od -An -c | tr -d ' ') == '\n' ]]; then
        pass "door1.conf sets every key as key = value and ends with a line feed"
    else
        fail "door1.conf sets every key as key = value and ends with a line feed" \
             "missing or malformed: $missing"
    fi
fi
if [[ -f $examples/pcview.conf ]]; then
    if [[ $(cat "$examples/pcview.conf"; echo x) == $'entry = door1\nx' ]]; then
        pass "pcview.conf is the single line entry = door1 (the viewer reads no comments)"
    else
        fail "pcview.conf is the single line entry = door1" "$(cat -A "$examples/pcview.conf")"
    fi
fi
logrotate=$dest/etc/logrotate.d/pcpoll
if [[ -f $logrotate && $(mode_of "$logrotate") == 644 ]]; then
    pass "logrotate set-up installed as /etc/logrotate.d/pcpoll, mode 644"
else
    fail "logrotate set-up installed as /etc/logrotate.d/pcpoll, mode 644" "$(ls -l "$logrotate" 2>&1)"
fi
if [[ -f $logrotate ]]; then
    rules=$(grep -v -E '^[[:space:]]*(#|$)' "$logrotate")
    if grep -q -F '/opt/velmora/log/*.log /opt/velmora/log/comlog.txt {' <<<"$rules" &&
       grep -q -x -E '[[:space:]]*su pcpoll pcpoll' <<<"$rules" &&
       grep -q -x -E '[[:space:]]*create 0644 pcpoll pcpoll' <<<"$rules" &&
       ! grep -q -E 'copytruncate|postrotate|nocreate|/var/log/korvane|\.csv' <<<"$rules"; then
        pass "logrotate rotates the logs by renaming as pcpoll, never the reports"
    else
        fail "logrotate rotates the logs by renaming as pcpoll, never the reports" "$rules"
    fi
    if command -v logrotate >/dev/null &&
       output=$(logrotate -d "$logrotate" 2>&1) && ! grep -q -i 'error' <<<"$output"; then
        pass "logrotate -d reads the set-up without an error"
    elif command -v logrotate >/dev/null; then
        fail "logrotate -d reads the set-up without an error" "$output"
    fi
fi

# ---- pcstat's charts from the installed tree

# A record line as the poller writes it: HH:MM;%6d;%2d;%2d; and its checksum.
record_line() {
    local body a=0 b=0 i c
    body=$(printf '%s;%6d;%2d;%2d;' "$1" "$2" 0 0)
    for ((i = 0; i < ${#body}; i++)); do
        printf -v c '%d' "'${body:i:1}"
        a=$((a + c))
        b=$((b + a))
    done
    printf '%s0X%04X\n' "$body" $(((a % 251) * 256 + b % 251))
}

pcstat=$root/bin/pcstat
if [[ -x $pcstat ]]; then
    mkdir -p "$work/reports"
    { record_line 09:00 100; record_line 10:00 130; record_line 11:00 190; } \
        >"$work/reports/door1_20110314.csv"
    for extension in png svg pdf; do
        chart=$work/chart.$extension
        # The report by a relative path: the temporary directory's name has
        # a point, and a report path is split at its first point.
        if output=$(cd "$work" && "$pcstat" --date 2011-03-14 --chart "$chart" \
                    reports/door1.csv 2>&1) &&
           [[ $output == "Zapisano wykres $chart ("*", 1200x600)" ]]; then
            case $extension in
            png) signature=$'\x89PNG' ;;
            svg) signature='<?xm' ;;
            pdf) signature='%PDF' ;;
            esac
            if [[ $(head -c 4 "$chart") == "$signature" ]]; then
                pass "installed pcstat writes a .$extension chart"
            else
                fail "installed pcstat writes a .$extension chart" "$(head -c 16 "$chart" | od -An -c)"
            fi
        else
            fail "installed pcstat writes a .$extension chart" "$output"
        fi
    done
else
    fail "$prefix/bin/pcstat is installed"
fi

finish
