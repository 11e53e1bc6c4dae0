# Shared by the desktop scripts (sourced): a private X server and window
# manager that belong to this run alone.
#
# start_desktop NAME [DISPLAY] [WM]: starts Xvfb on DISPLAY, or on a display
# the server picks itself (so that two runs, or a server in another
# container sharing the network namespace, never meet on one number), and
# with WM=openbox the window manager; exports DISPLAY. Fails with a message
# when either does not come up or is not ours. stop_desktop ends both.
server_pid=
manager_pid=
start_desktop() {
  name=$1 wanted=${2:-} manager=${3:-openbox}
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
  for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  number=$(head -n 1 "$number_file")
  rm -f "$number_file"
  if [ -z "$number" ] || ! kill -0 "$server_pid" 2>/dev/null; then
    echo "$name: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
  [ "$manager" = openbox ] || return 0
  openbox --sm-disable >/dev/null 2>&1 &
  manager_pid=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$manager_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "$name: openbox did not start on $DISPLAY" >&2
  return 1
}
stop_desktop() {  # waits for the server, so that its socket and lock are gone
  for pid in $manager_pid $server_pid; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  done
  manager_pid= server_pid=
}
