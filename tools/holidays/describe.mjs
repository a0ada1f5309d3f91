// One or two sentences per holiday: what kind of day it is, and how its date is set, put
// into words from its date-holidays rule. Every language has its own phrases; dates,
// months and weekdays come from Intl.

const locales = { en: 'en-GB', de: 'de', fr: 'fr', it: 'it', nl: 'nl', ru: 'ru', es: 'es' };
const weekdays = ['sunday', 'monday', 'tuesday', 'wednesday', 'thursday', 'friday', 'saturday'];
const months = ['january', 'february', 'march', 'april', 'may', 'june', 'july', 'august', 'september',
  'october', 'november', 'december'];

const intl = (lang, options, m, d) =>
  new Intl.DateTimeFormat(locales[lang], { ...options, timeZone: 'UTC' }).format(Date.UTC(2001, m - 1, d));
const dayMonth = (lang, m, d) => intl(lang, { day: 'numeric', month: 'long' }, m, d);
// The month as it reads after a day number (Russian needs the genitive).
const monthOf = (lang, m) => dayMonth(lang, m, 26).replace(/^26\.?\s*(de\s+)?/, '');
// 7 January 2001 was a Sunday.
const weekdayName = (lang, wd) => intl(lang, { weekday: 'long' }, 1, 7 + wd);

function ruPlural(n, one, few, many) {
  const t = n % 100, u = n % 10;
  if (t >= 11 && t <= 14) return many;
  return u === 1 ? one : u >= 2 && u <= 4 ? few : many;
}

const ordinal = {
  en: ['first', 'second', 'third', 'fourth', 'fifth', 'sixth'],
  de: ['ersten', 'zweiten', 'dritten', 'vierten', 'fünften', 'sechsten'],
  fr: ['premier', 'deuxième', 'troisième', 'quatrième', 'cinquième', 'sixième'],
  itM: ['primo', 'secondo', 'terzo', 'quarto', 'quinto', 'sesto'],
  itF: ['prima', 'seconda', 'terza', 'quarta', 'quinta', 'sesta'],
  nl: ['eerste', 'tweede', 'derde', 'vierde', 'vijfde', 'zesde'],
  es: ['primer', 'segundo', 'tercer', 'cuarto', 'quinto', 'sexto'],
  ruM: ['первый', 'второй', 'третий', 'четвёртый', 'пятый', 'шестой'],
  ruF: ['первая', 'вторая', 'третья', 'четвёртая', 'пятая', 'шестая'],
  ruN: ['первое', 'второе', 'третье', 'четвёртое', 'пятое', 'шестое'],
  ruGenM: ['первого', 'второго', 'третьего', 'четвёртого', 'пятого', 'шестого'],
  ruGenF: ['первой', 'второй', 'третьей', 'четвёртой', 'пятой', 'шестой'],
};
// Russian weekdays: Wednesday, Friday and Saturday are feminine, Sunday neuter.
const ruGender = (wd) => (wd === 0 ? 'N' : [3, 5, 6].includes(wd) ? 'F' : 'M');
const ruOrd = (n, wd) => (n === 'last' ? { M: 'последний', F: 'последняя', N: 'последнее' } : {
  M: ordinal.ruM[n - 1], F: ordinal.ruF[n - 1], N: ordinal.ruN[n - 1] })[ruGender(wd)];
const ruOrdGen = (n, wd) => (ruGender(wd) === 'F' ? ordinal.ruGenF : ordinal.ruGenM)[n - 1];
// Italian: domenica is feminine.
const itOrd = (n, wd) => (n === 'last' ? (wd === 0 ? 'ultima' : 'ultimo') : (wd === 0 ? ordinal.itF : ordinal.itM)[n - 1]);
const itArticle = (word) => (/^[aeiouàèéìòù8]|^11/.test(word) ? "l'" : null);
const itTheDay = (m, d) => { const s = itDayMonth(m, d); return (itArticle(s) ?? 'il ') + s; };
const itOfDay = (m, d) => { const s = itDayMonth(m, d); return itArticle(s) ? `dell'${s}` : `del ${s}`; };
const itDayMonth = (m, d) => dayMonth('it', m, d).replace(/^1 /, '1º ');
const frDayMonth = (m, d) => dayMonth('fr', m, d).replace(/^1 /, '1er ');
const frOfMonth = (m) => { const s = monthOf('fr', m); return /^[aeiou]/.test(s) ? `d'${s}` : `de ${s}`; };
const enOrd = (n) => `${n}${n % 10 === 1 && n !== 11 ? 'st' : n % 10 === 2 && n !== 12 ? 'nd' : n % 10 === 3 && n !== 13 ? 'rd' : 'th'}`;

