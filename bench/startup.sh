#!/usr/bin/env bash
# Start-up of the program against the reference program (bench/startup_reference.cpp),
# each from exec to its first painted frame.
#   bench/startup.sh [build folder] [runs] [platforms...]
#   (default: build 21 xcb offscreen; xcb runs on a private Xvfb)
# The two programs run alternately, in alternating order, after one warm-up
# each; each run prints the wall-clock time of its first frame (see
# src/app/first_frame.h), taken against the time just before exec. Prints
# per platform the median of each program and, last, the median of the
# per-pair ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-21}
shift 2 || shift $# # the rest names the platforms
platforms=("$@")
[[ ${#platforms[@]} -gt 0 ]] || platforms=(xcb offscreen)
export LC_ALL=C CATALOGUE_FIRST_FRAME=1
catalogue=$build/bin/catalogue
reference=$build/bin/startup_reference
for p in "$catalogue" "$reference"; do
  [[ -x $p ]] || { echo "missing $p: build first" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb=
cleanup() {
  [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Microseconds from exec to the first frame of one run of program $1. A
# program that never reports is ended after 30 s by a watchdog.
first_frame_us() {
  local out start frame
  out=$(
    self=$BASHPID
    (sleep 30 && kill -9 "$self") >/dev/null 2>&1 &
    echo "watchdog $!"
    echo "exec ${EPOCHREALTIME/./}"
    exec "$1" 2>/dev/null
  ) || true
  kill "$(awk '$1 == "watchdog" {print $2}' <<<"$out")" 2>/dev/null || true
  start=$(awk '$1 == "exec" {print $2}' <<<"$out")
  frame=$(awk '$1 == "first-frame" {print $2}' <<<"$out")
  [[ -n $frame ]] || { echo "$1 reported no first frame" >&2; exit 1; }
  echo $((frame - start))
}

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

summary=()
for platform in "${platforms[@]}"; do
  if [[ $platform == xcb ]]; then
    if [[ -z $xvfb ]]; then
      # A display of its own: -displayfd names the first free one.
      Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
      xvfb=$!
      for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.05; done
      [[ -s $work/display ]] || { echo "Xvfb did not start" >&2; exit 1; }
    fi
    export DISPLAY=:$(cat "$work/display")
  fi
  export QT_QPA_PLATFORM=$platform
  first_frame_us "$reference" >/dev/null
  first_frame_us "$catalogue" >/dev/null
  : >"$work/ref" && : >"$work/cat" && : >"$work/ratio"
  for ((i = 0; i < runs; i++)); do
    if ((i % 2)); then
      c=$(first_frame_us "$catalogue"); r=$(first_frame_us "$reference")
    else
      r=$(first_frame_us "$reference"); c=$(first_frame_us "$catalogue")
    fi
    echo "$r" >>"$work/ref"; echo "$c" >>"$work/cat"
    awk -v c="$c" -v r="$r" 'BEGIN {print c / r}' >>"$work/ratio"
  done
  summary+=("$(printf '%-10s %9.1f ms %9.1f ms %7.2fx' "$platform" \
    "$(median <"$work/ref" | awk '{print $1 / 1000}')" \
    "$(median <"$work/cat" | awk '{print $1 / 1000}')" \
    "$(median <"$work/ratio")")")
done
printf '%-10s %12s %12s %8s\n' platform reference catalogue ratio
printf '%s\n' "${summary[@]}"
