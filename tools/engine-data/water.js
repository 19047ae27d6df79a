// Water for the reference engine: coastlines, lakes and rivers from GSHHG and its
// WDBII rivers (Debian gmt-gshhg-*), dumped with `gmt coast -M` (Debian gmt) at
// data-build time only.
//
// GSHHG ships its shores cut into bins, so the dump is a set of pieces that end on
// bin edges; they are joined end to end into closed rings again (levels: 1 land,
// 2 lake, 3 island in a lake, 4 pond on such an island). Each band below is one
// file with the rings simplified for the scales it serves, cut into square tiles so
// a view reads only the tiles it shows: a tile's feature holds the pieces of every
// ring that meets it (code "W") and, in another feature, that tile's rivers (code
// "R<level>"). The engine fills the sea as everything outside the rings, and strokes
// the shores as the ring edges that do not run along a tile's border.
'use strict';
const fs = require('fs');
const path = require('path');
const cp = require('child_process');
const { douglasPeucker } = require('./simplify.js');

// Bands, coarsest first: GSHHG resolution, smallest polygon kept (km^2), simplification
// tolerance (degrees), tile size (degrees), region (west, south, east, north) and the
// WDBII river levels drawn (1 permanent major, 2 additional major, 3 additional,
// 4 minor: the rivers of central Texas are level 3).
const BANDS = [
  { file: 'world/water0.k9m', res: 'c', area: 5000, tol: 0.08, tile: 45, region: null, rivers: [] },
  { file: 'world/water1.k9m', res: 'l', area: 400, tol: 0.025, tile: 15, region: null, rivers: [1, 2] },
  { file: 'us/water2.k9m', res: 'i', area: 20, tol: 0.006, tile: 4, region: [-170, 15, -50, 72], rivers: [1, 2, 3] },
  { file: 'us/water3.k9m', res: 'h', area: 1, tol: 0.0012, tile: 1, region: [-126, 23, -65, 50], rivers: [1, 2, 3, 4] },
];

function gmt(args) {
  return cp.execFileSync('gmt', args, { maxBuffer: 1 << 30 }).toString('latin1');
}

// Pieces of a `gmt coast -M` dump: { level, pts: [[x, y], ...] } with coordinates as printed.
function pieces(text) {
  const out = [];
  let cur = null;
  for (const line of text.split('\n')) {
    if (line.startsWith('>')) {
      const m = /Level (\d+)/.exec(line);
      cur = { level: m ? +m[1] : 0, pts: [] };
      out.push(cur);
    } else if (line.trim() && cur) {
      const [x, y] = line.split('\t');
      cur.pts.push([x, y]);
    }
  }
  return out.filter((p) => p.pts.length >= 2);
}

// Joins pieces whose end is the next one's start into closed rings. The date line's
// two sides are one meridian; a ring that goes once round the earth (Antarctica)
// is closed along the pole.
function stitch(list) {
  const key = ([x, y]) => `${x === '180' ? '-180' : x},${y}`;
  const byStart = new Map();
  list.forEach((p, i) => {
    const k = key(p.pts[0]);
    if (!byStart.has(k)) byStart.set(k, []);
    byStart.get(k).push(i);
  });
  const used = new Uint8Array(list.length);
  const rings = [];
  for (let i = 0; i < list.length; ++i) {
    if (used[i]) continue;
    used[i] = 1;
    const level = list[i].level;
    const pts = list[i].pts.slice();
    const startKey = key(pts[0]);
    for (let guard = 0; guard < list.length; ++guard) {
      const endKey = key(pts[pts.length - 1]);
      if (endKey === startKey && pts.length > 2) break;
      const next = (byStart.get(endKey) || []).find((j) => !used[j] && list[j].level === level);
      if (next === undefined) break;
      used[next] = 1;
      for (const p of list[next].pts.slice(1)) pts.push(p);
    }
    // A ring round the earth starts where it meets the date line, so that its
    // continuous longitudes below run from one side of the map to the other and
    // not half of it past 180.
    const closed = pts.length > 2 && key(pts[0]) === key(pts[pts.length - 1]);
    const meet = closed ? pts.findIndex(([x]) => x === '180' || x === '-180') : -1;
    if (meet > 0) {
      const rotated = pts.slice(meet, -1).concat(pts.slice(0, meet + 1));
      pts.length = 0;
      for (const p of rotated) pts.push(p);
    }
    // Continuous longitudes across the date line.
    const ring = [];
    let offset = 0, prev = null;
    for (const [xs, ys] of pts) {
      let x = +xs + offset;
      const y = +ys;
      if (prev !== null && x - prev > 180) { offset -= 360; x -= 360; }
      else if (prev !== null && x - prev < -180) { offset += 360; x += 360; }
      ring.push([x, y]);
      prev = x;
    }
    const dx = ring[ring.length - 1][0] - ring[0][0];
    if (Math.abs(Math.abs(dx) - 360) < 1e-6) {
      const pole = ring[0][1] < 0 ? -90 : 90;
      ring.push([ring[ring.length - 1][0], pole], [ring[0][0], pole]);
      const west = ring.reduce((w, [x]) => Math.min(w, x), Infinity);
      const shift = -360 * Math.floor((west + 180 + 1e-6) / 360);
      for (const p of ring) p[0] += shift;
    }
    if (ring.length >= 4) rings.push({ level, ring });
  }
  return rings;
}

// Lines of four points or fewer are kept whole: a short shore piece keeps its shape.
function simplify(pts, tol) {
  return pts.length <= 4 ? pts : douglasPeucker(pts, tol);
}

