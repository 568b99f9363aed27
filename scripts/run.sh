#!/usr/bin/env bash
# Installs what the project needs, builds lankit (Release) and starts it.
#
#   run.sh                 safe demonstration: lankit runs inside a private network
#                          namespace whose only neighbour is a set of simulated cameras
#   run.sh --real-network  lankit on this machine's own network (it multicasts a device
#                          search as soon as its window opens)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh release >/dev/null
bin="$PWD/build/bin"

if [ "${1:-}" = "--real-network" ]; then
  exec "$bin/lankit"
fi

[ "$(id -u)" -eq 0 ] || { echo "the sandbox needs root (network namespaces); use sudo" >&2; exit 1; }
display=(env)
if [ -z "${DISPLAY:-}" ]; then
  display=(xvfb-run -a -s "-screen 0 1280x800x24")
  echo "no DISPLAY: lankit runs under Xvfb" >&2
fi
peer="sleep infinity"
if [ -x "$bin/velto-sim" ]; then
  peer="$bin/velto-sim --interface lkB --count 8"
fi
exec scripts/netns-run.sh --peer "$peer" -- "${display[@]}" "$bin/lankit"
