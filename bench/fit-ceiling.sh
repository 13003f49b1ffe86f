# Sourced by bench/fit --ceiling: how far a higher top quality could take the article and avatar
# copies towards ImageMagick's distances, and what it would cost. Uses bench/fit's $work,
# $files, $helper, $presets and its evaluations (ours, convert and, when run, area).
#
# For each of those presets and photographs, two pictures at our copy's pixels are encoded by
# our jpegli encoder in full colour at every quality from 96 to 100: "ours", our reduction from
# the batch's decode (what the copy is made from), and "L3", libvips' Lanczos 3 reference itself
# (the picture the distance is measured to: no reduction could start closer). For each top
# quality T the copy is, as the fitting rule makes it, the highest quality up to T whose file
# fits the preset's bytes (a photograph over them even at 96 counts with our copy, which halves
# its colour). Reported for each: the total bytes, against the area-averaged copies
# of the run ("area", the copies before the sharp reduction) when there are some, the mean
# butteraugli 3-norm to the reference, and the photographs on which that distance is at most
# ImageMagick's (or ImageMagick's file is over the limit), as in bench/fit's last column.

# ceiling_photo PRESET PHOTO: "name pixels quality bytes distance" for each picture and quality.
ceiling_photo() {
    local preset="$1" photo="$2" name w h dir lref src q bytes
    name="$(basename "$photo")"
    read -r w h < <(awk -v n="$name" '$1 == n && $6 == 1 { print $2, $3 }' \
        "$work/eval/$preset-ours")
    [[ -n "${w:-}" ]] || return 0
    lref="$work/refs/${name%.*}-${w}x${h}-l3.png"
    [[ -f "$lref" ]] || return 0
    dir="$work/ceiling/$preset-${name%.*}"
    mkdir -p "$dir"
    "$helper" scaled "${w}x${h}" "$dir/ours.png" "$photo" || return 1
    cp "$lref" "$dir/L3.png"
    for src in ours L3; do
        for q in 96 97 98 99 100; do
            bytes="$("$helper" encode "$dir/$src.png" "${w}x${h}" "$q" "$dir/out.jpg" \
                jpegli-progressive-444)"
            echo "$name $src $q $bytes $(butteraugli_main "$lref" "$dir/out.jpg" --pnorm 3 \
                2>/dev/null | awk '/3-norm/ { print $2 }')"
        done
    done
    rm -rf "$dir"
}
export -f ceiling_photo

echo
echo "== the highest quality: our reduced picture (ours) and libvips' Lanczos 3 reference itself"
echo "   (L3) at our copy's pixels, full colour, the highest quality up to T whose file fits;"
echo "   butteraugli 3-norm to the reference, photographs no further than ImageMagick's"
for preset in "${presets[@]}"; do
    [[ "$preset" == id-card ]] && continue
    [[ -f "$work/eval/$preset-ours" && -f "$work/eval/$preset-convert" ]] || continue
    printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -I{} bash -c 'ceiling_photo "$0" "$1"' \
        "$preset" {} >"$work/ceiling-$preset.txt"
    before=0
    [[ -f "$work/eval/$preset-area" ]] && before="$(awk '{ s += $4 } END { print s }' \
        "$work/eval/$preset-area")"
    {
        printf 'preset\tpixels\ttop quality\ttotal bytes\tagainst area\tmean L3\tno worse than convert\n'
        awk -v p="$preset" -v limit="$(limit_bytes "$preset")" -v before="$before" '
            FILENAME ~ /convert$/ { im[$1] = ($6 == 1) ? $7 : "-"; next }
            FILENAME ~ /ours$/ { ob[$1] = $4; od[$1] = $7; next }
            { b[$1, $2, $3] = $4; d[$1, $2, $3] = $5; names[$1] = 1 }
            END {
                for (s = 0; s < 2; s++) {
                    src = s ? "L3" : "ours"
                    for (t = 96; t <= 100; t++) {
                        total = 0; sum = 0; n = 0; wins = 0
                        for (name in names) {
                            q = 96
                            for (k = 97; k <= t; k++) if (b[name, src, k] <= limit) q = k
                            bytes = b[name, src, q]; dist = d[name, src, q]
                            # Over the limit even at 96: the copy halves its colour.
                            if (bytes > limit) { bytes = ob[name]; dist = od[name] }
                            total += bytes; sum += dist; n++
                            if (im[name] == "-" || dist <= im[name] + 0) wins++
                        }
                        printf "%s\t%s\t%d\t%d\t%s\t%.3f\t%d/%d\n", p, src, t, total,
                            before ? sprintf("%+.1f %%", 100 * (total - before) / before) : "-",
                            sum / n, wins, n
                    }
                }
            }' "$work/eval/$preset-convert" "$work/eval/$preset-ours" "$work/ceiling-$preset.txt"
    } | column -t -s $'\t'
done
