// Builds the holiday resources from date-holidays: the catalogue Holidays.plist, the date
// table HolidaysLookup.plist, the Holidays and HolidayInfo string tables of every language
// and the category pictures, plus the data's licence and attribution.
//   npm ci && node generate.mjs          writes them (and appends new keys to shipped-keys.txt)
//   node generate.mjs --check            fails, naming the stale files, unless they are current
import { readFileSync, writeFileSync, mkdirSync, existsSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join, relative } from 'node:path';
import { fileURLToPath } from 'node:url';
import { firstYear, lastYear, ymd, slug, countryHolidays, primaryHolidays, correct2033, ruleDates } from './dates.mjs';
import { religions, religionOrder, categoryNames } from './religions.mjs';
import { englishNames, keyOverrides, sameDayAllowed, excluded, excludedKeys, translations } from './names.mjs';
import { describe } from './describe.mjs';
import { flagPng } from './flags.mjs';

export const countries = ['US', 'GB', 'IE', 'CA', 'AU', 'NZ', 'ZA', 'DE', 'AT', 'CH', 'FR', 'BE', 'LU', 'IT',
  'NL', 'RU', 'ES', 'MX', 'AR', 'CL', 'CO', 'PL', 'SE', 'NO', 'DK', 'FI', 'PT', 'BR', 'JP', 'CN', 'KR', 'GR',
  'CZ', 'TR', 'UA', 'HU', 'IL'];
export const languages = ['en', 'de', 'fr', 'it', 'nl', 'ru', 'es'];

const here = dirname(fileURLToPath(import.meta.url));
const resources = join(here, '..', '..', 'resources');
const require = createRequire(import.meta.url);
const dataVersion = require('date-holidays/data').data.version;
const packageVersion = require('date-holidays/package.json').version;
const years = [];
for (let y = firstYear; y <= lastYear; y++) years.push(y);

// Hijri dates, and Hebrew dates near the turn of the year, may fall twice in one
// Gregorian year.
const twiceAYear = /Muharram|Safar|Rabi|Jumada|Rajab|Shaban|Ramadan|Shawwal|Dhu al|Kislev|Tevet/;
const week = 7 * 864e5;

function addDate(entry, day) {
  const prev = entry.dates[entry.dates.length - 1];
  // Multi-day holidays given as one rule per day keep their first day.
  if (prev && Date.parse(day) - Date.parse(prev) <= week) return false;
  entry.dates.push(day);
  return true;
}

function buildCountry(cc, problems) {
  const { hd, tz, rules } = countryHolidays(cc);
  const byRule = new Map(rules.map((r) => [r.rule, r]));
  const entries = new Map();
  for (const year of years) {
    for (const h of primaryHolidays(hd, tz, year)) {
      const id = `${cc}|${h.rule}`;
      const rule = byRule.get(h.rule);
      const en = englishNames[id] ?? rule.name.en;
      if (!en) { problems.push(`${id}: no English name (add one to englishNames)`); continue; }
      if (excluded.test(en)) continue;
      const key = keyOverrides[id] ?? slug(en);
      if (excludedKeys.includes(`${cc}_${key}`)) continue;
      if (!entries.has(key)) entries.set(key, { key, rules: new Map(), dates: [] });
      const entry = entries.get(key);
      for (const day of correct2033(h.rule, tz, year, [ymd(h)])) {
        if (!addDate(entry, day)) continue;
        const seen = entry.rules.get(h.rule) ?? { rule, en, count: 0, last: '' };
        seen.count++;
        seen.last = day;
        entry.rules.set(h.rule, seen);
      }
    }
  }
  const out = [];
  for (const entry of entries.values()) {
    // The rule that gives most of the dates (the latest on a tie) names and describes it.
    const ranked = [...entry.rules.values()].sort((a, b) => b.count - a.count || (a.last < b.last ? 1 : -1));
    const main = ranked[0];
    const names = { en: main.en };
    for (const lang of languages.slice(1)) {
      names[lang] = ranked.map((r) => r.rule.name[lang]).find(Boolean) ?? translations[main.en]?.[lang];
    }
    for (const year of years) {
      const inYear = entry.dates.filter((d) => d.startsWith(String(year)));
      if (inYear.length > 1 && !twiceAYear.test(main.rule.rule)) {
        problems.push(`${cc}_${entry.key}: ${inYear.join(', ')} from ${[...entry.rules.keys()].join(' ; ')}`);
        break;
      }
    }
    out.push({ key: entry.key, names, dates: entry.dates, rule: main.rule.rule, type: main.rule.type });
  }
  return { key: cc, country: true, tz, holidays: out };
}

