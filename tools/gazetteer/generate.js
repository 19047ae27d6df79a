#!/usr/bin/env node
// Generates the three gazetteer files that ship beside the map server:
//
//   data/statell.dat   one state, district or territory per line:
//                      abbreviation, name, west, east, south, north (tab-separated)
//   data/countyll.dat  one county or county-equivalent per line:
//                      name, state abbreviation, west, east, south, north (tab-separated)
//   data/milemark.dat  one straight interstate segment per line:
//                      <state><interstate>,<NS|EW>,<marker>,<coord>,<marker>,<coord>
//
// Sources:
//   - State and county boxes are computed from the U.S. Census Bureau's cartographic
//     boundaries (2017) as redistributed in the npm package us-atlas (states-10m.json,
//     counties-10m.json). The boxes come straight from the TopoJSON arcs.
//   - milemark.dat is APPROXIMATE: no public road network is available to this build,
//     so it is made from the small hand-curated table interstates.json (state-line and
//     junction mile points of a few interstates, positions read off general maps to
//     about a hundredth of a degree). Good enough to put a marker line near the right
//     place; not survey data.
//
// Regenerate (needs Node.js and the npm registry, never needed by the build):
//   cd tools/gazetteer && npm install && node generate.js
// The files are written with CRLF line ends in Windows-1252 (8-bit) text, sorted the
// way the search expects (ascending first character, compared in upper case).
'use strict';

const fs = require('fs');
const path = require('path');

const states = require('us-atlas/states-10m.json');
const counties = require('us-atlas/counties-10m.json');
const interstates = require('./interstates.json');

const outDir = path.resolve(__dirname, '..', '..', 'data');

// FIPS state code -> [abbreviation, name as written in statell.dat]. The search relies on
// a state's abbreviation and name beginning with the same letter, so the two territories
// whose usual names do not are written in index form.
const FIPS_STATES = {
  '01': ['AL', 'Alabama'], '02': ['AK', 'Alaska'], '04': ['AZ', 'Arizona'],
  '05': ['AR', 'Arkansas'], '06': ['CA', 'California'], '08': ['CO', 'Colorado'],
  '09': ['CT', 'Connecticut'], '10': ['DE', 'Delaware'], '11': ['DC', 'District of Columbia'],
  '12': ['FL', 'Florida'], '13': ['GA', 'Georgia'], '15': ['HI', 'Hawaii'],
  '16': ['ID', 'Idaho'], '17': ['IL', 'Illinois'], '18': ['IN', 'Indiana'],
  '19': ['IA', 'Iowa'], '20': ['KS', 'Kansas'], '21': ['KY', 'Kentucky'],
  '22': ['LA', 'Louisiana'], '23': ['ME', 'Maine'], '24': ['MD', 'Maryland'],
  '25': ['MA', 'Massachusetts'], '26': ['MI', 'Michigan'], '27': ['MN', 'Minnesota'],
  '28': ['MS', 'Mississippi'], '29': ['MO', 'Missouri'], '30': ['MT', 'Montana'],
  '31': ['NE', 'Nebraska'], '32': ['NV', 'Nevada'], '33': ['NH', 'New Hampshire'],
  '34': ['NJ', 'New Jersey'], '35': ['NM', 'New Mexico'], '36': ['NY', 'New York'],
  '37': ['NC', 'North Carolina'], '38': ['ND', 'North Dakota'], '39': ['OH', 'Ohio'],
  '40': ['OK', 'Oklahoma'], '41': ['OR', 'Oregon'], '42': ['PA', 'Pennsylvania'],
  '44': ['RI', 'Rhode Island'], '45': ['SC', 'South Carolina'], '46': ['SD', 'South Dakota'],
  '47': ['TN', 'Tennessee'], '48': ['TX', 'Texas'], '49': ['UT', 'Utah'],
  '50': ['VT', 'Vermont'], '51': ['VA', 'Virginia'], '53': ['WA', 'Washington'],
  '54': ['WV', 'West Virginia'], '55': ['WI', 'Wisconsin'], '56': ['WY', 'Wyoming'],
  '60': ['AS', 'American Samoa'], '66': ['GU', 'Guam'],
  '69': ['MP', 'Mariana Islands, Northern'], '72': ['PR', 'Puerto Rico'],
  '78': ['VI', 'Virgin Islands'],
};

// Independent cities share a name with a county of the same state (Baltimore,
// St. Louis, Richmond VA...). They carry county codes 510 and up; the Census writes
// them as "<name> city", and so do we, unless the name already says so.
const INDEPENDENT_CITY_STATES = new Set(['24', '29', '32', '51']);
function countyName(id, name) {
  const st = id.slice(0, 2);
  const code = Number(id.slice(2));
  if (INDEPENDENT_CITY_STATES.has(st) && code >= 510 && !/ city$/i.test(name)) {
    return name + ' city';
  }
  return name;
}

// Decodes the quantized, delta-encoded arcs of a topology into absolute positions.
function decodeArcs(topology) {
  const [sx, sy] = topology.transform.scale;
  const [tx, ty] = topology.transform.translate;
  return topology.arcs.map((arc) => {
    let x = 0;
    let y = 0;
    return arc.map(([dx, dy]) => {
      x += dx;
      y += dy;
      return [x * sx + tx, y * sy + ty];
    });
  });
}

