#!/usr/bin/env bash
# Set-up for a Debian 12 machine.
#   ./setup.sh run    install what is missing, build, start Plotvane
#   ./setup.sh test   install what is missing, build, run every test
# Both are safe to repeat; only missing packages are installed.
set -euo pipefail
cd "$(dirname "$0")"
here=$(pwd)
build=${PLOTVANE_BUILD_DIR:-$here/build}
fuzzbuild=${PLOTVANE_FUZZ_BUILD_DIR:-$here/build-fuzz}
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  libwxgtk3.2-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  libsimpleini-dev libasio-dev libcups2-dev libdxflib-dev
  libhersheyfont-dev hershey-fonts-data
  googletest libgtest-dev libbenchmark-dev gettext
  xvfb xauth x11-utils imagemagick hp2xx
  cups cups-client cups-bsd fonts-noto-cjk
  libpappl-dev cups-ipp-utils curl
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_main() {
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j "$jobs"
}

case "${1:-}" in
  run)
    install_missing
    build_main
    # A first start gets a demo plot folder beside the executable; a
    # Setting.ini that already names a plot folder is left alone.
    if ! grep -qi '^PlotPath=.' "$build/Setting.ini" 2>/dev/null; then
      mkdir -p "$build/demo-plots"
      cp -n "$here"/resources/demo/*.plt "$build/demo-plots/" 2>/dev/null || true
      printf '[Global]\nPlotPath=%s\n' "$build/demo-plots" >> "$build/Setting.ini"
    fi
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No display found: starting under xvfb-run."
      exec xvfb-run -a -s "-screen 0 1280x1024x24" env GDK_BACKEND=x11 "$build/plotvane"
    fi
    exec "$build/plotvane"
    ;;
  test)
    install_missing
    build_main
    exec "$here/tools/run-tests.sh" "$build" "$fuzzbuild"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
