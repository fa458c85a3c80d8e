# Writes THIRD_PARTY.md, the notice that goes with libvips-42.dll, from the package's own
# versions.json (each library built into the DLL and its version) and package.json.
#   cmake -DPACKAGE_DIR=deps/libvips-X/win32-x64 -DOUTPUT=build/THIRD_PARTY.md -P third-party-notice.cmake
# With -DHEIF_VERSIONS_FILE=deps/heif-X/versions ("package debian-version" lines, as
# tools/fetch-heif.sh writes them) it also names the HEIC decoder's two DLLs.
# The file is rewritten only when its text changes.
cmake_minimum_required(VERSION 3.21)
foreach(var PACKAGE_DIR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "third-party-notice: -D${var}=... is required")
  endif()
endforeach()

file(READ "${PACKAGE_DIR}/versions.json" versions_json)
file(READ "${PACKAGE_DIR}/package.json" package_json)
string(JSON package_name GET "${package_json}" name)
string(JSON package_version GET "${package_json}" version)
string(JSON package_license ERROR_VARIABLE no_license GET "${package_json}" license)
if(no_license)
  set(package_license "see the package's own notice")
endif()
string(JSON vips_version ERROR_VARIABLE no_vips GET "${versions_json}" vips)
if(no_vips)
  message(FATAL_ERROR "third-party-notice: ${PACKAGE_DIR}/versions.json names no vips version")
endif()

# Each name versions.json uses: the library's usual name, then its licence (SPDX where
# there is an identifier). The licences are the libraries' own, as their sources state them.
set(lib_aom           "aom|BSD-2-Clause, with the Alliance for Open Media Patent License 1.0")
set(lib_archive       "libarchive|BSD-2-Clause")
set(lib_cairo         "cairo|LGPL-2.1-only OR MPL-1.1")
set(lib_cgif          "cgif|MIT")
set(lib_exif          "libexif|LGPL-2.1-or-later")
set(lib_expat         "Expat|MIT")
set(lib_ffi           "libffi|MIT")
set(lib_fontconfig    "Fontconfig|MIT-style (Fontconfig's own licence)")
set(lib_freetype      "FreeType|FTL OR GPL-2.0-or-later")
set(lib_fribidi       "GNU FriBidi|LGPL-2.1-or-later")
set(lib_glib          "GLib|LGPL-2.1-or-later")
set(lib_harfbuzz      "HarfBuzz|MIT-style (HarfBuzz's own licence)")
set(lib_heif          "libheif|LGPL-3.0-or-later")
set(lib_highway       "Highway|Apache-2.0 OR BSD-3-Clause")
set(lib_imagequant    "libimagequant|BSD-2-Clause")
set(lib_lcms          "Little CMS|MIT")
set(lib_mozjpeg       "mozjpeg|IJG AND BSD-3-Clause AND Zlib")
set(lib_pango         "Pango|LGPL-2.0-or-later")
set(lib_pixman        "pixman|MIT")
set(lib_png           "libpng|libpng-2.0")
set(lib_proxy-libintl "proxy-libintl|LGPL-2.0-or-later")
set(lib_rsvg          "librsvg|LGPL-2.1-or-later")
set(lib_tiff          "libtiff|libtiff")
set(lib_uhdr          "libultrahdr|Apache-2.0")
set(lib_vips          "libvips|LGPL-2.1-or-later")
set(lib_webp          "libwebp|BSD-3-Clause")
set(lib_xml2          "libxml2|MIT")
set(lib_zlib-ng       "zlib-ng|Zlib")

set(rows "")
string(JSON count LENGTH "${versions_json}")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON key MEMBER "${versions_json}" ${i})
  string(JSON version GET "${versions_json}" "${key}")
  if(DEFINED lib_${key})
    string(REPLACE "|" ";" entry "${lib_${key}}")
    list(GET entry 0 name)
    list(GET entry 1 license)
  else()
    set(name "${key}")
    set(license "see the library's own notice")
  endif()
  string(APPEND rows "| ${name} | ${version} | ${license} |\n")
endforeach()

set(text "# Third-party software

Glimmerset's picture processing uses libvips ${vips_version}. libvips and the libraries
it uses come as one file, `libvips-42.dll`, beside `Glimmerset.exe`: the prebuilt Windows
x64 libvips of the package ${package_name} ${package_version}, distributed as a whole under
${package_license}.

`libvips-42.dll` is a separate file that Glimmerset loads when it starts, and it is not
changed in any way. As the GNU Lesser General Public License asks, you may replace it with
your own build of libvips ${vips_version} or a later 8.x release (a 64-bit `libvips-42.dll`
with the same exported functions); Glimmerset then uses that one.

These libraries are built into `libvips-42.dll`:

| library | version | licence |
|---|---|---|
${rows}
The licence of each library is the one its own sources state. Where a library is licensed
under a version of the GNU LGPL \"or any later version\", the DLL uses it under the terms
given above for the package as a whole.
")

if(DEFINED HEIF_VERSIONS_FILE)
  file(STRINGS "${HEIF_VERSIONS_FILE}" heif_lines)
  set(heif_rows "")
  foreach(line IN LISTS heif_lines)
    string(REGEX MATCH "^([^ ]+) ([^-]+)-(.+)$" matched "${line}")
    if(NOT matched)
      message(FATAL_ERROR "third-party-notice: ${HEIF_VERSIONS_FILE}: expected 'package version', got '${line}'")
    endif()
    set(patch "none")
    if(CMAKE_MATCH_1 STREQUAL "libde265")
      set(patch "`libde265-srwlock.patch`: its locks and condition variables are Windows' slim reader/writer locks and condition variables instead of kernel mutexes and events (decoding only, same pixels)")
    endif()
    string(APPEND heif_rows "| `${CMAKE_MATCH_1}.dll` | ${CMAKE_MATCH_2} | ${CMAKE_MATCH_2}-${CMAKE_MATCH_3} | ${patch} | LGPL-3.0-or-later |\n")
  endforeach()
  string(APPEND text "
## The HEIC decoder

HEIC and HEIF photos are decoded by two more DLLs beside `Glimmerset.exe`, built for Windows
x64 from Debian's source packages (the upstream sources with Debian's own patches) by
`tools/fetch-heif.sh` of Glimmerset's sources, which names every file it uses by its sha256:

| file | version | Debian revision | our patch | licence |
|---|---|---|---|---|
${heif_rows}
Glimmerset loads both as separate files, as the GNU Lesser General Public License asks: you
may replace them with your own builds (64-bit, the same exported functions; `libheif.dll`
imports `libde265.dll`), and Glimmerset then uses those. Our one change, to libde265, is in
Glimmerset's sources as `tools/heif/libde265-srwlock.patch`.
")
endif()

file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
