#!/usr/bin/python3
"""Mapnik's side of engine_bench's comparison (Debian python3-mapnik, AGG renderer).

  mapnik_render.py FILLS.geojson LINES.geojson WIDTH HEIGHT WEST SOUTH EAST NORTH BACKGROUND

The GeoJSON files hold what the engine draws for the same view, in the engine's own
projected units (so neither side reprojects): polygons with a "fill" colour, lines
with a "stroke" colour and a "width" in pixels. Each line read from standard input
is a count N: the map is rendered N times and the process CPU seconds and wall
seconds they took are written back as one line. "ok" is written once the map is
loaded (or "no mapnik: ..." when the module is missing).
"""
import json
import sys
import time

try:
    import mapnik
except ImportError as e:  # the benchmark reports the skip
    print("no mapnik: %s" % e, flush=True)
    sys.exit(0)

fills, lines, width, height = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
west, south, east, north = (float(v) for v in sys.argv[5:9])
background = sys.argv[9]

SRS = "+proj=eqc +datum=WGS84 +units=m +no_defs"  # the same on both sides: no reprojection


def values(path, key):
    with open(path) as f:
        return sorted({tuple(feat["properties"].get(k, "") for k in key)
                       for feat in json.load(f)["features"]})


m = mapnik.Map(width, height, SRS)
m.background = mapnik.Color(background)

# One rule per colour (and width), as a map style would have.
fill_style = mapnik.Style()
for (colour,) in (values(fills, ("fill",)) if fills != "-" else []):
    rule = mapnik.Rule()
    rule.filter = mapnik.Expression("[fill] = '%s'" % colour)
    sym = mapnik.PolygonSymbolizer()
    sym.fill = mapnik.Color(colour)
    rule.symbols.append(sym)
    fill_style.rules.append(rule)
line_style = mapnik.Style()
for colour, w, join in values(lines, ("stroke", "width", "join")):
    rule = mapnik.Rule()
    rule.filter = mapnik.Expression("[stroke] = '%s' and [width] = %s" % (colour, w))
    sym = mapnik.LineSymbolizer()
    sym.stroke = mapnik.Color(colour)
    sym.stroke_width = float(w)
    round_ = join == "round"
    sym.stroke_linejoin = (mapnik.stroke_linejoin.ROUND_JOIN if round_
                           else mapnik.stroke_linejoin.BEVEL_JOIN)
    sym.stroke_linecap = (mapnik.stroke_linecap.ROUND_CAP if round_
                          else mapnik.stroke_linecap.BUTT_CAP)
    rule.symbols.append(sym)
    line_style.rules.append(rule)
m.append_style("fills", fill_style)
m.append_style("lines", line_style)
for name, path in (("fills", fills), ("lines", lines)):
    if path == "-":
        continue
    layer = mapnik.Layer(name, SRS)
    layer.datasource = mapnik.Datasource(type="geojson", file=path)
    layer.styles.append(name)
    m.layers.append(layer)
m.zoom_to_box(mapnik.Box2d(west, south, east, north))

image = mapnik.Image(width, height)
mapnik.render(m, image)  # warm: reads the data and builds the index
if len(sys.argv) > 10:
    image.save(sys.argv[10], "png")
print("ok", flush=True)
for line in sys.stdin:
    n = int(line)
    cpu, wall = time.process_time(), time.perf_counter()
    for _ in range(n):
        mapnik.render(m, image)
    print("%.9f %.9f" % (time.process_time() - cpu, time.perf_counter() - wall), flush=True)
