# Sourced by bench/fit --choices: the measurements behind the fitting rule's choices, on the
# photographs of the run. Uses bench/fit's $work, $files, $helper, $convert and $build.
#
# 1. The quality floor. Under the identity card's 100 kb every photograph gives up pixels; with
#    each floor F the copy is the largest picture that fits at F. Each copy is compared with
#    the photograph area-averaged to its own pixels ("own size") and, enlarged back (Mitchell)
#    to the pixels of the largest copy, with the photograph at those pixels ("common size":
#    what a reviewer sees of the lost detail when both are shown alike); ssimulacra at the
#    common size too, as a second opinion that weighs JPEG's blocking more.
# 2. The encoder, progressive and 4:4:4 at the same byte budget: our own reduced picture at a
#    preset's pixels, encoded at the highest quality up to 95 that fits the budget, by
#    cjpeg with the same tables and Huffman optimisation (baseline 4:2:0 is byte for byte our
#    libjpeg-turbo file) for each of baseline/progressive and 4:2:0/4:4:4, and by our jpegli
#    encoder for each of sequential/progressive and 4:2:0/4:4:4; distance to that same picture.
# 3. One fitted copy of the 15 MP camera-like photograph, article preset: decode, reduction
#    and search times and the encodes (bench_fit_helper split).
# 4. The reduction, before any JPEG, at the article's pixels: ours by area averaging, Lanczos 3
#    and Magic Kernel Sharp from the batch's decode, Lanczos 3 from the whole decode, and
#    ImageMagick's Lanczos on the gamma-encoded values and in linear light; butteraugli 3-norm
#    to both of bench/fit's references (libvips' Lanczos 3 and the area average).

choices_distance() { # REFERENCE PICTURE: butteraugli's 3-norm
    butteraugli_main "$1" "$2" --pnorm 3 2>/dev/null | awk '/3-norm/ { print $2 }'
}
export -f choices_distance

# choices_floor PHOTO: one line per floor and chroma
# "photo floor-chroma W H bytes quality own common ssimulacra-common".
choices_floor() {
    local photo="$1" name dir c largest=0 lw lh w h b q
    name="$(basename "${photo%.*}")"
    dir="$work/floor/$name"
    mkdir -p "$dir"
    for c in $CHOICE_FLOORS; do
        "$helper" floor id-card "${c%-*}" "${c#*-}" "$dir/$c.jpg" "$photo" >"$dir/$c.size" ||
            return 1
        read -r w h b q <"$dir/$c.size"
        if ((w * h > largest)); then largest=$((w * h)) lw=$w lh=$h; fi
    done
    "$convert" "$photo" -auto-orient -filter Box -resize "${lw}x${lh}!" -strip "$dir/common.png"
    for c in $CHOICE_FLOORS; do
        read -r w h b q <"$dir/$c.size"
        "$convert" "$photo" -auto-orient -filter Box -resize "${w}x${h}!" -strip "$dir/own.png"
        "$convert" "$dir/$c.jpg" -resize "${lw}x${lh}!" -strip "$dir/up.png"
        echo "$name $c $w $h $b $q $(choices_distance "$dir/own.png" "$dir/$c.jpg")" \
            "$(choices_distance "$dir/common.png" "$dir/up.png")" \
            "$(ssimulacra_main "$dir/common.png" "$dir/up.png" 2>/dev/null | tail -1)"
    done
    rm -rf "$dir"
}

