#!/usr/bin/env bash
# Installs the system packages Orlet needs to build, test and run.
# Idempotent: only missing packages are installed. Debian 12 (bookworm) or newer.
# Extra package names on the command line are installed too (the packaging
# and icon scripts name the tools only they need).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  python3 # the build makes the core's GBK table with it
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev
  clang-format # make format
  # Every CJK font a Debian desktop commonly has: the window's texts are
  # checked whole in each (DialogFrameTest).
  fonts-wqy-microhei fonts-wqy-zenhei fonts-noto-cjk fonts-arphic-uming fonts-droid-fallback
  sdcc sdcc-ucsim
  xvfb xauth
  locales # a German locale, made by a test, checks numbers keep their point
  groff-base # preconv, for the man pages
  emscripten nlohmann-json3-dev esbuild # make web: the core in the browser page, its script minified
  chromium chromium-driver python3-selenium # the page's tests in headless Chromium
  "$@"
)

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  cat >&2 <<MSG
This script knows Debian and Ubuntu only. On other systems install by hand:
  a C++20 compiler, CMake 3.25+, Ninja, Python 3, Qt 6 (Core, Gui, Widgets, Test) with uic,
  GoogleTest/GoogleMock, Google Benchmark, clang with libFuzzer (the fuzz tests),
  CJK fonts (WenQuanYi Micro Hei and Zen Hei, Noto CJK, AR PL UMing, Droid Sans Fallback),
  SDCC with ucsim (s51) for the firmware tests,
  emscripten, nlohmann/json and esbuild for the browser page (make web),
  Chromium, ChromeDriver and Python's selenium for the page's tests.
MSG
  exit 1
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
