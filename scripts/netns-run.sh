#!/usr/bin/env bash
# Runs a command inside a private pair of network namespaces, never on this machine's
# real interfaces:
#
#   <ns A> veth "lkA" 10.77.0.1/24  <---->  veth "lkB" 10.77.0.2/24 <ns B>
#
# The command runs in namespace A; --peer CMD runs in namespace B in the background for
# as long as the command runs. Both namespaces are removed on exit, also after failures
# and signals. The command sees NETNS_A and NETNS_B (namespace names), NETNS_IF_A/B
# (interface names) and NETNS_IP_A/B, so it can start more processes in B with
# `ip netns exec "$NETNS_B" ...` or take the link down and up.
#
# usage: netns-run.sh [--peer "CMD"] [--subnet 10.77.0] -- CMD [ARGS...]
set -euo pipefail

peer=""
subnet="10.77.0"
while [ $# -gt 0 ]; do
  case "$1" in
    --peer) peer="$2"; shift 2 ;;
    --subnet) subnet="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--peer CMD] [--subnet A.B.C] -- CMD..." >&2; exit 2; }

# Unique names, so parallel test runs never collide.
tag="lk$$"
export NETNS_A="${tag}a" NETNS_B="${tag}b"
export NETNS_IF_A="lkA" NETNS_IF_B="lkB"
export NETNS_IP_A="${subnet}.1" NETNS_IP_B="${subnet}.2"
hostA="${tag}x" hostB="${tag}y"   # interface names while still in the root namespace

peer_pid=""
cleanup() {
  if [ -n "$peer_pid" ]; then
    kill "$peer_pid" 2>/dev/null || true
    wait "$peer_pid" 2>/dev/null || true
  fi
  ip netns pids "$NETNS_A" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
  ip netns pids "$NETNS_B" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
  ip netns del "$NETNS_A" 2>/dev/null || true
  ip netns del "$NETNS_B" 2>/dev/null || true
  ip link del "$hostA" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ip netns add "$NETNS_A"
ip netns add "$NETNS_B"
ip link add "$hostA" type veth peer name "$hostB"
ip link set "$hostA" netns "$NETNS_A"
ip link set "$hostB" netns "$NETNS_B"
ip -n "$NETNS_A" link set "$hostA" name "$NETNS_IF_A"
ip -n "$NETNS_B" link set "$hostB" name "$NETNS_IF_B"
ip -n "$NETNS_A" addr add "$NETNS_IP_A/24" dev "$NETNS_IF_A"
ip -n "$NETNS_B" addr add "$NETNS_IP_B/24" dev "$NETNS_IF_B"
for ns in "$NETNS_A" "$NETNS_B"; do ip -n "$ns" link set lo up; done
ip -n "$NETNS_A" link set "$NETNS_IF_A" up
ip -n "$NETNS_B" link set "$NETNS_IF_B" up
# Multicast leaves through the veth in both namespaces.
ip -n "$NETNS_A" route add 224.0.0.0/4 dev "$NETNS_IF_A"
ip -n "$NETNS_B" route add 224.0.0.0/4 dev "$NETNS_IF_B"

if [ -n "$peer" ]; then
  ip netns exec "$NETNS_B" bash -c "$peer" &
  peer_pid=$!
fi

set +e
ip netns exec "$NETNS_A" "$@"
status=$?
set -e
exit $status
