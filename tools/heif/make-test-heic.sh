#!/usr/bin/env bash
# tools/heif/make-test-heic.sh OUT: the HEIC and HEIF files the tests read, in OUT.
#   IMG_5195.HEIC samplefilehub.heif  the two real photos of tests/data/heic (see its NOTICE.md)
#   ten-bit.heic  ten-bit.png         a 10-bit HEIC made by heif-enc from the 16-bit PNG beside it
#   alpha.heic    alpha.png           an 8-bit HEIC with an alpha channel and a 64-pixel
#                                     thumbnail, from the RGBA PNG
#   avif-named.heic                   an AVIF (of alpha.png) under a HEIC name
#   iphone-160.png                    IMG_5195.HEIC as Debian's vipsthumbnail reads it (through
#                                     Debian's libheif), at 123 x 160 (as fitted into 160 x 160), in sRGB
# The pictures are smooth gradients, drawn by Debian's vips; heif-enc is Debian's
# (libheif-examples). Both run on Linux, at build time.
set -eu -o pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:?usage: make-test-heic.sh OUT}
for tool in vips heif-enc; do
  command -v "$tool" >/dev/null || { echo "make-test-heic: $tool is missing (tools/setup.sh installs it)" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
vips xyz xy.v 96 64
# 16 bits: red along x, green down y, blue flat.
vips linear xy.v wide.v "600 900" "1000 2000"
vips bandjoin_const wide.v rgb.v 30000
vips cast rgb.v rgb16.v ushort
vips copy rgb16.v tagged16.v --interpretation rgb16
vips copy tagged16.v "ten-bit.png[bitdepth=16]"
# 8 bits with alpha: the same gradients, a flat blue and a half-transparent alpha.
vips linear xy.v narrow.v "2 3" "10 20"
vips bandjoin_const narrow.v rgba.v "90 160"
vips cast rgba.v rgba8.v uchar
vips copy rgba8.v alpha.png
heif-enc -q 90 -b 10 -o ten-bit.heic ten-bit.png >/dev/null
heif-enc -q 90 -t 64 -o alpha.heic alpha.png >/dev/null
heif-enc -q 90 -A -o avif-named.heic alpha.png >/dev/null
vipsthumbnail "$repo/tests/data/heic/IMG_5195.HEIC" -s "123x160!" --export-profile srgb -o "$work/iphone-160.png"
cp ten-bit.png ten-bit.heic alpha.png alpha.heic avif-named.heic iphone-160.png "$out/"
cp "$repo/tests/data/heic/IMG_5195.HEIC" "$repo/tests/data/heic/samplefilehub.heif" "$out/"
