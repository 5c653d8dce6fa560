# Shared by the farm tests (sourced): a scratch folder, clean-up that runs
# however the test ends, free ports, waiting, and frame comparison.
# The tests run real daemons (munged, slurmctld, slurmd, sshd) as root.
# Every test script takes the same arguments: LUSTRE-STRAND SOURCE-DIR.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: the farm tests start munged, slurmd and sshd as root"
  exit 77
fi

FARM_CLEANUPS=()

# Runs the registered clean-ups, last registered first, on any exit.
farm_cleanup() {
  local i
  for ((i = ${#FARM_CLEANUPS[@]} - 1; i >= 0; i--)); do
    eval "${FARM_CLEANUPS[i]}" || true
  done
}
trap farm_cleanup EXIT
trap 'exit 130' INT TERM

on_exit() { FARM_CLEANUPS+=("$1"); }

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

note() { echo "--- $*"; }

# A scratch folder removed at the end unless FARM_KEEP is set (to look at
# the daemons' logs after a failure).
farm_scratch() {
  FARM_DIR=$(mktemp -d "${TMPDIR:-/tmp}/lustre-farm.XXXXXX")
  chmod 755 "$FARM_DIR"
  if [ -z "${FARM_KEEP:-}" ]; then on_exit "rm -rf '$FARM_DIR'"; else echo "kept: $FARM_DIR"; fi
}

# Stops a process we started, by its pid, and waits for it to go.
stop_pid() {
  local pid=$1 i
  kill "$pid" 2>/dev/null || return 0
  for i in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
}

# A TCP port nothing on 127.0.0.1 listens on (nor did a moment ago), below
# the range the kernel hands out to outgoing connections: a port taken from
# that range can be some connection's own by the time a server binds it
# (another test's loopback traffic, say), and the bind then fails.
free_port() {
  local port first_ephemeral
  first_ephemeral=$(cut -f1 /proc/sys/net/ipv4/ip_local_port_range 2>/dev/null || echo 32768)
  for _ in $(seq 100); do
    port=$((10000 + RANDOM % (first_ephemeral - 10000)))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  fail "no free TCP port found"
}

# Waits up to $1 seconds for the command in the rest of the arguments to
# succeed, trying every FARM_POLL seconds (default 0.2).
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep "${FARM_POLL:-0.2}"
  done
}

# The folder a user submits from, made current: the project's examples and
# the built command where the README has them.
farm_workdir() {
  local work=$FARM_DIR/work
  mkdir -p "$work/build"
  ln -s "$SOURCE_DIR/examples" "$work/examples"
  ln -s "$(dirname "$LUSTRE_CLI")" "$work/build/release"
  cd "$work"
}

# The reference: the frames one `render` on one machine writes.
render_reference() {
  local out=$1
  shift
  mkdir -p "$out"
  "$LUSTRE_CLI" render "$@" --output "$out/strand.%04d.png" >/dev/null
}

# Every file of the reference folder $1 is in $2, byte for byte, and $2
# holds no other file. Prints how many frames matched.
same_frames() {
  local want=$1 got=$2 n=0 f
  for f in "$want"/*; do
    [ -f "$got/${f##*/}" ] || fail "${f##*/} is missing from $got"
    cmp -s "$f" "$got/${f##*/}" || fail "${f##*/} differs from the one-machine render"
    n=$((n + 1))
  done
  local extra
  extra=$(comm -13 <(ls "$want") <(ls "$got") | head -5)
  [ -z "$extra" ] || fail "files beyond the frames in $got: $extra"
  [ "$n" -gt 0 ] || fail "the reference holds no frame"
  echo "$n frames byte-equal to the one-machine render"
}

LUSTRE_CLI=${1:?usage: $0 LUSTRE-STRAND SOURCE-DIR}
SOURCE_DIR=${2:?usage: $0 LUSTRE-STRAND SOURCE-DIR}
farm_scratch
