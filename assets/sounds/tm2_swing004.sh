# A sword swing: a whoosh of band-passed noise that swells and dies away, with a
# second, higher band starting a little later so the sound seems to move.
. "$(dirname "$0")/common.sh"
"$SOX" -n -r "$RATE" -c 1 "$WORK/low.wav" synth 0.26 pinknoise bandpass 700 1.2q fade t 0.09 0.26 0.16
"$SOX" -n -r "$RATE" -c 1 "$WORK/high.wav" synth 0.20 pinknoise bandpass 1800 1.5q fade t 0.07 0.20 0.12 pad 0.06
"$SOX" -m -v 0.6 "$WORK/low.wav" -v 0.4 "$WORK/high.wav" "$WORK/mix.wav" fade q 0.01 0.26 0.08
finish "$WORK/mix.wav"