# choices_settings PHOTO LABEL WxH BUDGET: one line per setting
# "photo label setting quality bytes distance"; the setting's quality is the highest up to 95
# that fits BUDGET (0 when none from 1 does).
choices_settings() {
    local photo="$1" label="$2" size="$3" budget="$4" name dir s args lo hi q bytes best
    name="$(basename "${photo%.*}")"
    dir="$work/settings/$label-$name"
    mkdir -p "$dir"
    "$helper" scaled "$size" "$dir/scaled.png" "$photo" &&
        "$convert" "$dir/scaled.png" "$dir/scaled.ppm" || return 1
    for s in $CHOICE_SETTINGS; do
        if [[ "$s" == jpegli-* ]]; then
            read -r lo best < <("$helper" budget "$dir/scaled.png" "$budget" "$s" "$dir/$s.jpg")
            if ((lo > 0)); then
                echo "$name $label $s $lo $best $(choices_distance "$dir/scaled.png" "$dir/$s.jpg")"
            else
                echo "$name $label $s 0 0 -"
            fi
            continue
        fi
        args=(-optimize -baseline -dct int)
        [[ "$s" == progressive-* ]] && args+=(-progressive)
        [[ "$s" == *-444 ]] && args+=(-sample 1x1) || args+=(-sample 2x2)
        lo=0 hi=96 best=0
        while ((hi - lo > 1)); do
            q=$(((lo + hi) / 2))
            cjpeg "${args[@]}" -quality "$q" -outfile "$dir/try.jpg" "$dir/scaled.ppm"
            bytes="$(stat -c %s "$dir/try.jpg")"
            if ((bytes <= budget)); then
                lo=$q best=$bytes
                mv "$dir/try.jpg" "$dir/$s.jpg"
            else
                hi=$q
            fi
        done
        if ((lo > 0)); then
            echo "$name $label $s $lo $best $(choices_distance "$dir/scaled.png" "$dir/$s.jpg")"
        else
            echo "$name $label $s 0 0 -"
        fi
    done
    rm -rf "$dir"
}
# choices_reduction PHOTO UPRIGHT-W UPRIGHT-H: "photo variant L3 box" for each reduction.
choices_reduction() {
    local photo="$1" name dir w h v
    name="$(basename "${photo%.*}")"
    dir="$work/reduction/$name"
    mkdir -p "$dir"
    w=$(($2 > 700 ? 700 : $2))
    h=$((($3 * w + $2 / 2) / $2))
    vips autorot "$photo" "$dir/upright.v" 2>/dev/null
    vips resize "$dir/upright.v" "$dir/l3.png[strip]" \
        "$(awk -v a="$w" -v b="$2" 'BEGIN { printf "%.12f", a / b }')" \
        --vscale "$(awk -v a="$h" -v b="$3" 'BEGIN { printf "%.12f", a / b }')" \
        --kernel lanczos3 2>/dev/null
    rm -f "$dir/upright.v"
    "$convert" "$photo" -auto-orient -filter Box -resize "${w}x${h}!" -strip "$dir/box.png"
    "$helper" scaled "${w}x${h}" "$dir/ours-area.png" "$photo" 2 area
    "$helper" scaled "${w}x${h}" "$dir/ours-lanczos3.png" "$photo" 2 lanczos3
    "$helper" scaled "${w}x${h}" "$dir/ours-mks.png" "$photo" 2 mks
    "$helper" scaled "${w}x${h}" "$dir/ours-lanczos3-whole-decode.png" "$photo" 1000 lanczos3
    "$convert" "$photo" -auto-orient -filter Lanczos -resize "${w}x${h}!" -strip \
        "$dir/convert-lanczos3-gamma.png"
    "$convert" "$photo" -auto-orient -colorspace RGB -filter Lanczos -resize "${w}x${h}!" \
        -colorspace sRGB -strip "$dir/convert-lanczos3-linear.png"
    for v in ours-area ours-lanczos3 ours-mks ours-lanczos3-whole-decode \
        convert-lanczos3-gamma convert-lanczos3-linear; do
        echo "$name $v $(choices_distance "$dir/l3.png" "$dir/$v.png")" \
            "$(choices_distance "$dir/box.png" "$dir/$v.png")"
    done
    rm -rf "$dir"
}
export -f choices_floor choices_settings choices_reduction
export CHOICE_FLOORS="40-420 50-420 60-420 70-420 80-420 60-444"
export CHOICE_SETTINGS="${CHOICE_SETTINGS:-baseline-420 progressive-420 baseline-444 progressive-444
    jpegli-sequential-420 jpegli-progressive-420 jpegli-sequential-444 jpegli-progressive-444}"

echo
echo "== the quality floor: identity card (100 kb), each photograph at the largest size that"
echo "   fits at the floor; butteraugli 3-norm at its own size and enlarged to the largest"
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -I{} bash -c 'choices_floor "$0"' {} \
    >"$work/floor.txt"
{
    printf 'floor-chroma\tmean MP\tmean quality\tmean bytes\tdist own size\tdist common size\tbest at common size\tssimulacra common size\tbest by ssimulacra\n'
    awk '{ key = $1; if (!(key in best) || $8 < best[key]) { best[key] = $8; at[key] = $2 }
           if (!(key in sbest) || $9 < sbest[key]) { sbest[key] = $9; sat[key] = $2 } }
         { n[$2]++; mp[$2] += $3 * $4 / 1e6; q[$2] += $6; b[$2] += $5; own[$2] += $7; com[$2] += $8
           ss[$2] += $9 }
         END { for (k in at) wins[at[k]]++
               for (k in sat) swins[sat[k]]++
               for (f in n) printf "%s\t%.2f\t%.1f\t%d\t%.3f\t%.3f\t%d/%d\t%.4f\t%d/%d\n", f,
                   mp[f] / n[f], q[f] / n[f], b[f] / n[f], own[f] / n[f], com[f] / n[f], wins[f],
                   n[f], ss[f] / n[f], swins[f], n[f] }' \
        "$work/floor.txt" | sort
} | column -t -s $'\t'

