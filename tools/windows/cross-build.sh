#!/usr/bin/env bash
# Cross-builds the Windows program on Debian or Ubuntu with mingw-w64:
#
#   tools/windows/cross-build.sh [JOBS [WERROR [PAGES_DIR]]]
#                                 (./setup.sh windows and ./setup.sh release run it)
#
# 1. freeglut for Windows, once: the distribution's own freeglut source
#    package, fetched through a private apt state in build-windows/freeglut/apt
#    (the system's binary sources turned into deb-src entries; nothing
#    system-wide changes), cross-built static and installed into
#    build-windows/freeglut/prefix with its licence text.
# 2. The demo against it, linked statically: build-windows/materials-lights.exe
#    and build-windows/materials-lights-<version>-windows-x64.zip, with the
#    two web pages built in PAGES_DIR when that is given.
#
# Whatever fails leaves nothing that looks complete: the freeglut prefix is
# marked done only at the very end of its build, and the program and the zip
# are removed before they are built again.
set -euo pipefail
cd "$(dirname "$0")/../.."

jobs=${1:-2}
werror=${2:-OFF}
pages=${3:-}
out=build-windows
freeglut=$PWD/$out/freeglut
prefix=$freeglut/prefix
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake

# Writes into DIR the system's binary package entries for this release (its
# codename and codename-updates, -security, ...) as deb-src entries: deb822
# .sources paragraphs to DIR/deb-src.sources, one-line entries to
# DIR/deb-src.list. Other repositories are left out: most publish no source
# packages.
write_deb_src_entries() {
  local dir=$1 codename list parts f
  : > "$dir/deb-src.sources"
  : > "$dir/deb-src.list"
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -z "$codename" ]; then
    echo "cross-build: no VERSION_CODENAME in /etc/os-release" >&2
    return 1
  fi
  list=/etc/apt/sources.list parts=/etc/apt/sources.list.d
  eval "$(apt-config shell list Dir::Etc::sourcelist/f parts Dir::Etc::sourceparts/d)"
  for f in "$parts"/*.sources; do
    [ -f "$f" ] || continue
    awk -v codename="$codename" '
      BEGIN { RS = ""; ORS = "\n\n" }
      {
        n = split($0, lines, "\n"); types = 0; enabled = 1; suites = ""; out = ""
        for (i = 1; i <= n; i++) {
          line = lines[i]
          if (line ~ /^Types:/ && line ~ /[: ]deb( |$)/) { types = 1; line = "Types: deb-src" }
          if (line ~ /^Enabled:[ \t]*no/) enabled = 0
          if (line ~ /^Suites:/) {
            m = split(substr(line, 8), s, " ")
            for (j = 1; j <= m; j++)
              if (s[j] == codename || index(s[j], codename "-") == 1) suites = suites " " s[j]
            line = "Suites:" suites
          }
          if (line !~ /^#/) out = out line "\n"
        }
        if (types && enabled && suites != "") printf "%s\n", out
      }' "$f" >> "$dir/deb-src.sources"
  done
  for f in "$list" "$parts"/*.list; do
    [ -f "$f" ] || continue
    awk -v codename="$codename" '
      $1 == "deb" {
        i = 2
        if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
        suite = $(i + 1)
        if (suite == codename || index(suite, codename "-") == 1) { $1 = "deb-src"; print }
      }' "$f" >> "$dir/deb-src.list"
  done
}

build_freeglut() {
  rm -rf "$freeglut"
  mkdir -p "$freeglut/apt/sources.list.d" "$freeglut/apt/lists/partial" \
           "$freeglut/apt/cache/archives/partial" "$freeglut/source"
  write_deb_src_entries "$freeglut/apt/sources.list.d"
  if ! grep -qs deb-src "$freeglut"/apt/sources.list.d/*; then
    echo "cross-build: no apt source of this release to derive a deb-src entry from" >&2
    return 1
  fi
  local apt=(apt-get -q -o Dir::Etc::sourceparts="$freeglut/apt/sources.list.d"
             -o Dir::Etc::sourcelist=/dev/null -o Dir::State::Lists="$freeglut/apt/lists"
             -o Dir::Cache="$freeglut/apt/cache")
  # Run as root, apt hands downloads to its own user, which cannot write
  # here; these files are this build's own, not the system's.
  [ "$(id -u)" -eq 0 ] && apt+=(-o APT::Sandbox::User=root)
  echo "cross-build: fetching freeglut's source package"
  "${apt[@]}" -qq update
  (cd "$freeglut/source" && "${apt[@]}" source --download-only freeglut >/dev/null)
  local tarball
  tarball=$(ls "$freeglut"/source/freeglut_*.orig.tar.* | head -n 1)
  tar -xf "$tarball" -C "$freeglut/source"
  local tree
  tree=$(find "$freeglut/source" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*' | head -n 1)

  echo "cross-build: building $(basename "$tree") for Windows"
  cmake -S "$tree" -B "$freeglut/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
        -DFREEGLUT_BUILD_DEMOS=OFF >/dev/null
  cmake --build "$freeglut/build" -j "$jobs" >/dev/null
  cmake --install "$freeglut/build" >/dev/null
  # Its licence asks for the notice with every binary: the release zip takes
  # it from here, where MSYS2's freeglut keeps it too.
  install -D -m 644 "$tree/COPYING" "$prefix/share/licenses/freeglut/COPYING"
  touch "$prefix/.complete"
}

[ -f "$prefix/.complete" ] || build_freeglut

rm -f "$out/materials-lights.exe" "$out"/materials-lights-*-windows-x64.zip
cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH="$prefix" \
      -DCMAKE_BUILD_TYPE=Release -DML_WERROR="$werror" -DML_WEB_PAGES_DIR="$pages" >/dev/null
cmake --build "$out" -j "$jobs" --target materials-lights release-zip
ls -l "$out/materials-lights.exe" "$out"/materials-lights-*-windows-x64.zip
