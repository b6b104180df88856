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

# The decoders of the formats read without a library. Opaque files whose tool changes the
# colours on the way (5-bit channels, HAM, JPEG) get the tool's own decode beside them, as
# <file>.ppm.
decoded() { convert "$1" -depth 8 ppm:"$1.ppm"; }

# BMP: 24 bits, 8 bits plain and run-length, 4 and 1 bits, 16 bits of both layouts and
# 32 bits with alpha (bit-field headers), and the OS/2 header with and without a palette.
convert "$tmp/colour.ppm" bmp3:rgb.bmp
convert "$tmp/colour.ppm" -type Palette -compress None bmp3:palette.bmp
convert "$tmp/colour.ppm" -type Palette -compress RLE bmp3:rle8.bmp
ppmtobmp -bpp=4 "$tmp/levels15.pgm" > grey4.bmp
ppmtobmp "$tmp/bilevel.pbm" > bilevel.bmp
convert "$tmp/colour.ppm" -define bmp:subtype=RGB565 bmp:rgb565.bmp && decoded rgb565.bmp
convert "$tmp/colour.ppm" -define bmp:subtype=RGB555 bmp:rgb555.bmp && decoded rgb555.bmp
rgba colour.ppm bmp:rgba.bmp
convert "$tmp/colour.ppm" bmp2:os2.bmp
ppmtobmp -os2 "$tmp/colour.ppm" > os2-palette.bmp

# TGA: true colour plain and run-length, alpha, colour-mapped plain and run-length (with an
# ID field), grey plain and run-length, both row orders. ImageMagick writes its rows top
# first whatever the descriptor says, so its files here are the top-first ones.
ppmtotga -rgb -norle "$tmp/colour.ppm" > rgb.tga
ppmtotga -rgb "$tmp/colour.ppm" > rle.tga
rgba colour.ppm -orient TopLeft rgba.tga
ppmtotga -cmap -norle "$tmp/colour.ppm" > palette.tga
ppmtotga -cmap "$tmp/colour.ppm" > palette-rle.tga
ppmtotga -mono -norle "$tmp/grey.pgm" > grey.tga
convert "$tmp/grey.pgm" -orient TopLeft -compress RLE grey-rle.tga
convert "$tmp/colour.ppm" -orient TopLeft top.tga

# PCX: 8 bits in 3 planes, 8 bits with the palette after the data, 1 bit, 1 bit in 4
# planes (16 greys in the header palette), and 2 and 4 bits packed in one plane.
convert "$tmp/colour.ppm" rgb.pcx
convert "$tmp/colour.ppm" -type Palette palette.pcx
ppmtopcx "$tmp/bilevel.pbm" > bilevel.pcx
ppmtopcx "$tmp/levels15.pgm" > planes4.pcx
ppmtopcx -packed "$tmp/levels3.pgm" > packed2.pcx
ppmtopcx -packed "$tmp/levels15.pgm" > packed4.pcx

# PGM and PPM: binary and text, a maximum of 15, and 16-bit samples.
convert "$tmp/grey.pgm" pgm:grey.pgm
cp "$tmp/grey.pgm" grey-text.pgm
pnmtopnm < "$tmp/levels15.pgm" > levels15.pgm
convert "$tmp/grey.pgm" -depth 16 pgm:grey16.pgm
convert "$tmp/colour.ppm" ppm:colour.ppm
cp "$tmp/colour.ppm" colour-text.ppm
convert "$tmp/colour.ppm" -depth 16 ppm:colour16.ppm

# SGI: verbatim and run-length colour, alpha, grey, and two bytes per sample both ways.
convert "$tmp/colour.ppm" -compress None rgb.sgi
convert "$tmp/colour.ppm" -compress RLE rle.sgi
rgba colour.ppm rgba.sgi
convert "$tmp/grey.pgm" grey.sgi
convert "$tmp/colour.ppm" -depth 16 -compress None rgb16.sgi
convert "$tmp/colour.ppm" -depth 16 -compress RLE rle16.sgi

# PSD: RGB packed and plain, alpha, grey, indexed, and 16 bits per channel.
convert "$tmp/colour.ppm" -compress RLE rle.psd
convert "$tmp/colour.ppm" -compress None raw.psd
rgba colour.ppm rgba.psd
convert "$tmp/grey.pgm" grey.psd
convert "$tmp/colour.ppm" -type Palette palette.psd
convert "$tmp/colour.ppm" -depth 16 rgb16.psd

# IFF ILBM: 7 planes packed and plain, 4 planes of grey, 24 planes (deep), HAM6 and HAM8.
ppmtoilbm -maxplanes 8 "$tmp/colour.ppm" > palette.ilbm
ppmtoilbm -maxplanes 8 -nocompress "$tmp/colour.ppm" > raw.ilbm
ppmtoilbm "$tmp/levels15.pgm" > grey4.ilbm
ppmtoilbm -24force "$tmp/colour.ppm" > deep.ilbm
ppmtoilbm -ham6 "$tmp/colour.ppm" > ham6.ilbm && ilbmtoppm ham6.ilbm > ham6.ilbm.ppm
ppmtoilbm -ham8 "$tmp/colour.ppm" > ham8.ilbm && ilbmtoppm ham8.ilbm > ham8.ilbm.ppm

# PICT: 32-bit direct pixels with and without alpha, 8-bit indexed, and QuickTime JPEG.
convert "$tmp/colour.ppm" rgb.pict
rgba colour.ppm rgba.pict
ppmtopict "$tmp/colour.ppm" > palette.pict
convert "$tmp/colour.ppm" -quality 95 -sampling-factor 1x1 -compress JPEG jpeg.pict && decoded jpeg.pict
