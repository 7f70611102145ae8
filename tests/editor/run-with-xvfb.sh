#!/bin/sh
# Runs a test program against an X server: the one named by DISPLAY if set,
# otherwise a private Xvfb started for this run and stopped after it.
if [ -n "$DISPLAY" ]; then
  exec "$@"
fi
fifo_dir=$(mktemp -d) || exit 1
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$fifo_dir/display" 2>/dev/null &
xvfb_pid=$!
read -r number <"$fifo_dir/display"
rm -rf "$fifo_dir"
if [ -z "$number" ]; then
  echo "run-with-xvfb: Xvfb did not start" >&2
  kill "$xvfb_pid" 2>/dev/null
  exit 1
fi
DISPLAY=":$number" "$@"
status=$?
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
exit $status
