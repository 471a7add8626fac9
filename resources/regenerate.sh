#!/usr/bin/env bash
# Rebuilds the derived artwork from the hand-drawn SVGs. Run by hand after changing a drawing, then commit the
# results; the build only packs what is committed.
#  - glyphs/<name>_disabled.svg: the same drawing in light greys, for QIcon's Disabled mode
#  - icons/<screen>_{48,32,24,16}.png: window icons, 8-bit RGBA
#  - LOGO.JPG: the sample logo the run script copies into the working directory
set -euo pipefail
cd "$(dirname "$0")"

python3 - <<'PY'
import glob, re

# Luminance squeezed into a light band: shapes stay recognisable but read as unavailable on any button face.
def grey(match):
    h = match.group(1)
    r, g, b = (int(h[i:i + 2], 16) for i in (0, 2, 4))
    lum = 0.299 * r + 0.587 * g + 0.114 * b
    v = round(120 + lum * 0.5)
    return '#%02x%02x%02x' % (v, v, v)

for path in sorted(glob.glob('glyphs/*.svg')):
    if path.endswith('_disabled.svg'):
        continue
    text = open(path).read()
    open(path[:-4] + '_disabled.svg', 'w').write(re.sub(r'#([0-9a-fA-F]{6})\b', grey, text))
PY

for svg in icons/*.svg; do
    base=${svg%.svg}
    for size in 48 32 24 16; do
        # Rendered large, then scaled down, so the small sizes are antialiased rather than sampled.
        convert -background none -density 384 "$svg" -resize ${size}x${size} -strip -depth 8 "PNG32:${base}_${size}.png"
    done
done

convert -density 96 logo.svg -background white -flatten -quality 92 -sampling-factor 1x1 -strip JPG:LOGO.JPG

# Everything the program loads, under prefix "/": ":/glyphs/play.svg", ":/icons/acak_48.png".
python3 - <<'PY'
import glob
files = sorted(glob.glob('glyphs/*.svg')) + sorted(glob.glob('icons/*.png'))
lines = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '    <qresource prefix="/">']
lines += ['        <file>%s</file>' % f for f in files]
lines += ['    </qresource>', '</RCC>', '']
open('resources.qrc', 'w').write('\n'.join(lines))
PY
