#!/usr/bin/env bash
# One entry point for people and CI:
#   ./dev.sh run     install what is missing, build, start the window
#   ./dev.sh test    install what is missing, build, run every test
#                    (normal, AddressSanitizer + UndefinedBehaviorSanitizer,
#                    ThreadSanitizer for the threaded code), and check that
#                    the optimised build with the benchmarks compiles cleanly
#   ./dev.sh bench   optimised build, then the benchmarks
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

# Each test binary once more as one process, in three shuffled orders (seeds
# N, N+1, N+2): a test that leans on state another test left behind fails
# here. Replay an order with --gtest_shuffle --gtest_random_seed=N.
run_shuffled() {
  local b seed
  for b in panel_tests host_tests window_tests net_tests; do
    [ -x "$1/$b" ] || continue
    seed=$((RANDOM + 1))
    echo "== $b, shuffled with seeds $seed to $((seed + 2))"
    "$1/$b" --gtest_shuffle --gtest_random_seed="$seed" --gtest_repeat=3 --gtest_brief=1
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
    run_shuffled build
    # The optimiser sees more than a debug build; its warnings are errors too.
    build bench
    build asan
    run_tests asan
    build tsan
    run_tests tsan
    ;;
  bench)
    install_missing
    build bench
    for b in build-bench/bench_*; do "$b"; done
    ;;
  *)
    echo "usage: $0 run|test|bench" >&2
    exit 2
    ;;
esac
