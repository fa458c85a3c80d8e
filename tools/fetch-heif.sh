#!/usr/bin/env bash
# tools/fetch-heif.sh: builds the HEIC decoder (libheif and libde265, from the Debian source
# packages pinned in tools/heif/pins) as two Windows DLLs into
# deps/heif-<libheif upstream version>-de265-<libde265 upstream version>/ at the top of the
# repository, and prints that folder on standard output (everything else goes to standard error).
#   bin/libheif.dll bin/libde265.dll   the DLLs, stripped, with no runtime DLL of their own
#   lib/libheif.dll.a include/libheif/ what the program compiles and links against
#   versions                           "package debian-version" per line, for the notice
#
# The sources come from `apt-get source --download-only`; each file is checked against its
# pinned sha256 before anything is unpacked, and a mismatch stops the run and leaves deps/ as it
# was. Debian's own patches are applied as dpkg-source applies them, then ours
# (tools/heif/libde265-srwlock.patch). The deb-src entries apt needs are made from the
# machine's own apt sources (the entry of Debian 12's main suite, its URIs and keys, for the
# suites the pins name), in /etc/apt/sources.list.d/glimmerset-heif-src.sources.
# A stamp records what was built, so a second run builds nothing.
#   tools/fetch-heif.sh            build when needed, print the folder
#   tools/fetch-heif.sh --check    print the folder when it is complete, fail otherwise
set -eu -o pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
here=$top/tools/heif
pins=$here/pins
patch=$here/libde265-srwlock.patch
src_list=/etc/apt/sources.list.d/glimmerset-heif-src.sources

die() { echo "fetch-heif: $*" >&2; exit 1; }

packages=() versions=() suites=() files=() sums=()
while read -r package version suite file sum rest; do
  case "$package" in '' | '#'*) continue ;; esac
  if [ -n "$rest" ] || ! [[ $sum =~ ^[0-9a-f]{64}$ ]]; then
    die "$pins: expected 'package version suite file sha256', got: $package $version $suite $file $sum $rest"
  fi
  packages+=("$package") versions+=("$version") suites+=("$suite") files+=("$file") sums+=("$sum")
done <"$pins"

version_of() {  # the pinned Debian version of package $1
  local i
  for i in "${!packages[@]}"; do
    if [ "${packages[$i]}" = "$1" ]; then echo "${versions[$i]}"; return; fi
  done
  die "$pins names no $1"
}
upstream() { local v=${1%-*}; echo "${v#*:}"; }
heif_version=$(version_of libheif)
de265_version=$(version_of libde265)
dest=$top/deps/heif-$(upstream "$heif_version")-de265-$(upstream "$de265_version")
stamp=$dest/.built
want="$(grep -v '^#' "$pins" | tr -s ' ')
$(sha256sum "$patch" | cut -d' ' -f1)"