function buildReligion(category) {
  const holidays = religions[category].map(([rule, names]) => ({
    key: slug(names.en), names, rule, type: category === 'GENERAL' ? 'observance' : 'religious',
    dates: years.flatMap((y) => ruleDates(rule, y)),
  }));
  return { key: category, country: false, holidays };
}

// A country's day that a religion or GENERAL keeps too must carry the same key.
function checkSharedKeys(categories, problems) {
  const shared = categories.filter((c) => !c.country).flatMap((c) => c.holidays.map((h) => ({ c, h, set: new Set(h.dates) })));
  for (const c of categories.filter((x) => x.country)) {
    for (const h of c.holidays) {
      const id = `${c.key}_${h.key}`;
      if (sameDayAllowed.includes(id)) continue;
      for (const r of shared) {
        const same = h.dates.length >= 3 && h.dates.every((d) => r.set.has(d));
        if (same && h.key !== r.h.key) problems.push(`${id} falls on ${r.c.key}_${r.h.key} (${h.rule})`);
        if (!same && h.key === r.h.key) problems.push(`${id} shares its key with ${r.c.key}_${r.h.key} on other days (${h.rule})`);
      }
    }
  }
}

function order(category) {
  // Date order of the first date in the first year a holiday has one.
  const first = (h) => {
    const y = h.dates[0].slice(0, 4);
    return h.dates.filter((d) => d.startsWith(y))[0].slice(5);
  };
  category.holidays.sort((a, b) => first(a).localeCompare(first(b)) || a.key.localeCompare(b.key));
}

const xml = (s) => s.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
const plist = (body) => '<?xml version="1.0" encoding="UTF-8"?>\n' +
  '<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n' +
  '<plist version="1.0">\n' + body + '</plist>\n';

function cataloguePlist(categories) {
  let s = '<dict>\n\t<key>Categories</key>\n\t<array>\n';
  for (const c of categories) {
    s += `\t\t<dict>\n\t\t\t<key>Holidays</key>\n\t\t\t<array>\n`;
    for (const h of c.holidays) s += `\t\t\t\t<dict>\n\t\t\t\t\t<key>Key</key>\n\t\t\t\t\t<string>${xml(h.key)}</string>\n\t\t\t\t</dict>\n`;
    s += `\t\t\t</array>\n\t\t\t<key>Key</key>\n\t\t\t<string>${xml(c.key)}</string>\n\t\t</dict>\n`;
  }
  return plist(s + '\t</array>\n</dict>\n');
}

function lookupPlist(categories) {
  const rows = categories.flatMap((c) => c.holidays.map((h) => [`${c.key}_${h.key}`, [...h.dates].sort()]));
  rows.sort((a, b) => (a[0] < b[0] ? -1 : 1));
  let s = '<dict>\n';
  for (const [key, dates] of rows) {
    s += `\t<key>${xml(key)}</key>\n\t<array>\n`;
    for (const d of dates) s += `\t\t<string>${d}</string>\n`;
    s += '\t</array>\n';
  }
  return plist(s + '</dict>\n');
}

const quote = (s) => `"${s.replace(/\\/g, '\\\\').replace(/"/g, '\\"')}"`;
const strings = (comment, rows) => `/* ${comment} */\n` +
  rows.filter(([, v]) => v).map(([k, v]) => `${quote(k)} = ${quote(v)};\n`).join('');

function categoryName(c, lang) {
  if (!c.country) return categoryNames[c.key][lang];
  return new Intl.DisplayNames([lang], { type: 'region' }).of(c.key);
}