// Simplifies a closed ring by splitting it at its farthest point from the start, so
// both halves keep their shape.
function simplifyRing(ring, tol) {
  let far = 0, best = -1;
  for (let i = 1; i < ring.length; ++i) {
    const d = (ring[i][0] - ring[0][0]) ** 2 + (ring[i][1] - ring[0][1]) ** 2;
    if (d > best) { best = d; far = i; }
  }
  const a = simplify(ring.slice(0, far + 1), tol);
  const b = simplify(ring.slice(far).concat([ring[0]]), tol);
  return a.concat(b.slice(1, -1));
}

// Sutherland-Hodgman against one side: keep points with sign * (coord - v) <= 0.
function clipSide(ring, axis, v, sign) {
  const out = [];
  const inside = (p) => sign * (p[axis] - v) <= 0;
  for (let i = 0; i < ring.length; ++i) {
    const a = ring[i], b = ring[(i + 1) % ring.length];
    const ina = inside(a), inb = inside(b);
    if (ina) out.push(a);
    if (ina !== inb) {
      const t = (v - a[axis]) / (b[axis] - a[axis]);
      const p = [a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1])];
      p[axis] = v;
      out.push(p);
    }
  }
  return out;
}

function clipBox(ring, [w, s, e, n]) {
  let r = ring;
  r = clipSide(r, 0, w, -1); if (r.length < 3) return [];
  r = clipSide(r, 0, e, 1); if (r.length < 3) return [];
  r = clipSide(r, 1, s, -1); if (r.length < 3) return [];
  r = clipSide(r, 1, n, 1);
  return r.length < 3 ? [] : r;
}

function bounds(pts) {
  let w = Infinity, s = Infinity, e = -Infinity, n = -Infinity;
  for (const [x, y] of pts) { w = Math.min(w, x); e = Math.max(e, x); s = Math.min(s, y); n = Math.max(n, y); }
  return [w, s, e, n];
}

// Cuts a ring into the tiles of `size` degrees it meets, halving the box each step so
// every point is clipped only a few dozen times.
function tileRing(ring, box, size, out) {
  const [w, s, e, n] = box;
  const piece = clipBox(ring, box);
  if (!piece.length) return;
  if (e - w <= size && n - s <= size) {
    const k = `${w},${s}`;
    if (!out.has(k)) out.set(k, { box, rings: [] });
    out.get(k).rings.push(piece);
    return;
  }
  const b = bounds(piece);
  if (e - w >= n - s) {
    const mid = w + Math.ceil((e - w) / size / 2) * size;
    if (b[0] < mid) tileRing(piece, [w, s, mid, n], size, out);
    if (b[2] > mid) tileRing(piece, [mid, s, e, n], size, out);
  } else {
    const mid = s + Math.ceil((n - s) / size / 2) * size;
    if (b[1] < mid) tileRing(piece, [w, s, e, mid], size, out);
    if (b[3] > mid) tileRing(piece, [w, mid, e, n], size, out);
  }
}

function snap(v, size, up) { return (up ? Math.ceil(v / size) : Math.floor(v / size)) * size; }

function buildBand(band, writeLayer) {
  const region = band.region || [-180, -90, 180, 90];
  const rings = stitch(pieces(gmt(['coast', '-Rd', `-D${band.res}`, '-W', '-M', `-A${band.area}/1/4`])));
  const tiles = new Map();
  let points = 0;
  for (const { ring } of rings) {
    const b = bounds(ring);
    if (b[2] < region[0] || b[0] > region[2] || b[3] < region[1] || b[1] > region[3]) continue;
    const simple = simplifyRing(ring, band.tol);
    if (simple.length < 3) continue;
    const sb = bounds(simple);
    const box = [Math.max(snap(sb[0], band.tile), band.region ? region[0] : -Infinity),
      Math.max(snap(sb[1], band.tile), region[1]),
      Math.min(snap(sb[2], band.tile, true), band.region ? region[2] : Infinity),
      Math.min(snap(sb[3], band.tile, true), region[3])];
    if (box[0] >= box[2] || box[1] >= box[3]) continue;
    // A box of whole tiles; a tile box is one tile wide at least.
    tileRing(simple, box, band.tile, tiles);
  }
  const features = [];
  for (const t of tiles.values()) {
    t.rings = t.rings.map((r) => r.concat([r[0]]));
    points += t.rings.reduce((a, r) => a + r.length, 0);
    features.push({ name: '', code: 'W', box: t.box, rings: t.rings });
  }
  // Rivers: pieces as they come (one bin each), clipped to the region by dropping
  // the points outside it.
  if (band.rivers.length) {
    const [w, s, e, n] = region;
    const args = ['coast', band.region ? `-R${w}/${e}/${s}/${n}` : '-Rd', `-D${band.res}`, '-M'];
    for (const l of band.rivers) args.push(`-I${l}`);
    const byTile = new Map();
    for (const p of pieces(gmt(args))) {
      const line = simplify(p.pts.map(([x, y]) => [+x, +y]), band.tol);
      if (line.length < 2) continue;
      const b = bounds(line);
      const k = `${p.level}|${snap(b[0], band.tile)},${snap(b[1], band.tile)}`;
      if (!byTile.has(k)) byTile.set(k, { code: `R${p.level}`, lines: [] });
      byTile.get(k).lines.push(line);
    }
    for (const t of byTile.values()) {
      const all = t.lines.flat();
      points += all.length;
      features.push({ name: '', code: t.code, box: bounds(all), rings: t.lines });
    }
  }
  writeLayer(band.file, features);
  console.log(`${band.file}: ${rings.length} rings, ${features.length} tiles, ${points} points`);
}

module.exports = { BANDS, buildBand };
