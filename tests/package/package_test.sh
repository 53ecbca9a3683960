#!/usr/bin/env bash
# Builds the Debian packages from this source tree as the README says (its unit tests run
# in the build), checks them with lintian, installs them on this machine without fetching
# anything, checks the network helper's owner, mode and capabilities, runs tamselctl as
# unprivileged users against a repeater on a foreign subnet (in private namespaces, with
# the installed simulator and virtual-LAN script), finds the Ansible collection where
# Ansible looks by default and plays a playbook with it in check mode, and purges the
# packages again, which keeps the system group:
#
#   package_test.sh <source directory> [<artefact directory>]
#
# Needs root; skips (77) without it, and when a tamsel package is installed already (the
# test would otherwise remove it). Everything it adds to the machine (packages, the group
# tamsel, two users, namespaces) is removed on every way out. The .deb files and the
# lintian report are kept in the artefact directory when one is given.
set -euo pipefail

SOURCE=$(cd "$1" && pwd)
ARTEFACTS=${2:-}

if [[ $(id -u) -ne 0 ]]; then
    echo "SKIP: installing packages needs root" >&2
    exit 77
fi
for package in tamsel tamsel-sim tamsel-ansible; do
    if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed'; then
        echo "SKIP: $package is installed already; the test would remove it" >&2
        exit 77
    fi
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-package.XXXXXX")
MEMBER="tmslin$$"
OTHER="tmslout$$"
installed=0
# The group the package makes outlives its purge; the test removes it again unless it was
# there before.
group_was_there=0
getent group tamsel >/dev/null && group_was_there=1
cleanup() {
    local rc=$?
    if ((installed)); then
        dpkg --purge tamsel-ansible tamsel tamsel-sim >/dev/null 2>&1 || true
    fi
    for user in "$MEMBER" "$OTHER"; do
        if getent passwd "$user" >/dev/null; then
            userdel "$user" 2>/dev/null || true
        fi
    done
    if ((!group_was_there)) && getent group tamsel >/dev/null; then
        groupdel tamsel 2>/dev/null || true
    fi
    rm -rf "$WORK"
    return $rc
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
    echo "FAIL [package]: $*" >&2
    exit 1
}
step() {
    echo "== $*"
}

step "building the packages"
version=$(dpkg-parsechangelog -l "$SOURCE/debian/changelog" -S Version)
tree=$WORK/tamsel-$version
mkdir "$tree"
# The files of the source tree as git knows them (tracked, and new ones not ignored); a
# tree that is no git checkout is copied without its build directories.
if git -C "$SOURCE" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$SOURCE" ls-files -z --cached --others --exclude-standard |
        (cd "$SOURCE" && xargs -0 tar --no-recursion -cf - 2>/dev/null) | tar -xf - -C "$tree"
else
    tar -C "$SOURCE" --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$tree"
fi
# The README's command; only the number of parallel jobs is set, as a builder would.
(
    cd "$tree"
    DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -b -us -uc >"$WORK/build.log" 2>&1
) || {
    tail -n 60 "$WORK/build.log" >&2
    fail "dpkg-buildpackage failed"
}
# nocheck leaves every test out of the build, and their build dependencies with it.
tests_with() {
    (cd "$tree" && DEB_BUILD_OPTIONS=$1 make -s -f debian/rules \
        --eval 'tamsel-tests: ; @echo $(TAMSEL_TESTS)' tamsel-tests)
}
[[ $(tests_with nocheck) == "-DTAMSEL_BUILD_TESTS=OFF" ]] || fail "nocheck: $(tests_with nocheck)"
[[ $(tests_with "") == *"-DTAMSEL_UNIT_TESTS_ONLY=ON"* ]] || fail "tests: $(tests_with "")"
grep -q 'libgtest-dev <!nocheck>' "$tree/debian/control" || fail "GoogleTest is needed with nocheck"
# dh_auto_test ran the core's unit tests.
grep -Eq '^100% tests passed, 0 tests failed out of [1-9]' "$WORK/build.log" ||
    fail "the build ran no unit tests: $(grep -A3 dh_auto_test "$WORK/build.log")"
