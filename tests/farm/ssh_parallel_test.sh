#!/usr/bin/env bash
# The README's GNU parallel line across two machines: this one (`:`) and a
# second reached over ssh, an sshd of our own on 127.0.0.1 with host and user
# keys made for the test. Only the login names change (render2, found
# through an ssh_config of the test's); the frames are byte for byte those of
# one render on one machine, and both machines rendered some of them.
#   ssh_parallel_test.sh LUSTRE-STRAND SOURCE-DIR
source "$(dirname "$0")/farm_lib.sh"

s=$FARM_DIR/ssh
mkdir -p "$s" /run/sshd
chmod 700 "$s"
ssh-keygen -q -t ed25519 -N '' -f "$s/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$s/user_key"
cp "$s/user_key.pub" "$s/authorized_keys"
port=$(free_port)
cat >"$s/sshd_config" <<EOF
Port $port
ListenAddress 127.0.0.1
HostKey $s/host_key
PidFile $s/sshd.pid
AuthorizedKeysFile $s/authorized_keys
AuthenticationMethods publickey
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
PermitRootLogin prohibit-password
StrictModes no
EOF
cat >"$s/ssh_config" <<EOF
Host render2
  HostName 127.0.0.1
  Port $port
  User $(id -un)
  IdentityFile $s/user_key
  IdentitiesOnly yes
  BatchMode yes
  StrictHostKeyChecking accept-new
  UserKnownHostsFile $s/known_hosts
EOF
/usr/sbin/sshd -D -e -f "$s/sshd_config" 2>"$s/sshd.log" &
on_exit "stop_pid $!"
export PARALLEL_SSH="ssh -F $s/ssh_config"
reachable() { $PARALLEL_SSH render2 true 2>/dev/null; }
wait_for 20 reachable || fail "sshd on port $port does not let us in: $(cat "$s/sshd.log")"
note "sshd on 127.0.0.1:$port is render2"

farm_workdir
mkdir frames

small=(--size 480x270 --downsample 1/4)
render_reference "$FARM_DIR/ref" --params examples/animated.json --frames 0-23 "${small[@]}"

# The README's line: shards of 6 frames rather than 24, render2 the only
# other machine, the small size, and a job log to see where shards ran.
seq 0 6 23 | parallel --joblog "$FARM_DIR/jobs.log" --sshlogin :,render2 --workdir "$PWD" \
  'build/release/lustre-strand render --params examples/animated.json --frames {}-$(({} + 5)) \
     --skip-existing --output frames/strand.%04d.png --size 480x270 --downsample 1/4' >"$FARM_DIR/parallel.out"
cat "$FARM_DIR/jobs.log"
# Columns: Seq Host Starttime JobRuntime Send Receive Exitval Signal Command.
hosts=$(awk 'NR > 1 && $7 == 0 && $8 == 0 { print $2 }' "$FARM_DIR/jobs.log" | sort | uniq -c)
[ "$(awk 'NR > 1' "$FARM_DIR/jobs.log" | wc -l)" -eq 4 ] || fail "parallel did not run 4 shards"
[ "$(awk '{ n += $1 } END { print n }' <<<"$hosts")" -eq 4 ] || fail "a shard failed"
grep -q ' render2$' <<<"$hosts" || fail "no shard ran over ssh on render2"
grep -q ' :$' <<<"$hosts" || fail "no shard ran on this machine"
echo "shards per machine:" $hosts
[ "$(grep -c '^frames/strand' "$FARM_DIR/parallel.out")" -eq 24 ] || fail "the shards did not print 24 frames written"
same_frames "$FARM_DIR/ref" frames
