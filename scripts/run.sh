#!/usr/bin/env bash
# Installs what the project needs, builds lankit (Release) and starts it.
#
#   run.sh                 safe demonstration: lankit runs inside a private network
#                          namespace whose only neighbours are eight simulated cameras
#                          (each with its own address, web page and live RTSP stream) and
#                          a label printer (a private CUPS queue whose labels are rendered
#                          to PNG files)
#   run.sh --real-network  lankit on this machine's own network (it multicasts a device
#                          search as soon as its window opens)
#
# Options of the demonstration:
#   --output DIR          labels/, screenshots/ and logs/ go there (default: a new folder
#                         /tmp/lankit-demo.XXXXXX, kept after the demo)
#   --seconds N           end the demo after N seconds (default: when the window closes)
#   --xvfb                run under Xvfb even when DISPLAY works
#   --screenshot-every S  under Xvfb, a screenshot every S seconds (default 5)
#   --language en|cn      the program's language (default: the program's own, Chinese)
#   --no-build            neither install packages nor build; use what is built
#   --bin DIR             the built programs (default build/bin)
#   --windows ZIP         run lankit.exe from that zip (scripts/package.sh --windows) under
#                         Wine, in a fresh Wine prefix in the work folder; the cameras and
#                         the printer are the Linux build's, from --bin
#   --register            record the labels in a private PostgreSQL server (initdb and
#                         pg_ctl under the work folder, reached only through its Unix
#                         socket there, stopped with the demo) instead of labels.csv;
#                         the password is in a .pgpass that PGPASSFILE names
# Everything the demo starts ends, and its namespaces and work folder are removed, when
# the program exits or the script is interrupted. Started through sudo, the program itself
# runs as the user who called sudo (SUDO_USER), on that user's display.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir="$PWD"

usage() { sed -n '2,/^set /{/^#/p}' "$0" | sed 's/^# \{0,1\}//'; }
register=0 real_network=0 build=1 bin="$source_dir/build/bin" out="" seconds=0 xvfb=0 every=5 language=""
windows=""
while [ $# -gt 0 ]; do
  case "$1" in
    --real-network) real_network=1; shift ;;
    --no-build) build=0; shift ;;
    --register) register=1; shift ;;
    --bin) bin="$(cd "$2" && pwd)"; shift 2 ;;
    --output) out="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --xvfb) xvfb=1; shift ;;
    --screenshot-every) every="$2"; shift 2 ;;
    --language) language="$2"; shift 2 ;;
    --windows) windows="$(realpath "$2")"; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "run.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
done
[[ "$seconds" =~ ^[0-9]+$ && "$every" =~ ^[1-9][0-9]*$ ]] ||
  { echo "run.sh: --seconds and --screenshot-every take whole seconds" >&2; exit 2; }
[[ "$language" =~ ^(|en|cn)$ ]] || { echo "run.sh: --language en or cn" >&2; exit 2; }

if [ $real_network -eq 0 ] && [ "$(id -u)" -ne 0 ]; then
  echo "the sandbox needs root (network namespaces); use sudo" >&2
  exit 1
fi
if [ $build -eq 1 ]; then
  scripts/install-deps.sh
  scripts/build.sh release >/dev/null
fi
# Namespaces need root, the program does not: started through sudo, it runs as the user
# who called sudo, on that user's display.
demo_user="" demo_xauthority="${XAUTHORITY:-}"
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ] &&
  id -u "$SUDO_USER" >/dev/null 2>&1; then
  demo_user="$SUDO_USER"
  user_home="$(getent passwd "$demo_user" | cut -d: -f6)"
  demo_xauthority="${XAUTHORITY:-$user_home/.Xauthority}"
fi
as_user=()
if [ -n "$demo_user" ]; then
  as_user=(setpriv --reuid "$(id -u "$demo_user")" --regid "$(id -g "$demo_user")" --init-groups --)
fi
if [ $real_network -eq 1 ]; then
  if [ -n "$demo_user" ]; then export XAUTHORITY="$demo_xauthority"; fi
  exec "${as_user[@]}" "$bin/lankit"
fi
programs=(velto-sim label-preview)
if [ -z "$windows" ]; then programs+=(lankit); fi
for program in "${programs[@]}"; do
  [ -x "$bin/$program" ] || { echo "run.sh: $bin/$program is missing; build first" >&2; exit 1; }
done
if [ -n "$windows" ] && [ ! -f "$windows" ]; then
  echo "run.sh: --windows $windows is not a file" >&2
  exit 1
fi
if [ -z "$out" ]; then out="$(mktemp -d /tmp/lankit-demo.XXXXXX)"; fi
mkdir -p "$out/labels" "$out/logs"
out="$(cd "$out" && pwd)"
work="$(mktemp -d /tmp/lankit-demo-work.XXXXXX)"
chmod 755 "$work"

