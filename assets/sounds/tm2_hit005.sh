# The hero is hurt: a dull, heavy thud. A falling low sine gives the body of the
# blow, a burst of brown noise the impact.
. "$(dirname "$0")/common.sh"
"$SOX" -n -r "$RATE" -c 1 "$WORK/tone.wav" synth 0.28 sine 170-45 fade q 0.004 0.28 0.22
"$SOX" -n -r "$RATE" -c 1 "$WORK/knock.wav" synth 0.12 brownnoise lowpass 900 fade q 0.002 0.12 0.1
"$SOX" -m -v 0.55 "$WORK/tone.wav" -v 0.45 "$WORK/knock.wav" "$WORK/mix.wav" lowpass 2500 fade q 0.003 0.28 0.15
finish "$WORK/mix.wav"
