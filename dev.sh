#!/usr/bin/env bash
# One entry point for people and CI:
#   ./dev.sh run     install what is missing, build, start the window
#   ./dev.sh test    install what is missing, build, run every test
#                    (normal, AddressSanitizer + UndefinedBehaviorSanitizer,
#                    ThreadSanitizer for the threaded code), and check that
#                    the optimised build with the benchmarks compiles cleanly
#   ./dev.sh bench   optimised build, then the benchmarks
#   ./dev.sh web     install what is missing, build the web page into build-web/
#   ./dev.sh web serve   serve build-web/ on http://localhost:8080/
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev libx11-dev zlib1g-dev
          libpng-dev libgif-dev nlohmann-json3-dev libgettextpo-dev gettext clang libclang-rt-14-dev
          xvfb xauth xdotool x11-utils)
# The web page's compiler and the browser that its test drives.
web_packages=(emscripten node-acorn chromium chromium-driver python3-selenium python3-pil)

install_missing() {
  local missing=()
  for p in "${packages[@]}" "$@"; do
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

# Debian's em++ finds its JavaScript parser only through NODE_PATH.
build_web() {
  export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
  emcmake cmake -S web -B build-emscripten -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-emscripten
}

run_tests() {
  ctest --preset "$1"
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
    install_missing "${web_packages[@]}"
    build dev
    # The browser test in the normal run compares the page with the runner.
    build_web
    run_tests dev
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
  web)
    if [ "${2:-}" = serve ]; then
      if [ ! -f build-web/index.html ]; then
        echo "No web build in build-web/: run ./dev.sh web first." >&2
        exit 2
      fi
      echo "Serving the panel on http://localhost:8080/ (Ctrl+C stops)"
      exec python3 -m http.server 8080 --bind 127.0.0.1 --directory build-web
    fi
    install_missing "${web_packages[@]}"
    build_web
    echo "The page is in build-web/; ./dev.sh web serve shows it on http://localhost:8080/"
    ;;
  *)
    echo "usage: $0 run|test|bench|web [serve]" >&2
    exit 2
    ;;
esac
