#!/bin/sh
# Renders one frame of a Kalvex animation per task of a Slurm job array:
#
#   sbatch --array=0-99 examples/render-frames.sbatch SCENE.cad [--width W --height H --quality Q]
#
# Task N renders frame N (`kalvex --render SCENE.cad --frames N ...`) into the
# scene's frame folder, which must be shared by every node under the same path.
# The program is $KALVEX when set, else kalvex on the PATH; each node needs it
# and POV-Ray. Run by hand with SLURM_ARRAY_TASK_ID=N to render frame N here.
#SBATCH --job-name=kalvex-frames
#SBATCH --ntasks=1
#SBATCH --cpus-per-task=1
#SBATCH --output=kalvex-frame-%a.log
set -eu

if [ $# -lt 1 ]; then
    echo "usage: sbatch --array=A-B $0 SCENE.cad [kalvex options]" >&2
    exit 2
fi
if [ -z "${SLURM_ARRAY_TASK_ID:-}" ]; then
    echo "$0: SLURM_ARRAY_TASK_ID is not set (submit with sbatch --array)" >&2
    exit 2
fi

scene=$1
shift
exec "${KALVEX:-kalvex}" --render "$scene" --frames "$SLURM_ARRAY_TASK_ID" "$@"
