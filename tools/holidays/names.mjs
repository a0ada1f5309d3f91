// Hand-kept corrections to the data's holiday names and keys, and translations of the
// names the data has in English only. Keys are "<country>|<rule>" as in the country's data.

// English names for rules the data names in its own language only, or names that would
// give two days one key.
export const englishNames = {
  'DE|10-03': 'German Unity Day',
  'DE|6th sunday before 12-25': 'National Day of Mourning',
  'DE|5th sunday before 12-25': 'Sunday of the Dead',
  'DE|4th sunday before 12-25': 'First Sunday of Advent',
  'DE|3th sunday before 12-25': 'Second Sunday of Advent',
  'DE|2nd sunday before 12-25': 'Third Sunday of Advent',
  'DE|1st sunday before 12-25': 'Fourth Sunday of Advent',
  'AT|05-01': 'National Holiday (Labour Day)',
  'CH|1st sunday in June': "Father's Day",
  'CH|08-01': 'Swiss National Day',
  'ES|10-12': 'National Day of Spain',
  'ES|12-06': 'Constitution Day',
  'CL|01-02 on monday since 2017': 'Additional New Year Holiday',
  'SE|1st sunday in March': 'Vasaloppet',
  'SE|friday after 10-30 12:00': "All Saints' Eve",
  'DK|easter -48': 'Shrovetide',
  'PT|10-05': 'Republic Day',
  'PT|12-01': 'Restoration of Independence',
  'GR|orthodox -48': 'Clean Monday',
  'BR|1st sunday in October in even years': 'Election Day (first round)',
  'BR|1st sunday before 11-01 in even years': 'Election Day (second round)',
  'NO|06-23': 'Midsummer Eve',
  'PL|12-27 since 2021': 'Greater Poland Uprising Remembrance Day',
  'IL|22 Tishrei': 'Shemini Atzeret / Simchat Torah',
  'HU|03-15': 'National Day (1848 Revolution)',
  'HU|10-23': 'National Day (1956 Revolution)',
};

// Keys that differ from the slug of the English name: the same day as a religion's
// holiday, or a moved day that must not take the religion's key.
export const keyOverrides = {
  // Renamed in English after the keys shipped.
  'DE|10-03': 'national-holiday',
  'DE|6th sunday before 12-25': 'memorial-day',
  'AR|12-08': 'immaculate-conception',
  'CO|monday after 01-06': 'epiphany-monday',
  'CO|easter 43': 'ascension-monday',
  'CO|easter 64': 'corpus-christi-monday',
  'CO|monday after 08-15': 'assumption-monday',
  'CO|1st monday in November': 'all-saints-monday',
  'FI|saturday after 10-31': 'all-saints-saturday',
  'SE|saturday after 10-31': 'all-saints-saturday',
  'NO|1st sunday in November': 'all-saints-sunday',
  'GR|orthodox -2': 'orthodox-good-friday',
  'GR|orthodox': 'orthodox-easter',
  'GR|orthodox 1': 'orthodox-easter-monday',
  'GR|orthodox 49': 'orthodox-pentecost',
  'GR|orthodox 50': 'orthodox-whit-monday',
  'IL|15 Shvat': 'tu-bishvat',
  'IL|15 Nisan': 'passover',
  'IL|6 Sivan': 'shavuot',
  'IL|9 Av if Saturday then next Sunday': 'tisha-bav',
  'IL|1 Tishrei': 'rosh-hashanah',
  'IL|10 Tishrei': 'yom-kippur',
  'IL|15 Tishrei': 'sukkot',
  'IL|22 Tishrei': 'shemini-atzeret',
  'PL|04-22': 'earth-day',
  'RU|julian 12-25': 'orthodox-christmas',
  'TR|1 Shawwal PT90H': 'eid-al-fitr',
  'TR|10 Dhu al-Hijjah PT114H': 'eid-al-adha',
  'UA|01-01 and if saturday, sunday then next tuesday': 'new-years-day',
  'UA|01-02 and if saturday, sunday then next monday': 'new-years-day',
  'UA|orthodox 49 and if sunday then next monday since 2000': 'orthodox-pentecost',
  'ZA|easter 1': 'easter-monday',
};

// Country days that fall on a religion's holiday but are another occasion.
export const sameDayAllowed = ['KR_liberation-day'];

// No Hindu holidays; Buddhist days only as the computed East Asian Buddha's Birthday.
// Days set by decree from year to year, with no dates ahead.
export const excludedKeys = ['AR_bridge-day', 'AR_tourism-purposes-non-working-day'];

export const excluded = /Deepavali|Diwali|\bHoli\b|Thaipusam|Vesak|Navaratri|Dussehra|Janmashtami|Pongal|\bOnam\b|Makha Bucha|Asalha/i;

export { translations } from './translations.mjs';