echo
echo "== encoder, progressive and 4:4:4 at the same byte budget (cjpeg with our libjpeg-turbo"
echo "   tables, and our jpegli; highest quality up to 95 that fits); butteraugli 3-norm to our"
echo "   own reduced picture"
: >"$work/settings-jobs"
for f in "${files[@]}"; do
    read -r w h <<<"${upright[$f]}"
    # The article's pixels at its 200 kb and at a budget that binds (60 kb); the identity
    # card's 100 kb at the pixels our copy keeps.
    aw=$((w > 700 ? 700 : w))
    ah=$(((h * aw + w / 2) / w))
    echo "$f article-200kb ${aw}x${ah} 200000" >>"$work/settings-jobs"
    echo "$f article-60kb ${aw}x${ah} 60000" >>"$work/settings-jobs"
    # A photograph 1600 pixels wide in 100 kb: where the identity card's budget binds hard.
    ah=$(((h * 1600 + w / 2) / w))
    echo "$f wide-1600px-100kb 1600x${ah} 100000" >>"$work/settings-jobs"
    if [[ -f "$work/eval/id-card-ours" ]]; then
        size="$(awk -v n="$(basename "$f")" '$1 == n { print $2 "x" $3 }' "$work/eval/id-card-ours")"
        echo "$f id-card-100kb $size 100000" >>"$work/settings-jobs"
    fi
done
xargs -P "$(nproc)" -L1 bash -c 'choices_settings "$0" "$1" "$2" "$3"' <"$work/settings-jobs" \
    >"$work/settings.txt"
{
    printf 'budget\tsetting\tmean quality\tmean bytes\tmean dist\tno worse than baseline-420\n'
    awk '$3 == "baseline-420" { base[$1 " " $2] = $6 }
         { rows[NR] = $0 }
         END { for (i = 1; i <= NR; i++) { split(rows[i], r, " ")
                   key = r[2] "\t" r[3]; n[key]++; q[key] += r[4]; b[key] += r[5]
                   d[key] += r[6]; if (r[6] <= base[r[1] " " r[2]]) w[key]++ }
               for (k in n) printf "%s\t%.1f\t%d\t%.3f\t%d/%d\n", k, q[k] / n[k], b[k] / n[k],
                   d[k] / n[k], w[k], n[k] }' "$work/settings.txt" | sort
} | column -t -s $'\t'

echo
echo "== the reduction at the article's pixels, before any JPEG; butteraugli 3-norm to libvips'"
echo "   Lanczos 3 (L3) and to the area average (box)"
for f in "${files[@]}"; do echo "$f ${upright[$f]}"; done |
    xargs -P "$(nproc)" -L1 bash -c 'choices_reduction "$0" "$1" "$2"' >"$work/reduction.txt"
{
    printf 'reduction\tmean L3\tmean box\tcloser to L3 than convert-lanczos3-gamma\n'
    awk '$2 == "convert-lanczos3-gamma" { im[$1] = $3 } { rows[NR] = $0 }
         END { for (i = 1; i <= NR; i++) { split(rows[i], r, " "); n[r[2]]++; l[r[2]] += r[3]
                   b[r[2]] += r[4]; if (r[3] <= im[r[1]]) w[r[2]]++ }
               for (k in n) printf "%s\t%.3f\t%.3f\t%d/%d\n", k, l[k] / n[k], b[k] / n[k],
                   w[k], n[k] }' "$work/reduction.txt" | sort
} | column -t -s $'\t'

echo
echo "== one fitted copy, article preset, the 15 MP camera-like photograph (best of 5)"
for f in "${files[@]}"; do
    if [[ "$(basename "$f")" == camera-15mp* ]]; then
        "$helper" split article "$f" 5
    fi
done
echo "encodes per file, every preset (ours, this run):"
for preset in "${presets[@]}"; do
    printf '%s: ' "$preset"
    for f in "${files[@]}"; do "$helper" split "$preset" "$f" 1 | awk '/encodes/ {
        sub(/.*\(/, ""); print $1 }'; done | sort -n | uniq -c | awk '{ printf "%s file(s) %s encodes; ", $1, $2 }'
    echo
done
