#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, as root.  Only
# missing packages are installed; the package lists are refreshed first.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++
    # the house style check
    clang-format
    # unit and end-to-end tests
    libgtest-dev libgmock-dev faketime libfaketime
    # fuzzing
    clang libclang-rt-14-dev
    # manual pages
    groff-base man-db
    # benchmarks: /usr/bin/time for the peak memory of pcview and pcstat
    time
    # metrics: the real node exporter, Prometheus server and promtool in the tests
    prometheus prometheus-node-exporter
    # charts of pcstat: cairo, a font with Polish letters, an XML checker for the SVG test
    pkg-config libcairo2-dev fonts-dejavu-core libxml2-utils
    # pcstat --load: libpq to build it; the PostgreSQL 15 server and psql
    # that its tests start and query
    libpq-dev postgresql postgresql-15 postgresql-client-15
    # the Debian package and the system test: debhelper and lintian; a
    # Debian 12 root made by debootstrap (with the archive's keys) and booted
    # by systemd-nspawn; systemd's own systemd-analyze, systemd-tmpfiles and
    # systemd-sysusers for the unit checks; getfacl for the ACL check
    dpkg-dev debhelper lintian debootstrap debian-archive-keyring systemd-container systemd acl
    # the example of collecting reports centrally: rsync over SSH against a
    # local sshd in its end-to-end test
    openssh-server openssh-client rsync
    # pcstat's pages in a real browser: headless Chromium driven by Selenium
    # (Debian's own python3), and tidy for the HTML
    chromium chromium-driver python3-selenium tidy
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]} == 0)); then
    echo "install-deps: everything is installed"
    exit 0
fi
if ((EUID != 0)); then
    echo "install-deps: missing ${missing[*]}; run as root to install them" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
