#!/usr/bin/env python3
# Makes src/resources/Semne.ttf: the check mark of DejaVu Sans Bold (fonts-dejavu-core), renamed,
# answering for "\u00fc" as a symbol font does. Needs python3-fonttools; run once by hand.
from fontTools.ttLib import TTFont
from fontTools import subset
src = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
opts = subset.Options()
opts.name_IDs = ['*']; opts.notdef_outline = True; opts.layout_features = []
opts.hinting = False
f = TTFont(src)
s = subset.Subsetter(opts)
s.populate(unicodes=[0x2713, 0x2714, 0x20])
s.subset(f)
check = f.getBestCmap()[0x2714]
for t in f['cmap'].tables:
    if t.isUnicode() or t.platformID == 3:
        t.cmap[0xFC] = check
fam = "ZarEDERAD Semne"
for rec in f['name'].names:
    if rec.nameID in (1, 16): rec.string = fam
    elif rec.nameID == 4: rec.string = fam + " Bold"
    elif rec.nameID == 6: rec.string = "ZarEDERADSemne-Bold"
    elif rec.nameID == 3: rec.string = "ZarEDERAD Semne Bold"
import sys
f.save(sys.argv[1] if len(sys.argv) > 1 else "src/resources/Semne.ttf")
