# Shared by the desktop scripts (sourced): a private X server and window
# manager that belong to this run alone.
#
# start_desktop NAME [DISPLAY] [WM]: starts Xvfb on DISPLAY, or on a display
# the server picks itself (so that two runs, or a server in another
# container sharing the network namespace, never meet on one number), and
# with WM=openbox the window manager; exports DISPLAY. Fails with a message
# when either does not come up or is not ours. stop_desktop ends both.
#
# wait_for SECONDS WHAT COMMAND...: runs COMMAND every tenth of a second until
# it succeeds; after SECONDS of wall-clock time it says what it waited for
# and fails. The scripts wait this way on what they can see (a window, a
# title, a file, a line, a pixel, a process), never for a fixed time, so that
# a loaded machine makes them slower, not red; the limits are generous.
#
# Programs built with the leak checker report, at exit, memory that D-Bus
# (Qt's bus thread) and fontconfig (its configuration) keep for good; those
# are not the programs' leaks, so start_desktop exports suppressions for
# them while the desktop runs.
server_pid=
manager_pid=
suppressions=
wait_for() {
  wait_seconds=$1 wait_what=$2
  shift 2
  wait_end=$(($(date +%s) + wait_seconds))
  until "$@"; do
    if [ "$(date +%s)" -ge "$wait_end" ]; then
      echo "${name:-desktop}: gave up after ${wait_seconds}s waiting for $wait_what" >&2
      return 1
    fi
    sleep 0.1
  done
}
viewable() {  # whether a window is mapped and all its ancestors too
  xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}
start_desktop() {
  name=$1 wanted=${2:-} manager=${3:-openbox}
  suppressions=$(mktemp)
  printf 'leak:libdbus-1.so\nleak:libfontconfig.so\n' >"$suppressions"
  export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$suppressions"
  number_file=$(mktemp)
  if [ -n "$wanted" ]; then
    wanted=${wanted#:}
    if [ -e "/tmp/.X11-unix/X$wanted" ] || [ -e "/tmp/.X$wanted-lock" ]; then
      echo "$name: display :$wanted is taken" >&2
      rm -f "$number_file"
      return 1
    fi
    Xvfb ":$wanted" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  else
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  fi
  server_pid=$!
  # The server writes its number once it listens, or ends.
  wait_for 60 'Xvfb to listen' server_answered || true
  number=$(head -n 1 "$number_file")
  rm -f "$number_file"
  if [ -z "$number" ] || ! kill -0 "$server_pid" 2>/dev/null; then
    echo "$name: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
  [ "$manager" = openbox ] || return 0
  # openbox announces itself on the root window once it manages the screen.
  # One that ends at once (seen when two private desktops start together)
  # is started once more.
  for attempt in 1 2; do
    openbox --sm-disable >/dev/null 2>&1 &
    manager_pid=$!
    wait_for 60 'openbox to manage the screen' manager_answered || true
    manages && break
  done
  manages || { echo "$name: openbox did not start on $DISPLAY" >&2; return 1; }
}
server_answered() { [ -s "$number_file" ] || ! kill -0 "$server_pid" 2>/dev/null; }
manages() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
manager_answered() { manages || ! kill -0 "$manager_pid" 2>/dev/null; }
stop_desktop() {  # waits for the server, so that its socket and lock are gone
  for pid in $manager_pid $server_pid; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  done
  manager_pid= server_pid=
  [ -z "$suppressions" ] || rm -f "$suppressions"
}