const hebrewMonths = {
  Tishrei: ['Tishrei', 'тишрея'], Cheshvan: ['Cheshvan', 'хешвана'], Kislev: ['Kislev', 'кислева'],
  Tevet: ['Tevet', 'тевета'], Shvat: ['Shvat', 'швата'], Adar: ['Adar', 'адара'], AdarII: ['Adar', 'адара'],
  Nisan: ['Nisan', 'нисана'], Iyyar: ['Iyar', 'ияра'], Sivan: ['Sivan', 'сивана'], Tamuz: ['Tammuz', 'таммуза'],
  Av: ['Av', 'ава'],
};
const hijriMonths = {
  Muharram: { en: 'Muharram', de: 'Muharram', fr: 'mouharram', it: 'muharram', nl: 'moeharram', ru: 'мухаррама', es: 'muharram' },
  'Rabi al-awwal': { en: 'Rabi al-Awwal', de: 'Rabi al-awwal', fr: 'rabia al awal', it: "rabi' al-awwal", nl: 'rabi al-awwal', ru: 'раби аль-авваля', es: 'rabi al-awal' },
  Rajab: { en: 'Rajab', de: 'Radschab', fr: 'rajab', it: 'rajab', nl: 'radjab', ru: 'раджаба', es: 'rayab' },
  Ramadan: { en: 'Ramadan', de: 'Ramadan', fr: 'ramadan', it: 'ramadan', nl: 'ramadan', ru: 'рамадана', es: 'ramadán' },
  Shawwal: { en: 'Shawwal', de: 'Schawwal', fr: 'chawwal', it: 'shawwal', nl: 'sjawwal', ru: 'шавваля', es: 'shawwal' },
  'Dhu al-Hijjah': { en: 'Dhu al-Hijjah', de: 'Dhu l-Hiddscha', fr: 'dhou al-hijja', it: 'dhu l-hijja', nl: 'dhoe al-hiddja', ru: 'зуль-хиджи', es: 'dhu al-hiyya' },
};

