#!/usr/bin/env bash
# CPU share and peak memory of the desktop host (the GTK window under Xvfb,
# Cairo rendering) over a measured stretch of real time, idle and while the
# pixel test runs (the square flashing, the pulse animating), against the
# demo ad service.
#
#   bench/ui/desktop-cpu.sh [--build DIR] [--before DIR] [--seconds N] [--out FILE]
#
# Cases: the default window on a 1280 × 1024 display (idle, testing, and
# testing with the animated gradient banner showing), then full screen on a
# 1920 × 1080 and on a 3840 × 2160 display. With --before, each case runs
# with the vantrel of that build directory and then with this one, one after
# the other, so both see the same load on the machine. Writes a table to FILE
# (default bench/results/desktop-cpu.txt). The share is the app's user +
# system time over the wall time measured, in per cent of one core; the peak
# is the app's peak resident memory at the end of the case.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
build=build
before=
seconds=20
out=bench/results/desktop-cpu.txt
while [[ $# -gt 0 ]]; do
    case "$1" in
        --build) build=$2; shift ;;
        --before) before=$2; shift ;;
        --seconds) seconds=$2; shift ;;
        --out) out=$2; shift ;;
        *) echo "desktop-cpu: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
build=$(realpath "$build")
[[ -n "$before" ]] && before=$(realpath "$before")

# One case, inside the display: the build whose vantrel runs, the case's
# name, the scenario folder, its script, then vantrel's extra options.
# Prints "name<TAB>build<TAB>cpu%<TAB>peak KiB".
measure() {
    local app_build=$1 name=$2 scenario=$3 script=$4
    shift 4
    local work
    work=$(mktemp -d)
    "$build/server/pellar-demo-server" --port 0 --scenario "$scenario" >"$work/server" &
    local server=$!
    for _ in $(seq 100); do [[ -s "$work/server" ]] && break; sleep 0.05; done
    local base
    base=$(head -1 "$work/server")
    printf '%s' "$script" >"$work/script"
    PELLAR_AD_SERVER="$base/ad_request" PELLAR_MEDIA_HOST="$base" \
        "$app_build/app/vantrel" --data-dir "$work/data" --script "$work/script" "$@" >/dev/null 2>&1 &
    local app=$!
    # Let the window come up, the warning go and the first ad arrive.
    sleep 4
    local ticks start end
    ticks=$(getconf CLK_TCK)
    cpu() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
    start=$(cpu)
    local t0 t1 peak
    t0=$(date +%s.%N)
    sleep "$seconds"
    end=$(cpu)
    t1=$(date +%s.%N)
    peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$app/status")
    kill "$app" "$server" 2>/dev/null || true
    wait "$app" "$server" 2>/dev/null || true
    rm -rf "$work"
    awk -v name="$name" -v which="$app_build" -v a="$start" -v b="$end" -v t0="$t0" -v t1="$t1" -v hz="$ticks" \
        -v peak="$peak" 'BEGIN { printf "%s\t%s\t%.1f\t%d\n", name, which, 100 * (b - a) / hz / (t1 - t0), peak }'
}

# Each case with the build before, then with this one.
both() {
    [[ -n "$before" ]] && measure "$before" "$@"
    measure "$build" "$@"
}

if [[ "${VANTREL_BENCH_STAGE:-}" == inner ]]; then
    default=server/scenarios/default
    # The warning's button is Return; Space starts the test.
    idle=$'key Return\nwait 600\n'
    testing=$'key Return\nkey space\nwait 600\n'
    case "$VANTREL_BENCH_LAYOUT" in
        window)
            both "default window, idle" "$default" "$idle"
            both "default window, testing" "$default" "$testing"
            both "default window, testing, gradient banner" "$VANTREL_BENCH_FLEX" "$testing"
            ;;
        *)
            both "full screen $VANTREL_BENCH_LAYOUT, idle" "$default" "$idle" --fullscreen
            both "full screen $VANTREL_BENCH_LAYOUT, testing" "$default" "$testing" --fullscreen
            ;;
    esac
    exit 0
fi

# A scenario whose every ad is the demo's animated gradient banner.
flex=$(mktemp -d)
trap 'rm -rf "$flex"' EXIT
cp -r server/scenarios/default/. "$flex"
python3 - "$flex/scenario.json" <<'EOF'
import json, sys
path = sys.argv[1]
scenario = json.load(open(path))
ads = scenario["routes"]["/ad_request"]["rotate"]
scenario["routes"]["/ad_request"] = next(ad for ad in ads if "flex-doctor" in ad["json"].get("jsonp_url", ""))
json.dump(scenario, open(path, "w"))
EOF

raw=$(mktemp)
for layout in window 1920x1080 3840x2160; do
    size=1280x1024x24
    [[ $layout != window ]] && size=${layout}x24
    VANTREL_BENCH_STAGE=inner VANTREL_BENCH_LAYOUT=$layout VANTREL_BENCH_FLEX=$flex VANTREL_DISPLAY_SCREEN=$size \
        scripts/with-display "$(realpath "$0")" --build "$build" ${before:+--before "$before"} --seconds "$seconds" \
        | tee -a "$raw" >&2
done

mkdir -p "$(dirname "$out")"
{
    echo "# bench/ui/desktop-cpu.sh --seconds $seconds${before:+ --before $before}"
    echo "# $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
    echo "# CPU: per cent of one core over ${seconds} s; peak: the app's peak resident memory."
    echo "#"
    awk -F'\t' -v before="$before" -v after="$build" '
        !($1 in seen) { seen[$1] = 1; order[++n] = $1 }
        $2 == before { bcpu[$1] = $3; bpeak[$1] = $4 }
        $2 == after { acpu[$1] = $3; apeak[$1] = $4 }
        END {
            if (before != "")
                printf "%-44s %10s %10s %12s %12s\n", "case", "cpu before", "cpu after", "peak before", "peak after"
            else
                printf "%-44s %10s %12s\n", "case", "cpu", "peak"
            for (i = 1; i <= n; ++i) {
                c = order[i]
                if (before != "")
                    printf "%-44s %8.1f %% %8.1f %% %8.1f MiB %8.1f MiB\n", c, bcpu[c], acpu[c], bpeak[c] / 1024, apeak[c] / 1024
                else
                    printf "%-44s %8.1f %% %8.1f MiB\n", c, acpu[c], apeak[c] / 1024
            }
        }' "$raw"
} | tee "$out"
rm -f "$raw"