cat <<EOF
lankit demo
  labels the program prints:  $out/labels  (one PNG per label)
  screenshots (under Xvfb):   $out/screenshots
  logs:                       $out/logs  (simulator, RTSP server, printer, program)
  work folder:                $work  (removed at the end)
EOF

# The demo runs in a session of its own: Ctrl-C reaches only this script, which ends the
# demo in order (the program is asked to close first) and then removes what is left.
child=""
interrupted=0
stop_demo() {
  interrupted=1
  [ -n "$child" ] && kill -TERM -- "-$child" 2>/dev/null || true
}
cleanup() {
  local code=$?
  if [ -n "$child" ] && kill -0 "$child" 2>/dev/null; then
    kill -KILL -- "-$child" 2>/dev/null || true
  fi
  stop_register
  # Normally the namespace script has removed its namespaces; after a KILL it could not.
  if [ -f "$work/namespaces" ]; then
    for ns in $(cat "$work/namespaces"); do
      ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
      ip netns del "$ns" 2>/dev/null || true
    done
  fi
  rm -rf "$work"
  echo "lankit demo: ended; labels, screenshots and logs are in $out"
  exit $code
}
# The register's server runs as an unprivileged user (PostgreSQL refuses root), listens on
# no network at all, only on a socket in the work folder, and logs there.
pg_bin="" pg_dir="" pg_user=nobody
register_as() { setpriv --reuid "$pg_user" --regid "$(id -g "$pg_user")" --clear-groups -- "$@"; }
start_register() {
  pg_bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
  [ -x "$pg_bin/pg_ctl" ] ||
    { echo "run.sh: --register needs PostgreSQL (scripts/install-deps.sh)" >&2; exit 1; }
  pg_dir="$work/register"
  mkdir -p "$pg_dir/socket"
  local password
  password="$(head -c 24 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')"
  # The password is written only to files of mode 600: initdb's, removed at once, and
  # the .pgpass files of the server's user and of the program.
  (umask 077; printf '%s\n' "$password" >"$pg_dir/password"
    printf '*:*:*:lankit:%s\n' "$password" >"$pg_dir/pgpass-server"
    printf '*:*:*:lankit:%s\n' "$password" >"$work/pgpass")
  chown -R "$pg_user" "$pg_dir"
  if [ -n "$demo_user" ]; then chown "$demo_user" "$work/pgpass"; fi
  register_as "$pg_bin/initdb" -D "$pg_dir/data" -U lankit --auth=scram-sha-256 \
    --pwfile="$pg_dir/password" >"$pg_dir/initdb.log" 2>&1 ||
    { cat "$pg_dir/initdb.log" >&2; exit 1; }
  rm -f "$pg_dir/password"
  register_as "$pg_bin/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/postgresql.log" -w \
    -o "-c listen_addresses='' -k $pg_dir/socket" start >/dev/null
  PGPASSFILE="$pg_dir/pgpass-server" register_as "$pg_bin/createdb" -h "$pg_dir/socket" \
    -U lankit labels
  export PGPASSFILE="$work/pgpass"
  export DEMO_REGISTER="postgresql://lankit@${pg_dir//\//%2F}%2Fsocket/labels"
  echo "  label register:             $DEMO_REGISTER (log: logs/postgresql.log)"
}
stop_register() {
  [ -n "$pg_dir" ] && [ -d "$pg_dir/data" ] || return 0
  register_as "$pg_bin/pg_ctl" -D "$pg_dir/data" -m fast -w stop >/dev/null 2>&1 || true
  cp "$pg_dir/postgresql.log" "$out/logs/postgresql.log" 2>/dev/null || true
}
trap cleanup EXIT
trap stop_demo INT TERM HUP
if [ $register -eq 1 ]; then start_register; fi

export DEMO_BIN="$bin" DEMO_WORK="$work" DEMO_OUT="$out" DEMO_SECONDS="$seconds"
export DEMO_XVFB="$xvfb" DEMO_SHOT_EVERY="$every" DEMO_LANGUAGE="$language"
export DEMO_USER="$demo_user" DEMO_XAUTHORITY="$demo_xauthority" DEMO_WINDOWS="$windows"
setsid scripts/netns-run.sh -- bash -c 'echo "$NETNS_A $NETNS_B" > "$DEMO_WORK/namespaces";
  exec "$0"' "$source_dir/scripts/demo/inside.sh" &
child=$!
status=0
# A signal ends the first wait early; then the demo's own teardown runs, bounded in time.
wait "$child" || status=$?
if [ $interrupted -eq 1 ]; then
  for _ in $(seq 200); do
    kill -0 "$child" 2>/dev/null || break
    sleep 0.1
  done
  wait "$child" 2>/dev/null || true
  status=130
fi
exit $status
