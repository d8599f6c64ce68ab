#!/usr/bin/env bash
# recordings.sh WINE_RUN TEST_EXE FOLDER
# Has the DLL record (the "record" child of the DLL tests, with a still scene and a
# Japanese system code page), then reads every file back with ffprobe and ffmpeg, which
# share no code with the library: codec, geometry, frame counts of headers, index and
# decoder, and each decoded frame against the picture the application got.
set -uo pipefail
wine_run=$1; exe=$2; dir=$3
command -v ffprobe >/dev/null && command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed (scripts/setup.sh)"; exit 1; }
rm -rf "$dir"; mkdir -p "$dir"; cd "$dir" || exit 1
VONKEL_SIMULATE=1 VONKEL_SIMULATE_STILL=1 LANG=ja_JP.UTF-8 "$wine_run" --test "$exe" --child record ||
    { echo "the recordings could not be made"; exit 1; }

failures=0
fail() { echo "$1: $2"; failures=$((failures + 1)); }
u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }

# check FILE [REFERENCE]: a readable 640 x 512 recording of at least two frames, each
# equal to REFERENCE when given.
check() {
    local f=$1 ref=${2:-}
    local probe; probe=$(ffprobe -v error -count_frames -count_packets -select_streams v:0 -of default=nw=1 \
        -show_entries stream=codec_name,width,height,pix_fmt,nb_frames,nb_read_frames,nb_read_packets "$f") ||
        { fail "$f" "ffprobe cannot read it"; return; }
    local -A p
    while IFS== read -r k v; do p[$k]=$v; done <<<"$probe"
    [[ ${p[codec_name]:-} == rawvideo && ${p[pix_fmt]:-} == bgr24 ]] || fail "$f" "not 24-bit DIB: $probe"
    [[ ${p[width]} == 640 && ${p[height]} == 512 ]] || fail "$f" "size ${p[width]} x ${p[height]}"
    local n=${p[nb_frames]}
    local index=$(( $(u32 "$f" $((228 + $(u32 "$f" 224) + 4))) / 16 ))
    [[ $n -ge 2 && ${p[nb_read_frames]} == "$n" && ${p[nb_read_packets]} == "$n" && $index == "$n" ]] ||
        fail "$f" "frames: header $n, index $index, demuxed ${p[nb_read_packets]}, decoded ${p[nb_read_frames]}"
    [[ $(u32 "$f" 4) == $(( $(stat -c %s "$f") - 8 )) ]] || fail "$f" "RIFF size is not the file's"
    [[ -n $ref ]] || return
    ffmpeg -v error -i "$f" -f rawvideo -pix_fmt bgr24 decoded.raw -y || { fail "$f" "ffmpeg cannot decode it"; return; }
    cmp -s <(for ((i = 0; i < n; i++)); do cat "$ref"; done) decoded.raw ||
        fail "$f" "a decoded frame differs from the 24-bit form of the picture (${ref})"
    rm -f decoded.raw
}

for bits in 8 16 24 32 48 64; do check "mode$bits.avi" "mode$bits.bgr"; done
for f in stop-preview stop-close stop-release stop-new new; do check "$f.avi" mode8.bgr; done
check "録画テスト.avi"
((failures == 0)) && echo "every recording reads back frame for frame" && rm -rf "$dir"
exit $((failures > 0))
