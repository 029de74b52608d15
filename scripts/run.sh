#!/usr/bin/env bash
# Installs what the build needs (Debian 12, as root), builds norvcontrol and
# starts it on the simulated crate. Arguments are passed to the program.
#
# The simulated crate reads NORV_SIM_CRATE (a crate description, see
# sim/examples), NORV_SIM_LATENCY_US, NORV_SIM_TIMESCALE and NORV_SIM_NO_BRIDGE
# from the environment, so for example
#   NORV_SIM_CRATE=sim/examples/<file>.json bash scripts/run.sh
# starts it on another crate. With a vendor bridge library installed on the
# system the program drives the real bridge instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# norvcontrol depends on the stand-in bridge libraries, so they are built too.
cmake --build "$root/build" -j"$(nproc)" --target norvcontrol

# The program reads its splash picture from the working directory.
workdir="$root/build/run"
mkdir -p "$workdir"
cp "$root/resources/opc_control_512.png" "$workdir/"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "norvcontrol is built (build/bin/norvcontrol), but there is no DISPLAY to show its window on." >&2
    echo "To run it on a virtual display instead:" >&2
    echo "  xvfb-run -a -s '-screen 0 1280x800x24' bash scripts/run.sh" >&2
    exit 1
fi

cd "$workdir"
exec "$root/build/bin/norvcontrol" "$@"
