#!/usr/bin/env bash
# Set-up for Calorvin on Debian 12, as root or with sudo.
#   scripts/dev.sh run    install what is missing, build, start the program
#   scripts/dev.sh test   install what is missing, build, run every test (what .ci/run runs)
#   scripts/dev.sh web    install what is missing, build the page; its path on the last line
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in run|test|web) ;; *) echo "usage: $0 run|test|web" >&2; exit 2 ;; esac

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# What configuring, building and running the program need (scripts/dev.sh run).
# qt6-base-dev pulls in the rest: Qt's libraries, the xcb platform plugin and
# the OpenGL headers Qt6Gui's CMake files require.
run_packages=(
  build-essential       # g++, make; dpkg-dev: dpkg-shlibdeps names the package's libraries, dpkg-buildflags its hardening
  cmake                 # configure and build (CMake >= 3.25, CMakePresets.json)
  ninja-build           # the presets' generator
  pkg-config            # some of Qt 6's CMake dependency lookups use it
  qt6-base-dev          # Qt 6 Widgets: find_package(Qt6 COMPONENTS Widgets) in ui/
  libfontconfig-dev     # fontconfig, which the program starts on a thread of its own
  qt6-translations-l10n # Qt's own translations, read at run time
)
# The font packages of the window's faces come from the window's description
# (ui/description/look.h): each build lists them in font-packages.txt, and
# build() installs them before the rest is built (running, the tests and the
# page's fonts need them; compiling does not).
# What the tests, fuzz targets, benchmarks and the install check add (scripts/dev.sh test).
test_packages=(
  libgtest-dev          # GoogleTest: find_package(GTest) in tests/
  libbenchmark-dev      # Google Benchmark: find_package(benchmark) in bench/
  libx11-dev            # Xlib, for the start-up benchmark's harness
  libxdamage-dev        # XDamage, for the same harness (time to the first drawing)
  xvfb                  # the X server the start-up benchmark starts
  xauth                 # xvfb-run's cookie, to run the window on Xvfb by hand
  clang                 # the fuzz build's compiler; its libFuzzer comes after (fuzzer_runtime)
  llvm                  # llvm-symbolizer: file and line in sanitizer and fuzzer reports
  locales               # locale-gen, for the it_IT.UTF-8 locale of the decimal comma tests
  desktop-file-utils    # desktop-file-validate, in the install check
  man-db                # groff, which renders the manual page in the install check
  appstream             # appstreamcli, which validates the AppStream metadata in the install check
  lintian               # checks the Debian package (tests/install/check_package.sh)
  file                  # cpack: finds the ELF files dpkg-shlibdeps reads
  poppler-utils         # pdfinfo, pdftotext, pdftoppm: the window tests read the saved PDF back
)

# What the page adds (scripts/dev.sh web; the default tree builds it too where
# emscripten is installed), and its tests (scripts/dev.sh test).
web_packages=(
  emscripten            # em++: the core as WebAssembly; node runs its tests
  fonttools             # subsets the page's fonts (python3-fonttools)
  python3-freetype      # ... and makes their bold and slanted faces as the window's font engine does
)
web_test_packages=(
  chromium              # the page's tests, headless, driven by npm's puppeteer-core (tests/web/package-lock.json)
  firefox-esr           # ... the same, over WebDriver BiDi
  webkit2gtk-driver     # ... in WebKitGTK's MiniBrowser, under Xvfb (xvfb, xauth)
)
# npm installs puppeteer-core (npm ci in tests/web; the start-up benchmark,
# bench/web, uses it too). Debian's npm goes with Debian's node; a node
# installed from elsewhere brings its own npm, which Debian's conflicts with.
command -v npm >/dev/null || web_test_packages+=(npm)

install_missing() { # package...
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# libFuzzer and clang's sanitizer runtimes come in a package named for clang's
# major version (libclang-rt-14-dev on Debian 12): the one of the clang++ that
# the fuzz build uses.
fuzzer_runtime() {
  local major
  major=$(clang++ -dumpversion | cut -d. -f1)
  [[ $major =~ ^[0-9]+$ ]] || { echo "cannot tell clang++'s version (clang++ -dumpversion: $major)" >&2; exit 1; }
  echo "libclang-rt-$major-dev"
}

# The tests check the decimal comma under an Italian locale.
generate_italian_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^it_IT\.utf-\?8$'; then
    echo "== generating the it_IT.UTF-8 locale"
    as_root sed -i 's/^# *\(it_IT.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^it_IT.UTF-8 UTF-8' /etc/locale.gen || echo 'it_IT.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
  fi
}

jobs=$(nproc)

build() { # preset
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs" --target calorvin_font_packages >/dev/null
  local fonts
  mapfile -t fonts < "build/$1/font-packages.txt"
  install_missing "${fonts[@]}"
  cmake --build --preset "$1" -j "$jobs"
}

if [ "$mode" = web ]; then
  install_missing "${run_packages[@]}" "${web_packages[@]}"
  build web
  echo "$PWD/build/web/calorvin.html"
  exit 0
fi

if [ "$mode" = run ]; then
  # build/run: the program alone, without tests or benchmarks, so that their
  # packages are not needed to configure it (and the page, where emscripten
  # is installed).
  install_missing "${run_packages[@]}"
  build run
  exec build/run/ui/calorvin
fi

install_missing "${run_packages[@]}" "${test_packages[@]}" "${web_packages[@]}" "${web_test_packages[@]}"
runtime=$(fuzzer_runtime)
install_missing "$runtime"
generate_italian_locale
build default # with the page, its core tests under node and its tests in Chromium (build/default/web)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# fuzz targets (clang's libFuzzer), each run for a bounded time.
build asan
build fuzz
npm ci --prefix tests/web --no-audit --no-fund --silent # the page's drivers, as the lockfile pins them

# One CTest tree that takes in every build, so the run ends with one summary.
mkdir -p build/all
{
  echo "# Generated by scripts/dev.sh: every build's tests under one summary."
  echo "subdirs(\"$PWD/build/default\")"
  echo "subdirs(\"$PWD/build/asan\")"
  echo "subdirs(\"$PWD/build/fuzz\")"
} > build/all/CTestTestfile.cmake
ctest --test-dir build/all --output-on-failure -j "$jobs" --no-tests=error