// Phrases per language. w: weekday index, m/d: month and day, n: 1..6 or 'last'.
const P = {
  en: {
    fixed: (m, d) => `Every year on ${dayMonth('en', m, d)}.`,
    easter: (o, orth) => {
      const e = orth ? 'Orthodox Easter Sunday' : 'Easter Sunday';
      if (o === 0) return orth ? 'Orthodox Easter Sunday, reckoned in the Julian calendar.'
        : 'Easter Sunday: the first Sunday after the first full moon of spring (church reckoning).';
      if (Math.abs(o) === 1) return `The day ${o < 0 ? 'before' : 'after'} ${e}.`;
      return `${Math.abs(o)} days ${o < 0 ? 'before' : 'after'} ${e}.`;
    },
    nthIn: (n, w, m) => `The ${n === 'last' ? 'last' : ordinal.en[n - 1]} ${weekdayName('en', w)} of ${monthOf('en', m)}.`,
    rel: (n, w, dir, m, d) => `The ${n === 'last' ? 'last' : ordinal.en[n - 1]} ${weekdayName('en', w)} ${dir === 'before' ? 'before' : 'after'} ${dayMonth('en', m, d)}.`,
    afterNth: (w, n, w2, m) => `The ${weekdayName('en', w)} after the ${ordinal.en[n - 1]} ${weekdayName('en', w2)} of ${monthOf('en', m)}.`,
    julian: (m, d, gm, gd) => `${dayMonth('en', m, d)} in the Julian calendar, which is ${dayMonth('en', gm, gd)} in the Gregorian calendar.`,
    hebrew: (d, mon) => `${d} ${hebrewMonths[mon][0]} in the Hebrew calendar; the day begins at sunset the evening before.`,
    hijri: (d, mon) => `${d} ${hijriMonths[mon].en} in the Islamic (Umm al-Qura) calendar; dates may differ by a day where the new moon is sighted.`,
    lunar: (korean, m, d) => `The ${enOrd(d)} day of the ${enOrd(m)} month of the ${korean ? 'Korean' : 'Chinese'} lunar calendar.`,
    eve: () => 'The last day of the Chinese lunar year, the eve of the lunar New Year.',
    qingming: () => 'The day of the Qingming solar term, 4 or 5 April.',
    season: (s) => `The day of the ${{ march: 'March equinox', september: 'September equinox', june: 'June solstice' }[s]}.`,
    listed: () => 'Its date is set anew for each year.',
    varies: () => 'Its date changes from year to year.',
    moved: () => 'Moved to a nearby weekday in some years.',
    every: (k) => `Only every ${k} years.`,
    even: () => 'Only in even-numbered years.',
    onlyOn: (w) => `Only when it falls on a ${weekdayName('en', w)}.`,
    country: (type, c, cc) => {
      const where = ['US', 'GB', 'NL'].includes(cc) ? `the ${c}` : c;
      return { public: `A public holiday in ${where}.`, bank: `A bank holiday in ${where}.`,
        optional: `An optional holiday in ${where}: a day off for some.`,
        observance: `An observance in ${where}, not a day off.` }[type];
    },
    religion: {
      christian: 'A Christian feast (Western churches).', orthodox: 'An Orthodox Christian feast.',
      jewish: 'A Jewish holiday.', islamic: 'An Islamic holiday.', chinese: 'A traditional Chinese festival.',
      buddhist: 'A Buddhist festival, as kept in East Asia.', general: 'A day kept in many countries.',
    },
  },
  de: {
    fixed: (m, d) => `Jedes Jahr am ${dayMonth('de', m, d)}.`,
    easter: (o, orth) => {
      const e = orth ? 'dem orthodoxen Ostersonntag' : 'dem Ostersonntag';
      if (o === 0) return orth ? 'Der orthodoxe Ostersonntag, nach dem julianischen Kalender berechnet.'
        : 'Der Ostersonntag: der erste Sonntag nach dem ersten Frühlingsvollmond (kirchliche Berechnung).';
      if (Math.abs(o) === 1) return `Der Tag ${o < 0 ? 'vor' : 'nach'} ${e}.`;
      return `${Math.abs(o)} Tage ${o < 0 ? 'vor' : 'nach'} ${e}.`;
    },
    nthIn: (n, w, m) => `Am ${n === 'last' ? 'letzten' : ordinal.de[n - 1]} ${weekdayName('de', w)} im ${monthOf('de', m)}.`,
    rel: (n, w, dir, m, d) => `Am ${n === 'last' ? 'letzten' : ordinal.de[n - 1]} ${weekdayName('de', w)} ${dir === 'before' ? 'vor' : 'nach'} dem ${dayMonth('de', m, d)}.`,
    afterNth: (w, n, w2, m) => `Der ${weekdayName('de', w)} nach dem ${ordinal.de[n - 1]} ${weekdayName('de', w2)} im ${monthOf('de', m)}.`,
    julian: (m, d, gm, gd) => `Der ${dayMonth('de', m, d)} im julianischen Kalender, im gregorianischen Kalender der ${dayMonth('de', gm, gd)}.`,
    hebrew: (d, mon) => `Der ${d}. ${hebrewMonths[mon][0]} im jüdischen Kalender; der Tag beginnt am Vorabend bei Sonnenuntergang.`,
    hijri: (d, mon) => `Der ${d}. ${hijriMonths[mon].de} im islamischen Kalender (Umm al-Qura); wo der Neumond beobachtet wird, kann das Datum um einen Tag abweichen.`,
    lunar: (korean, m, d) => `Der ${d}. Tag des ${m}. Monats im ${korean ? 'koreanischen' : 'chinesischen'} Mondkalender.`,
    eve: () => 'Der letzte Tag des chinesischen Mondjahres, der Vorabend des Neujahrsfests.',
    qingming: () => 'Der Tag des Sonnenabschnitts Qingming, 4. oder 5. April.',
    season: (s) => ({ march: 'Der Tag der Tagundnachtgleiche im März.', september: 'Der Tag der Tagundnachtgleiche im September.', june: 'Der Tag der Sonnenwende im Juni.' }[s]),
    listed: () => 'Das Datum wird jedes Jahr neu festgelegt.',
    varies: () => 'Das Datum wechselt von Jahr zu Jahr.',
    moved: () => 'In manchen Jahren auf einen nahen Wochentag verschoben.',
    every: (k) => `Nur alle ${k} Jahre.`,
    even: () => 'Nur in geraden Jahren.',
    onlyOn: (w) => `Nur wenn er auf einen ${weekdayName('de', w)} fällt.`,
    country: (type, c) => ({ public: `Gesetzlicher Feiertag (${c}).`, bank: `Bankfeiertag (${c}).`,
      optional: `Fakultativer Feiertag (${c}), für manche arbeitsfrei.`,
      observance: `Gedenk- oder Aktionstag (${c}), kein arbeitsfreier Tag.` }[type]),
    religion: {
      christian: 'Ein christliches Fest (westliche Kirchen).', orthodox: 'Ein orthodoxes christliches Fest.',
      jewish: 'Ein jüdischer Feiertag.', islamic: 'Ein islamischer Feiertag.', chinese: 'Ein traditionelles chinesisches Fest.',
      buddhist: 'Ein buddhistisches Fest, wie es in Ostasien begangen wird.', general: 'Ein Tag, der in vielen Ländern begangen wird.',
    },
  },
  fr: {
    fixed: (m, d) => `Chaque année le ${frDayMonth(m, d)}.`,
    easter: (o, orth) => {
      const e = orth ? 'dimanche de Pâques orthodoxe' : 'dimanche de Pâques';
      if (o === 0) return orth ? 'Le dimanche de Pâques orthodoxe, calculé selon le calendrier julien.'
        : 'Le dimanche de Pâques : premier dimanche après la première pleine lune du printemps (comput ecclésiastique).';
      if (Math.abs(o) === 1) return `${o < 0 ? 'La veille' : 'Le lendemain'} du ${e}.`;
      return `${Math.abs(o)} jours ${o < 0 ? 'avant' : 'après'} le ${e}.`;
    },
    nthIn: (n, w, m) => `Le ${n === 'last' ? 'dernier' : ordinal.fr[n - 1]} ${weekdayName('fr', w)} ${frOfMonth(m)}.`,
    rel: (n, w, dir, m, d) => `Le ${n === 'last' ? 'dernier' : ordinal.fr[n - 1]} ${weekdayName('fr', w)} ${dir === 'before' ? 'avant' : 'après'} le ${frDayMonth(m, d)}.`,
    afterNth: (w, n, w2, m) => `Le ${weekdayName('fr', w)} qui suit le ${ordinal.fr[n - 1]} ${weekdayName('fr', w2)} ${frOfMonth(m)}.`,
    julian: (m, d, gm, gd) => `Le ${frDayMonth(m, d)} du calendrier julien, soit le ${frDayMonth(gm, gd)} du calendrier grégorien.`,
    hebrew: (d, mon) => `Le ${d === 1 ? '1er' : d} ${hebrewMonths[mon][0].toLowerCase()} du calendrier hébraïque ; le jour commence la veille au coucher du soleil.`,
    hijri: (d, mon) => `Le ${d === 1 ? '1er' : d} ${hijriMonths[mon].fr} du calendrier musulman (Umm al-Qura) ; là où l’on observe la nouvelle lune, la date peut varier d’un jour.`,
    lunar: (korean, m, d) => `Le ${d === 1 ? '1er' : `${d}e`} jour du ${m === 1 ? '1er' : `${m}e`} mois du calendrier lunaire ${korean ? 'coréen' : 'chinois'}.`,
    eve: () => 'Le dernier jour de l’année lunaire chinoise, veille du Nouvel An.',
    qingming: () => 'Le jour du terme solaire Qingming, le 4 ou le 5 avril.',
    season: (s) => ({ march: 'Le jour de l’équinoxe de mars.', september: 'Le jour de l’équinoxe de septembre.', june: 'Le jour du solstice de juin.' }[s]),
    listed: () => 'Sa date est fixée chaque année.',
    varies: () => 'Sa date change d’une année à l’autre.',
    moved: () => 'Certaines années, déplacé vers un jour de semaine proche.',
    every: (k) => `Seulement tous les ${k} ans.`,
    even: () => 'Seulement les années paires.',
    onlyOn: (w) => `Seulement lorsqu’il tombe un ${weekdayName('fr', w)}.`,
    country: (type, c) => ({ public: `Jour férié officiel (${c}).`, bank: `Jour de fermeture des banques (${c}).`,
      optional: `Jour férié facultatif (${c}), chômé pour certains.`,
      observance: `Journée particulière (${c}), non chômée.` }[type]),
    religion: {
      christian: 'Une fête chrétienne (Églises d’Occident).', orthodox: 'Une fête chrétienne orthodoxe.',
      jewish: 'Une fête juive.', islamic: 'Une fête musulmane.', chinese: 'Une fête traditionnelle chinoise.',
      buddhist: 'Une fête bouddhiste, telle qu’on la célèbre en Asie de l’Est.', general: 'Une journée célébrée dans de nombreux pays.',
    },
  },
  it: {
    fixed: (m, d) => `Ogni anno ${itTheDay(m, d)}.`,
    easter: (o, orth) => {
      if (o === 0) return orth ? 'La domenica di Pasqua ortodossa, calcolata secondo il calendario giuliano.'
        : 'La domenica di Pasqua: la prima domenica dopo il primo plenilunio di primavera (computo ecclesiastico).';
      const e = orth ? 'Pasqua ortodossa' : 'domenica di Pasqua';
      const rel = o < 0 ? `prima della ${e}` : `dopo la ${e}`;
      if (Math.abs(o) === 1) return `Il giorno ${rel}.`;
      return `${Math.abs(o)} giorni ${rel}.`;
    },
    nthIn: (n, w, m) => `${w === 0 ? 'La' : 'Il'} ${itOrd(n, w)} ${weekdayName('it', w)} di ${monthOf('it', m)}.`.replace(/^Il ultimo/, "L'ultimo").replace(/^La ultima/, "L'ultima"),
    rel: (n, w, dir, m, d) => `${w === 0 ? 'La' : 'Il'} ${itOrd(n, w)} ${weekdayName('it', w)} ${dir === 'before' ? `prima ${itOfDay(m, d)}` : `dopo ${itTheDay(m, d)}`}.`.replace(/^Il ultimo/, "L'ultimo").replace(/^La ultima/, "L'ultima"),
    afterNth: (w, n, w2, m) => `Il ${weekdayName('it', w)} dopo ${w2 === 0 ? 'la' : 'il'} ${itOrd(n, w2)} ${weekdayName('it', w2)} di ${monthOf('it', m)}.`,
    julian: (m, d, gm, gd) => `${itTheDay(m, d)} del calendario giuliano, cioè ${itTheDay(gm, gd)} del calendario gregoriano.`.replace(/^./, (c) => c.toUpperCase()),
    hebrew: (d, mon) => `Il ${d === 1 ? '1º' : d} ${hebrewMonths[mon][0].toLowerCase()} del calendario ebraico; il giorno inizia al tramonto della sera prima.`.replace(/^Il (8|11) /, "L'$1 "),
    hijri: (d, mon) => `Il ${d === 1 ? '1º' : d} ${hijriMonths[mon].it} del calendario islamico (Umm al-Qura); dove si osserva la luna nuova, la data può variare di un giorno.`.replace(/^Il (8|11) /, "L'$1 "),
    lunar: (korean, m, d) => `${[8, 11].includes(d) ? "L'" : 'Il '}${d}º giorno ${[8, 11].includes(m) ? "dell'" : 'del '}${m}º mese del calendario lunare ${korean ? 'coreano' : 'cinese'}.`,
    eve: () => "L'ultimo giorno dell'anno lunare cinese, vigilia del Capodanno.",
    qingming: () => 'Il giorno del termine solare Qingming, il 4 o il 5 aprile.',
    season: (s) => ({ march: "Il giorno dell'equinozio di marzo.", september: "Il giorno dell'equinozio di settembre.", june: 'Il giorno del solstizio di giugno.' }[s]),
    listed: () => 'La data viene fissata di anno in anno.',
    varies: () => 'La data cambia di anno in anno.',
    moved: () => 'In alcuni anni spostata a un giorno feriale vicino.',
    every: (k) => `Solo ogni ${k} anni.`,
    even: () => 'Solo negli anni pari.',
    onlyOn: (w) => `Solo quando cade di ${weekdayName('it', w)}.`,
    country: (type, c) => ({ public: `Festività ufficiale (${c}).`, bank: `Festività bancaria (${c}).`,
      optional: `Festività facoltativa (${c}), non lavorativa per alcuni.`,
      observance: `Ricorrenza (${c}), giorno lavorativo.` }[type]),
    religion: {
      christian: 'Una festa cristiana (Chiese occidentali).', orthodox: 'Una festa cristiana ortodossa.',
      jewish: 'Una festività ebraica.', islamic: 'Una festività islamica.', chinese: 'Una festa tradizionale cinese.',
      buddhist: "Una festa buddista, come si celebra nell'Asia orientale.", general: 'Una giornata celebrata in molti paesi.',
    },
  },
  nl: {
    fixed: (m, d) => `Elk jaar op ${dayMonth('nl', m, d)}.`,
    easter: (o, orth) => {
      const e = orth ? 'de orthodoxe Paaszondag' : 'Paaszondag';
      if (o === 0) return orth ? 'De orthodoxe Paaszondag, berekend volgens de juliaanse kalender.'
        : 'Paaszondag: de eerste zondag na de eerste volle maan van de lente (kerkelijke berekening).';
      if (Math.abs(o) === 1) return `De dag ${o < 0 ? 'vóór' : 'na'} ${e}.`;
      return `${Math.abs(o)} dagen ${o < 0 ? 'vóór' : 'na'} ${e}.`;
    },
    nthIn: (n, w, m) => `De ${n === 'last' ? 'laatste' : ordinal.nl[n - 1]} ${weekdayName('nl', w)} van ${monthOf('nl', m)}.`,
    rel: (n, w, dir, m, d) => `De ${n === 'last' ? 'laatste' : ordinal.nl[n - 1]} ${weekdayName('nl', w)} ${dir === 'before' ? 'vóór' : 'na'} ${dayMonth('nl', m, d)}.`,
    afterNth: (w, n, w2, m) => `De ${weekdayName('nl', w)} na de ${ordinal.nl[n - 1]} ${weekdayName('nl', w2)} van ${monthOf('nl', m)}.`,
    julian: (m, d, gm, gd) => `${dayMonth('nl', m, d)} volgens de juliaanse kalender, ${dayMonth('nl', gm, gd)} in de gregoriaanse kalender.`,
    hebrew: (d, mon) => `${d} ${hebrewMonths[mon][0].toLowerCase()} in de Joodse kalender; de dag begint de avond ervoor bij zonsondergang.`,
    hijri: (d, mon) => `${d} ${hijriMonths[mon].nl} in de islamitische kalender (Umm al-Qura); waar de nieuwe maan wordt waargenomen, kan de datum een dag verschillen.`,
    lunar: (korean, m, d) => `De ${d}e dag van de ${m}e maand van de ${korean ? 'Koreaanse' : 'Chinese'} maankalender.`,
    eve: () => 'De laatste dag van het Chinese maanjaar, de avond voor Nieuwjaar.',
    qingming: () => 'De dag van de zonneterm Qingming, 4 of 5 april.',
    season: (s) => ({ march: 'De dag van de equinox in maart.', september: 'De dag van de equinox in september.', june: 'De dag van de zonnewende in juni.' }[s]),
    listed: () => 'De datum wordt elk jaar opnieuw vastgesteld.',
    varies: () => 'De datum verschilt van jaar tot jaar.',
    moved: () => 'In sommige jaren verschoven naar een nabije weekdag.',
    every: (k) => `Alleen om de ${k} jaar.`,
    even: () => 'Alleen in even jaren.',
    onlyOn: (w) => `Alleen als hij op een ${weekdayName('nl', w)} valt.`,
    country: (type, c) => ({ public: `Officiële feestdag (${c}).`, bank: `Vrije dag voor banken (${c}).`,
      optional: `Facultatieve feestdag (${c}), voor sommigen vrij.`,
      observance: `Gedenk- of themadag (${c}), geen vrije dag.` }[type]),
    religion: {
      christian: 'Een christelijk feest (westerse kerken).', orthodox: 'Een orthodox-christelijk feest.',
      jewish: 'Een Joodse feestdag.', islamic: 'Een islamitische feestdag.', chinese: 'Een traditioneel Chinees feest.',
      buddhist: 'Een boeddhistisch feest, zoals gevierd in Oost-Azië.', general: 'Een dag die in veel landen wordt gevierd.',
    },
  },
  ru: {
    fixed: (m, d) => `Ежегодно ${dayMonth('ru', m, d)}.`,
    easter: (o, orth) => {
      const e = orth ? 'православной Пасхи' : 'Пасхи';
      if (o === 0) return orth ? 'Православная Пасха, рассчитываемая по юлианскому календарю.'
        : 'Пасха: первое воскресенье после первого весеннего полнолуния (по церковному расчёту).';
      if (o === -1) return `За день до ${e}.`;
      if (o === 1) return `На следующий день после ${e}.`;
      const days = `${Math.abs(o)} ${ruPlural(Math.abs(o), 'день', 'дня', 'дней')}`;
      return o < 0 ? `За ${days} до ${e}.` : `Через ${days} после ${e}.`;
    },
    nthIn: (n, w, m) => `${ruOrd(n, w)} ${weekdayName('ru', w)} ${monthOf('ru', m)}.`.replace(/^./, (c) => c.toUpperCase()),
    rel: (n, w, dir, m, d) => `${ruOrd(n, w)} ${weekdayName('ru', w)} ${dir === 'before' ? 'до' : 'после'} ${dayMonth('ru', m, d)}.`.replace(/^./, (c) => c.toUpperCase()),
    afterNth: (w, n, w2, m) => `${weekdayName('ru', w)} после ${ruOrdGen(n, w2)} ${{ 1: 'понедельника', 4: 'четверга' }[w2] ?? weekdayName('ru', w2)} ${monthOf('ru', m)}.`.replace(/^./, (c) => c.toUpperCase()),
    julian: (m, d, gm, gd) => `${dayMonth('ru', m, d)} по юлианскому календарю, то есть ${dayMonth('ru', gm, gd)} по григорианскому.`,
    hebrew: (d, mon) => `${d} ${hebrewMonths[mon][1]} по еврейскому календарю; день начинается накануне с заходом солнца.`,
    hijri: (d, mon) => `${d} ${hijriMonths[mon].ru} по исламскому календарю (Умм аль-Кура); там, где новолуние определяют наблюдением, дата может отличаться на день.`,
    lunar: (korean, m, d) => `${d}-й день ${m}-го месяца ${korean ? 'корейского' : 'китайского'} лунного календаря.`,
    eve: () => 'Последний день китайского лунного года, канун Нового года.',
    qingming: () => 'День сезона Цинмин по солнечному календарю, 4 или 5 апреля.',
    season: (s) => ({ march: 'День мартовского равноденствия.', september: 'День сентябрьского равноденствия.', june: 'День июньского солнцестояния.' }[s]),
    listed: () => 'Дата устанавливается ежегодно.',
    varies: () => 'Дата меняется из года в год.',
    moved: () => 'В некоторые годы переносится на ближайший будний день.',
    every: (k) => `Только раз в ${k} ${ruPlural(k, 'год', 'года', 'лет')}.`,
    even: () => 'Только в чётные годы.',
    onlyOn: (w) => `Только если приходится на ${{ 1: 'понедельник', 3: 'среду', 5: 'пятницу', 6: 'субботу' }[w] ?? weekdayName('ru', w)}.`,
    country: (type, c) => ({ public: `Государственный праздник (${c}).`, bank: `Банковский выходной (${c}).`,
      optional: `Необязательный выходной (${c}), для некоторых нерабочий.`,
      observance: `Памятный день (${c}), рабочий день.` }[type]),
    religion: {
      christian: 'Христианский праздник (западные церкви).', orthodox: 'Православный праздник.',
      jewish: 'Еврейский праздник.', islamic: 'Исламский праздник.', chinese: 'Традиционный китайский праздник.',
      buddhist: 'Буддийский праздник в традиции Восточной Азии.', general: 'День, который отмечают во многих странах.',
    },
  },
  es: {
    fixed: (m, d) => `Cada año el ${dayMonth('es', m, d)}.`,
    easter: (o, orth) => {
      const e = orth ? 'Domingo de Pascua ortodoxo' : 'Domingo de Pascua';
      if (o === 0) return orth ? 'El Domingo de Pascua ortodoxo, calculado según el calendario juliano.'
        : 'El Domingo de Pascua: el primer domingo después de la primera luna llena de primavera (cómputo eclesiástico).';
      if (Math.abs(o) === 1) return `El día ${o < 0 ? 'antes' : 'después'} del ${e}.`;
      return `${Math.abs(o)} días ${o < 0 ? 'antes' : 'después'} del ${e}.`;
    },
    nthIn: (n, w, m) => `El ${n === 'last' ? 'último' : ordinal.es[n - 1]} ${weekdayName('es', w)} de ${monthOf('es', m)}.`,
    rel: (n, w, dir, m, d) => `El ${n === 'last' ? 'último' : ordinal.es[n - 1]} ${weekdayName('es', w)} ${dir === 'before' ? 'antes' : 'después'} del ${dayMonth('es', m, d)}.`,
    afterNth: (w, n, w2, m) => `El ${weekdayName('es', w)} después del ${ordinal.es[n - 1]} ${weekdayName('es', w2)} de ${monthOf('es', m)}.`,
    julian: (m, d, gm, gd) => `El ${dayMonth('es', m, d)} del calendario juliano, es decir, el ${dayMonth('es', gm, gd)} del gregoriano.`,
    hebrew: (d, mon) => `El ${d} de ${hebrewMonths[mon][0].toLowerCase()} del calendario hebreo; el día empieza al atardecer de la víspera.`,
    hijri: (d, mon) => `El ${d} de ${hijriMonths[mon].es} del calendario islámico (Umm al-Qura); donde se observa la luna nueva, la fecha puede variar un día.`,
    lunar: (korean, m, d) => `El día ${d} del mes ${m} del calendario lunar ${korean ? 'coreano' : 'chino'}.`,
    eve: () => 'El último día del año lunar chino, víspera del Año Nuevo.',
    qingming: () => 'El día del término solar Qingming, el 4 o el 5 de abril.',
    season: (s) => ({ march: 'El día del equinoccio de marzo.', september: 'El día del equinoccio de septiembre.', june: 'El día del solsticio de junio.' }[s]),
    listed: () => 'Su fecha se fija cada año.',
    varies: () => 'Su fecha cambia de un año a otro.',
    moved: () => 'Algunos años se traslada a un día laborable cercano.',
    every: (k) => `Solo cada ${k} años.`,
    even: () => 'Solo en años pares.',
    onlyOn: (w) => `Solo cuando cae en ${weekdayName('es', w)}.`,
    country: (type, c) => ({ public: `Día festivo oficial (${c}).`, bank: `Festivo bancario (${c}).`,
      optional: `Festivo opcional (${c}), no laborable para algunos.`,
      observance: `Día conmemorativo (${c}), laborable.` }[type]),
    religion: {
      christian: 'Una fiesta cristiana (Iglesias occidentales).', orthodox: 'Una fiesta cristiana ortodoxa.',
      jewish: 'Una festividad judía.', islamic: 'Una festividad islámica.', chinese: 'Una fiesta tradicional china.',
      buddhist: 'Una fiesta budista, tal como se celebra en Asia oriental.', general: 'Un día que se celebra en muchos países.',
    },
  },
};

