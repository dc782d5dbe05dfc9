#!/usr/bin/env bash
# Where a fitted picture should be made smaller: for each of today's video
# codecs, at what bits per pixel per frame a 480p picture at the same rate,
# scaled back up, comes out closer to a 720p film (SSIM) than the 720p
# picture itself. Below that crossover a smaller picture looks better, so
# it is the codec's floor. Encoders as the fitted runs use them.
#
#   bench/fit-floors.sh [SECONDS]     (default 10 s films)
set -euo pipefail

seconds=${1:-10}
work=$(mktemp -d /tmp/fit-floors-XXXXXX)
trap 'rm -rf "$work"' EXIT
pixels=$((1280 * 720))
fps=25

declare -A films=(
    [sport]="mandelbrot=s=1280x720:r=$fps"
    [grain]="testsrc2=s=1280x720:r=$fps,noise=alls=20:allf=t"
    [talk]="smptehdbars=s=1280x720:r=$fps[b];mandelbrot=s=360x400:r=$fps[m];[b][m]overlay=460:200"
)
declare -A codecs=(
    [H.264]="-c:v libx264 -preset veryfast"
    [H.265]="-c:v libx265 -preset superfast -x265-params log-level=error"
    [VP9]="-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -row-mt 1"
    [AV1]="-c:v libsvtav1 -preset 10"
)
rates=(0.005 0.01 0.015 0.025 0.035 0.05 0.07)

for film in "${!films[@]}"; do
    ffmpeg -v error -f lavfi -i "${films[$film]}" -t "$seconds" -c:v libx264 -preset ultrafast \
        -crf 6 -pix_fmt yuv420p "$work/$film.mkv"
done

# The SSIM of an encoded picture against its film, scaled to the film's size.
ssim() {
    ffmpeg -nostats -i "$1" -i "$2" -lavfi "[0:v]scale=1280x720:flags=bicubic[a];[a][1:v]ssim" \
        -f null - 2>&1 | sed -n 's/.* All:\([0-9.]*\).*/\1/p'
}

# One encode at a rate: x264 and x265 in two passes, VP9 at a constant
# rate, AV1 its variable rate, as the fitted runs do.
encode() { # codec film size kbps out
    local args=${codecs[$1]} in="$work/$2.mkv" size=$3 kbps=$4 out=$5
    case $1 in
    H.264 | H.265)
        local log="$work/pass" pass1 pass2
        if [[ $1 == H.264 ]]; then
            pass1=(-pass 1 -passlogfile "$log") pass2=(-pass 2 -passlogfile "$log")
        else
            pass1=(-x265-params "log-level=error:pass=1:stats=$log")
            pass2=(-x265-params "log-level=error:pass=2:stats=$log")
        fi
        # shellcheck disable=SC2086
        ffmpeg -v error -y -i "$in" $args -s "$size" -b:v "${kbps}k" "${pass1[@]}" -f null -
        # shellcheck disable=SC2086
        ffmpeg -v error -y -i "$in" $args -s "$size" -b:v "${kbps}k" "${pass2[@]}" "$out"
        ;;
    VP9)
        # shellcheck disable=SC2086
        ffmpeg -v error -y -i "$in" $args -s "$size" -b:v "${kbps}k" -minrate "${kbps}k" \
            -maxrate "${kbps}k" "$out"
        ;;
    AV1)
        # shellcheck disable=SC2086
        ffmpeg -v error -y -i "$in" $args -s "$size" -b:v "${kbps}k" "$out"
        ;;
    esac
}

echo "| codec | film | bits per pixel at 720p | SSIM 720p | SSIM 480p scaled up | better |"
echo "|---|---|---|---|---|---|"
for codec in H.264 H.265 VP9 AV1; do
    for film in sport grain talk; do
        for bpp in "${rates[@]}"; do
            kbps=$(awk -v b="$bpp" -v p=$pixels -v f=$fps 'BEGIN { printf "%d", b * p * f / 1000 }')
            encode "$codec" "$film" 1280x720 "$kbps" "$work/big.mkv"
            encode "$codec" "$film" 854x480 "$kbps" "$work/small.mkv"
            big=$(ssim "$work/big.mkv" "$work/$film.mkv")
            small=$(ssim "$work/small.mkv" "$work/$film.mkv")
            better=$(awk -v a="$big" -v b="$small" 'BEGIN { print (b > a) ? "480p" : "720p" }')
            echo "| $codec | $film | $bpp | $big | $small | $better |"
        done
    done
done
