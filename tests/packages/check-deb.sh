#!/usr/bin/env bash
# Installs the two .debs into a fresh minimal Debian 12 (debootstrap --variant=minbase), not onto
# this machine, which has every library already: a dependency a package forgets shows here.
# First quillane-split alone, as a server without a desktop installs it: nothing of Qt or X may
# come with it, and it splits a scan. Then quillane beside it: both programs start. Each package
# is then removed and purged, and the file system must be as it was before it came (below).
# Needs root and the Debian mirror of apt's sources.
#   tests/packages/check-deb.sh <quillane-split_*.deb> <quillane_*.deb> [cache folder]
#   tests/packages/check-deb.sh --prepare [cache folder]
# The cache folder (default: build/package-check) keeps the minimal system as a tarball and the
# packages apt fetched, so that a later check downloads nothing it has; every check unpacks the
# system afresh. --prepare only makes the tarball, as scripts/test does while it builds.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
prepare=false
if [ "${1:-}" = --prepare ]; then
    prepare=true
    cache=$(realpath -m "${2:-$here/build/package-check}")
else
    split_deb=$(realpath "$1")
    window_deb=$(realpath "$2")
    cache=$(realpath -m "${3:-$here/build/package-check}")
fi
scan="$here/fuzz/corpus/two-channels-4x3.tif"
suite=bookworm
fail() { echo "check-deb: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root, to make the minimal system and run programs in it"
command -v debootstrap >/dev/null || fail "debootstrap is not installed (scripts/setup installs it)"

# The mirror apt uses here, from either form of its sources.
mirror=$(grep -hoE '^(deb|URIs:)[[:space:]]+(\[[^]]*\][[:space:]]+)?https?://[^[:space:]]+/debian/?([[:space:]]|$)' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    grep -oE 'https?://[^[:space:]]+' | head -n 1 || true)
mirror=${mirror:-http://deb.debian.org/debian}

# A system tree is removed only once nothing is mounted below it (debootstrap mounts /proc and
# /sys while it works, and leaves them when it fails).
remove_tree() {
    local mounts
    mounts=$(findmnt -rn -o TARGET | grep -F "$1/" | sort -r || true)
    for mount in $mounts; do umount -l "$mount"; done
    rm -rf --one-file-system "$1"
}

mkdir -p "$cache/archives"
base="$cache/$suite-minbase.tar"
if [ ! -f "$base" ]; then
    fresh="$cache/make-base"
    remove_tree "$fresh"
    trap 'remove_tree "$fresh"' EXIT
    debootstrap --variant=minbase "$suite" "$fresh" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
        fail "debootstrap failed; see $cache/debootstrap.log"
    rm -f "$fresh"/var/cache/apt/archives/*.deb
    tar -C "$fresh" --one-file-system -cf "$base.part" . && mv "$base.part" "$base"
    remove_tree "$fresh"
    trap - EXIT
fi
if $prepare; then
    echo "check-deb: the minimal Debian 12 is ready in $base"
    exit 0
fi

root=$(mktemp -d "$cache/root.XXXXXX")
trap 'remove_tree "$root"' EXIT
tar -C "$root" -xf "$base"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

# The packages fetched before come along; what apt fetches now is kept for the next check.
cp "$cache/archives/"*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true
cp "$split_deb" "$window_deb" "$root/tmp/"
in_root apt-get -qq update >/dev/null
apt_in_root() {
    DEBIAN_FRONTEND=noninteractive in_root apt-get -y -qq --no-install-recommends "$@" >>"$cache/install.log" 2>&1
}
: >"$cache/install.log"

# What a package leaves behind is seen by comparing the file system before it came with the file
# system after its purge: every path with its type, mode, owner and size, and the time of each
# that is not a folder (a folder's time changes with its entries). Not compared: what is no file
# system of the package's (/proc, /sys, /dev, /run), /tmp, where the checks work, the user's
# settings (/root), and the records, logs and caches of apt and dpkg themselves. Its
# dependencies are installed before the first picture and stay.
file_system() {
    (cd "$root" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev -o -path ./run -o -path ./tmp \
        -o -path ./root -o -path ./var/lib/apt -o -path ./var/lib/dpkg -o -path ./var/cache/apt \
        -o -path ./var/cache/ldconfig -o -path ./var/log \) -prune \
        -o -type d -printf '%y %m %u:%g %p\n' -o -printf '%y %m %u:%g %s %T@ %p -> %l\n') | sort
}
# Installs what a package depends on, the other package of this build aside.
install_dependencies() {
    local depends
    depends=$(dpkg-deb -f "$1" Depends | sed -E 's/(^|, )quillane(-split)? \([^)]*\)//g; s/^, //')
    [ -z "$depends" ] || apt_in_root satisfy "$depends" || fail "the dependencies of $(basename "$1") do not install; see $cache/install.log"
}
# By dpkg: apt no longer knows a removed package that had no configuration files to keep.
purge_in_root() {
    in_root dpkg --purge "$@" >>"$cache/install.log" 2>&1 || fail "$* do not purge; see $cache/install.log"
}
same_file_system() {
    file_system >"$cache/after-$1.txt"
    diff "$cache/before-$1.txt" "$cache/after-$1.txt" >"$cache/left-by-$1.diff" ||
        fail "purging $1 does not leave the file system as it was:
$(head -n 20 "$cache/left-by-$1.diff")"
}

# The console package alone, as a server installs it.
install_dependencies "$split_deb"
file_system >"$cache/before-quillane-split.txt"
apt_in_root install "/tmp/$(basename "$split_deb")" || fail "quillane-split does not install; see $cache/install.log"
cp "$root/var/cache/apt/archives/"*.deb "$cache/archives/" 2>/dev/null || true
desktop=$(in_root dpkg-query -W -f '${Package}\n' | grep -E '^(libqt|qt6|libx11|libxcb|libgl|libwayland)' || true)
[ -z "$desktop" ] || fail "quillane-split brings libraries of a desktop: $desktop"
linked=$(in_root ldd /usr/bin/quillane-split) || fail "ldd cannot read quillane-split"
! grep -Ei 'qt|libx11|libxcb|not found' <<<"$linked" || fail "quillane-split links a desktop's library or misses one"
for file in /usr/bin/quillane-split /usr/share/man/man1/quillane-split.1.gz /usr/share/doc/quillane-split/copyright \
    /usr/share/doc/quillane-split/changelog.gz /usr/lib/systemd/user/quillane-split-watch@.service; do
    [ -e "$root$file" ] || fail "no $file"
done
[ "$(in_root quillane-split --version)" = "quillane-split 1.6.3.1 (A.6.3.1)" ] || fail "quillane-split does not run"
cp "$scan" "$root/tmp/slide.tif"
written=$(in_root quillane-split --quiet /tmp/slide.tif) || fail "quillane-split did not split the scan"
[ "$written" = $'/tmp/Redslide.tif\n/tmp/Greenslide.tif' ] || fail "quillane-split listed: $written"
for output in Redslide.tif Greenslide.tif; do [ -s "$root/tmp/$output" ] || fail "no $output"; done
apt_in_root remove quillane-split || fail "quillane-split does not remove"
purge_in_root quillane-split
same_file_system quillane-split

# The window and the console program together.
install_dependencies "$window_deb"
file_system >"$cache/before-quillane.txt"
apt_in_root install "/tmp/$(basename "$split_deb")" "/tmp/$(basename "$window_deb")" ||
    fail "quillane does not install; see $cache/install.log"
cp "$root/var/cache/apt/archives/"*.deb "$cache/archives/" 2>/dev/null || true
for file in /usr/bin/quillane /usr/share/applications/quillane.desktop /usr/share/pixmaps/quillane.xpm \
    /usr/share/man/man1/quillane.1.gz /usr/share/doc/quillane/copyright /usr/share/doc/quillane/changelog.gz; do
    [ -e "$root$file" ] || fail "no $file"
done
grep -q '^Exec=quillane %F$' "$root/usr/share/applications/quillane.desktop" || fail "the desktop entry does not pass its files"

# Started offscreen, the program opens its window and reads its settings, which creates their
# folder; it is still running when the time is up.
status=0
in_root env XDG_CONFIG_HOME=/tmp/settings XDG_RUNTIME_DIR=/tmp QT_QPA_PLATFORM=offscreen \
    timeout 10 quillane /tmp/slide.tif >"$cache/quillane.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "the program ended by itself (status $status) instead of showing its window; see $cache/quillane.log"
[ -d "$root/tmp/settings/Velmora/DarozAvazi" ] || fail "the program did not open its settings store"

# Removed and purged, the packages leave the file system as they found it.
apt_in_root remove quillane || fail "quillane does not remove"
[ -e "$root/usr/bin/quillane-split" ] || fail "removing quillane took quillane-split along"
purge_in_root quillane quillane-split
same_file_system quillane
echo "check-deb: $(basename "$split_deb") alone (no Qt, no X) and $(basename "$window_deb") installed into a fresh minimal Debian 12, ran, split a scan, removed and purged without a trace"
