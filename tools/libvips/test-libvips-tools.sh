#!/usr/bin/env bash
# Checks the libvips plumbing without the network and without Wine:
#   tools/fetch-libvips.sh          with a stand-in npm that hands out local tarballs
#   tools/wine-prefix               installing BUILD/wine-only DLLs into a made-up prefix
#   tools/libvips/third-party-notice.cmake
#   cmake/delay-import-def.cmake   with a stand-in gendef
# Prints "N passed, N failed" and exits non-zero on any failure.
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
passed=0 failed=0
check() { # check "what" command...
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what" >&2; fi
}
integrity() { # npm's form: sha512- and the base64 of the binary digest
  local hex
  hex=$(sha512sum "$1" | cut -d' ' -f1)
  printf 'sha512-%s' "$(printf '%b' "$(printf '%s' "$hex" | sed 's/../\\x&/g')" | base64 -w0)"
}

# --- fetch-libvips.sh -------------------------------------------------------------
top=$t/repo
mkdir -p "$top/tools/libvips" "$t/bin" "$t/tarballs/a/package/lib" "$t/tarballs/b/package/include"
cp "$repo/tools/fetch-libvips.sh" "$top/tools/"
echo dll >"$t/tarballs/a/package/lib/libvips-42.dll"
echo header >"$t/tarballs/b/package/include/vips.h"
tar -czf "$t/tarballs/pkg-a-1.0.0.tgz" -C "$t/tarballs/a" package
tar -czf "$t/tarballs/pkg-b-1.0.0.tgz" -C "$t/tarballs/b" package
# The stand-in npm: `npm pack @x/pkg-a@1.0.0 --pack-destination DIR ...` copies pkg-a-1.0.0.tgz.
cat >"$t/bin/npm" <<'EOF'
#!/usr/bin/env bash
echo "$*" >>"$NPM_CALLS"
wanted=$2; base=${wanted#@x/}; dest=$4
cp "$TARBALLS/${base%@*}-${base#*@}.tgz" "$dest/"
EOF
chmod +x "$t/bin/npm"
export PATH="$t/bin:$PATH" NPM_CALLS=$t/npm-calls TARBALLS=$t/tarballs
good_a=$(integrity "$t/tarballs/pkg-a-1.0.0.tgz") good_b=$(integrity "$t/tarballs/pkg-b-1.0.0.tgz")
write_pins() {
  printf '# comment\n@x/pkg-a 1.0.0 win32-x64 %s\n\n@x/pkg-b 1.0.0 dev %s\n' "$1" "$2" >"$top/tools/libvips/pins"
}
calls() { [ -f "$NPM_CALLS" ] && wc -l <"$NPM_CALLS" || echo 0; }
# shellcheck disable=SC2120 # check passes the arguments
fetch() { "$top/tools/fetch-libvips.sh" "$@"; }

write_pins "$good_a" "$good_b"
check "--check fails before any fetch" bash -c "! '$top/tools/fetch-libvips.sh' --check"
check "first fetch succeeds" fetch
check "first fetch prints the folder" test "$(fetch 2>/dev/null)" = "$top/deps/libvips-1.0.0"
check "both packages are unpacked" test -f "$top/deps/libvips-1.0.0/win32-x64/lib/libvips-42.dll" \
  -a -f "$top/deps/libvips-1.0.0/dev/include/vips.h"
check "npm ran once for each package" test "$(calls)" = 2
fetch >/dev/null 2>&1
check "a second fetch does not run npm" test "$(calls)" = 2
check "--check passes when fetched" fetch --check

# A tarball that does not match its pin is refused and the earlier folder stays.
bad_b=${good_a} # the other package's integrity: well-formed, but wrong for pkg-b
write_pins "$good_a" "$bad_b"
check "a mismatched tarball fails the fetch" bash -c "! '$top/tools/fetch-libvips.sh'"
check "the mismatch is reported" bash -c "'$top/tools/fetch-libvips.sh' 2>&1 | grep -q 'CHECKSUM MISMATCH for @x/pkg-b@1.0.0'"
check "the earlier folder is left as it was" test -f "$top/deps/libvips-1.0.0/dev/include/vips.h"
check "--check reports the pins changed" bash -c "! '$top/tools/fetch-libvips.sh' --check"
check "no scratch folder is left behind" bash -c "! ls -d '$top'/deps/.fetch.* 2>/dev/null"

printf '@x/pkg-a 1.0.0 win32-x64\n' >"$top/tools/libvips/pins"
check "a pin without integrity is an error" bash -c "! '$top/tools/fetch-libvips.sh'"
printf '@x/pkg-a 1.0.0 win32-x64 sha1-abc\n' >"$top/tools/libvips/pins"
check "a pin that is not sha512 is an error" bash -c "! '$top/tools/fetch-libvips.sh'"

# --- wine-prefix ------------------------------------------------------------------
build=$t/build
export WINEPREFIX=$build/wineprefix
sys32=$WINEPREFIX/drive_c/windows/system32
mkdir -p "$sys32" "$build/wine-only"
touch "$WINEPREFIX/system.reg" # an existing prefix: wine-prefix does not start Wine
echo one >"$build/wine-only/bcryptprimitives.dll"
check "wine-prefix installs the DLL into system32" \
  bash -c "'$repo/tools/wine-prefix' && cmp '$build/wine-only/bcryptprimitives.dll' '$sys32/bcryptprimitives.dll'"
touch -d @946684800 "$sys32/bcryptprimitives.dll"
"$repo/tools/wine-prefix"
check "an unchanged DLL is not copied again" test "$(stat -c %Y "$sys32/bcryptprimitives.dll")" = 946684800
echo two >"$build/wine-only/bcryptprimitives.dll"
"$repo/tools/wine-prefix"
check "a rebuilt DLL replaces the installed one" cmp "$build/wine-only/bcryptprimitives.dll" "$sys32/bcryptprimitives.dll"
printf 'MZ%62sWine builtin DLL' '' >"$sys32/bcryptprimitives.dll"
"$repo/tools/wine-prefix"
check "Wine's own DLL is kept" grep -aq 'Wine builtin DLL' "$sys32/bcryptprimitives.dll"
rm -f "$sys32/bcryptprimitives.dll"
mkdir -p "$t/elsewhere/wine-only" && echo three >"$t/elsewhere/wine-only/bcryptprimitives.dll"
"$repo/tools/wine-prefix" "$t/elsewhere"
check "the build folder can be named" grep -q three "$sys32/bcryptprimitives.dll"

# --- third-party-notice.cmake -----------------------------------------------------
mkdir -p "$t/pkg"
printf '{ "name": "@x/pkg-a", "version": "1.0.0", "license": "LGPL-3.0-or-later" }\n' >"$t/pkg/package.json"
printf '{ "glib": "2.80.0", "mozjpeg": "0826579", "vips": "8.18.6", "zzz": "0.1" }\n' >"$t/pkg/versions.json"
notice=$t/THIRD_PARTY.md
check "the notice is written" cmake "-DPACKAGE_DIR=$t/pkg" "-DOUTPUT=$notice" -P "$repo/tools/libvips/third-party-notice.cmake"
check "one row for each library, under the header" test "$(grep -c '^| ' "$notice")" = 5
check "a known library gets its licence" grep -qx '| GLib | 2.80.0 | LGPL-2.1-or-later |' "$notice"
check "an unknown library points to its own notice" grep -qx "| zzz | 0.1 | see the library's own notice |" "$notice"
check "the notice names the package and its licence" grep -q '@x/pkg-a 1.0.0, distributed as a whole under' "$notice"
check "the notice says the DLL can be replaced" grep -q 'you may replace it' "$notice"
printf '{ "glib": "2.80.0" }\n' >"$t/pkg/versions.json"
check "versions.json without vips is an error" \
  bash -c "! cmake '-DPACKAGE_DIR=$t/pkg' '-DOUTPUT=$t/other.md' -P '$repo/tools/libvips/third-party-notice.cmake'"

# --- delay-import-def.cmake -------------------------------------------------------
# The stand-in gendef prints a definition file as gendef does, with runs of data exports.
cat >"$t/bin/gendef" <<'GENDEF'
#!/usr/bin/env bash
[ "$1" = - ] && [ -f "$2" ] || exit 1
printf ';\n; Definition file of libvips-42.dll\n;\nLIBRARY "libvips-42.dll"\nEXPORTS\n'
printf 'g_abort\n__glib_assert_msg DATA\n_vips__argument_id DATA\ng_ascii_table DATA\nvips_init\n'
printf 'g_utf8_skip DATA\nvips_shutdown\nvips_data_end DATA\n'
GENDEF
chmod +x "$t/bin/gendef"
echo dll >"$t/libvips-42.dll"
def=$t/libvips-42.def
check "the definition file is written" \
  cmake "-DGENDEF=$t/bin/gendef" "-DDLL=$t/libvips-42.dll" "-DOUTPUT=$def" -P "$repo/cmake/delay-import-def.cmake"
check "every data export is left out" bash -c "! grep -q DATA '$def'"
check "every function is kept, in order" \
  test "$(grep -v '^;' "$def" | grep .)" = "$(printf 'LIBRARY "libvips-42.dll"\nEXPORTS\ng_abort\nvips_init\nvips_shutdown')"
check "a gendef failure fails the script" \
  bash -c "! cmake '-DGENDEF=$t/bin/gendef' '-DDLL=$t/missing.dll' '-DOUTPUT=$t/x.def' -P '$repo/cmake/delay-import-def.cmake'"

# From an import library: the stand-in nm lists members as nm does; a data export has only
# its __imp_ symbol.
cat >"$t/bin/nm" <<'NM'
#!/usr/bin/env bash
[ -f "${!#}" ] || exit 1
printf '\nd000001.o:\n0000000000000000 T InitCommonControlsEx\n0000000000000000 I __imp_InitCommonControlsEx\n'
printf '\nd000002.o:\n0000000000000000 I __imp_SomeTable\n'
printf '\nd000003.o:\n0000000000000000 T ImageList_Create\n0000000000000000 I __imp_ImageList_Create\n'
printf '\nlibcomctl32t.o:\n0000000000000000 I __lib64_libcomctl32_a_iname\n'
NM
chmod +x "$t/bin/nm"
echo lib >"$t/libcomctl32.a"
check "an import library's functions are kept and its data left out" bash -c "
  cmake '-DNM=$t/bin/nm' '-DIMPORT_LIBRARY=$t/libcomctl32.a' -DDLL_NAME=comctl32.dll '-DOUTPUT=$t/c.def' \
    -P '$repo/cmake/delay-import-def.cmake' &&
  test \"\$(cat '$t/c.def')\" = \"\$(printf 'LIBRARY \"comctl32.dll\"\nEXPORTS\nInitCommonControlsEx\nImageList_Create')\""

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
