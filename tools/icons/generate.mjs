// Renders the window's button and icon images into resources/images from Material
// Symbols (Rounded, weight 400). Every image is drawn at two pixels per point.
//   npm ci && node generate.mjs          writes the images and the glyphs' licence
//   node generate.mjs --check            fails unless the committed files are current
import { Resvg } from '@resvg/resvg-js';
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const images = join(here, '..', '..', 'resources', 'images');
const symbols = dirname(createRequire(import.meta.url).resolve('@material-symbols/svg-400/package.json'));
const scale = 2;

// The glyphs are drawn on a 960-unit square whose y runs from -960 to 0.
function glyphPath(name) {
  const svg = readFileSync(join(symbols, 'rounded', `${name}.svg`), 'utf8');
  const paths = [...svg.matchAll(/<path d="([^"]+)"\/>/g)];
  if (paths.length !== 1) throw new Error(`${name}: expected one path, found ${paths.length}`);
  return paths[0][1];
}

const ink = { Black: '#000000', White: '#ffffff' };
// The accent of the reminder toggle: warm on the drawn themes, the desktop's blue on the
// standard one.
const accent = { themed: '#e8590c', standard: '#1a73e8' };
// Pressed buttons: the glyph a little dimmed on a faint rounded plate of its own ink.
const pressedPlate = { Black: 0.14, White: 0.22 };
const pressedGlyph = 0.72;

// width and height in points; glyph is the glyph's side in points, centred.
function svgOf({ width, height, glyph, layers }) {
  const w = width * scale, h = height * scale, side = glyph * scale;
  const body = layers.map((layer) => {
    if (layer.plate) {
      const { fill, opacity, inset = 1, radius = 6 } = layer.plate;
      return `<rect x="${inset * scale}" y="${inset * scale}" width="${w - 2 * inset * scale}" ` +
        `height="${h - 2 * inset * scale}" rx="${radius * scale}" fill="${fill}" fill-opacity="${opacity}"/>`;
    }
    if (layer.circle) {
      const { fill, radius, opacity = 1 } = layer.circle;
      return `<circle cx="${w / 2}" cy="${h / 2}" r="${radius * scale}" fill="${fill}" fill-opacity="${opacity}"/>`;
    }
    const k = side / 960;
    const x = (w - side) / 2, y = (h - side) / 2;
    return `<path transform="translate(${x} ${y + side}) scale(${k})" d="${glyphPath(layer.glyph)}" ` +
      `fill="${layer.fill}" fill-opacity="${layer.opacity ?? 1}"/>`;
  });
  return `<svg xmlns="http://www.w3.org/2000/svg" width="${w}" height="${h}" viewBox="0 0 ${w} ${h}">` +
    body.join('') + '</svg>';
}

function buttonLayers(glyph, colour, state) {
  if (state === 'Up') return [{ glyph, fill: ink[colour] }];
  return [{ plate: { fill: ink[colour], opacity: pressedPlate[colour] } },
    { glyph, fill: ink[colour], opacity: pressedGlyph }];
}

// Sizes in points: menu buttons 30 × 30 with a 22-point glyph, filter buttons 44 × 30 with
// a 22-point glyph, type and search icons, check mark and disclosure arrow 20, the
// reminder toggle 32.
const menuButtons = { Back: 'arrow_back_ios_new', Settings: 'settings-fill', Next: 'arrow_forward_ios',
  Add: 'add', Cancel: 'close', Checkmark: 'check', Edit: 'edit-fill' };
const filterButtons = { None: 'apps', Facebook: 'groups-fill', Other: 'event-fill',
  Birthday: 'cake-fill', Anniversary: 'favorite-fill', Holidays: 'celebration-fill' };
const rowIcons = [
  ['InfoIcon_Wall', 'forum-fill', '#3b5998'],
  ['InfoIcon_Phone', 'call-fill', '#34a853'],
  ['InfoIcon_TextMessage', 'sms-fill', '#2e9d5b'],
  ['InfoIcon_Email', 'mail-fill', '#1a73e8'],
  ['InfoIcon_Address', 'location_on-fill', '#d93025'],
  ['Notes', 'edit_note', '#f29900'],
  ['SettingsIcon_ShowAge', 'calendar_month-fill', '#7b1fa2'],
  ['SettingsIcon_AlertType', 'notifications-fill', '#e8590c'],
  ['SettingsIcon_CustomEntries', 'event_note-fill', '#00897b'],
  ['SettingsIcon_ContactCornerIcon', 'contact_page-fill', '#5f6368'],
  ['SettingsIcon_Holidays', 'celebration-fill', '#d81b60'],
  ['SettingsIcon_Tutorial', 'school-fill', '#3949ab'],
];
// The holiday list's header buttons: check or uncheck every holiday of a category.
const listButtons = { Check_All: 'done_all', Uncheck_All: 'remove_done' };
const typeIcons = { Holiday: 'celebration-fill', Birthday: 'cake-fill',
  Anniversary: 'favorite-fill', Other: 'event-fill' };