function build() {
  const problems = [];
  const categories = countries.slice().sort().map((cc) => buildCountry(cc, problems))
    .concat(religionOrder.map(buildReligion));
  categories.forEach(order);
  checkSharedKeys(categories, problems);
  for (const c of categories) for (const h of c.holidays) if (!h.dates.length) problems.push(`${c.key}_${h.key}: no dates`);
  const files = new Map();
  files.set(join(resources, 'Holidays.plist'), cataloguePlist(categories));
  files.set(join(resources, 'HolidaysLookup.plist'), lookupPlist(categories));
  const coverage = {};
  for (const lang of languages) {
    const names = [], infos = [];
    let named = 0, described = 0, total = 0;
    for (const c of categories) {
      names.push([`${c.key}_name`, categoryName(c, lang)]);
      for (const h of c.holidays) {
        const id = `${c.key}_${h.key}`;
        const info = describe(lang, { category: c.key, country: c.country, countryName: categoryName(c, lang), rule: h.rule, type: h.type });
        names.push([id, h.names[lang]]);
        infos.push([id, info]);
        total++;
        if (h.names[lang]) named++;
        if (info) described++;
      }
    }
    coverage[lang] = { total, named, described };
    const dir = join(resources, `${lang}.lproj`);
    files.set(join(dir, 'Holidays.strings'), strings(`Holiday and holiday category names, generated by tools/holidays from date-holidays ${packageVersion} (CC BY-SA 3.0)`, names));
    files.set(join(dir, 'HolidayInfo.strings'), strings(`What each holiday is and how its date is set, generated by tools/holidays from date-holidays ${packageVersion} (CC BY-SA 3.0)`, infos));
  }
  const pictures = join(resources, 'holidays');
  for (const c of categories) files.set(join(pictures, `HOLIDAYS_${c.key}_flag.png`), flagPng(c.key));
  files.set(join(pictures, 'LICENSE-date-holidays.txt'), readFileSync(join(dirname(require.resolve('date-holidays/package.json')), 'LICENSE')));
  files.set(join(pictures, 'ATTRIBUTION.txt'), attribution());
  return { categories, files, problems, coverage };
}

function attribution() {
  return `Holiday data derived from date-holidays ${packageVersion} (data version ${dataVersion}) by commenthol
and contributors (https://github.com/commenthol/date-holidays), based on Wikipedia articles,
licensed under CC BY-SA 3.0 (https://creativecommons.org/licenses/by-sa/3.0/); see
LICENSE-date-holidays.txt for the licence and the list of source articles.

The generated tables (Holidays.plist, HolidaysLookup.plist, the Holidays and HolidayInfo
string tables) are an adaptation and are distributed under CC BY-SA 3.0. They hold the
dates of the years ${firstYear} to ${lastYear}. Dates computed with date-holidays-parser (ISC).
Translations of holiday names missing from the data, the descriptions and the category
pictures were written for Fetemark.
`;
}

function main() {
  const check = process.argv.includes('--check');
  let { categories, files, problems, coverage } = build();
  const keysFile = join(here, 'shipped-keys.txt');
  const shipped = existsSync(keysFile) ? readFileSync(keysFile, 'utf8').split('\n').filter(Boolean) : [];
  const current = new Set(categories.flatMap((c) => c.holidays.map((h) => `${c.key}_${h.key}`)));
  for (const key of shipped) if (!current.has(key)) problems.push(`shipped key disappeared: ${key}`);
  if (problems.length) {
    problems = [...new Set(problems)];
    for (const p of problems) console.error(p);
    console.error(`${problems.length} problems; nothing written`);
    process.exit(1);
  }
  const known = new Set(shipped);
  const added = [...current].filter((k) => !known.has(k)).sort();
  files.set(keysFile, shipped.concat(added).map((k) => k + '\n').join(''));
  let stale = 0;
  for (const [path, content] of files) {
    const bytes = Buffer.isBuffer(content) ? content : Buffer.from(content, 'utf8');
    if (check) {
      let old = null;
      try { old = readFileSync(path); } catch { /* missing counts as stale */ }
      if (!old || !old.equals(bytes)) { console.error(`stale: ${relative(process.cwd(), path)}`); stale++; }
    } else {
      mkdirSync(dirname(path), { recursive: true });
      writeFileSync(path, bytes);
    }
  }
  for (const c of categories) console.log(`${c.key.padEnd(9)} ${String(c.holidays.length).padStart(3)} holidays`);
  for (const [lang, c] of Object.entries(coverage)) console.log(`${lang}: names ${c.named}/${c.total}, descriptions ${c.described}/${c.total}`);
  console.log(`${files.size} files ${check ? 'checked' : 'written'}${added.length ? `; ${added.length} new keys` : ''}`);
  process.exit(stale ? 1 : 0);
}

main();
