// The category pictures, drawn here as SVG on a 120-pixel square and rendered with resvg:
// countries' flags, simplified where they carry arms or fine detail, and emblems for the
// religions and GENERAL on a full square of their colour. The window shows them in
// rounded squares and crops a little, so what matters sits in the middle.
import { Resvg } from '@resvg/resvg-js';

const S = 120;
const f = (x) => Math.round(x * 100) / 100;
const rect = (x, y, w, h, fill) => `<rect x="${f(x)}" y="${f(y)}" width="${f(w)}" height="${f(h)}" fill="${fill}"/>`;
const poly = (points, fill) => `<polygon points="${points.map(([x, y]) => `${f(x)},${f(y)}`).join(' ')}" fill="${fill}"/>`;
const circle = (cx, cy, r, fill) => `<circle cx="${f(cx)}" cy="${f(cy)}" r="${f(r)}" fill="${fill}"/>`;
const hstripes = (...colours) => colours.map((c, i) => rect(0, (i * S) / colours.length, S, S / colours.length, c)).join('');
const vstripes = (...colours) => colours.map((c, i) => rect((i * S) / colours.length, 0, S / colours.length, S, c)).join('');

function starPoints(cx, cy, r, points = 5, inner = 0.382, turn = -90) {
  const out = [];
  for (let i = 0; i < points * 2; i++) {
    const a = ((turn + (i * 180) / points) * Math.PI) / 180;
    const k = i % 2 ? r * inner : r;
    out.push([cx + k * Math.cos(a), cy + k * Math.sin(a)]);
  }
  return out;
}
const star = (cx, cy, r, fill, points, inner, turn) => poly(starPoints(cx, cy, r, points, inner, turn), fill);

// A Nordic cross: the upright stands towards the hoist.
function nordic(bg, cross, inner) {
  let s = rect(0, 0, S, S, bg) + rect(0, 46, S, 28, cross) + rect(34, 0, 28, S, cross);
  if (inner) s += rect(0, 53, S, 14, inner) + rect(41, 0, 14, S, inner);
  return s;
}

// The Union Jack in a w × h box at the origin.
function union(w, h, fit = 'none') {
  return `<svg x="0" y="0" width="${w}" height="${h}" viewBox="0 0 60 30" preserveAspectRatio="${fit}">` +
    '<rect width="60" height="30" fill="#012169"/>' +
    '<path d="M0,0 L60,30 M60,0 L0,30" stroke="#ffffff" stroke-width="6"/>' +
    '<path d="M0,0 L60,30 M60,0 L0,30" stroke="#C8102E" stroke-width="2"/>' +
    '<path d="M30,0 V30 M0,15 H60" stroke="#ffffff" stroke-width="10"/>' +
    '<path d="M30,0 V30 M0,15 H60" stroke="#C8102E" stroke-width="6"/></svg>';
}

const mapleLeaf = 'M60,22 L66,34 L73,30 L70,50 L82,40 L85,47 L96,45 L91,58 L96,61 L78,75 L80,82 ' +
  'L62,79 L62,96 L58,96 L58,79 L40,82 L42,75 L24,61 L29,58 L24,45 L35,47 L38,40 L50,50 L47,30 L54,34 Z';

