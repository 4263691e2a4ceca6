# Shared by build-windows and test-windows; sourced, not run.
# The third-party parts of the Windows version (Qt, espeak-ng, libsoxr) are built from Debian's
# source packages once, and kept outside the checkout: each in a folder of the cache named by
# its source version and a digest of how it was built, so a change of either builds it anew
# and an unchanged one is never built twice.

windows_cache=${MULO_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/mulo-windows}
windows_toolchain=$root/packaging/windows/mingw-w64.cmake
windows_build_dir=${MULO_WINDOWS_BUILD_DIR:-$root/build-windows}

# The source packages, pinned: Qt as the host's own tools (QT_HOST_PATH must match it);
# espeak-ng from the next release, whose CMake build knows MinGW.
qt_source=qt6-base=6.4.2+dfsg-10
espeak_source=espeak-ng=1.52.0+dfsg-5
soxr_source=libsoxr=0.1.3-4

windows_packages=(
  cmake ninja-build g++ pkg-config dpkg-dev xz-utils
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  g++-mingw-w64-x86-64-posix nsis zip imagemagick fonts-wqy-microhei
)

run_privileged() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# apt-get source needs deb-src entries: for the machine's own suite (Qt, libsoxr) and for
# trixie (espeak-ng 1.52), from the archive the machine already uses.
ensure_source_entries() {
  local list=/etc/apt/sources.list.d/mulo-windows-sources.sources
  [[ -f $list ]] && return 0
  local archive suite
  archive=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
  archive=${archive:-http://deb.debian.org/debian}
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  printf 'Types: deb-src\nURIs: %s\nSuites: %s trixie\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$archive" "$suite" | run_privileged tee "$list" >/dev/null
  run_privileged apt-get update -q >/dev/null
}

# Unpacks a pinned source package into $1 (a fresh folder), downloading it into the cache once.
unpack_source() {
  local into=$1 pinned=$2 sources=$windows_cache/sources
  local name=${pinned%%=*} version=${pinned#*=}
  mkdir -p "$sources"
  if ! compgen -G "$sources/${name}_${version#*:}.dsc" >/dev/null; then
    ensure_source_entries
    (cd "$sources" && apt-get source --download-only -q "$pinned" >/dev/null 2>&1) ||
      { echo "Cannot download the source of $pinned" >&2; return 1; }
  fi
  rm -rf "$into" && mkdir -p "$into"
  local tarball
  tarball=$(ls "$sources/${name}_${version%-*}".orig.tar.* | head -1)
  tar -xf "$tarball" -C "$into" --strip-components=1
  # Debian's packaging beside it, for its copyright file.
  tar -xf "$sources/${name}_${version#*:}".debian.tar.* -C "$into"
}

# The cache folder for a part: named by its source version and a digest of the recipe that
# builds it (the function's own text, the toolchain file and the compiler's version).
part_prefix() {
  local name=$1 pinned=$2 recipe=$3
  local digest
  digest=$( { declare -f "$recipe"; cat "$windows_toolchain"; x86_64-w64-mingw32-g++-posix --version | head -1; } |
    sha256sum | cut -c1-12)
  echo "$windows_cache/$name-${pinned#*=}-$digest"
}

# Builds a part with its recipe unless the cache has it; a part half built is built again.
ensure_part() {
  local name=$1 pinned=$2 recipe=$3 prefix
  prefix=$(part_prefix "$name" "$pinned" "$recipe")
  [[ -f $prefix/.complete ]] && { echo "$prefix"; return 0; }
  local work=$windows_cache/work/$name
  echo "Building $name ${pinned#*=} for Windows, once (it is kept in $windows_cache)" >&2
  rm -rf "$prefix" && mkdir -p "$prefix"
  unpack_source "$work/src" "$pinned"
  # In a process of its own, so that its first failing step stops it (a function called
  # as the left side of || would carry on past failures).
  ( set -e; "$recipe" "$work/src" "$work/build" "$prefix" ) >"$work.log" 2>&1 &
  wait $! || { echo "Building $name failed; the log is $work.log" >&2; tail -20 "$work.log" >&2; rm -rf "$prefix"; return 1; }
  rm -rf "$work" "$work.log"
  touch "$prefix/.complete"
  echo "$prefix"
}

build_qt() {
  local src=$1 build=$2 prefix=$3
  # Core, Gui, Widgets and Test; the windows and offscreen platforms; Qt's own copies of
  # zlib, pcre2, harfbuzz, freetype, libpng and libjpeg. Tablets need wintab, which the
  # source package lacks; without Direct2D 1.1 its separate platform plugin is not built.
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
    -DFEATURE_vulkan=OFF -DFEATURE_direct2d1_1=OFF -DFEATURE_tabletevent=OFF -DFEATURE_gif=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF
  cmake --build "$build" --parallel "$(nproc)"
  cmake --install "$build"
}

build_espeak() {
  local src=$1 build=$2 prefix=$3
  # Without sonic (only for rates far above the program's), whose absence would make the
  # build fetch it from the network.
  local options=(-DUSE_MBROLA=OFF -DUSE_LIBSONIC=OFF -DSONIC_LIB=unused -DSONIC_INC=unused
                 -DUSE_LIBPCAUDIO=OFF -DUSE_ASYNC=OFF -DUSE_KLATT=OFF -DUSE_SPEECHPLAYER=OFF
                 -DBUILD_TESTING=OFF)
  # The library for Windows; the data is the same on every platform, so it is compiled by a
  # build of the same source for this machine: the phonemes, and the Mandarin and English
  # dictionaries (the program's two voices).
  cmake -S "$src" -B "$build/windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}"
  cmake --build "$build/windows" --target espeak-ng espeak-ng-bin
  cmake --install "$build/windows"
  cmake -S "$src" -B "$build/host" -G Ninja -DCMAKE_BUILD_TYPE=Release "${options[@]}"
  cmake --build "$build/host" --target espeak-ng-data/phondata espeak-ng-data/cmn_dict espeak-ng-data/en_dict
  local data=$prefix/share/espeak-ng-data
  rm -rf "$data" && mkdir -p "$data"
  cp -r "$build/host/espeak-ng-data/." "$data/"
  cp "$src/debian/copyright" "$prefix/share/espeak-ng-copyright"
}

build_soxr() {
  local src=$1 build=$2 prefix=$3
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DWITH_OPENMP=OFF -DBUILD_TESTS=OFF \
    -DWITH_LSR_BINDINGS=OFF -DCMAKE_INSTALL_PREFIX="$prefix"
  cmake --build "$build"
  cmake --install "$build"
  # Its build writes no pkg-config file for Windows.
  mkdir -p "$prefix/lib/pkgconfig"
  printf 'prefix=%s\nName: soxr\nDescription: resampler\nVersion: 0.1.3\nLibs: -L${prefix}/lib -lsoxr\nCflags: -I${prefix}/include\n' \
    "$prefix" >"$prefix/lib/pkgconfig/soxr.pc"
  mkdir -p "$prefix/share" && cp "$src/debian/copyright" "$prefix/share/soxr-copyright"
}

# Sets qt_prefix, espeak_prefix and soxr_prefix, building what the cache lacks.
ensure_third_party() {
  qt_prefix=$(ensure_part qt "$qt_source" build_qt) || return 1
  espeak_prefix=$(ensure_part espeak-ng "$espeak_source" build_espeak) || return 1
  soxr_prefix=$(ensure_part soxr "$soxr_source" build_soxr) || return 1
}

# A private Wine prefix, made once per build folder; Wine hides QT_* variables from Windows
# programs, so they are passed as WINEQT_*.
setup_wine() {
  export WINEPREFIX=$windows_build_dir/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    wine wineboot --init >/dev/null 2>&1 || true
  fi
}