debs=("$WORK"/tamsel_"$version"_*.deb "$WORK"/tamsel-sim_"$version"_*.deb
    "$WORK"/tamsel-ansible_"$version"_all.deb)
for deb in "${debs[@]}"; do
    [[ -f $deb ]] || fail "no package $deb"
done
if [[ -n $ARTEFACTS ]]; then
    mkdir -p "$ARTEFACTS"
    cp "${debs[@]}" "$ARTEFACTS/"
fi
# On a Wayland desktop the GUI runs natively only with Qt's Wayland platform.
dpkg-deb -f "${debs[0]}" Recommends | grep -qw qt6-wayland ||
    fail "tamsel does not recommend qt6-wayland"
# The programs a user installs take the device's waits from their code alone: the
# environment variable that the tests use to scale them is not even in the binaries.
unpacked="$WORK/unpacked"
for deb in "${debs[@]}"; do
    dpkg-deb -x "$deb" "$unpacked"
done
if grep -rlas TAMSEL_TIME_SCALE "$unpacked"/usr/bin "$unpacked"/usr/libexec; then
    fail "an installed program reads TAMSEL_TIME_SCALE"
fi

step "lintian"
lintian --fail-on error,warning --info --display-info "$WORK"/tamsel_"$version"_*.changes \
    >"$WORK/lintian.txt" 2>&1 || {
    cat "$WORK/lintian.txt" >&2
    fail "lintian reports errors or warnings"
}
cat "$WORK/lintian.txt"
[[ -z $ARTEFACTS ]] || cp "$WORK/lintian.txt" "$ARTEFACTS/"

step "installing"
installed=1
# --no-download: nothing is ever fetched. apt then looks for the local packages in its
# archive directory by file name, so that directory is the one that holds them.
apt-get install -y --no-install-recommends --no-download -o Dir::Cache::Archives="$WORK/" \
    "${debs[@]}" >"$WORK/install.log" 2>&1 || {
    cat "$WORK/install.log" >&2
    fail "the packages do not install"
}
helper=/usr/libexec/tamsel/tamsel-netadmin
[[ $(stat -c '%U:%G %a' "$helper") == "root:tamsel 750" ]] ||
    fail "helper: $(stat -c '%U:%G %a' "$helper")"
caps=$(getcap "$helper")
[[ $caps == *"cap_net_admin,cap_net_raw=ep" ]] || fail "helper capabilities: '$caps'"
for program in tamsel tamselctl tamsel-sim; do
    "$program" --version | grep -qx "$program $version" || fail "$program --version"
    [[ -f /usr/share/man/man1/$program.1.gz ]] || fail "no man page for $program"
done
for icon in scalable/apps/tamsel.svg 48x48/apps/tamsel.png 256x256/apps/tamsel.png; do
    [[ -f /usr/share/icons/hicolor/$icon ]] || fail "no icon $icon"
done
[[ -f /usr/share/bash-completion/completions/tamselctl ]] || fail "no completion"
# The firewall profiles where ufw and firewalld read them; ufw's, under /etc, a conffile.
ufw_profile=/etc/ufw/applications.d/tamsel
[[ -f $ufw_profile && -f /usr/lib/firewalld/services/tamsel.xml ]] || fail "no firewall profiles"
dpkg-query -W -f='${Conffiles}' tamsel | grep -q " $ufw_profile " ||
    fail "$ufw_profile is no conffile"
if command -v ufw >/dev/null; then
    ufw app info tamsel | grep -qx '  13379/udp' || fail "ufw: $(ufw app info tamsel 2>&1)"
fi

