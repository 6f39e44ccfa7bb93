#!/usr/bin/env bash
# Sets up and runs the demo on Debian or Ubuntu: installs whatever is
# missing, builds into build/, then starts the demo or runs the tests.
#
#   ./setup.sh         install, build, start the demo
#   ./setup.sh test    install, build, run the whole test suite (headless;
#                      the Windows program's tests under Wine are left out)
#   ./setup.sh windows       install mingw-w64, cross-build the Windows program:
#                            build-windows/materials-lights.exe and its release zip
#   ./setup.sh windows test  the same, then its tests under Wine (ctest -L windows)
#   ./setup.sh web           install Emscripten, build the demo as one web page:
#                            build-web/materials-lights.html
#   ./setup.sh web test      the same, then its tests in headless Chromium (ctest -L web)
#   ./setup.sh release       all of the above built, then in dist/ the Debian package
#                            (materials-lights_<version>_amd64.deb), the Windows zip
#                            with both pages, and SHA256SUMS (docs/release.md)
#   ./setup.sh release test  the same, then the release's tests (ctest -L release)
#   ./setup.sh fuzz [S]      install Clang, build the fuzz targets into build-fuzz/ and
#                            run each for S seconds (default 30; 0: build only)
#
# All are idempotent: with everything present they only rebuild what changed.
set -euo pipefail
cd "$(dirname "$0")"

what=${1:-run}
windows_what=
web_what=
release_what=
fuzz_seconds=30
case "$what" in
  run|test|build) ;;
  windows)
    windows_what=${2:-build}
    case "$windows_what" in
      build|test) ;;
      *) echo "usage: $0 windows [test]" >&2; exit 2 ;;
    esac
    ;;
  web)
    web_what=${2:-build}
    case "$web_what" in
      build|test) ;;
      *) echo "usage: $0 web [test]" >&2; exit 2 ;;
    esac
    ;;
  release)
    release_what=${2:-build}
    case "$release_what" in
      build|test) ;;
      *) echo "usage: $0 release [test]" >&2; exit 2 ;;
    esac
    ;;
  fuzz)
    fuzz_seconds=${2:-30}
    case "$fuzz_seconds" in
      ''|*[!0-9]*) echo "usage: $0 fuzz [SECONDS]" >&2; exit 2 ;;
    esac
    ;;
  -h|--help) sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "usage: $0 [run|test|build|windows [test]|web [test]|release [test]|fuzz [SECONDS]]" >&2; exit 2 ;;
esac

