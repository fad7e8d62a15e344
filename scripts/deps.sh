# Debian packages the build, the tests and the demo need, and a function that
# installs whichever are missing. Sourced by ./run-tests and ./run-demo.

VOSTREL_PACKAGES=(
    build-essential cmake ninja-build pkg-config file
    libgtest-dev libgmock-dev
    qt6-base-dev libxcb1-dev libevdev-dev umockdev libumockdev-dev
    xvfb icewm xdotool x11-utils imagemagick fonts-liberation dbus
    clang libclang-rt-14-dev
)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}
