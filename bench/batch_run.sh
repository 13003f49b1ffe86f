#!/usr/bin/env bash
# A batch run over 100 photographs of 12 megapixels, as the batch window runs it.
#   bench/batch_run.sh [COUNT]
# The photographs are Plasma's wallpapers (Debian package plasma-workspace-wallpapers, the
# largest JPEG of each), scaled to 12 megapixels with ImageMagick and saved at quality 92, as a
# camera would, then copied under new names up to COUNT files (default 100). They are made
# once in /tmp/lanxi-batch-photos; each run works on a fresh copy. BUILD names the build
# directory (default build).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-$root/build}"
count="${1:-100}"
source_dir=/tmp/lanxi-batch-photos
work_dir=/tmp/lanxi-batch-run

source "$(dirname "${BASH_SOURCE[0]}")/need-package.sh"

if [[ ! -f "$source_dir/.complete-$count" ]]; then
    need_package /usr/share/wallpapers plasma-workspace-wallpapers
    need_package convert imagemagick
    rm -rf "$source_dir"
    mkdir -p "$source_dir/base"
    n=0
    for dir in /usr/share/wallpapers/*/contents/images; do
        largest="$(cd "$dir" && ls ./*.jpg 2>/dev/null |
            awk -F'[x./]' '{ print $3 * $4, $0 }' | sort -n | tail -1 | cut -d' ' -f2-)" || true
        [[ -n "$largest" ]] || continue
        convert "$dir/${largest#./}" -resize 12000000@ -quality 92 2>/dev/null \
            "$source_dir/base/$(printf '%02d' "$n").jpg"
        n=$((n + 1))
    done
    bases=("$source_dir"/base/*.jpg)
    for ((i = 0; i < count; i++)); do
        cp "${bases[i % ${#bases[@]}]}" "$source_dir/$(printf 'IMG_%04d.JPG' "$i")"
    done
    touch "$source_dir/.complete-$count"
fi

rm -rf "$work_dir"
mkdir -p "$work_dir"
cp "$source_dir"/IMG_*.JPG "$work_dir"/
echo "$(nproc) cores; $(ls "$work_dir" | wc -l) photographs, e.g. $(identify -format '%wx%h' "$work_dir/IMG_0000.JPG")"
"$build/bench/bench_batch_run" "$work_dir"
rm -rf "$work_dir"
