#!/usr/bin/env bash
# tools/fetch-libvips.sh: brings the libvips packages pinned in tools/libvips/pins into
# deps/libvips-<version>/<folder> at the top of the repository, and prints that
# deps/libvips-<version> folder on standard output (everything else goes to standard error).
#
# Each tarball comes from `npm pack NAME@VERSION` and is checked against its pinned sha512
# before anything is unpacked; a mismatch stops the run and leaves the old folder alone.
# A stamp in the folder records what was fetched, so a second run fetches nothing.
#   tools/fetch-libvips.sh            fetch when needed, print the folder
#   tools/fetch-libvips.sh --check    print the folder when it is complete, fail otherwise
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
pins=$top/tools/libvips/pins

die() { echo "fetch-libvips: $*" >&2; exit 1; }

names=() versions=() folders=() integrities=()
while read -r name version folder integrity rest; do
  case "$name" in '' | '#'*) continue ;; esac
  if [ -z "$integrity" ] || [ -n "$rest" ] || [ "${integrity#sha512-}" = "$integrity" ]; then
    die "$pins: expected 'package version folder sha512-...', got: $name $version $folder $integrity $rest"
  fi
  names+=("$name") versions+=("$version") folders+=("$folder") integrities+=("$integrity")
done <"$pins"
[ ${#names[@]} -gt 0 ] || die "$pins names no package"

dest=$top/deps/libvips-${versions[0]}
stamp=$dest/.fetched
want=""
for i in "${!names[@]}"; do
  want+="${names[$i]} ${versions[$i]} ${folders[$i]} ${integrities[$i]}"$'\n'
done

is_complete() { [ -f "$stamp" ] && [ "$(cat "$stamp")"$'\n' = "$want" ]; }

if [ "${1:-}" = "--check" ]; then
  is_complete || die "$dest is missing or out of date: run tools/fetch-libvips.sh"
  echo "$dest"
  exit 0
fi
if is_complete; then
  echo "$dest"
  exit 0
fi

command -v npm >/dev/null || die "npm is needed to fetch libvips (tools/setup.sh installs it)"
mkdir -p "$top/deps"
# Two runs at once (make setup and a configure, say) take turns.
exec 9>"$top/deps/.libvips.lock"
flock 9
if is_complete; then
  echo "$dest"
  exit 0
fi

work=$(mktemp -d "$top/deps/.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/out"

for i in "${!names[@]}"; do
  package="${names[$i]}@${versions[$i]}"
  folder=${folders[$i]}
  echo "fetch-libvips: fetching $package" >&2
  mkdir "$work/$folder.tgz.d"
  # A cache of its own: nothing is left in the home folder, and a run works without one.
  npm pack "$package" --pack-destination "$work/$folder.tgz.d" --cache "$work/npm-cache" \
    --ignore-scripts --no-update-notifier --no-fund --no-audit --loglevel=error >/dev/null ||
    die "npm pack $package failed"
  tarballs=("$work/$folder.tgz.d"/*.tgz)
  if [ ${#tarballs[@]} -ne 1 ] || [ ! -f "${tarballs[0]}" ]; then
    die "npm pack $package left no single tarball"
  fi
  tarball=${tarballs[0]}

  # The pin is base64 (npm's form); sha512sum prints hex. Compare both as hex.
  expected=$(printf '%s' "${integrities[$i]#sha512-}" | base64 -d | od -An -v -tx1 | tr -d ' \n')
  actual=$(sha512sum "$tarball" | cut -d' ' -f1)
  if [ ${#expected} -ne 128 ] || [ "$expected" != "$actual" ]; then
    actual_b64=$(printf '%s' "$actual" | sed 's/../\\x&/g' | xargs -0 printf '%b' | base64 -w0)
    echo "fetch-libvips: CHECKSUM MISMATCH for $package" >&2
    echo "fetch-libvips:   pinned   ${integrities[$i]}" >&2
    echo "fetch-libvips:   received sha512-$actual_b64" >&2
    die "refusing to unpack $package; nothing was changed in deps/"
  fi

  mkdir "$work/$folder.x"
  tar -xzf "$tarball" -C "$work/$folder.x" --no-same-owner --no-same-permissions ||
    die "unpacking $package failed"
  [ -d "$work/$folder.x/package" ] || die "$package has no package/ folder"
  mv "$work/$folder.x/package" "$work/out/$folder"
done

printf '%s' "$want" >"$work/out/.fetched"
rm -rf "$dest"
mv "$work/out" "$dest"
# Folders of earlier pins are of no further use.
for old in "$top/deps"/libvips-*; do
  if [ "$old" != "$dest" ] && [ -d "$old" ]; then rm -rf "$old"; fi
done
echo "fetch-libvips: libvips packages are in $dest" >&2
echo "$dest"
