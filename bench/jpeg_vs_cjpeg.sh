#!/usr/bin/env bash
# SaveAsJpeg against cjpeg -quality 80 -optimize on real photographs, side by side.
#   bench/jpeg_vs_cjpeg.sh [--runs N] [PHOTO...]
# Without photos it takes the largest JPEG of each of Plasma's wallpapers (photographs), from
# the Debian package plasma-workspace-wallpapers; cjpeg comes from libjpeg-turbo-progs. Both
# are installed when missing and we are root. BUILD names the build directory (default build).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-$root/build}"
runs=()
if [[ "${1:-}" == "--runs" ]]; then
    runs=(--runs "$2")
    shift 2
fi

source "$(dirname "${BASH_SOURCE[0]}")/need-package.sh"

need_package cjpeg libjpeg-turbo-progs
photos=("$@")
if [[ ${#photos[@]} -eq 0 ]]; then
    need_package /usr/share/wallpapers plasma-workspace-wallpapers
    for dir in /usr/share/wallpapers/*/contents/images; do
        # Files are named WIDTHxHEIGHT.jpg; take the one with the most pixels.
        largest="$(cd "$dir" && ls ./*.jpg 2>/dev/null |
            awk -F'[x./]' '{ print $3 * $4, $0 }' | sort -n | tail -1 | cut -d' ' -f2-)" || true
        if [[ -n "$largest" ]]; then
            photos+=("$dir/${largest#./}")
        fi
    done
fi

cmake --build "$build" --target bench_jpeg_vs_cjpeg >/dev/null
cjpeg -version 2>&1 | head -1
exec "$build/bench/bench_jpeg_vs_cjpeg" "${runs[@]}" "${photos[@]}"
