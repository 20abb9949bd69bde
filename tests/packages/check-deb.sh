#!/usr/bin/env bash
# Installs the .deb into a fresh minimal Debian 12 (debootstrap --variant=minbase), not onto
# this machine, which has every library already: a dependency the package forgets shows here.
# There it checks what the package put in place, starts both programs, splits a scan with
# quillane-split, removes the package and checks that its files are gone. Needs root and the
# Debian mirror of apt's sources.
#   tests/packages/check-deb.sh <quillane_*.deb> [cache folder]
# The cache folder (default: build/package-check beside the .deb's build) keeps the minimal
# system as a tarball and the packages apt fetched, so that a later check downloads nothing
# it has; every check unpacks the system afresh.
set -euo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")/../.." && pwd)
cache=$(realpath -m "${2:-$here/build/package-check}")
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
fi

root=$(mktemp -d "$cache/root.XXXXXX")
trap 'remove_tree "$root"' EXIT
tar -C "$root" -xf "$base"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

# The packages fetched before come along; what apt fetches now is kept for the next check.
cp "$cache/archives/"*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true
cp "$deb" "$root/tmp/"
in_root apt-get -qq update >/dev/null
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" \
    >"$cache/install.log" 2>&1 || fail "the package does not install; see $cache/install.log"
cp "$root/var/cache/apt/archives/"*.deb "$cache/archives/" 2>/dev/null || true

for file in /usr/bin/quillane /usr/bin/quillane-split /usr/share/applications/quillane.desktop \
    /usr/share/pixmaps/quillane.xpm /usr/share/man/man1/quillane.1.gz /usr/share/man/man1/quillane-split.1.gz \
    /usr/share/doc/quillane/copyright /usr/share/doc/quillane/changelog.gz \
    /usr/lib/systemd/user/quillane-split-watch@.service; do
    [ -e "$root$file" ] || fail "no $file"
done
grep -q '^Exec=quillane %F$' "$root/usr/share/applications/quillane.desktop" || fail "the desktop entry does not pass its files"

[ "$(in_root quillane-split --version)" = "quillane-split 1.6.3.1 (A.6.3.1)" ] || fail "quillane-split does not run"
cp "$scan" "$root/tmp/slide.tif"
written=$(in_root quillane-split --quiet /tmp/slide.tif) || fail "quillane-split did not split the scan"
[ "$written" = $'/tmp/Redslide.tif\n/tmp/Greenslide.tif' ] || fail "quillane-split listed: $written"
for output in Redslide.tif Greenslide.tif; do [ -s "$root/tmp/$output" ] || fail "no $output"; done

# Started offscreen, the program opens its window and reads its settings, which creates their
# folder; it is still running when the time is up.
status=0
in_root env XDG_CONFIG_HOME=/tmp/settings XDG_RUNTIME_DIR=/tmp QT_QPA_PLATFORM=offscreen \
    timeout 10 quillane /tmp/slide.tif >"$cache/quillane.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "the program ended by itself (status $status) instead of showing its window; see $cache/quillane.log"
[ -d "$root/tmp/settings/Velmora/DarozAvazi" ] || fail "the program did not open its settings store"

DEBIAN_FRONTEND=noninteractive in_root apt-get remove -y -qq quillane >/dev/null 2>&1 || fail "the package does not remove"
for file in /usr/bin/quillane /usr/bin/quillane-split /usr/share/applications/quillane.desktop /usr/share/man/man1/quillane.1.gz; do
    [ ! -e "$root$file" ] || fail "$file is still there after removal"
done
echo "check-deb: installed into a fresh minimal Debian 12, ran, split a scan and removed $(basename "$deb")"