const flags = {
  AR: () => hstripes('#74ACDF', '#ffffff', '#74ACDF') + circle(60, 60, 11, '#F6B40E'),
  AT: () => hstripes('#C8102E', '#ffffff', '#C8102E'),
  AU: () => rect(0, 0, S, S, '#012169') + union(66, 50) + star(33, 88, 12, '#ffffff', 7, 0.45)
    + star(92, 30, 6, '#ffffff', 7, 0.45) + star(78, 60, 6, '#ffffff', 7, 0.45)
    + star(104, 55, 6, '#ffffff', 7, 0.45) + star(92, 96, 7, '#ffffff', 7, 0.45) + star(98, 72, 3.5, '#ffffff'),
  BE: () => vstripes('#000000', '#FDDA24', '#EF3340'),
  BR: () => rect(0, 0, S, S, '#009739') + poly([[60, 14], [112, 60], [60, 106], [8, 60]], '#FEDD00')
    + circle(60, 60, 25, '#012169') + `<path d="M36,55 Q60,48 84,64" stroke="#ffffff" stroke-width="5" fill="none"/>`,
  CA: () => rect(0, 0, S, S, '#ffffff') + rect(0, 0, 24, S, '#D80621') + rect(96, 0, 24, S, '#D80621')
    + `<path d="${mapleLeaf}" fill="#D80621"/>`,
  CH: () => rect(0, 0, S, S, '#DA291C') + rect(48, 24, 24, 72, '#ffffff') + rect(24, 48, 72, 24, '#ffffff'),
  CL: () => rect(0, 0, S, 60, '#ffffff') + rect(0, 60, S, 60, '#D52B1E') + rect(0, 0, 60, 60, '#0039A6')
    + star(36, 34, 15, '#ffffff'),
  CN: () => rect(0, 0, S, S, '#EE1C25') + star(42, 46, 20, '#FFDE00') + star(72, 22, 6, '#FFDE00', 5, 0.382, -54)
    + star(84, 36, 6, '#FFDE00', 5, 0.382, -72) + star(84, 54, 6, '#FFDE00') + star(72, 68, 6, '#FFDE00', 5, 0.382, -108),
  CO: () => rect(0, 0, S, 60, '#FCD116') + rect(0, 60, S, 30, '#003893') + rect(0, 90, S, 30, '#CE1126'),
  CZ: () => hstripes('#ffffff', '#D7141A') + poly([[0, 0], [62, 60], [0, 120]], '#11457E'),
  DE: () => hstripes('#000000', '#DD0000', '#FFCE00'),
  DK: () => nordic('#C8102E', '#ffffff'),
  ES: () => rect(0, 0, S, S, '#AA151B') + rect(0, 30, S, 60, '#F1BF00'),
  FI: () => nordic('#ffffff', '#002F6C'),
  FR: () => vstripes('#002395', '#ffffff', '#ED2939'),
  GB: () => union(S, S, 'xMidYMid slice'),
  GR: () => hstripes(...Array.from({ length: 9 }, (_, i) => (i % 2 ? '#ffffff' : '#0D5EAF')))
    + rect(0, 0, 66.67, 66.67, '#0D5EAF') + rect(26.67, 0, 13.33, 66.67, '#ffffff') + rect(0, 26.67, 66.67, 13.33, '#ffffff'),
  HU: () => hstripes('#CE2939', '#ffffff', '#477050'),
  IE: () => vstripes('#169B62', '#ffffff', '#FF883E'),
  IL: () => rect(0, 0, S, S, '#ffffff') + rect(0, 12, S, 16, '#0038B8') + rect(0, 92, S, 16, '#0038B8')
    + `<g fill="none" stroke="#0038B8" stroke-width="4.5">${poly([[60, 36], [81, 72], [39, 72]], 'none')}${poly([[60, 84], [81, 48], [39, 48]], 'none')}</g>`,
  IT: () => vstripes('#009246', '#ffffff', '#CE2B37'),
  JP: () => rect(0, 0, S, S, '#ffffff') + circle(60, 60, 34, '#BC002D'),
  KR: () => rect(0, 0, S, S, '#ffffff') + korea(),
  LU: () => hstripes('#EF3340', '#ffffff', '#00A3E0'),
  MX: () => vstripes('#006847', '#ffffff', '#CE1126') + circle(60, 60, 12, '#8C5A2B') + circle(60, 60, 7, '#5C8A3A'),
  NL: () => hstripes('#AE1C28', '#ffffff', '#21468B'),
  NO: () => nordic('#BA0C2F', '#ffffff', '#00205B'),
  NZ: () => rect(0, 0, S, S, '#012169') + union(66, 50) + [[90, 30, 8], [78, 62, 8], [104, 56, 7], [90, 96, 9]]
    .map(([x, y, r]) => star(x, y, r + 2.5, '#ffffff') + star(x, y, r, '#C8102E')).join(''),
  PL: () => hstripes('#ffffff', '#DC143C'),
  PT: () => rect(0, 0, S, S, '#FF0000') + rect(0, 0, 48, S, '#006600') + circle(48, 60, 22, '#FFE900')
    + circle(48, 60, 16, '#FF0000') + `<path d="M38,48 H58 V64 Q58,74 48,76 Q38,74 38,64 Z" fill="#ffffff"/>`
    + `<path d="M42,52 H54 V64 Q54,70 48,72 Q42,70 42,64 Z" fill="#003399"/>`,
  RU: () => hstripes('#ffffff', '#0039A6', '#D52B1E'),
  SE: () => nordic('#006AA7', '#FECC00'),
  TR: () => rect(0, 0, S, S, '#E30A17') + circle(50, 60, 27, '#ffffff') + circle(57, 60, 21.6, '#E30A17')
    + star(82, 60, 11, '#ffffff', 5, 0.382, 180),
  UA: () => hstripes('#0057B7', '#FFD700'),
  US: () => hstripes(...Array.from({ length: 13 }, (_, i) => (i % 2 ? '#ffffff' : '#B22234')))
    + rect(0, 0, 60, 64.62, '#3C3B6E') + Array.from({ length: 20 }, (_, i) =>
      circle(9 + (i % 4) * 14 + (Math.floor(i / 4) % 2) * 0, 8 + Math.floor(i / 4) * 12.3, 2.6, '#ffffff')).join(''),
  ZA: () => rect(0, 0, S, 60, '#E03C31') + rect(0, 60, S, 60, '#001489')
    + '<path d="M-8,-8 L52,60 L-8,128 M52,60 H128" fill="none" stroke="#ffffff" stroke-width="40"/>'
    + '<path d="M-8,-8 L52,60 L-8,128 M52,60 H128" fill="none" stroke="#007749" stroke-width="24"/>'
    + poly([[0, 16], [39, 60], [0, 104]], '#FFB81C') + poly([[0, 29], [28, 60], [0, 91]], '#000000'),
};

