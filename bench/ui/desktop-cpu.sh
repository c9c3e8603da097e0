#!/usr/bin/env bash
# CPU share of the desktop host (the GTK window under Xvfb, Cairo rendering)
# over a measured stretch of real time, idle and while the pixel test runs
# (the square flashing, the pulse animating), against the demo ad service.
#
#   bench/ui/desktop-cpu.sh [--build DIR] [--seconds N] [--out FILE]
#
# Runs each case in the default window on a 1280 × 1024 display, then full
# screen on a 1920 × 1080 display; prints one line per case and writes them
# to FILE (default bench/results/desktop-cpu.txt). The share is the app's
# user + system time over the wall time measured, in per cent of one core.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
build=build
seconds=10
out=bench/results/desktop-cpu.txt
while [[ $# -gt 0 ]]; do
    case "$1" in
        --build) build=$2; shift ;;
        --seconds) seconds=$2; shift ;;
        --out) out=$2; shift ;;
        *) echo "desktop-cpu: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
build=$(realpath "$build")

# One case, inside the display: its name, its script, then vantrel's extra options.
measure() {
    local name=$1 script=$2
    shift 2
    local work
    work=$(mktemp -d)
    "$build/server/pellar-demo-server" --port 0 >"$work/server" &
    local server=$!
    for _ in $(seq 100); do [[ -s "$work/server" ]] && break; sleep 0.05; done
    local base
    base=$(head -1 "$work/server")
    printf '%s' "$script" >"$work/script"
    PELLAR_AD_SERVER="$base/ad_request" PELLAR_MEDIA_HOST="$base" \
        "$build/app/vantrel" --data-dir "$work/data" --script "$work/script" "$@" >/dev/null 2>&1 &
    local app=$!
    # Let the window come up, the warning go and the first ad arrive.
    sleep 3
    local ticks start end
    ticks=$(getconf CLK_TCK)
    cpu() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
    start=$(cpu)
    local t0 t1
    t0=$(date +%s.%N)
    sleep "$seconds"
    end=$(cpu)
    t1=$(date +%s.%N)
    kill "$app" "$server" 2>/dev/null || true
    wait "$app" "$server" 2>/dev/null || true
    rm -rf "$work"
    awk -v name="$name" -v a="$start" -v b="$end" -v t0="$t0" -v t1="$t1" -v hz="$ticks" \
        'BEGIN { printf "%-34s %5.1f %% of a core over %.1f s\n", name, 100 * (b - a) / hz / (t1 - t0), t1 - t0 }'
}

if [[ "${VANTREL_BENCH_STAGE:-}" == inner ]]; then
    # The warning's button is Return; Space starts the test.
    idle=$'key Return\nwait 600\n'
    testing=$'key Return\nkey space\nwait 600\n'
    if [[ "$VANTREL_BENCH_LAYOUT" == window ]]; then
        measure "default window, idle" "$idle"
        measure "default window, testing" "$testing"
    else
        measure "full screen 1920x1080, idle" "$idle" --fullscreen
        measure "full screen 1920x1080, testing" "$testing" --fullscreen
    fi
    exit 0
fi

mkdir -p "$(dirname "$out")"
{
    echo "# bench/ui/desktop-cpu.sh --seconds $seconds ($(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores)"
    for layout in window fullscreen; do
        size=1280x1024x24
        [[ $layout == fullscreen ]] && size=1920x1080x24
        VANTREL_BENCH_STAGE=inner VANTREL_BENCH_LAYOUT=$layout VANTREL_DISPLAY_SCREEN=$size \
            scripts/with-display "$(realpath "$0")" --build "$build" --seconds "$seconds"
    done
} | tee "$out"
