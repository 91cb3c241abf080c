#!/bin/sh
# Prints the id of the first window that `xdotool search ARGS...` finds, waiting up to
# SECONDS for one; exits 1 if none came.
#
#   await_window.sh SECONDS ARGS...
#
# xdotool's own --sync gives up on the first X error, and one comes whenever a window it is
# looking at closes under it (wine opens and closes several while it starts): each look here
# is a fresh search whose errors only mean "look again".
seconds=$1
shift
deadline=$(($(date +%s) + seconds))
while [ "$(date +%s)" -le $deadline ]; do
  id=$(xdotool search "$@" 2>/dev/null | head -n 1)
  if [ -n "$id" ]; then
    echo "$id"
    exit 0
  fi
  sleep 0.2
done
exit 1