// Taegeuk with the four trigrams, each bar laid across its diagonal.
function korea() {
  let s = circle(60, 60, 22, '#0047A0') +
    '<path d="M38,60 A22,22 0 0 1 82,60 A11,11 0 0 1 60,60 A11,11 0 0 0 38,60 Z" fill="#CD2E3A" transform="rotate(33.7 60 60)"/>';
  // Bars from the centre outwards: true for a solid bar, false for a broken one.
  const trigrams = [[-135, [true, true, true]], [-45, [false, true, false]], [135, [true, false, true]], [45, [false, false, false]]];
  for (const [angle, bars] of trigrams) {
    bars.forEach((solid, i) => {
      const d = 38 + i * 6;
      const g = `<g transform="rotate(${angle + 90} 60 60)">`;
      const y = 60 - d;
      s += g + (solid ? rect(50, y, 20, 3.6, '#000000') : rect(50, y, 8.8, 3.6, '#000000') + rect(61.2, y, 8.8, 3.6, '#000000')) + '</g>';
    });
  }
  return s;
}

const emblems = {
  CHRISTIAN: () => rect(0, 0, S, S, '#5E35B1') + rect(53, 22, 14, 78, '#ffffff') + rect(34, 40, 52, 14, '#ffffff'),
  ORTHODOX: () => rect(0, 0, S, S, '#1A3A6B') + rect(55, 18, 10, 84, '#F2C14E') + rect(46, 28, 28, 8, '#F2C14E')
    + rect(34, 42, 52, 10, '#F2C14E') + poly([[40, 68], [80, 78], [80, 86], [40, 76]], '#F2C14E'),
  JEWISH: () => rect(0, 0, S, S, '#0038B8')
    + `<g fill="none" stroke="#ffffff" stroke-width="7" stroke-linejoin="round">${poly([[60, 24], [91, 78], [29, 78]], 'none')}${poly([[60, 96], [91, 42], [29, 42]], 'none')}</g>`,
  ISLAMIC: () => rect(0, 0, S, S, '#00796B') + circle(54, 60, 32, '#ffffff') + circle(64, 60, 27, '#00796B')
    + star(82, 60, 11, '#ffffff', 5, 0.382, 180),
  CHINESE: () => rect(0, 0, S, S, '#C62828') + rect(50, 22, 20, 8, '#F9A825') + rect(58, 14, 4, 8, '#F9A825')
    + '<ellipse cx="60" cy="60" rx="30" ry="30" fill="#F9A825"/>'
    + '<path d="M60,30 Q44,60 60,90 M60,30 Q76,60 60,90" stroke="#C62828" stroke-width="3" fill="none"/>'
    + rect(50, 88, 20, 8, '#F9A825') + rect(58, 96, 4, 12, '#F9A825'),
  BUDDHIST: () => {
    let s = rect(0, 0, S, S, '#EF6C00') + '<circle cx="60" cy="60" r="30" fill="none" stroke="#FFF3E0" stroke-width="7"/>'
      + circle(60, 60, 8, '#FFF3E0');
    for (let i = 0; i < 8; i++) {
      s += `<g transform="rotate(${i * 45} 60 60)">${rect(57.5, 22, 5, 38, '#FFF3E0')}${circle(60, 20, 5, '#FFF3E0')}</g>`;
    }
    return s;
  },
  GENERAL: () => rect(0, 0, S, S, '#00838F')
    + '<rect x="30" y="32" width="60" height="56" rx="7" fill="#ffffff"/>' + rect(30, 42, 60, 10, '#004D52')
    + '<rect x="30" y="32" width="60" height="14" rx="7" fill="#004D52"/>'
    + rect(42, 26, 6, 14, '#ffffff') + rect(72, 26, 6, 14, '#ffffff') + star(60, 71, 14, '#F9A825'),
};

export function flagSvg(key) {
  const draw = flags[key] ?? emblems[key];
  if (!draw) throw new Error(`no picture drawn for ${key}`);
  return `<svg xmlns="http://www.w3.org/2000/svg" width="${S}" height="${S}" viewBox="0 0 ${S} ${S}">${draw()}</svg>`;
}

export function flagPng(key) {
  return new Resvg(flagSvg(key), { font: { loadSystemFonts: false } }).render().asPng();
}