step "tamselctl as users in and outside the group tamsel"
useradd --no-create-home --shell /usr/sbin/nologin "$MEMBER"
useradd --no-create-home --shell /usr/sbin/nologin "$OTHER"
# How the README tells a user to join.
adduser --quiet "$MEMBER" tamsel 2>/dev/null || usermod -a -G tamsel "$MEMBER"
/usr/share/tamsel-sim/vlan.sh --pc 10.0.0.10/24 --repeater 192.168.1.1/24 \
    --repeater "192.168.1.2/24 --silent" --repeater "192.168.1.241/24 --no-discovery --silent" \
    run -- bash "$SOURCE/tests/net-netadmin/unprivileged_test.sh" installed "$MEMBER" "$OTHER" ||
    fail "the unprivileged run failed"

step "the Ansible collection, where Ansible looks by default"
collection=/usr/share/ansible/collections/ansible_collections/tamsel/repeater
[[ -f $collection/plugins/modules/config.py && -f $collection/meta/runtime.yml ]] ||
    fail "the collection is not in $collection"
# No collections path is set: Ansible must find the collection by itself.
ansible_env=(env -u ANSIBLE_COLLECTIONS_PATH -u ANSIBLE_COLLECTIONS_PATHS -u ANSIBLE_CONFIG
    ANSIBLE_HOME="$WORK/ansible-home" ANSIBLE_LOCAL_TEMP="$WORK/ansible-home/tmp"
    ANSIBLE_NOCOLOR=1)
"${ansible_env[@]}" ansible-doc tamsel.repeater.config >"$WORK/ansible-doc.txt" 2>&1 ||
    fail "ansible-doc tamsel.repeater.config: $(cat "$WORK/ansible-doc.txt")"
grep -q "$collection/plugins/modules/config.py" "$WORK/ansible-doc.txt" ||
    fail "ansible-doc found the module elsewhere: $(head -1 "$WORK/ansible-doc.txt")"
# A playbook in check mode against the installed simulator: the status as facts and a
# preview of a change, which only reads.
cat >"$WORK/check.yml" <<'PLAYBOOK'
---
- name: Read and preview a repeater
  hosts: repeaters
  connection: local
  gather_facts: false
  tasks:
    - name: Read its status
      tamsel.repeater.info:
        address: "{{ ansible_host }}"
    - name: Preview a new wireless network
      tamsel.repeater.config:
        address: "{{ ansible_host }}"
        wireless:
          ssid: HomeNet
          security: aes
          key: package-test-key
PLAYBOOK
printf '[repeaters]\nrepeater ansible_host=192.168.1.1 ansible_python_interpreter=/usr/bin/python3\n' \
    >"$WORK/inventory.ini"
/usr/share/tamsel-sim/vlan.sh --repeater 192.168.1.1/24 run -- "${ansible_env[@]}" \
    ansible-playbook -i "$WORK/inventory.ini" "$WORK/check.yml" --check --diff \
    >"$WORK/playbook.log" 2>&1 || fail "the playbook failed: $(tail -n 40 "$WORK/playbook.log")"
grep -Eq 'repeater +: ok=2 +changed=1 +unreachable=0 +failed=0' "$WORK/playbook.log" ||
    fail "the playbook's recap: $(tail -n 40 "$WORK/playbook.log")"
! grep -q package-test-key "$WORK/playbook.log" || fail "the wireless key is in the output"

step "purging"
userdel "$MEMBER"
userdel "$OTHER"
dpkg --purge tamsel-ansible tamsel tamsel-sim >"$WORK/purge.log" 2>&1 || {
    cat "$WORK/purge.log" >&2
    fail "purge failed"
}
installed=0
getent group tamsel >/dev/null || fail "the purge removed the system group tamsel"
[[ ! -e $helper ]] || fail "the helper outlived the purge"
[[ ! -e $ufw_profile ]] || fail "the ufw profile outlived the purge"
[[ ! -e $collection ]] || fail "the Ansible collection outlived the purge"
! dpkg-statoverride --list "$helper" >/dev/null || fail "the helper's stat override remains"
echo "PASS [package]"
