// Dating with date-holidays: the primary (not observed) days of each holiday, by year.
import Holidays from 'date-holidays';

export const firstYear = 2025;
export const lastYear = 2047;
export const types = ['public', 'bank', 'optional', 'observance'];

// h.date is the wall-clock day in the holiday's own zone; start/end are instants and
// depend on the process's zone, so they are never read.
export const ymd = (h) => h.date.slice(0, 10);

export const slug = (s) => s.replace(/['’]/g, '').normalize('NFKD').replace(/[\u0300-\u036f]/g, '').toLowerCase()
  .replace(/[^a-z0-9]+/g, '-').replace(/^-|-$/g, '');

// "X and if sunday then next monday" gives the day and its observed day; the rule without
// its modifier gives the day alone.
const baseRule = (rule) => rule.replace(/ and if .*?(?=( since | prior to |$))/, '');

function datesOfRule(rule, tz, year) {
  const hd = new Holidays();
  hd.setTimezone(tz);
  if (!hd.setHoliday(rule, { name: { en: 'x' }, type: 'public' })) throw new Error(`rule not understood: ${rule}`);
  return hd.getHolidays(year).map(ymd);
}

// date-chinese puts a leap 7th month into 2033 where the official reckoning has a leap
// 11th month, so its months 8 to 11 of 2033 come one month late: its leap 7th month is the
// real 8th, its 8th the real 9th, and so on.
const lunar = /^(chinese|korean) 0?(\d+)-0-0?(\d+)/;
export function correct2033(rule, tz, year, dates) {
  const m = year === 2033 && rule.match(lunar);
  if (!m || +m[2] < 8 || +m[2] > 11) return dates;
  const month = +m[2];
  const shifted = month === 8 ? `${m[1]} 07-1-${m[3].padStart(2, '0')}`
    : `${m[1]} ${String(month - 1).padStart(2, '0')}-0-${m[3].padStart(2, '0')}`;
  const fixed = datesOfRule(rule.replace(lunar, shifted), tz, year).filter((d) => d.startsWith('2033'));
  if (fixed.length !== 1) throw new Error(`2033 correction of ${rule}: ${fixed}`);
  return [fixed[0]];
}

// Results of one year without observed or substitute days; the substitute flag is set
// only where the data says so, hence the two extra tests.
export function primaryHolidays(hd, tz, year) {
  const cache = new Map();
  const baseDates = (rule) => {
    if (!cache.has(rule)) cache.set(rule, new Set(datesOfRule(baseRule(rule), tz, year)));
    return cache.get(rule);
  };
  return hd.getHolidays(year, 'en').filter((h) => !h.substitute && !/^substitutes /.test(h.rule)
    && (!/ and if /.test(h.rule) || baseDates(h.rule).has(ymd(h))));
}

export function countryHolidays(cc) {
  const hd = new Holidays(cc, { types });
  return { hd, tz: hd.getTimezones()[0], rules: hd.getRules() };
}

// A religion's rules dated in UTC: the calendars are not bound to a zone, and the
// wall-clock day does not depend on it.
export function ruleDates(rule, year) {
  return correct2033(rule, 'UTC', year, datesOfRule(rule, 'UTC', year));
}
