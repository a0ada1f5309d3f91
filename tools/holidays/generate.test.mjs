// Spot checks of the committed tables against known dates (node --test; not run by CI).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { execFileSync } from 'node:child_process';

const resources = new URL('../../resources/', import.meta.url);
const lookup = new Map();
for (const [, key, body] of readFileSync(new URL('HolidaysLookup.plist', resources), 'utf8')
  .matchAll(/<key>([^<]+)<\/key>\n\t<array>\n((?:\t\t<string>[^<]+<\/string>\n)*)/g)) {
  lookup.set(key, [...body.matchAll(/<string>([^<]+)</g)].map((m) => m[1]));
}
const inYear = (key, year) => (lookup.get(key) ?? []).filter((d) => d.startsWith(`${year}-`));

test('known dates', () => {
  const rows = [
    ['CHRISTIAN_easter-sunday', 2025, ['2025-04-20']],
    ['DE_easter-sunday', 2025, ['2025-04-20']],
    ['US_thanksgiving-day', 2026, ['2026-11-26']],
    ['JEWISH_rosh-hashanah', 2025, ['2025-09-23']],
    ['IL_rosh-hashanah', 2025, ['2025-09-23']],
    ['ORTHODOX_orthodox-easter', 2026, ['2026-04-12']],
    ['ISLAMIC_eid-al-fitr', 2026, ['2026-03-20']],
    ['ISLAMIC_eid-al-fitr', 2033, ['2033-01-02', '2033-12-23']],
    ['CHINESE_chinese-new-year', 2026, ['2026-02-17']],
    ['CHINESE_mid-autumn-festival', 2033, ['2033-09-08']],
    ['CHINESE_double-ninth-festival', 2033, ['2033-10-01']],
  ];
  for (const [key, year, dates] of rows) assert.deepEqual(inYear(key, year), dates, key);
});

test('every holiday has ascending dates from 2025 to 2047', () => {
  for (const [key, dates] of lookup) {
    assert.ok(dates.length > 0, key);
    assert.deepEqual([...dates].sort(), dates, key);
    assert.ok(dates[0] >= '2025-01-01' && dates.at(-1) <= '2047-12-31', key);
  }
});

test('the committed files are current', () => {
  execFileSync(process.execPath, ['generate.mjs', '--check'], { cwd: new URL('.', import.meta.url), stdio: 'pipe' });
});
