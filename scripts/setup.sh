# Shared by scripts/run and scripts/test: installs the Debian packages listed in
# scripts/debian-packages.txt that are missing, then configures and builds.
# Sourced, not run.

KESTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

kestrel_install_packages() {
    local wanted missing=() pkg
    wanted=$(grep -v '^[[:space:]]*#' "$KESTREL_ROOT/scripts/debian-packages.txt" | tr -s '[:space:]' '\n' | grep .)
    for pkg in $wanted; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# kestrel_build DIR [cmake options...]
kestrel_build() {
    local dir=$1; shift
    cmake -S "$KESTREL_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}
