# Shared by the scripts: installs what a fresh Debian 12 machine is missing,
# then configures and builds into build/ (or $QUILLON_BUILD_DIR). Quiet when there is nothing
# to install; the build's own output is shown only when it fails.
set -euo pipefail

QUILLON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUILLON_BUILD_DIR=${QUILLON_BUILD_DIR:-$QUILLON_ROOT/build}

quillon_packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libgl-dev zlib1g-dev qt6-image-formats-plugins
    fonts-dejavu-core fonts-dejavu-extra
    desktop-file-utils appstream
)
# scripts/package's tools; the build's own needs come from debian/control.
quillon_package_tools=(dpkg-dev lintian devscripts)

quillon_install() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    quillon_apt_get install "${missing[@]}"
}

# quillon_apt_get COMMAND ARGUMENT...: apt-get COMMAND without recommends, after an update, as
# root; its output is shown only when it fails.
quillon_apt_get() {
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    local log
    log=$(mktemp)
    if ! { "${sudo[@]}" apt-get update -qq \
            && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$1" -y -qq \
                --no-install-recommends "${@:2}"; } >"$log" 2>&1; then
        cat "$log"
        rm -f "$log"
        echo "Could not $1: ${*:2}" >&2
        return 1
    fi
    rm -f "$log"
}

# quillon_build [CMAKE_OPTION...]: configures with the options and builds every target, or only
# those named in QUILLON_TARGETS (space-separated).
quillon_build() {
    local log="$QUILLON_BUILD_DIR/build.log" targets=()
    [ -n "${QUILLON_TARGETS:-}" ] && read -ra targets <<<"--target $QUILLON_TARGETS"
    mkdir -p "$QUILLON_BUILD_DIR"
    if ! { cmake -S "$QUILLON_ROOT" -B "$QUILLON_BUILD_DIR" -G Ninja "$@" \
            && cmake --build "$QUILLON_BUILD_DIR" --parallel "$(nproc)" "${targets[@]}"; } >"$log" 2>&1; then
        cat "$log"
        echo "Build failed; the log is in $log" >&2
        return 1
    fi
}
