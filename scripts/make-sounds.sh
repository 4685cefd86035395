#!/usr/bin/env bash
# Makes the two sound themes under data/Media/ from nothing but synthesis, so that the program ships no
# recordings of anybody else:
#   "Male Voice"  a synthesized male voice (espeak-ng) naming the event, cleaned up and normalised by sox;
#   "Ambient"     short chimes made of sine partials, one distinct figure per event.
# Every file is mono, 22,050 Hz, 16-bit PCM WAV and about a second or two long. The build does not run
# this script; its output is kept in the repository. Needs the Debian packages sox and espeak-ng.
#   scripts/make-sounds.sh [DATA_FOLDER]
set -euo pipefail

data=${1:-$(cd "$(dirname "$0")/.." && pwd)/data}
for tool in sox espeak-ng; do
  command -v "$tool" >/dev/null || { echo "make-sounds: $tool is missing (apt-get install sox espeak-ng)" >&2; exit 1; }
done
# The same random numbers (for dither) on every run: the same input gives the same files.
export SOX_OPTS="-R"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rate=22050
format=(-r "$rate" -c 1 -b 16 -e signed-integer)

# --- Male Voice ----------------------------------------------------------------------------------------

voice_dir="$data/Media/Male Voice"
mkdir -p "$voice_dir"

# speak FILE TEXT: a calm male voice (the m3 variant, a little lower and slower than espeak's default);
# the silence espeak leaves at both ends is cut, rumble below 80 Hz and hiss above 7 kHz are filtered
# out, and the result is normalised to -1 dBFS with short fades so that it starts and ends without a
# click.
speak() {
  local out=$1 text=$2
  espeak-ng -v en-us+m3 -s 145 -p 38 -a 100 -w "$work/raw.wav" "$text"
  sox "$work/raw.wav" "$work/trimmed.wav" \
    silence 1 0.01 0.3% reverse silence 1 0.01 0.3% reverse \
    gain -6 highpass 80 lowpass 7000 bass +2
  # A second pass: the fades need the length, which the silence cutting leaves unknown.
  sox "$work/trimmed.wav" "${format[@]}" "$voice_dir/$out" fade q 0.01 0 0.03 pad 0.04 0.12 norm -1
}

speak MaleTaskStarted.wav "Task started"
speak MaleTaskFinished.wav "Task finished"
speak MaleWarning.wav "Warning"
speak MaleError.wav "Error"
speak MaleNewDisk.wav "Please insert a new disk"

# --- Ambient -------------------------------------------------------------------------------------------

ambient_dir="$data/Media/Ambient"
mkdir -p "$ambient_dir"

# note FILE START LENGTH FREQUENCY [WAVE]: one bell-like note that starts START seconds into the figure:
# the fundamental with two quieter partials, a soft 12 ms attack (no click) and a decay that falls
# evenly in decibels.
note() {
  local out=$1 start=$2 length=$3 freq=$4 wave=${5:-sine}
  local second third
  second=$(awk -v f="$freq" 'BEGIN { printf "%.2f", f * 2 }')
  third=$(awk -v f="$freq" 'BEGIN { printf "%.2f", f * 3.01 }')
  sox -n "${format[@]}" "$work/p1.wav" synth "$length" "$wave" "$freq"
  sox -n "${format[@]}" "$work/p2.wav" synth "$length" sine "$second"
  sox -n "${format[@]}" "$work/p3.wav" synth "$length" sine "$third"
  sox -m -v 0.55 "$work/p1.wav" -v 0.22 "$work/p2.wav" -v 0.08 "$work/p3.wav" "$work/mixed.wav" \
    fade q 0.012 fade l 0 "$length" "$(awk -v l="$length" 'BEGIN { printf "%.3f", l - 0.012 }')"
  sox "$work/mixed.wav" "$out" pad "$start" 0
}

# figure FILE NOTE...: each NOTE is START:LENGTH:FREQUENCY[:WAVE]; the notes ring into each other, a
# little room is added, and the figure is normalised to -3 dBFS.
figure() {
  local out=$1
  shift
  local parts=() i=0
  for note_def in "$@"; do
    IFS=: read -r start length freq wave <<<"$note_def"
    note "$work/n$i.wav" "$start" "$length" "$freq" "${wave:-sine}"
    parts+=("$work/n$i.wav")
    i=$((i + 1))
  done
  if [[ ${#parts[@]} -gt 1 ]]; then
    sox -m "${parts[@]}" "$work/figure.wav"
  else
    cp "${parts[0]}" "$work/figure.wav"
  fi
  sox "$work/figure.wav" "$work/room.wav" reverb 25 50 40 pad 0 0.05
  sox "$work/room.wav" "${format[@]}" "$ambient_dir/$out" fade q 0.005 0 0.04 norm -3
}

# Start: a rising major arpeggio C5 E5 G5.
figure TaskStarted.wav 0:0.9:523.25 0.13:0.9:659.25 0.26:1.0:783.99
# Finish: the arpeggio falling back and resting on a low C with its octave.
figure TaskFinished.wav 0:0.7:783.99 0.15:0.7:659.25 0.30:1.3:523.25 0.30:1.3:261.63
# Warning: two soft, equal knocks on A4 with a triangle tone.
figure Warning.wav 0:0.45:440:triangle 0.32:0.6:440:triangle
# Error: a low falling tritone, darker and longer than the warning.
figure Error.wav 0:0.6:246.94:triangle 0.22:1.0:174.61:triangle
# New disk: a questioning E5 G5, E5 G5 B5 call.
figure NewDisk.wav 0:0.35:659.25 0.16:0.35:783.99 0.45:0.35:659.25 0.61:0.35:783.99 0.77:0.8:987.77

for file in "$voice_dir"/*.wav "$ambient_dir"/*.wav; do
  printf '%-40s %6.2f s  %s Hz  %s channel(s)\n' "${file#"$data"/}" "$(soxi -D "$file")" \
    "$(soxi -r "$file")" "$(soxi -c "$file")"
done
