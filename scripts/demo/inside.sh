#!/usr/bin/env bash
# The demonstration inside its namespaces; scripts/run.sh starts it through
# scripts/netns-run.sh, which runs it in the program's namespace (A) and removes both
# namespaces when it ends. It puts on the far side (B) eight cameras with an address each,
# their RTSP streams and a label printer, then runs lankit on the near side until the
# window is closed, DEMO_SECONDS pass, or a signal comes.
#
# Reads DEMO_BIN, DEMO_WORK, DEMO_OUT, DEMO_SECONDS, DEMO_XVFB, DEMO_SHOT_EVERY,
# DEMO_LANGUAGE, DEMO_USER (run lankit as this user when not empty), DEMO_XAUTHORITY (see
# run.sh) and the NETNS_* variables of netns-run.sh.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cameras=8
first_host=10 # camera i has <subnet>.(10 + i)
queue="OMBRIX_DEMO"
rtsp_port=8554
subnet="${NETNS_IP_B%.*}"
logs="$DEMO_OUT/logs"
mkdir -p "$logs" "$DEMO_WORK/app" "$DEMO_WORK/home" "$DEMO_WORK/bin"

far=()        # processes in namespace B
helpers=()    # the screenshot loop, the window filler, the printer's echo
app_pid=""
display=""
xvfb_pid=""   # stopped last: the program and the helpers are its clients
real_browser=0
# The program as started, and the class of its window.
program=(./lankit)
wm_class=lankit
platform=xcb
wine_prefix="$DEMO_WORK/wineprefix"
if [ -n "${DEMO_WINDOWS:-}" ]; then
  program=(/usr/lib/wine/wine64 ./lankit.exe)
  wm_class=lankit.exe
  platform=windows
fi
say() { echo "lankit demo: $*"; }

# The program and what speaks to the display for it run as DEMO_USER when there is one.
as_user=()
if [ -n "${DEMO_USER:-}" ]; then
  as_user=(setpriv --reuid "$(id -u "$DEMO_USER")" --regid "$(id -g "$DEMO_USER")" --init-groups --)
fi
xauthority="${DEMO_XAUTHORITY:-${XAUTHORITY:-${HOME:-/root}/.Xauthority}}"

