#!/usr/bin/env bash
# scripts/catalogue.sbatch as a Slurm job array of three shards on a single-node Slurm started
# here (slurmctld and slurmd on this machine, a minimal slurm.conf in a temporary folder); the
# catalogue it makes must equal one unsharded run.
#
# Usage: slurm_array.sh TAVRINE_CATALOGUE SOURCE_DIR
# Exit status: 0 passed, 1 failed, 77 skipped (no Slurm, not root, or Slurm would not start).
set -uo pipefail

if [[ $# -ne 2 ]]; then
    echo "Usage: slurm_array.sh TAVRINE_CATALOGUE SOURCE_DIR" >&2
    exit 2
fi
catalogue=$1
source_dir=$2

skip() {
    echo "SKIPPED: $*"
    exit 77
}
fail() {
    echo "FAILED: $*"
    exit 1
}

for tool in slurmctld slurmd sbatch sinfo; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (the setup script installs slurm-wlm)"
done
[[ $(id -u) -eq 0 ]] || skip "slurmd must run as root to start jobs"

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrine-slurm-XXXXXX")
daemons=()
cleanup() {
    for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${daemons[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

# Two free ports for the controller and the node daemon.
read -r ctld_port node_port < <(python3 -c '
import socket
s = [socket.socket() for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*(x.getsockname()[1] for x in s))')
host=$(hostname -s)
mkdir -p "$work/state" "$work/spool"
export SLURM_CONF=$work/slurm.conf
cat >"$SLURM_CONF" <<EOF
ClusterName=tavrine
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
AuthType=auth/none
CredType=cred/none
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/pgid
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
SchedulerParameters=batch_sched_delay=0
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=local Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF

slurmctld -D -i >"$work/slurmctld.out" 2>&1 &
daemons+=($!)
slurmd -D >"$work/slurmd.out" 2>&1 &
daemons+=($!)
idle=
for _ in $(seq 60); do
    if [[ $(sinfo -h -o %t 2>/dev/null) == idle ]]; then
        idle=yes
        break
    fi
    sleep 0.5
done
if [[ -z $idle ]]; then
    tail -n 5 "$work"/slurm*.log "$work"/slurm*.out 2>/dev/null
    skip "the single-node Slurm did not come up (its logs are above)"
fi
echo "Slurm is up: $(sinfo -h -o '%P %t %N' | head -n 1)"

# A library of the examples and one design the reader refuses.
mkdir "$work/lib"
cp "$source_dir"/examples/*.asc "$work/lib/"
printf 'GemCad 5.0\ng 96\ny 8 y\nH Open\na 41 0.5 96 n C\n' >"$work/lib/broken.asc"
designs=$(ls "$work/lib" | wc -l)
options=(--frames 4 --size 48)

job=$(TAVRINE_CATALOGUE=$catalogue sbatch --parsable --array=0-2 --cpus-per-task=1 --chdir="$work" \
    --output="$work/shard-%a.out" "$source_dir/scripts/catalogue.sbatch" \
    "$work/lib" "$work/out" "${options[@]}") || fail "sbatch refused the array job"
# Polled here rather than with sbatch --wait, which looks only every few seconds.
for _ in $(seq 1500); do
    [[ -z $(squeue -h -j "$job" 2>/dev/null) ]] && break
    sleep 0.2
done
[[ -z $(squeue -h -j "$job" 2>/dev/null) ]] || fail "the array job did not end in 300 s"
cat "$work"/shard-*.out
codes=$(scontrol show job "$job" | grep -o 'ExitCode=[0-9:]*' | sort -u)
[[ $codes == "ExitCode=0:0" ]] || fail "the array's tasks ended with $codes"

# Each shard of three ran once, and together they took every design once.
total=0
for k in 0 1 2; do
    line=$(grep "^shard $k/3: " "$work/shard-$k.out") || fail "no summary from shard $k"
    n=$(sed -E 's/^shard [0-9]+\/3: ([0-9]+) design.*/\1/' <<<"$line")
    total=$((total + n))
done
[[ $total -eq $designs ]] || fail "the shards took $total designs of $designs"

"$catalogue" index "$work/out" >/dev/null || fail "index failed"
"$catalogue" render "$work/lib" "$work/ref" "${options[@]}" >/dev/null || fail "the unsharded run failed"
"$catalogue" index "$work/ref" >/dev/null || fail "index of the unsharded run failed"
cmp "$work/out/catalogue.csv" "$work/ref/catalogue.csv" || fail "catalogue.csv differs"
for folder in "$work"/ref/designs/*/; do
    name=$(basename "$folder")
    for file in still.png turntable.gif; do
        [[ -e "$folder/$file" ]] || continue
        cmp "$folder/$file" "$work/out/designs/$name/$file" || fail "$name/$file differs"
    done
done
echo "PASSED: the array job of 3 shards made the catalogue of one run ($designs designs)"
