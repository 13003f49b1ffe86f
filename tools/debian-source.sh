# Sourced by the scripts that build libraries from Debian's sources (tools/build-jpegli,
# tools/build-libheif, tools/windows/build-deps): where their builds are kept, one build at a
# time, the stamps that let a build be reused, and the source tarballs fetched from Debian's
# archive. The caller sets `cache` (the cache folder) and `who` (the name its messages start
# with) before calling these.
#
# The sources come through a private apt source list kept in the cache: the system's apt
# sources are neither read for this nor changed.

# The cache folder for builds that run on this machine: $LANXI_CACHE, else
# /var/cache/lanxi-pictool as root, else ~/.cache/lanxi-pictool.
debian_linux_cache() {
  if [ -n "${LANXI_CACHE:-}" ]; then
    echo "$LANXI_CACHE"
  elif [ "$(id -u)" -eq 0 ]; then
    echo /var/cache/lanxi-pictool
  else
    echo "${XDG_CACHE_HOME:-$HOME/.cache}/lanxi-pictool"
  fi
}

# Holds the lock NAME of the cache until the calling script ends: two configure steps may
# start the same build together.
debian_lock() {  # name
  mkdir -p "$cache"
  exec 9>"$cache/$1.lock"
  flock 9
}

# True when PREFIX holds a finished build whose stamp (versions, compiler, options) is KEY.
debian_built() {  # prefix key
  [ -f "$1/.lanxi-built" ] && [ "$(cat "$1/.lanxi-built")" = "$2" ]
}
debian_stamp() {  # prefix key
  echo "$2" >"$1/.lanxi-built"
}

# The Debian mirror the system's apt uses, in `debian_mirror`.
debian_mirror=""
debian_find_mirror() {
  [ -n "$debian_mirror" ] && return
  debian_mirror=$({ sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/*.sources 2>/dev/null
                    sed -nE 's/^deb(-src)?[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+).*/\3/p' \
                      /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null; } |
                  tr ' ' '\n' | grep -E '^https?://.*/debian/?$' | head -1 || true)
  debian_mirror=${debian_mirror:-http://deb.debian.org/debian}
  debian_mirror=${debian_mirror%/}
}

# The source index of Debian 12 and 13 on that mirror, read once per run; apt is then called
# with "${debian_apt_options[@]}".
debian_apt_dir=""
debian_apt_options=()
debian_private_apt() {
  [ -n "$debian_apt_dir" ] && return
  debian_find_mirror
  debian_apt_dir=$cache/apt
  debian_apt_options=(-o Dir::Etc::sourcelist="$debian_apt_dir/sources.list"
                      -o Dir::Etc::sourceparts=/nonexistent
                      -o Dir::State::lists="$debian_apt_dir/lists"
                      -o Dir::Cache="$debian_apt_dir/cache")
  mkdir -p "$debian_apt_dir/lists/partial" "$debian_apt_dir/cache/archives/partial"
  printf 'deb-src %s bookworm main\ndeb-src %s trixie main\n' "$debian_mirror" "$debian_mirror" \
    >"$debian_apt_dir/sources.list"
  echo "$who: reading the source index of $debian_mirror" >&2
  apt-get "${debian_apt_options[@]}" update -qq >/dev/null
}
# The index is read again for the next build; its 40 MB are not kept.
debian_forget_index() {
  [ -n "$debian_apt_dir" ] && rm -rf "$debian_apt_dir"
  debian_apt_dir=""
}

# The versions of PACKAGE the source index names, newest first.
debian_versions() {  # package
  debian_private_apt
  apt-cache "${debian_apt_options[@]}" showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -ru
}

# Sets `tarball` to the path of PACKAGE's orig tarball of version UPSTREAM, fetched once into
# $cache/src. PREFERRED (a full Debian version) is tried first; then every version in the index
# with the same upstream version, since the archive keeps only current revisions and its
# security pool answers 404 for some files (the orig tarball, the only file used, arrives first).
debian_orig_tarball() {  # package upstream [preferred]
  local package=$1 upstream=$2 preferred=${3:-} versions="" v u
  mkdir -p "$cache/src"
  tarball=$(ls "$cache/src/${package}_$upstream.orig.tar."{gz,xz,bz2} 2>/dev/null | head -1 || true)
  [ -n "$tarball" ] && return
  versions=$(debian_versions "$package")
  for v in $preferred $versions; do
    u=${v#*:}
    [ "${u%-*}" = "$upstream" ] || continue
    echo "$who: fetching Debian's $package $v source" >&2
    rm -rf "$cache/src/fetch" && mkdir "$cache/src/fetch"
    (cd "$cache/src/fetch" && apt-get "${debian_apt_options[@]}" source --download-only -qq \
       "$package=${v}" >/dev/null 2>&1) || true
    # apt checks each file against the signed index; a whole archive is then all it takes.
    tarball=$(ls "$cache/src/fetch/${package}_$upstream.orig.tar."{gz,xz,bz2} 2>/dev/null | head -1 || true)
    if [ -n "$tarball" ] && tar -tf "$tarball" >/dev/null 2>&1; then
      mv "$tarball" "$cache/src/"
      tarball=$cache/src/${tarball##*/}
      break
    fi
    tarball=""
  done
  rm -rf "$cache/src/fetch"
  if [ -z "$tarball" ]; then
    echo "$who: Debian's archive has no $package $upstream source (it has: $(echo $versions))" >&2
    exit 1
  fi
}

# The same for an orig tarball that the archive's pool still serves although no source index
# names its version any more: fetched from the pool path by apt's own downloader, which checks
# it against SHA256, the checksum of the version's signed .dsc file (apt checks nothing else
# for a file no index names).
debian_pool_tarball() {  # package upstream sha256
  local package=$1 upstream=$2 sha256=$3 name pool
  mkdir -p "$cache/src"
  name=${package}_$upstream.orig.tar.gz
  tarball=$cache/src/$name
  if [ -f "$tarball" ] && echo "$sha256  $tarball" | sha256sum -c --status; then
    return
  fi
  debian_find_mirror
  case $package in
    lib?*) pool=${package:0:4} ;;
    *) pool=${package:0:1} ;;
  esac
  echo "$who: fetching Debian's $package $upstream source from the archive's pool" >&2
  rm -f "$tarball" "$tarball.part"
  if ! /usr/lib/apt/apt-helper download-file "$debian_mirror/pool/main/$pool/$package/$name" \
         "$tarball.part" "SHA256:$sha256" >/dev/null 2>&1; then
    rm -f "$tarball.part"
    echo "$who: $debian_mirror/pool/main/$pool/$package/$name could not be fetched, or its" \
         "checksum is not $sha256" >&2
    exit 1
  fi
  if ! echo "$sha256  $tarball.part" | sha256sum -c --status; then
    rm -f "$tarball.part"
    echo "$who: the fetched $name's checksum is not $sha256" >&2
    exit 1
  fi
  mv "$tarball.part" "$tarball"
}