# The dates the build writes into files (manual pages, the changelog, the
# package's and the zip's entries) are the last commit's, so that the same
# sources make the same bytes.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && command -v git >/dev/null 2>&1 &&
   epoch=$(git log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
fi

# Debian package names. The demo needs a compiler, CMake, OpenGL, GLU,
# freeglut and Mesa's software renderer; the command-line tools beside it
# libpng, Xlib and CLI11; the tests add GoogleTest, a virtual X server and
# the XTEST library for real key events, and the benchmarks in bench/ Google
# Benchmark.
build_packages=(g++ cmake make libgl1-mesa-dev libglu1-mesa-dev freeglut3-dev libgl1-mesa-dri
                libpng-dev libx11-dev nlohmann-json3-dev libcli11-dev)
test_packages=(libgtest-dev xvfb xauth libxtst-dev libbenchmark-dev)
# The Windows program: the mingw-w64 cross compiler (its binutils read the
# program's header in the tests), and Wine to run it in the tests.
windows_packages=(g++-mingw-w64-x86-64 cmake make)
windows_test_packages=(wine wine64)
# The web pages: Emscripten (with Debian's clang, binaryen and Node.js),
# nlohmann-json's header, which the lab's explainer reads JSON with, and
# esbuild, which bundles the lab's modules into the page's one script; their
# tests drive Debian's Chromium and compare with the capture tool's frames.
web_packages=(emscripten cmake make nlohmann-json3-dev esbuild)
web_test_packages=(chromium xvfb xauth)
# The release: help2man makes the tools' manual pages, dpkg-dev's
# dpkg-shlibdeps finds the package's dependencies; its tests check the
# package with lintian, devscripts' hardening-check and appstream's
# appstreamcli, and render the manual pages with man.
release_packages=(help2man dpkg-dev)
release_test_packages=(lintian man-db devscripts appstream)
# The fuzz targets: Debian's Clang and its runtimes (libFuzzer, the
# sanitizers), which the compiler package only recommends.
fuzz_packages=(clang-14 libclang-rt-14-dev)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

install_packages() {
  local missing
  if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
    echo "setup.sh: this is not a Debian or Ubuntu system; install the equivalents of: $*" >&2
    echo "then build with: cmake -S . -B build && cmake --build build" >&2
    exit 1
  fi
  missing=$(missing_packages "$@" | tr '\n' ' ')
  [ -z "$missing" ] && return 0
  echo "setup.sh: installing $missing"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "setup.sh: these packages are missing and there is no sudo to install them:" >&2
      echo "  apt-get install $missing" >&2
      echo "run that as root, then run $0 again." >&2
      exit 1
    fi
  fi
  apt_get "${sudo[@]}" -- update -qq
  # shellcheck disable=SC2086
  apt_get "${sudo[@]}" -- install -y -qq --no-install-recommends $missing
}

# apt_get [sudo] -- ARGS...: apt-get ARGS, waiting for apt's locks while
# another apt or dpkg (an unattended upgrade, a second setup.sh) holds them
# instead of failing. DPkg::Lock::Timeout makes apt-get wait for dpkg's
# locks; Debian 12's apt does not wait for the package lists' lock (update)
# nor the download cache's (install) and fails at once, so such a failure is
# retried until the same time is up.
apt_lock_timeout=600
apt_get() {
  local prefix=() err status deadline=$((SECONDS + apt_lock_timeout))
  while [ "$1" != -- ]; do prefix+=("$1"); shift; done
  shift
  err=$(mktemp)
  while true; do
    status=0
    "${prefix[@]}" env DEBIAN_FRONTEND=noninteractive \
      apt-get -o DPkg::Lock::Timeout="$apt_lock_timeout" "$@" 2>"$err" || status=$?
    cat "$err" >&2
    if [ "$status" -ne 0 ] && grep -q 'Could not get lock' "$err" && [ "$SECONDS" -lt "$deadline" ]; then
      echo "setup.sh: apt is in use by another program; trying again in 5 s" >&2
      sleep 5
      continue
    fi
    rm -f "$err"
    return "$status"
  done
}

jobs=$(nproc 2>/dev/null || echo 2)

build() {
  # Warnings are errors in CI, where the compiler is known.
  local werror=OFF tests=OFF
  [ -n "${CI:-}" ] && werror=ON
  [ "$what" = test ] && tests=ON
  # A release keeps the tests of a build that has them, and builds them to
  # be tested.
  if [ "$what" = release ] && { [ "$release_what" = test ] ||
       grep -qs '^ML_BUILD_TESTS:BOOL=ON' build/CMakeCache.txt; }; then
    tests=ON
  fi
  cmake -S . -B build -DML_WERROR="$werror" -DML_BUILD_TESTS="$tests" "$@" >/dev/null
  cmake --build build -j "$jobs"
}

# The pages, build-web/materials-lights.html and materials-lights-lab.html.
build_web() {
  # emcc runs its JavaScript optimiser under node; a node that is not
  # Debian's does not look in Debian's module folder for its acorn.
  export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
  local werror=OFF
  [ -n "${CI:-}" ] && werror=ON
  emcmake cmake -S web -B build-web -DML_WERROR="$werror" >/dev/null
  cmake --build build-web -j "$jobs"
}

# puppeteer-core and pngjs at the versions of tests/web/package-lock.json,
# installed again only when that file changes; no browser is downloaded.
web_test_modules() {
  command -v npm >/dev/null 2>&1 || install_packages npm
  local lock_sum
  lock_sum=$(sha256sum tests/web/package-lock.json | cut -d' ' -f1)
  if [ "$(cat tests/web/node_modules/.lock-sha256 2>/dev/null)" != "$lock_sum" ]; then
    (cd tests/web && npm ci --no-audit --no-fund)
    echo "$lock_sum" > tests/web/node_modules/.lock-sha256
  fi
}

# freeglut for Windows is built from the distribution's own source package,
# which takes apt-get.
need_apt_for_windows() {
  if ! command -v apt-get >/dev/null 2>&1 || ! command -v dpkg-query >/dev/null 2>&1; then
    echo "setup.sh $what: needs Debian or Ubuntu (apt-get); elsewhere install a mingw-w64 cross compiler, CMake, freeglut built for Windows and Wine, or build natively (docs/windows.md)" >&2
    exit 1
  fi
}

if [ "$what" = windows ]; then
  need_apt_for_windows
  if [ "$windows_what" = test ]; then
    install_packages "${build_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}" \
                     "${windows_test_packages[@]}"
  else
    install_packages "${windows_packages[@]}"
  fi
  werror=OFF
  [ -n "${CI:-}" ] && werror=ON
  tools/windows/cross-build.sh "$jobs" "$werror"
  if [ "$windows_what" = test ]; then
    # The Linux build's test suite holds the tests of the Windows program.
    what=test
    build -DML_WINDOWS_EXE="$PWD/build-windows/materials-lights.exe"
    cd build && ctest --output-on-failure -j "$jobs" -L windows
  fi
  exit 0
fi

if [ "$what" = web ]; then
  install_packages "${web_packages[@]}"
  build_web
  echo "setup.sh: the page is build-web/materials-lights.html ($(stat -c %s build-web/materials-lights.html) bytes); open it in a browser"
  if [ "$web_what" = test ]; then
    install_packages "${build_packages[@]}" "${test_packages[@]}" "${web_test_packages[@]}"
    web_test_modules
    what=test
    build -DML_WEB_PAGE="$PWD/build-web/materials-lights.html"
    cd build && ctest --output-on-failure -j "$jobs" -L web
  fi
  exit 0
fi

if [ "$what" = release ]; then
  # Each part in its own build folder, as the commands above leave them (and
  # as CI has built them already): the pages first, which the package and
  # the zip take.
  need_apt_for_windows
  packages=("${build_packages[@]}" "${web_packages[@]}" "${windows_packages[@]}"
            "${release_packages[@]}")
  if [ "$release_what" = test ]; then
    packages+=("${test_packages[@]}" "${web_test_packages[@]}" "${release_test_packages[@]}")
  fi
  install_packages "${packages[@]}"
  build_web
  build -DML_WEB_PAGES_DIR="$PWD/build-web"
  werror=OFF
  [ -n "${CI:-}" ] && werror=ON
  tools/windows/cross-build.sh "$jobs" "$werror" "$PWD/build-web"

  rm -f build/package/*.deb
  cpack --config build/CPackConfig.cmake >/dev/null
  rm -rf dist
  mkdir dist
  cp build/package/materials-lights_*.deb build-windows/materials-lights-*-windows-x64.zip dist/
  (cd dist && sha256sum -- *.deb *.zip > SHA256SUMS)
  echo "setup.sh: the release is in dist/:"
  ls -l dist
  if [ "$release_what" = test ]; then
    web_test_modules
    what=test
    build -DML_RELEASE_DIR="$PWD/dist"
    cd build && ctest --output-on-failure -j "$jobs" -L release
  fi
  exit 0
fi

if [ "$what" = fuzz ]; then
  install_packages "${build_packages[@]}" "${fuzz_packages[@]}"
  werror=OFF
  [ -n "${CI:-}" ] && werror=ON
  cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 \
        -DML_FUZZ=ON -DML_BUILD_TESTS=OFF -DML_BUILD_BENCH=OFF -DML_WERROR="$werror" >/dev/null
  cmake --build build-fuzz -j "$jobs" --target fuzzers
  [ "$fuzz_seconds" = 0 ] && exit 0
  # New inputs go to build-fuzz/corpus/, the first folder; a crash leaves
  # its input in build-fuzz/ and fails the run.
  for target in state options; do
    mkdir -p "build-fuzz/corpus/$target"
    log=build-fuzz/fuzz-$target.log
    if ! build-fuzz/tests/fuzz/ml-fuzz-$target -max_total_time="$fuzz_seconds" -close_fd_mask=3 \
         -artifact_prefix=build-fuzz/ -print_final_stats=1 \
         "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
      tail -n 60 "$log" >&2
      echo "setup.sh: ml-fuzz-$target failed; the input is in build-fuzz/, the log $log" >&2
      exit 1
    fi
    stats=$(grep -E 'stat::(average_exec_per_sec|new_units_added|peak_rss_mb)' "$log" | tr -s ' \n' ' ')
    echo "ml-fuzz-$target: $(grep -E '^Done ' "$log"); $stats"
  done
  exit 0
fi

if [ "$what" = test ]; then
  install_packages "${build_packages[@]}" "${test_packages[@]}"
else
  install_packages "${build_packages[@]}"
fi
build

case "$what" in
  build) ;;
  run)
    if [ -z "${DISPLAY:-}" ]; then
      cat >&2 <<'MSG'
setup.sh: the demo is built (build/materials-lights) but there is no display to open its window on.
  On a desktop, run ./setup.sh from a terminal inside the graphical session.
  Over SSH, connect with "ssh -X" (or -Y) so the window opens on your screen.
  With no screen at all it can still run on a virtual one:
    apt-get install xvfb && xvfb-run -a -s "-screen 0 1280x1024x24" build/materials-lights
MSG
      exit 1
    fi
    exec build/materials-lights
    ;;
  test)
    # Every GL and end-to-end test starts its own private Xvfb server, so
    # the suite needs no display and never touches the caller's one. The
    # Windows program's tests under Wine run with ./setup.sh windows test,
    # the web page's in Chromium with ./setup.sh web test, the release's
    # with ./setup.sh release test.
    cd build && ctest --output-on-failure -j "$jobs" -LE 'windows|web|release'
    ;;
esac
