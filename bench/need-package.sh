# Sourced by the bench scripts: need COMMAND-OR-PATH PACKAGE installs the Debian package when
# the command or path is missing (as root), or says which package to install.
need_package() {
    if [[ -e "$1" ]] || command -v "$1" >/dev/null 2>&1; then
        return
    fi
    if [[ "$(id -u)" != 0 ]]; then
        echo "missing $1: install the Debian package $2" >&2
        exit 2
    fi
    echo "installing $2 ..." >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$2" >/dev/null
}