const wd = (s) => weekdays.indexOf(s.toLowerCase());
const mon = (s) => months.indexOf(s.toLowerCase()) + 1;
const nth = (s) => parseInt(s, 10);
const md = (s) => s.split('-').map(Number);

// The rule's date part in words, or 'varies' when the form is not one of those below.
export function parseRule(rule) {
  const extra = [];
  let r = rule.replace(/ #\d+$/, '');
  if (/^\d{4}-\d\d-\d\d/.test(r)) return { when: ['listed'], extra };
  let m = r.match(/ every (\d+) years/);
  if (m) extra.push(['every', +m[1]]);
  if (/ in even years/.test(r)) extra.push(['even']);
  m = r.match(/ on (\w+) since/);
  if (m) extra.push(['onlyOn', wd(m[1])]);
  // Moved days: "X if saturday then next monday"; with "and if" the day stays and an
  // observed day is added, which is not described.
  if (/ if .*then (next|previous)/.test(r.replace(/ and if .*/, ''))) extra.push(['moved']);
  r = r.replace(/ (and )?if .*| since .*| prior to .*| every .*| in even years.*| on \w+ .*| not on .*/, '')
    .replace(/ \d\d:\d\d| P\d+D| PT\d+H| in [+-]\d\d:\d\d$| in [A-Z][a-z]+\/[A-Za-z_/]+$/g, '').trim();
  if ((m = r.match(/^(\d\d)-(\d\d)$/))) return { when: ['fixed', +m[1], +m[2]], extra };
  if ((m = r.match(/^(easter|orthodox)(?: ([+-]?\d+))?$/))) return { when: ['easter', +(m[2] ?? 0), m[1] === 'orthodox'], extra };
  if ((m = r.match(/^julian (\d\d)-(\d\d)$/))) {
    const g = new Date(Date.UTC(2001, +m[1] - 1, +m[2] + 13));
    return { when: ['julian', +m[1], +m[2], g.getUTCMonth() + 1, g.getUTCDate()], extra };
  }
  if ((m = r.match(/^(\d)(?:st|nd|rd|th) (\w+) in (\w+)$/))) return { when: ['nthIn', nth(m[1]), wd(m[2]), mon(m[3])], extra };
  if ((m = r.match(/^(?:(\d)(?:st|nd|rd|th) )?(\w+) (before|after) (\d\d-\d\d)$/i)) && wd(m[2]) >= 0) {
    const [mm, dd] = md(m[4]);
    return { when: ['rel', m[1] ? nth(m[1]) : (m[3] === 'before' ? 'last' : 1), wd(m[2]), m[3], mm, dd], extra };
  }
  if ((m = r.match(/^(\w+) after (\d)(?:st|nd|rd|th) (\w+) in (\w+)$/))) return { when: ['afterNth', wd(m[1]), nth(m[2]), wd(m[3]), mon(m[4])], extra };
  if ((m = r.match(/^(\d+) (Tishrei|Cheshvan|Kislev|Tevet|Shvat|AdarII|Adar|Nisan|Iyyar|Sivan|Tamuz|Av)$/))) return { when: ['hebrew', +m[1], m[2]], extra };
  if ((m = r.match(/^(\d+) (Muharram|Rabi al-awwal|Rajab|Ramadan|Shawwal|Dhu al-Hijjah)$/))) return { when: ['hijri', +m[1], m[2]], extra };
  if ((m = r.match(/^(chinese|korean) (\d+)-0-(\d+)$/))) {
    if (+m[3] === 0 && +m[2] === 1) return { when: ['eve'], extra };
    return { when: ['lunar', m[1] === 'korean', +m[2], +m[3]], extra };
  }
  if (r === 'chinese 5-01 solarterm') return { when: ['qingming'], extra };
  if ((m = r.match(/^(march|september) equinox$|^(june) solstice$/))) return { when: ['season', m[1] ?? m[2]], extra };
  return { when: ['varies'], extra };
}

export function describe(lang, { category, country, countryName, rule, type }) {
  const p = P[lang];
  const kind = country ? p.country(type, countryName, category) : p.religion[category.toLowerCase()];
  const { when, extra } = parseRule(rule);
  const [form, ...args] = when;
  const parts = [kind, p[form](...args), ...extra.map(([f, ...a]) => p[f](...a))];
  return parts.join(' ');
}
