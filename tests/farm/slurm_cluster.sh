# A Slurm cluster of one node, for the farm tests (sourced after farm_lib.sh):
# munged with a key of its own, slurmctld and slurmd, every file and socket
# under $FARM_DIR/slurm, on free ports, so nothing of the machine's own
# configuration is read or changed. Stopped by farm_cleanup.

start_slurm_cluster() {
  local d=$FARM_DIR/slurm
  mkdir -p "$d/munge" "$d/state" "$d/spool" "$d/log"
  id munge >/dev/null 2>&1 || fail "no munge user: install the munge package"

  dd if=/dev/urandom of="$d/munge/munge.key" bs=1024 count=1 status=none
  chown -R munge:munge "$d/munge"
  chmod 700 "$d/munge"
  chmod 400 "$d/munge/munge.key"
  runuser -u munge -- /usr/sbin/munged --foreground --force \
    --key-file="$d/munge/munge.key" --socket="$d/munge/socket" \
    --pid-file="$d/munge/munged.pid" --seed-file="$d/munge/seed" \
    --log-file="$d/munge/munged.log" >"$d/munge/munged.out" 2>&1 &
  on_exit "stop_pid $!"
  wait_for 10 test -S "$d/munge/socket" || fail "munged did not start: $(cat "$d/munge/munged.log" 2>/dev/null)"

  local host cpus
  host=$(hostname -s)
  cpus=$(nproc)
  cat >"$d/slurm.conf" <<EOF
ClusterName=farmtest
SlurmctldHost=$host
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$d/munge/socket
StateSaveLocation=$d/state
SlurmdSpoolDir=$d/spool
SlurmctldPidFile=$d/slurmctld.pid
SlurmdPidFile=$d/slurmd.pid
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SwitchType=switch/none
MpiDefault=none
ReturnToService=2
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SlurmctldLogFile=$d/log/slurmctld.log
SlurmdLogFile=$d/log/slurmd.log
JobAcctGatherType=jobacct_gather/none
MinJobAge=600
NodeName=$host CPUs=$cpus State=UNKNOWN
PartitionName=debug Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
  export SLURM_CONF=$d/slurm.conf
  /usr/sbin/slurmctld -D -i -f "$SLURM_CONF" >"$d/log/slurmctld.out" 2>&1 &
  on_exit "stop_pid $!"
  /usr/sbin/slurmd -D -f "$SLURM_CONF" >"$d/log/slurmd.out" 2>&1 &
  on_exit "stop_pid $!"
  if ! wait_for 30 node_idle; then
    tail -20 "$d/log/slurmctld.log" "$d/log/slurmd.log" >&2 || true
    fail "the Slurm node did not come up"
  fi
  note "Slurm up: $(sinfo -h -o '%P %a %D %t %c' | head -1) (partition, state, nodes, node state, CPUs)"
}

node_idle() { sinfo -h -o %t 2>/dev/null | grep -qx idle; }

# Waits until no task of job $1 is queued or running.
wait_for_job() {
  wait_for "${2:-300}" job_gone "$1" || fail "job $1 still in the queue: $(squeue -h -j "$1")"
}
job_gone() { [ -z "$(squeue -h -j "$1" 2>/dev/null)" ]; }

# "TASK STATE" for every task of array job $1, as the controller remembers them.
task_states() {
  scontrol -o show job "$1" | sed -n 's/.*ArrayTaskId=\([0-9]*\) .*JobState=\([A-Z_]*\) .*/\1 \2/p' | sort -n
}
