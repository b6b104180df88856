#!/usr/bin/env bash
# Makes the image test files from small patterns with ImageMagick (convert) and netpbm.
# Run once by hand from this folder; the files it makes are committed.
#
# Every file shows one 12 x 7 pattern; the tests compute the same pattern:
#   colour: red 20x, green 36y, blue 255 - 10(x + y)
#   grey:   18x + 6y
#   alpha:  255 - 30y
#   levels: (x + y) mod (maximum + 1), for 2- and 4-bit grey
#   bilevel: black where (x + y) mod 3 == 0
set -euo pipefail
W=12 H=7
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

awk -v w=$W -v h=$H 'BEGIN { print "P3", w, h, 255
  for (y = 0; y < h; y++) for (x = 0; x < w; x++) print 20 * x, 36 * y, 255 - 10 * (x + y) }' > "$tmp/colour.ppm"
awk -v w=$W -v h=$H 'BEGIN { print "P3", w, h, 255
  for (y = 0; y < h; y++) for (x = 0; x < w; x++) print 255 - 20 * x, 255 - 36 * y, 10 * (x + y) }' > "$tmp/inverse.ppm"
awk -v w=$W -v h=$H 'BEGIN { print "P2", w, h, 255
  for (y = 0; y < h; y++) for (x = 0; x < w; x++) print 18 * x + 6 * y }' > "$tmp/grey.pgm"
awk -v w=$W -v h=$H 'BEGIN { print "P2", w, h, 255
  for (y = 0; y < h; y++) for (x = 0; x < w; x++) print 255 - 30 * y }' > "$tmp/alpha.pgm"
for max in 3 15; do
  awk -v w=$W -v h=$H -v m=$max 'BEGIN { print "P2", w, h, m
    for (y = 0; y < h; y++) for (x = 0; x < w; x++) print (x + y) % (m + 1) }' > "$tmp/levels$max.pgm"
done
awk -v w=$W -v h=$H 'BEGIN { print "P1", w, h
  for (y = 0; y < h; y++) for (x = 0; x < w; x++) print ((x + y) % 3 == 0) }' > "$tmp/bilevel.pbm"

rgba() { convert "$tmp/$1" "$tmp/alpha.pgm" -alpha off -compose CopyOpacity -composite "${@:2}"; }

# PNG
convert "$tmp/colour.ppm" png24:rgb.png
rgba colour.ppm png32:rgba.png
convert "$tmp/grey.pgm" -depth 8 -define png:color-type=0 grey.png
convert "$tmp/grey.pgm" -depth 16 -define png:bit-depth=16 -define png:color-type=0 grey16.png
pnmtopng "$tmp/levels3.pgm" > grey2.png
rgba grey.pgm -define png:color-type=4 greyalpha.png
convert "$tmp/colour.ppm" png8:palette.png
convert "$tmp/colour.ppm" -interlace PNG png24:interlaced.png
convert "$tmp/colour.ppm" -units PixelsPerCentimeter -density 37.8 png24:dpi.png

# JPEG
convert "$tmp/colour.ppm" -quality 95 -sampling-factor 1x1 colour.jpg
convert "$tmp/grey.pgm" -quality 95 grey.jpg
convert "$tmp/colour.ppm" -quality 95 -units PixelsPerCentimeter -density 28 dpcm.jpg
convert "$tmp/colour.ppm" -quality 95 -sampling-factor 1x1 -interlace JPEG progressive.jpg
convert "$tmp/colour.ppm" -quality 95 -sampling-factor 1x1 -colorspace CMYK cmyk.jpg

# TIFF
convert "$tmp/colour.ppm" -compress lzw rgb.tif
rgba colour.ppm -compress lzw rgba.tif
rgba colour.ppm -compress lzw -interlace plane rgba-planar.tif
# 16 bits per sample: straight (unassociated) alpha, the same stored premultiplied
# (associated), and straight alpha in separate planes.
rgba colour.ppm -depth 16 -compress lzw rgba16.tif
rgba colour.ppm -depth 16 -compress lzw -define tiff:alpha=associated rgba16-associated.tif
rgba colour.ppm -depth 16 -compress lzw -interlace plane rgba16-planar.tif
convert "$tmp/colour.ppm" -compress lzw -define tiff:tile-geometry=16x16 tiled.tif
pnmtotiff -miniswhite "$tmp/bilevel.pbm" > bilevel.tif
pnmtotiff "$tmp/grey.pgm" > grey.tif
pnmtotiff "$tmp/levels15.pgm" > grey4.tif
pnmtotiff "$tmp/levels3.pgm" > grey2.tif
convert "$tmp/grey.pgm" -depth 16 grey16.tif
pnmtotiff "$tmp/colour.ppm" > palette.tif

# GIF
convert "$tmp/colour.ppm" +dither plain.gif
convert "$tmp/colour.ppm" +dither -interlace GIF interlaced.gif
convert -delay 10 "$tmp/colour.ppm" "$tmp/inverse.ppm" +dither -loop 0 animated.gif
convert "$tmp/colour.ppm" +dither -transparent "rgb(0,0,255)" transparent.gif

# Loading above the codecs: an opaque 32-bit PNG, and two 800 x 600 images (left half
# rgb(200,40,40), right half rgb(40,40,200)) for scaled JPEG decoding and size bounds.
convert "$tmp/colour.ppm" -alpha opaque png32:opaque.png
halves() { convert -size 400x600 'xc:rgb(200,40,40)' -size 400x600 'xc:rgb(40,40,200)' +append +repage "$@"; }
halves -quality 90 -sampling-factor 1x1 large.jpg
halves png24:large.png
