# Shared by build-windows and test-windows; sourced, not run.
# The third-party parts of the Windows version (Qt, espeak-ng, libsoxr) are built from Debian's
# source packages once, and kept outside the checkout: each in a folder of the cache named by
# its source version and a digest of how it was built, so a change of either builds it anew
# and an unchanged one is never built twice.

windows_cache=${MULO_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/mulo-windows}
windows_toolchain=$root/packaging/windows/mingw-w64.cmake
windows_build_dir=${MULO_WINDOWS_BUILD_DIR:-$root/build-windows}

# The source packages, at whatever revision the archive offers today (stable suites move, and
# an old revision can no longer be fetched): Qt at the source version of the host's own tools,
# which QT_HOST_PATH must match; espeak-ng from trixie, whose CMake build knows MinGW;
# libsoxr from the machine's own suite.
machine_suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
qt_source() { echo "qt6-base=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)"; }
espeak_source=espeak-ng/trixie
soxr_source=libsoxr/$machine_suite

windows_packages=(
  cmake ninja-build g++ pkg-config dpkg-dev xz-utils
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  g++-mingw-w64-x86-64-posix nsis python3 imagemagick fonts-wqy-microhei
)

run_privileged() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# apt-get source needs deb-src entries: the same archives and suites the machine installs
# from (its security updates included), and trixie for espeak-ng.
ensure_source_entries() {
  local list=/etc/apt/sources.list.d/mulo-windows-sources.sources entries
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    entries=$(sed 's/^Types: *deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources)
  else
    entries=$(printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\nTypes: deb-src\nURIs: http://deb.debian.org/debian-security\nSuites: %s-security\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg' \
      "$machine_suite" "$machine_suite" "$machine_suite")
  fi
  entries+=$(printf '\n\nTypes: deb-src\nURIs: http://deb.debian.org/debian\nSuites: trixie\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg')
  if [[ ! -f $list || $(cat "$list") != "$entries" ]]; then
    printf '%s\n' "$entries" | run_privileged tee "$list" >/dev/null
    run_privileged apt-get update -q >/dev/null || true
  fi
}

# Prints the version without epoch that the archive offers for a source request
# (name=version or name/suite), refreshing the archive's index once if it knows none.
source_version() {
  local request=$1 dsc
  ensure_source_entries
  for attempt in 1 2; do
    dsc=$(apt-get source --print-uris -q "$request" 2>/dev/null | awk '$2 ~ /\.dsc$/ { print $2; exit }')
    [[ -n $dsc ]] && break
    ((attempt == 1)) && run_privileged apt-get update -q >/dev/null 2>&1
  done
  [[ -n $dsc ]] || return 1
  dsc=${dsc%.dsc}
  echo "${dsc#*_}"
}

# Says in one line which source could not be had, and fails: $1 as asked for (name=version
# or name/suite).
source_missing() {
  local request=$1 suite=$machine_suite version=${1#*=}
  [[ $request == */* ]] && suite=${request#*/} version="the newest"
  echo "Cannot fetch the Debian source package ${request%%[=/]*} ($version, suite $suite) from the archive; check the network and apt's deb-src entries" >&2
  return 1
}

# Unpacks a source package, $1 its name and $2 its version, into $3 (made anew) with
# Debian's patches, but those named in $4 (a space-separated list). It is downloaded into
# the cache once; dpkg-source checks every file against the checksums the .dsc lists, so
# a download cut off halfway is fetched again rather than trusted.
unpack_source() {
  local name=$1 version=$2 into=$3 skipped=" ${4:-} " sources=$windows_cache/sources
  local dsc=$sources/${name}_$version.dsc
  mkdir -p "$sources"
  rm -rf "$into" && mkdir -p "$(dirname "$into")"
  if ! [[ -f $dsc ]] || ! dpkg-source -q --skip-patches -x "$dsc" "$into" >/dev/null 2>&1; then
    rm -rf "$into"
    rm -f "$sources/${name}_$version".* "$sources/${name}_${version%-*}".orig*
    (cd "$sources" && apt-get source --download-only -q "$name=$version" >/dev/null 2>&1) ||
      source_missing "$name=$version" || return 1
    dpkg-source -q --skip-patches -x "$dsc" "$into" >/dev/null 2>&1 ||
      { echo "The Debian source package $name $version does not unpack" >&2; return 1; }
  fi
  # Debian's patch series, as dpkg-source applies it, less the patches a Windows build
  # cannot take (each is named, with its reason, by its part's recipe).
  local series=$into/debian/patches/series patch options
  [[ -f $series ]] || return 0
  while read -r patch options; do
    [[ -z $patch || $patch == \#* ]] && continue
    [[ $skipped == *" $patch "* ]] && continue
    patch -d "$into" -s -N ${options:--p1} -i "$into/debian/patches/$patch" ||
      { echo "Debian's patch $patch does not apply to $name $version" >&2; return 1; }
  done <"$series"
}

# The cache folder for a part: named by the source version fetched and a digest of the recipe
# that builds it (the function's own text, the patches it leaves out, the toolchain file and
# the compiler's version).
part_prefix() {
  local name=$1 version=$2 recipe=$3 skipped=$4
  local digest
  digest=$( { declare -f "$recipe"; echo "$skipped"; cat "$windows_toolchain"; x86_64-w64-mingw32-g++-posix --version | head -1; } |
    sha256sum | cut -c1-12)
  echo "$windows_cache/$name-$version-$digest"
}

# The cache may be restored elsewhere: pkg-config files find their prefix from where they
# lie, and qmake's records of the folders Qt was built in (only CMake builds with it here)
# are dropped. Qt's CMake files find their own place.
make_relocatable() {
  local prefix=$1
  find "$prefix" -name '*.pc' -exec sed -i "s|$prefix|\${pcfiledir}/../..|g" {} +
  find "$prefix" \( -name '*.prl' -o -name 'qt_ext_*.pri' -o -name target_qt.conf \) -delete
}

# Builds a part with its recipe unless the cache has it; a part half built is built again.
# $2 asks for the source (name=version or name/suite), $4 names the Debian patches left out.
ensure_part() {
  local name=$1 request=$2 recipe=$3 skipped=${4:-} package=${2%%[=/]*} version prefix
  version=$(source_version "$request") || source_missing "$request" || return 1
  prefix=$(part_prefix "$name" "$version" "$recipe" "$skipped")
  [[ -f $prefix/.complete ]] && { make_relocatable "$prefix"; echo "$prefix"; return 0; }
  local work=$windows_cache/work/$name
  echo "Building $name $version for Windows, once (it is kept in $windows_cache)" >&2
  rm -rf "$prefix" && mkdir -p "$prefix"
  unpack_source "$package" "$version" "$work/src" "$skipped" || { rm -rf "$prefix"; return 1; }
  # In a process of its own, so that its first failing step stops it (a function called
  # as the left side of || would carry on past failures).
  ( set -e; "$recipe" "$work/src" "$work/build" "$prefix" ) >"$work.log" 2>&1 &
  wait $! || { echo "Building $name failed; the log is $work.log" >&2; tail -20 "$work.log" >&2; rm -rf "$prefix"; return 1; }
  make_relocatable "$prefix"
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
  printf 'prefix=%s\nName: soxr\nDescription: resampler\nVersion: %s\nLibs: -L${prefix}/lib -lsoxr\nCflags: -I${prefix}/include\n' \
    "$prefix" "$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version | sed 's/-[^-]*$//')" >"$prefix/lib/pkgconfig/soxr.pc"
  mkdir -p "$prefix/share" && cp "$src/debian/copyright" "$prefix/share/soxr-copyright"
}

# Sets qt_prefix, espeak_prefix and soxr_prefix, building what the cache lacks.
ensure_third_party() {
  qt_prefix=$(ensure_part qt "$(qt_source)" build_qt) || return 1
  espeak_prefix=$(ensure_part espeak-ng "$espeak_source" build_espeak) || return 1
  soxr_prefix=$(ensure_part soxr "$soxr_source" build_soxr) || return 1
}
