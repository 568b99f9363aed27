#!/usr/bin/env bash
# A label printer for the demonstration: a private CUPS scheduler with one raw queue whose
# backend stores every job, and a watcher that renders each stored job with label-preview.
#
#   label-printer.sh ROOT QUEUE LABEL_PREVIEW LABEL_DIR
#
# ROOT (an empty folder) receives the scheduler's configuration, spool, logs and the jobs
# (ROOT/out/job-<id>.prn); clients reach it with CUPS_SERVER=ROOT/cups.sock. Each job
# becomes LABEL_DIR/label-<id>-1.png (one PNG per printed label) with what the preview
# could not draw in LABEL_DIR/label-<id>.notes. Prints "ready" once the queue accepts
# jobs, then one line per label; runs until SIGTERM or SIGINT, and stops its scheduler.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 ROOT QUEUE LABEL_PREVIEW LABEL_DIR" >&2; exit 2; }
root="$1" queue="$2" preview="$3" labels="$4"
scheme="lankitdemo"

cupsd_pid=""
stop() {
  if [ -n "$cupsd_pid" ]; then
    kill "$cupsd_pid" 2>/dev/null || true
    wait "$cupsd_pid" 2>/dev/null || true
  fi
}
trap stop EXIT
trap 'exit 0' INT TERM

mkdir -p "$root"/{spool/tmp,cache,state,log,bin/backend,out} "$labels"
chmod 755 "$root" # the scheduler's unprivileged helpers walk through it
for dir in filter daemon driver notifier monitor; do
  if [ -e "/usr/lib/cups/$dir" ]; then ln -sfn "/usr/lib/cups/$dir" "$root/bin/$dir"; fi
done

cat >"$root/cupsd.conf" <<EOF
Listen $root/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
LogLevel warn
<Location />
  Order deny,allow
  Allow all
</Location>
<Location /admin>
  Order deny,allow
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
EOF
cat >"$root/cups-files.conf" <<EOF
FileDevice Yes
SystemGroup root
ServerRoot $root
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
ServerBin $root/bin
AccessLog $root/log/access_log
ErrorLog $root/log/error_log
PageLog $root/log/page_log
EOF
# Copies the job under a temporary name first, so the watcher never reads half a job. A
# backend runs as root only when nobody else may read or change it.
cat >"$root/bin/backend/$scheme" <<'EOF'
#!/bin/sh
if [ $# -eq 0 ]; then
  echo 'direct lankitdemo "Unknown" "Demo label capture"'
  exit 0
fi
out="${DEVICE_URI#lankitdemo:}/job-$1.prn"
if [ $# -ge 6 ]; then cat "$6" > "$out.part"; else cat > "$out.part"; fi || exit 1
mv "$out.part" "$out"
EOF
chmod 700 "$root/bin/backend/$scheme"

cupsd -f -c "$root/cupsd.conf" -s "$root/cups-files.conf" >>"$root/log/cupsd.out" 2>&1 &
cupsd_pid=$!
export CUPS_SERVER="$root/cups.sock"
for _ in $(seq 100); do
  [ -S "$CUPS_SERVER" ] && lpstat -r >/dev/null 2>&1 && break
  kill -0 "$cupsd_pid" 2>/dev/null || { cat "$root/log/"* >&2; exit 1; }
  sleep 0.1
done
lpadmin -p "$queue" -v "$scheme:$root/out" -o printer-resolution-default=300dpi -E
echo "ready: queue $queue, CUPS_SERVER=$CUPS_SERVER"

# Jobs come from the program under test: each preview is bounded in time.
declare -A rendered=()
while kill -0 "$cupsd_pid" 2>/dev/null; do
  for job in "$root"/out/job-*.prn; do
    [ -e "$job" ] || continue
    id="$(basename "$job" .prn)"
    id="${id#job-}"
    [ -n "${rendered[$id]:-}" ] && continue
    rendered[$id]=1
    status=0
    # Rendered aside and moved in whole, so that whoever watches the folder never reads
    # half a picture.
    part="$labels/.label-$id.part"
    mkdir -p "$part"
    timeout 20 "$preview" -o "$part/label-$id" --notes "$part/label-$id.notes" "$job" \
      >/dev/null 2>&1 || status=$?
    mv "$part"/* "$labels/" 2>/dev/null || true
    rmdir "$part" 2>/dev/null || true
    echo "label $id: $(cd "$labels" && ls "label-$id"-*.png 2>/dev/null | tr '\n' ' ')(exit $status)"
  done
  sleep 0.3
done
echo "the scheduler ended" >&2
exit 1