function arcIndexes(geometry) {
  const out = [];
  const walk = (a) => {
    if (typeof a === 'number') out.push(a < 0 ? ~a : a);
    else a.forEach(walk);
  };
  walk(geometry.arcs || []);
  return out;
}

// The bounding box of a geometry. Longitudes are taken on the circle: the box is the
// complement of the widest gap between the longitudes present, so a shape that
// crosses the antimeridian (Alaska's Aleutians) gets one continuous box whose west
// edge lies below -180 rather than a box spanning the whole globe.
function boundingBox(geometry, arcs) {
  const lons = [];
  let south = Infinity;
  let north = -Infinity;
  for (const i of arcIndexes(geometry)) {
    for (const [x, y] of arcs[i]) {
      lons.push(x);
      if (y < south) south = y;
      if (y > north) north = y;
    }
  }
  if (lons.length === 0) throw new Error('geometry without arcs: ' + geometry.id);
  lons.sort((a, b) => a - b);
  let west = lons[0];
  let east = lons[lons.length - 1];
  // The wrap-around gap from east back to west, then every inner gap.
  let widestGap = 360 - (east - west);
  for (let k = 1; k < lons.length; k++) {
    const gap = lons[k] - lons[k - 1];
    if (gap > widestGap) {
      widestGap = gap;
      west = lons[k] - 360;
      east = lons[k - 1];
    }
  }
  return { west, east, south, north };
}

const fmt = (v) => (Math.round(v * 10000) / 10000).toFixed(4);

// Ascending by first character in upper case (what the search relies on), then by the
// whole line so the output is stable.
function sortLines(lines) {
  return lines.sort((a, b) => {
    const ka = a.toUpperCase();
    const kb = b.toUpperCase();
    return ka < kb ? -1 : ka > kb ? 1 : 0;
  });
}

// Windows-1252 bytes; every character of the Census names lies in Latin-1.
function writeDat(name, lines) {
  const text = lines.map((l) => l + '\r\n').join('');
  for (const ch of text) {
    if (ch.charCodeAt(0) > 0xff) throw new Error(`${name}: character outside Latin-1: ${ch}`);
  }
  const file = path.join(outDir, name);
  fs.writeFileSync(file + '.tmp', Buffer.from(text, 'latin1'));
  fs.renameSync(file + '.tmp', file);
  console.log(`${name}: ${lines.length} lines`);
}

function buildStates() {
  const arcs = decodeArcs(states);
  const lines = states.objects.states.geometries.map((g) => {
    const entry = FIPS_STATES[g.id];
    if (!entry) throw new Error('unknown state FIPS code ' + g.id);
    const [abbr, name] = entry;
    if (abbr[0] !== name[0]) throw new Error(`${abbr} and ${name} start differently`);
    const b = boundingBox(g, arcs);
    return [abbr, name, fmt(b.west), fmt(b.east), fmt(b.south), fmt(b.north)].join('\t');
  });
  return sortLines(lines);
}

function buildCounties() {
  const arcs = decodeArcs(counties);
  const seen = new Map();
  const lines = counties.objects.counties.geometries.map((g) => {
    const entry = FIPS_STATES[g.id.slice(0, 2)];
    if (!entry) throw new Error('unknown state FIPS code in county ' + g.id);
    const name = countyName(g.id, g.properties.name);
    const key = entry[0] + '\t' + name.toUpperCase();
    if (seen.has(key)) throw new Error(`two counties named ${name} in ${entry[0]}`);
    seen.set(key, g.id);
    const b = boundingBox(g, arcs);
    return [name, entry[0], fmt(b.west), fmt(b.east), fmt(b.south), fmt(b.north)].join('\t');
  });
  return sortLines(lines);
}

// interstates.json: { "routes": [ { "state", "interstate", "axis": "NS"|"EW",
//   "points": [ [marker, lat, lon, "place"], ... ] } ] } with the points in marker order.
// Each pair of neighbouring points becomes one segment. East-west segments carry
// longitudes written as positive degrees west; north-south ones carry latitudes.
function buildMileMarkers() {
  const lines = [];
  for (const r of interstates.routes) {
    if (!/^[A-Z]{2}$/.test(r.state)) throw new Error('bad state ' + r.state);
    if (r.axis !== 'NS' && r.axis !== 'EW') throw new Error('bad axis ' + r.axis);
    for (let k = 1; k < r.points.length; k++) {
      const [m1, lat1, lon1] = r.points[k - 1];
      const [m2, lat2, lon2] = r.points[k];
      if (!(m2 > m1)) throw new Error(`${r.state}${r.interstate}: markers not ascending`);
      const c1 = r.axis === 'NS' ? lat1 : -lon1;
      const c2 = r.axis === 'NS' ? lat2 : -lon2;
      lines.push([r.state + r.interstate, r.axis, m1, c1.toFixed(2), m2, c2.toFixed(2)].join(','));
    }
  }
  // Grouped by state (the search stops at the first line past its state); the routes
  // keep their order inside a state.
  return lines
    .map((l, i) => [l, i])
    .sort((a, b) => (a[0].slice(0, 2) < b[0].slice(0, 2) ? -1 : a[0].slice(0, 2) > b[0].slice(0, 2) ? 1 : a[1] - b[1]))
    .map(([l]) => l);
}

fs.mkdirSync(outDir, { recursive: true });
writeDat('statell.dat', buildStates());
writeDat('countyll.dat', buildCounties());
writeDat('milemark.dat', buildMileMarkers());
