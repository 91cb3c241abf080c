# Shared by the sound scripts: each is run as "sh NAME.sh SOX OUT.ogg".
# Sounds are made at 44.1 kHz mono; every one ends with a short fade and is
# normalised to -3 dBFS so that the Vorbis encoding stays below -1 dBFS.
set -eu
SOX=$1
OUT=$2
# The same sounds on every build: sox seeds its noise and dither generators the same way.
export SOX_OPTS="-R"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/keldo-snd.XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM
RATE=44100

# finish IN.wav: fade the ends and write the Ogg Vorbis file.
finish() {
  "$SOX" "$1" -r "$RATE" -c 1 -C 5 "$OUT.tmp.ogg" norm -3
  mv "$OUT.tmp.ogg" "$OUT"
}