stop_process() { # pid: TERM, up to 5 s, then KILL
  local pid="$1"
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# The window gets a close request first, as from its close button, so that the program
# ends its threads and its log properly.
close_app() {
  [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null || return 0
  # A close that arrives while the window is being mapped or resized can be dropped:
  # ask again each second, as an operator would.
  local attempt
  for attempt in 1 2 3 4 5; do
    if [ -n "$display" ]; then
      DISPLAY="$display" timeout 10 /usr/bin/python3 "$here/xwindow.py" close "$wm_class" \
        2>>"$logs/xwindow.log" || echo "close $attempt: no window" >>"$logs/xwindow.log"
    fi
    for _ in $(seq 10); do
      kill -0 "$app_pid" 2>/dev/null || return 0
      sleep 0.1
    done
  done
  kill "$app_pid" 2>/dev/null || return 0
  sleep 2
  kill -9 "$app_pid" 2>/dev/null || true
}

end_app() { # closes the program if it still runs, and reports how it ended
  [ -n "$app_pid" ] || return 0
  close_app
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  say "lankit ended with status $status"
  return $status
}

finish() {
  end_app || true
  local pid
  for pid in "${helpers[@]}" "${far[@]}" $xvfb_pid; do stop_process "$pid"; done
  if [ -d "$wine_prefix" ]; then
    WINEPREFIX="$wine_prefix" "${as_user[@]}" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  fi
  if [ -d "$DEMO_WORK/app/log" ]; then cp -r "$DEMO_WORK/app/log" "$logs/lankit-log"; fi
}
trap finish EXIT
trap 'exit 130' INT TERM

wait_for_line() { # file pattern seconds what
  local deadline=$((SECONDS + $3))
  until grep -q "$2" "$1" 2>/dev/null; do
    if [ $SECONDS -ge $deadline ]; then
      say "$4 did not start; its output:" >&2
      cat "$1" >&2 || true
      exit 1
    fi
    sleep 0.1
  done
}

start_far() { # log file, command...
  local log="$1"
  shift
  ip netns exec "$NETNS_B" "$@" >"$log" 2>&1 &
  far+=($!)
}

echo_printer() { # announces each label the printer receives, twice a second
  local seen total nap=""
  seen="$(wc -l <"$logs/printer.log")"
  trap 'kill $nap 2>/dev/null; exit 0' TERM INT
  while true; do
    sleep 0.5 &
    nap=$!
    wait "$nap"
    total="$(wc -l <"$logs/printer.log")"
    if [ "$total" -gt "$seen" ]; then
      sed -n "$((seen + 1)),${total}s/^/lankit demo: printer: /p" "$logs/printer.log"
      seen=$total
    fi
  done
}

start_cameras() {
  local addresses=() i
  for i in $(seq 0 $((cameras - 1))); do
    addresses+=("$subnet.$((first_host + i))")
    ip -n "$NETNS_B" addr add "${addresses[-1]}/24" dev "$NETNS_IF_B"
  done
  start_far "$logs/velto-sim.jsonl" "$DEMO_BIN/velto-sim" --interface "$NETNS_IF_B" \
    --count "$cameras" --addresses "$(IFS=,; echo "${addresses[*]}")" --web-port 80 \
    --rtsp "rtsp://%1:$rtsp_port/cam%2" --delay-max 300 --upload-dir "$DEMO_WORK/uploads"
  start_far "$logs/rtsp.jsonl" /usr/bin/python3 "$here/rtsp_cameras.py" --port "$rtsp_port" \
    "${addresses[@]}"
  start_far "$logs/printer.log" "$here/label-printer.sh" "$DEMO_WORK/cups" "$queue" \
    "$DEMO_BIN/label-preview" "$DEMO_OUT/labels"
  wait_for_line "$logs/velto-sim.jsonl" '"event":"ready"' 10 "velto-sim"
  wait_for_line "$logs/rtsp.jsonl" '"event": "ready"' 15 "the RTSP server"
  wait_for_line "$logs/printer.log" '^ready' 15 "the label printer"
  echo_printer &
  helpers+=($!)
  say "cameras ${addresses[0]} ... ${addresses[-1]}: web page on port 80, stream rtsp://<ip>:$rtsp_port/camN"
}

# The Windows build: the zip's folder becomes the program's folder, and a fresh Wine prefix
# learns the printer queues from the demo's scheduler as it is made.
prepare_windows_app() {
  local app="$DEMO_WORK/app"
  /usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
    "$DEMO_WINDOWS" "$DEMO_WORK/zip"
  cp -r "$DEMO_WORK"/zip/*/. "$app/"
  # Wine runs only in a prefix of the user who runs it.
  mkdir -p "$wine_prefix"
  if [ -n "${DEMO_USER:-}" ]; then chown "$DEMO_USER:$(id -g "$DEMO_USER")" "$wine_prefix"; fi
  CUPS_SERVER="$DEMO_WORK/cups/cups.sock" WINEPREFIX="$wine_prefix" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" "${as_user[@]}" env -u DISPLAY /usr/lib/wine/wine64 \
    wineboot -i >"$logs/wineboot.log" 2>&1
  # The prefix's desktop process started without a display: the program must start a new
  # one, on the display, so the wine server of the boot must be gone first.
  WINEPREFIX="$wine_prefix" "${as_user[@]}" /usr/lib/wine/wineserver64 -w
  say "lankit.exe from $(basename "$DEMO_WINDOWS") runs under Wine (prefix $wine_prefix)"
}

# The program runs from a copy of its folder, so its configuration, log and language
# files are the demo's own and a user's real settings are never touched.
prepare_app() {
  local app="$DEMO_WORK/app"
  if [ -n "${DEMO_WINDOWS:-}" ]; then
    prepare_windows_app
  else
    cp "$DEMO_BIN/lankit" "$app/"
    cp -P "$DEMO_BIN"/libkorval.so* "$app/" 2>/dev/null || true
    if [ -d "$DEMO_BIN/language" ]; then cp -r "$DEMO_BIN/language" "$app/"; fi
  fi
  mkdir -p "$app/configure"
  {
    echo "[General]"
    [ -z "$DEMO_LANGUAGE" ] || echo "langage=$DEMO_LANGUAGE"
    echo "label%20column=1"
    echo "label%20height=45"
    echo "label%20padding=2"
    echo "label%20padding%20bottom=0"
    echo "label%20padding%20left=0"
    echo "label%20padding%20right=0"
    echo "label%20padding%20top=0"
    echo "label%20width=45"
    echo "network%20ip=$NETNS_IP_A"
    echo "network%20name=$NETNS_IF_A"
    echo "printer%20name=$queue"
    [ -z "${DEMO_REGISTER:-}" ] || echo "label%20register=$DEMO_REGISTER"
  } >"$app/configure/configure.ini"
  # What the program would open in a browser is recorded; on a real display it opens too.
  local real
  real="$(command -v xdg-open || true)"
  cat >"$DEMO_WORK/bin/xdg-open" <<EOF
#!/bin/sh
echo "\$*" >> "$logs/opened-urls.txt"
[ -n "$real" ] && [ "\$DEMO_REAL_BROWSER" = 1 ] && exec "$real" "\$@"
exit 0
EOF
  chmod +x "$DEMO_WORK/bin/xdg-open"
  if [ -n "${DEMO_USER:-}" ]; then
    chown -R "$DEMO_USER:$(id -g "$DEMO_USER")" "$app" "$DEMO_WORK/home"
  fi
}

start_xvfb() {
  # A display number of our own rather than the first free one: namespaced servers see
  # no one else's lock file, so they would all pick :0 and share the path of its socket
  # file, through which a stray client elsewhere could reach (and close) this program.
  local number=$((100 + $$ % 800))
  # Its own session, like the program's: it must outlive the program's close.
  setsid Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
  xvfb_pid=$!
  display=":$number"
  # The server takes a moment before clients get through.
  for _ in $(seq 100); do
    if DISPLAY="$display" /usr/bin/python3 "$here/xwindow.py" probe; then return; fi
    sleep 0.2
  done
  say "Xvfb did not start" >&2
  exit 1
}

screenshots() { # every DEMO_SHOT_EVERY s; numbered up to 500, then only latest.png
  local dir="$DEMO_OUT/screenshots" n=0 nap=""
  mkdir -p "$dir"
  # The pause is waited for, not run in the foreground, so a stop ends it at once.
  trap 'kill $nap 2>/dev/null; exit 0' TERM INT
  while true; do
    sleep "$DEMO_SHOT_EVERY" &
    nap=$!
    wait "$nap"
    DISPLAY="$display" /usr/bin/python3 "$here/xwindow.py" shot "$dir/latest.png" || continue
    n=$((n + 1))
    if [ $n -le 500 ]; then cp "$dir/latest.png" "$dir/$(printf 'shot-%04d.png' $n)"; fi
  done
}

choose_display() {
  display="${DISPLAY:-}"
  if [ "$DEMO_XVFB" != 1 ] && [ -n "$display" ] &&
    XAUTHORITY="$xauthority" timeout 10 "${as_user[@]}" /usr/bin/python3 "$here/xwindow.py" probe; then
    say "lankit opens on your display $display"
    real_browser=1
    return
  fi
  start_xvfb
  screenshots &
  helpers+=($!)
  say "no usable display: lankit runs under Xvfb $display; a screenshot every" \
    "$DEMO_SHOT_EVERY s goes to $DEMO_OUT/screenshots (latest.png is the newest)"
}

run_app() {
  local app="$DEMO_WORK/app" home="$DEMO_WORK/home"
  mkdir -p "$home/.config" "$home/.local/share" "$home/.cache"
  local runtime="${XDG_RUNTIME_DIR:-}"
  if [ -n "${DEMO_USER:-}" ]; then
    # The user's own runtime folder (their sound server is there), else a private one.
    runtime="/run/user/$(id -u "$DEMO_USER")"
    [ "$(stat -c %U "$runtime" 2>/dev/null)" = "$DEMO_USER" ] || runtime=""
  fi
  if [ -z "$runtime" ]; then
    runtime="$DEMO_WORK/runtime"
    mkdir -p -m 700 "$runtime"
    if [ -n "${DEMO_USER:-}" ]; then chown "$DEMO_USER" "$runtime"; fi
  fi
  # Its own session: a signal to the demo's group leaves the program to close_app.
  (cd "$app" && exec setsid env DISPLAY="$display" \
    XAUTHORITY="$xauthority" HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$runtime" \
    CUPS_SERVER="$DEMO_WORK/cups/cups.sock" PATH="$DEMO_WORK/bin:$PATH" \
    DEMO_REAL_BROWSER="$real_browser" QT_QPA_PLATFORM="$platform" \
    WINEPREFIX="$wine_prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    "${as_user[@]}" "${program[@]}") \
    >"$logs/lankit.out" 2>&1 &
  app_pid=$!
  if [ "$real_browser" = 0 ]; then
    DISPLAY="$display" /usr/bin/python3 "$here/xwindow.py" fill "$wm_class" 60 2>>"$logs/xwindow.log" &
    helpers+=($!)
  fi
  say "lankit started (pid $app_pid); close its window or press Ctrl-C to end the demo"
}

say "namespaces $NETNS_A (lankit, $NETNS_IF_A $NETNS_IP_A) and $NETNS_B (cameras, RTSP, printer)"
start_cameras
prepare_app
choose_display
# A display that has only just come up can still turn the program's first connection away.
for attempt in 1 2 3; do
  run_app
  sleep 3
  if kill -0 "$app_pid" 2>/dev/null || [ $attempt -eq 3 ] ||
    ! grep -q "could not connect to display" "$logs/lankit.out"; then
    break
  fi
  wait "$app_pid" || true
  say "lankit could not reach display $display; starting it again"
done
deadline=0
if [ "${DEMO_SECONDS:-0}" -gt 0 ]; then deadline=$((SECONDS + DEMO_SECONDS)); fi
while kill -0 "$app_pid" 2>/dev/null; do
  if [ $deadline -gt 0 ] && [ $SECONDS -ge $deadline ]; then
    say "$DEMO_SECONDS s are over"
    break
  fi
  sleep 0.5
done
status=0
end_app || status=$?
exit "$status"
