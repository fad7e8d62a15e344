# Debian packages the build, the tests and the demo need, and a function that
# installs whichever are missing. Sourced by ./run-tests and ./run-demo.
# Every package used is named here, also those that another package brings
# today only as a recommendation: they are installed without recommends.

# The program and the demo (./run-demo, ./run-tests).
VOSTREL_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libxcb1-dev libglib2.0-dev
    libevdev-dev
    libgtest-dev libgmock-dev
    # the window layouts are measured with it
    fonts-liberation
    # the simulated joystick
    umockdev libumockdev-dev
    # a virtual screen with a taskbar and a tray, and its pictures
    xvfb icewm
    imagemagick
    procps
)

# The tests (./run-tests).
VOSTREL_TEST_PACKAGES=(
    xdotool x11-utils
    dbus
    # other desktops: two more trays (one of them a StatusNotifierItem host) and
    # a Wayland compositor with and without XWayland
    tint2 xfce4-panel
    weston xwayland qt6-wayland
    # the fuzz targets
    clang libclang-rt-14-dev
    # the Debian package and its check
    file
    lintian
    desktop-file-utils
)

# The Windows program and its tests under Wine (./run-tests).
VOSTREL_WINDOWS_PACKAGES=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine64
    # MS Sans Serif and the system font of the forms
    fonts-wine
)

# apt-get, as root, waiting for apt's locks rather than failing on them: another
# apt may be at work (the system's updates, or another machine sharing the
# folder of downloaded packages). apt waits for dpkg's lock when told to, but
# not for its download folder's or its lists'.
vostrel_apt_get() {
    local sudo=() log status
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    log=$(mktemp)
    for try in $(seq 360); do
        status=0
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get -o DPkg::Lock::Timeout=1800 "$@" 2>"$log" || status=$?
        if [ "$status" -eq 0 ] || ! grep -q '^E: Could not get lock' "$log"; then
            cat "$log" >&2
            rm -f "$log"
            return "$status"
        fi
        [ "$try" -gt 1 ] || echo "Another apt holds its lock; waiting for it (up to 30 minutes)" >&2
        sleep 5
    done
    cat "$log" >&2
    rm -f "$log"
    return 1
}

# What bench/report.sh needs beyond the build: the picture beside its table.
VOSTREL_BENCH_PACKAGES=(gnuplot-nox)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    vostrel_apt_get update -qq
    vostrel_apt_get install -y -qq --no-install-recommends "${missing[@]}"
}
