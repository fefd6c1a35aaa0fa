#!/usr/bin/env bash
# One entry point for people and CI:
#   ./dev.sh run     install what is missing, build, start the window
#   ./dev.sh test    install what is missing, build, run every test
#                    (normal, AddressSanitizer + UndefinedBehaviorSanitizer,
#                    ThreadSanitizer for the threaded code), and check that
#                    the optimised build with the benchmarks compiles cleanly
#   ./dev.sh bench   optimised build, then the benchmarks
#   ./dev.sh fuzz [SECONDS]
#                    builds the libFuzzer targets (clang) and runs each for
#                    SECONDS (default 300); ./dev.sh test runs each for 20 s
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev libx11-dev zlib1g-dev
          libpng-dev libgif-dev nlohmann-json3-dev libgettextpo-dev gettext clang libclang-rt-14-dev
          xvfb xauth xdotool x11-utils)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

run_tests() {
  ctest --preset "$1"
}

# Runs every fuzz target for $1 seconds, from the kept corpus and regression
# inputs; what it learns stays in build-fuzz/corpus, crashes in build-fuzz/crashes.
run_fuzzers() {
  local seconds="$1" target status
  for target in interpreter script udp; do
    local inputs=(build-fuzz/corpus/$target)
    mkdir -p "${inputs[0]}" build-fuzz/crashes
    for dir in fuzz/corpus/$target fuzz/regressions/$target; do
      [ -d "$dir" ] && inputs+=("$dir")
    done
    echo "Fuzzing $target for $seconds s"
    status=0
    nice build-fuzz/fuzz_$target -max_total_time="$seconds" -timeout=30 -artifact_prefix="build-fuzz/crashes/$target-" \
      "${inputs[@]}" >"build-fuzz/$target.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
      tail -n 60 "build-fuzz/$target.log" >&2
      echo "fuzz_$target failed (log: build-fuzz/$target.log, input: build-fuzz/crashes/)" >&2
      return 1
    fi
    grep -E '^Done [0-9]+ runs' "build-fuzz/$target.log" || true
  done
}

case "${1:-}" in
  run)
    install_missing
    build dev
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
      echo "No display found: the window needs one. Run it under a virtual display:" >&2
      echo "    xvfb-run -a build/kandorelle" >&2
      exit 2
    fi
    exec build/kandorelle
    ;;
  test)
    install_missing
    build dev
    run_tests dev
    # The optimiser sees more than a debug build; its warnings are errors too.
    build bench
    build asan
    run_tests asan
    build tsan
    run_tests tsan
    build fuzz
    run_fuzzers 20
    ;;
  bench)
    install_missing
    build bench
    for b in build-bench/bench_*; do "$b"; done
    ;;
  fuzz)
    if ! [[ "${2:-300}" =~ ^[1-9][0-9]*$ ]]; then
      echo "usage: $0 fuzz [SECONDS]   (a whole number of seconds per target)" >&2
      exit 2
    fi
    install_missing
    build fuzz
    run_fuzzers "${2:-300}"
    ;;
  *)
    echo "usage: $0 run|test|bench|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