function imageSpecs() {
  const out = [];
  for (const colour of ['Black', 'White']) {
    for (const state of ['Up', 'Down']) {
      for (const [role, glyph] of Object.entries(menuButtons)) {
        out.push([`MenuButton_${role}_${colour}_${state}.png`,
          { width: 30, height: 30, glyph: 22, layers: buttonLayers(glyph, colour, state) }]);
      }
      for (const [role, glyph] of Object.entries(filterButtons)) {
        out.push([`Filter_${role}_${colour}_${state}.png`,
          { width: 44, height: 30, glyph: 22, layers: buttonLayers(glyph, colour, state) }]);
      }
    }
    for (const [role, glyph] of Object.entries(typeIcons)) {
      out.push([`TypeIcon_${role}_${colour}.png`,
        { width: 20, height: 20, glyph: 20, layers: [{ glyph, fill: ink[colour] }] }]);
    }
    out.push([`UpcomingButton_Off_${colour}.png`, { width: 32, height: 32, glyph: 22,
      layers: [{ glyph: 'notifications_off', fill: ink[colour], opacity: 0.6 }] }]);
  }
  out.push(['Search.png', { width: 20, height: 20, glyph: 20, layers: [{ glyph: 'search', fill: ink.Black }] }]);
  out.push(['Search_White.png', { width: 20, height: 20, glyph: 20, layers: [{ glyph: 'search', fill: ink.White }] }]);
  // The check mark takes the link colour of the theme kind it belongs to.
  for (const [variant, fill] of [['Dark', '#003399'], ['Light', '#ccd9ff']]) {
    out.push([`TableViewCell_Checkmark${variant}.png`,
      { width: 20, height: 20, glyph: 20, layers: [{ glyph: 'check', fill }] }]);
  }
  for (const [variant, fill] of [['Dark', '#4d4d4d'], ['Light', '#e6e6e6']]) {
    out.push([`TableViewCell_DisclosureArrow${variant}.png`,
      { width: 20, height: 20, glyph: 20, layers: [{ glyph: 'chevron_right', fill }] }]);
  }
  for (const [kind, fill] of [['', accent.themed], ['_Standard', accent.standard]]) {
    for (const state of ['Up', 'Down']) {
      const bell = { glyph: 'notifications_active-fill', fill: '#ffffff', opacity: state === 'Up' ? 1 : pressedGlyph };
      const disc = { circle: { fill, radius: 14 } };
      // Pressed, the disc darkens.
      const shade = { circle: { fill: '#000000', radius: 14, opacity: 0.22 } };
      const layers = state === 'Up' ? [disc, bell] : [disc, shade, bell];
      out.push([`UpcomingButton_On${kind}_${state}.png`, { width: 32, height: 32, glyph: 20, layers }]);
    }
  }
  for (const [name, glyph] of Object.entries(listButtons)) {
    out.push([`${name}_Up.png`, { width: 30, height: 30, glyph: 22, layers: buttonLayers(glyph, 'Black', 'Up') }]);
  }
  // Row icons of an occasion's page and its settings: a white glyph on a coloured tile,
  // rounded by the window like a photo.
  for (const [name, glyph, fill] of rowIcons) {
    out.push([`${name}.png`, { width: 35, height: 35, glyph: 22,
      layers: [{ plate: { fill, opacity: 1, inset: 0, radius: 0 } }, { glyph, fill: '#ffffff' }] }]);
  }
  return out;
}

function render(spec) {
  const resvg = new Resvg(svgOf(spec), {
    font: { loadSystemFonts: false },
    shapeRendering: 2,
  });
  return resvg.render().asPng();
}

const check = process.argv.includes('--check');
let stale = 0;
const licence = join(symbols, 'LICENSE');
const licenceCopy = join(images, 'MaterialSymbols-LICENSE.txt');
const outputs = imageSpecs().map(([name, spec]) => [join(images, name), render(spec)]);
outputs.push([licenceCopy, readFileSync(licence)]);
for (const [path, bytes] of outputs) {
  if (check) {
    let current = null;
    try { current = readFileSync(path); } catch { /* missing counts as stale */ }
    if (!current || !current.equals(bytes)) { console.error(`stale: ${path}`); stale++; }
  } else {
    writeFileSync(path, bytes);
  }
}
console.log(`${outputs.length} files ${check ? 'checked' : 'written'}`);
process.exit(stale ? 1 : 0);
