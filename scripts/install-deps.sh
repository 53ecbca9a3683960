#!/usr/bin/env bash
# Installs what building and testing Tamsel needs on Debian 12. Idempotent: when every
# package is already present it does not touch apt at all.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config   # toolchain
    libgtest-dev libgmock-dev                      # unit tests
    libbenchmark-dev                               # benchmarks
    libmnl-dev                                     # rtnetlink for host addressing
    nlohmann-json3-dev                             # tamselctl apply: the desired state (JSON)
    qt6-base-dev libgl-dev                         # GUI and the Qt event loop
    iproute2 procps                                # virtual LAN of network namespaces
    jq util-linux                                  # network tests: `ip -j` output, setpriv
    strace                                         # network tests: which programs a run starts
    python3                                        # network tests: small clients, stdlib only
    nftables                                       # network tests: a PC's stateful firewall
    # Tests: ufw's and firewalld's own parsers read the package's firewall profiles, and
    # iptables-translate turns ufw's rule into nftables syntax (ufw stays disabled;
    # python3-firewall is firewalld's library without its daemon)
    ufw python3-firewall iptables
    xvfb xauth                                     # GUI screenshots without a display
    qt6-wayland                                    # the GUI's Wayland platform
    # A private headless Wayland desktop for the accessibility and Wayland tests:
    # compositor, session bus, AT-SPI buses, the screen reader's client library, and
    # pointer input through XTest for weston's X11 backend
    weston dbus-daemon dbus-bin at-spi2-core python3-pyatspi xdotool
    fonts-dejavu-core                              # the artwork's and the pages' font
    clang-format                                   # style check
    graphviz                                       # docs: the layer picture
    clang libclang-rt-14-dev                       # fuzzing: clang and its libFuzzer
    # The Ansible collection: its tests run ansible-playbook and ansible-doc, and lint it
    ansible-core ansible-lint
    # The Debian packages: icon, man pages, packaging, their checks, file capabilities
    qt6-svg-dev help2man debhelper dpkg-dev lintian desktop-file-utils appstream libcap2-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if ((${#missing[@]} == 0)); then
    exit 0
fi
if [[ $(id -u) -ne 0 ]]; then
    echo "install-deps: missing packages: ${missing[*]}; run as root to install them" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
