# The blade bites into rock: a sharp crack of bright noise over a short metallic
# ring from two detuned plucks.
. "$(dirname "$0")/common.sh"
"$SOX" -n -r "$RATE" -c 1 "$WORK/crack.wav" synth 0.05 whitenoise gain -6 highpass 2500 fade q 0.001 0.05 0.045
"$SOX" -n -r "$RATE" -c 1 "$WORK/ring.wav" synth 0.32 pluck 2093 synth 0.32 sine mix 3140 fade q 0.002 0.32 0.3
"$SOX" -n -r "$RATE" -c 1 "$WORK/body.wav" synth 0.1 brownnoise bandpass 500 1q fade q 0.002 0.1 0.09
"$SOX" -m -v 0.5 "$WORK/crack.wav" -v 0.3 "$WORK/ring.wav" -v 0.3 "$WORK/body.wav" "$WORK/mix.wav" fade q 0.001 0.32 0.2
finish "$WORK/mix.wav"