is_complete() { [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; }

if [ "${1:-}" = "--check" ]; then
  is_complete || die "$dest is missing or out of date: run tools/fetch-heif.sh"
  echo "$dest"
  exit 0
fi
if is_complete; then echo "$dest"; exit 0; fi

mkdir -p "$top/deps"
exec 9>"$top/deps/.heif.lock"
flock 9
if is_complete; then echo "$dest"; exit 0; fi

for tool in apt-get dpkg-source cmake ninja patch x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-strip; do
  command -v "$tool" >/dev/null || die "$tool is missing (tools/setup.sh installs what the build needs)"
done
sudo_cmd=""
if [ "$(id -u)" != 0 ]; then sudo_cmd="sudo"; fi

# apt knows a source package's version only from a deb-src entry of a suite that holds it.
has_source() {
  local shown
  shown=$(apt-cache showsrc --only-source "$1" 2>/dev/null) || return 1
  grep -qFx "Version: $2" <<<"$shown"
}
need_sources=0
for i in "${!packages[@]}"; do
  has_source "${packages[$i]}" "${versions[$i]}" || need_sources=1
done
if [ "$need_sources" = 1 ]; then
  wanted_suites=$(printf '%s\n' bookworm "${suites[@]}" | awk '!seen[$0]++' | tr '\n' ' ')
  lists=$(ls /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null | grep -vx "$src_list" || true)
  [ -n "$lists" ] || die "no apt sources to make deb-src entries from"
  # shellcheck disable=SC2086
  entry=$(awk -v BASE=bookworm -v SUITES="${wanted_suites% }" -f "$here/deb-src-entries.awk" $lists)
  [ -n "$entry" ] || die "no apt source serves Debian 12 (bookworm) main; cannot make deb-src entries"
  echo "fetch-heif: adding deb-src entries in $src_list" >&2
  printf '%s\n' "$entry" | $sudo_cmd tee "$src_list" >/dev/null
  $sudo_cmd apt-get update -q >&2
  for i in "${!packages[@]}"; do
    has_source "${packages[$i]}" "${versions[$i]}" ||
      die "apt offers no source of ${packages[$i]} ${versions[$i]} (suite ${suites[$i]})"
  done
fi

work=$(mktemp -d "$top/deps/.heif-build.XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # apt's download user must be able to write here
mkdir "$work/dl" "$work/src" "$work/out"
chmod 777 "$work/dl"

for package in libde265 libheif; do
  version=$(version_of "$package")
  echo "fetch-heif: fetching the source of $package $version" >&2
  (cd "$work/dl" && apt-get source -q --download-only "$package=$version" >&2) ||
    die "apt-get source $package=$version failed"
done
for i in "${!files[@]}"; do
  actual=$(sha256sum "$work/dl/${files[$i]}" 2>/dev/null | cut -d' ' -f1) || actual="(missing)"
  if [ "$actual" != "${sums[$i]}" ]; then
    echo "fetch-heif: CHECKSUM MISMATCH for ${files[$i]}" >&2
    echo "fetch-heif:   pinned   ${sums[$i]}" >&2
    echo "fetch-heif:   received $actual" >&2
    die "refusing to unpack ${packages[$i]}; nothing was changed in deps/"
  fi
done
for package in libde265 libheif; do
  version=$(version_of "$package")
  dpkg-source --no-check -x "$work/dl/${package}_${version#*:}.dsc" "$work/src/$package" >&2 ||
    die "unpacking $package failed"
done
patch -d "$work/src/libde265" -p1 --no-backup-if-mismatch <"$patch" >&2 || die "$patch does not apply"

prefix=$work/out
jobs=$(nproc); [ "$jobs" -le 2 ] || jobs=2
# The runtime inside each DLL (static libgcc, libstdc++ and winpthread), none of it exported;
# nothing from the build machine is looked for but what is built here.
common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DBUILD_TESTING=OFF
  -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86_64
  -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix -DCMAKE_CXX_COMPILER=x86_64-w64-mingw32-g++-posix
  -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres
  "-DCMAKE_FIND_ROOT_PATH=$prefix;/usr/x86_64-w64-mingw32" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER
  -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY
  -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY "-DCMAKE_PREFIX_PATH=$prefix" "-DCMAKE_INSTALL_PREFIX=$prefix"
  "-DCMAKE_C_FLAGS=-D_WIN32_WINNT=0x0601" "-DCMAKE_CXX_FLAGS=-D_WIN32_WINNT=0x0601"
  "-DCMAKE_SHARED_LINKER_FLAGS=-static -static-libgcc -static-libstdc++ -Wl,--exclude-libs,ALL")
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH= PKG_CONFIG_SYSROOT_DIR=

build() {  # build PACKAGE CMAKE-OPTIONS...
  local package=$1; shift
  echo "fetch-heif: building $package" >&2
  cmake -S "$work/src/$package" -B "$work/build-$package" "${common[@]}" "$@" >&2 ||
    die "configuring $package failed"
  cmake --build "$work/build-$package" -j "$jobs" >&2 || die "building $package failed"
  cmake --install "$work/build-$package" >&2 || die "installing $package failed"
}
build libde265 -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
build libheif -DWITH_EXAMPLES=OFF -DENABLE_PLUGIN_LOADING=OFF -DWITH_LIBDE265=ON -DWITH_LIBDE265_PLUGIN=OFF \
  -DWITH_X265=OFF -DWITH_DAV1D=OFF -DWITH_AOM_DECODER=OFF -DWITH_AOM_ENCODER=OFF -DWITH_RAV1E=OFF \
  -DWITH_SvtEnc=OFF -DWITH_GDK_PIXBUF=OFF

for dll in libheif.dll libde265.dll; do
  [ -f "$prefix/bin/$dll" ] || die "the build made no $dll"
  x86_64-w64-mingw32-strip --strip-unneeded "$prefix/bin/$dll"
done
# Each DLL may import from Windows and from the other DLL only.
for dll in libheif.dll libde265.dll; do
  imports=$(x86_64-w64-mingw32-objdump -p "$prefix/bin/$dll" | awk '/DLL Name:/ {print $3}' | tr 'A-Z' 'a-z')
  for name in $imports; do
    case "$name" in
      kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | libde265.dll | api-ms-win-*) ;;
      *) die "$dll imports $name, which would have to ship beside it" ;;
    esac
  done
done
{
  echo "libheif $heif_version"
  echo "libde265 $de265_version"
} >"$prefix/versions"
printf '%s' "$want" >"$prefix/.built"
rm -rf "$dest"
mv "$prefix" "$dest"
for old in "$top/deps"/heif-*; do
  if [ "$old" != "$dest" ] && [ -d "$old" ]; then rm -rf "$old"; fi
done
echo "fetch-heif: libheif.dll and libde265.dll are in $dest/bin" >&2
echo "$dest"
