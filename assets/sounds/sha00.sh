# A footstep on dirt: a short, soft scuff of filtered noise.
. "$(dirname "$0")/common.sh"
"$SOX" -n -r "$RATE" -c 1 "$WORK/step.wav" synth 0.09 brownnoise bandpass 600 0.8q fade q 0.004 0.09 0.07
"$SOX" -n -r "$RATE" -c 1 "$WORK/grit.wav" synth 0.06 whitenoise bandpass 3000 1q fade q 0.002 0.06 0.05
"$SOX" -m -v 0.8 "$WORK/step.wav" -v 0.2 "$WORK/grit.wav" "$WORK/mix.wav"
finish "$WORK/mix.wav"
