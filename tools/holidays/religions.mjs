// The religion categories and GENERAL: their rules (date-holidays rule syntax) and names.
// A holiday's English name gives its key, so each is named the way the countries' lists
// name the same day (the app then shows one record when both are subscribed).

export const religionOrder = ['CHRISTIAN', 'ORTHODOX', 'JEWISH', 'ISLAMIC', 'CHINESE', 'BUDDHIST', 'GENERAL'];

export const categoryNames = {
  CHRISTIAN: { en: 'Christian', de: 'Christlich', fr: 'Chrétien', it: 'Cristiano', nl: 'Christelijk', ru: 'Христианские', es: 'Cristiano' },
  ORTHODOX: { en: 'Orthodox Christian', de: 'Orthodox', fr: 'Chrétien orthodoxe', it: 'Cristiano ortodosso', nl: 'Orthodox christelijk', ru: 'Православные', es: 'Cristiano ortodoxo' },
  JEWISH: { en: 'Jewish', de: 'Jüdisch', fr: 'Juif', it: 'Ebraico', nl: 'Joods', ru: 'Еврейские', es: 'Judío' },
  ISLAMIC: { en: 'Islamic', de: 'Islamisch', fr: 'Musulman', it: 'Islamico', nl: 'Islamitisch', ru: 'Исламские', es: 'Islámico' },
  CHINESE: { en: 'Chinese', de: 'Chinesisch', fr: 'Chinois', it: 'Cinese', nl: 'Chinees', ru: 'Китайские', es: 'Chino' },
  BUDDHIST: { en: 'Buddhist', de: 'Buddhistisch', fr: 'Bouddhiste', it: 'Buddista', nl: 'Boeddhistisch', ru: 'Буддийские', es: 'Budista' },
  GENERAL: { en: 'General', de: 'Allgemein', fr: 'Général', it: 'Generale', nl: 'Algemeen', ru: 'Общие', es: 'General' },
};

// The calendar words of the descriptions name the religion's calendar.
export const religionKind = {
  CHRISTIAN: 'christian', ORTHODOX: 'orthodox', JEWISH: 'jewish', ISLAMIC: 'islamic',
  CHINESE: 'chinese', BUDDHIST: 'buddhist', GENERAL: 'general',
};

const n = (en, de, fr, it, nl, ru, es) => ({ en, de, fr, it, nl, ru, es });

export const religions = {
  CHRISTIAN: [
    ['easter -46', n("Ash Wednesday", 'Aschermittwoch', 'Mercredi des Cendres', 'Mercoledì delle Ceneri', 'Aswoensdag', 'Пепельная среда', 'Miércoles de Ceniza')],
    ['easter -7', n('Palm Sunday', 'Palmsonntag', 'Dimanche des Rameaux', 'Domenica delle Palme', 'Palmzondag', 'Вербное воскресенье', 'Domingo de Ramos')],
    ['easter -3', n('Maundy Thursday', 'Gründonnerstag', 'Jeudi saint', 'Giovedì santo', 'Witte Donderdag', 'Великий четверг', 'Jueves Santo')],
    ['easter -2', n('Good Friday', 'Karfreitag', 'Vendredi saint', 'Venerdì santo', 'Goede Vrijdag', 'Страстная пятница', 'Viernes Santo')],
    ['easter', n('Easter Sunday', 'Ostersonntag', 'Dimanche de Pâques', 'Pasqua', 'Eerste Paasdag', 'Пасха', 'Domingo de Pascua')],
    ['easter 1', n('Easter Monday', 'Ostermontag', 'Lundi de Pâques', "Lunedì dell'Angelo", 'Tweede Paasdag', 'Пасхальный понедельник', 'Lunes de Pascua')],
    ['easter 39', n('Ascension Day', 'Christi Himmelfahrt', 'Ascension', 'Ascensione', 'Hemelvaartsdag', 'Вознесение Господне', 'Día de la Ascensión')],
    ['easter 49', n('Pentecost', 'Pfingstsonntag', 'Pentecôte', 'Pentecoste', 'Eerste Pinksterdag', 'Пятидесятница', 'Pentecostés')],
    ['easter 50', n('Whit Monday', 'Pfingstmontag', 'Lundi de Pentecôte', 'Lunedì di Pentecoste', 'Tweede Pinksterdag', 'Духов день', 'Lunes de Pentecostés')],
    ['easter 60', n('Corpus Christi', 'Fronleichnam', 'Fête-Dieu', 'Corpus Domini', 'Sacramentsdag', 'Праздник Тела и Крови Христовых', 'Corpus Christi')],
    ['01-06', n('Epiphany', 'Heilige Drei Könige', 'Épiphanie', 'Epifania', 'Driekoningen', 'Богоявление', 'Epifanía del Señor')],
    ['08-15', n('Assumption', 'Mariä Himmelfahrt', 'Assomption', 'Ferragosto', 'Maria-Tenhemelopneming', 'Успение Девы Марии', 'Asunción de la Virgen')],
    ['11-01', n("All Saints' Day", 'Allerheiligen', 'Toussaint', 'Ognissanti', 'Allerheiligen', 'День всех святых', 'Día de Todos los Santos')],
    ['11-02', n("All Souls' Day", 'Allerseelen', 'Jour des morts', 'Commemorazione dei defunti', 'Allerzielen', 'День поминовения усопших', 'Día de los Fieles Difuntos')],
    ['4th sunday before 12-25', n('First Sunday of Advent', 'Erster Advent', "Premier dimanche de l'Avent", "Prima domenica d'Avvento", 'Eerste advent', 'Первое воскресенье Адвента', 'Primer domingo de Adviento')],
    ['12-08', n('Immaculate Conception', 'Mariä Empfängnis', 'Immaculée Conception', 'Immacolata Concezione', 'Onbevlekte Ontvangenis', 'Непорочное зачатие Девы Марии', 'Inmaculada Concepción')],
    ['12-24', n('Christmas Eve', 'Heiligabend', 'Veille de Noël', 'Vigilia di Natale', 'Kerstavond', 'Сочельник', 'Nochebuena')],
    ['12-25', n('Christmas Day', 'Erster Weihnachtstag', 'Noël', 'Natale', 'Eerste Kerstdag', 'Рождество Христово', 'Navidad')],
  ],
  ORTHODOX: [
    ['julian 12-25', n('Orthodox Christmas', 'Orthodoxes Weihnachten', 'Noël orthodoxe', 'Natale ortodosso', 'Orthodox Kerstmis', 'Рождество Христово', 'Navidad ortodoxa')],
    ['julian 01-06', n('Theophany', 'Theophanie', 'Théophanie', 'Teofania', 'Theofanie', 'Крещение Господне', 'Teofanía')],
    ['orthodox -48', n('Clean Monday', 'Reiner Montag', 'Lundi pur', 'Lunedì puro', 'Schone Maandag', 'Чистый понедельник', 'Lunes Limpio')],
    ['orthodox -2', n('Orthodox Good Friday', 'Orthodoxer Karfreitag', 'Vendredi saint orthodoxe', 'Venerdì santo ortodosso', 'Orthodoxe Goede Vrijdag', 'Великая пятница', 'Viernes Santo ortodoxo')],
    ['orthodox', n('Orthodox Easter', 'Orthodoxes Ostern', 'Pâques orthodoxe', 'Pasqua ortodossa', 'Orthodox Pasen', 'Пасха', 'Pascua ortodoxa')],
    ['orthodox 1', n('Orthodox Easter Monday', 'Orthodoxer Ostermontag', 'Lundi de Pâques orthodoxe', "Lunedì dell'Angelo ortodosso", 'Orthodoxe Tweede Paasdag', 'Светлый понедельник', 'Lunes de Pascua ortodoxo')],
    ['orthodox 49', n('Orthodox Pentecost', 'Orthodoxes Pfingsten', 'Pentecôte orthodoxe', 'Pentecoste ortodossa', 'Orthodox Pinksteren', 'Троица', 'Pentecostés ortodoxo')],
  ],
  JEWISH: [
    ['15 Shvat', n('Tu BiShvat', 'Tu biSchevat', 'Tou Bichvat', 'Tu BiShvat', 'Toe Bisjvat', 'Ту би-Шват', 'Tu BiShvat')],
    ['14 AdarII', n('Purim', 'Purim', 'Pourim', 'Purim', 'Poerim', 'Пурим', 'Purim')],
    ['15 Nisan', n('Passover', 'Pessach', 'Pessa’h', 'Pesach', 'Pesach', 'Песах', 'Pésaj')],
    ['6 Sivan', n('Shavuot', 'Schawuot', 'Chavouot', 'Shavuot', 'Sjavoeot', 'Шавуот', 'Shavuot')],
    ['9 Av if saturday then next sunday', n("Tisha B'Av", 'Tischa beAv', 'Tisha BeAv', "Tisha b'Av", "Tisja b'Av", 'Тиша бе-Ав', 'Tishá b’Av')],
    ['1 Tishrei', n('Rosh Hashanah', 'Rosch haSchana', 'Roch Hachana', 'Rosh haShana', 'Rosj Hasjana', 'Рош ха-Шана', 'Rosh Hashaná')],
    ['10 Tishrei', n('Yom Kippur', 'Jom Kippur', 'Yom Kippour', 'Yom Kippur', 'Jom Kipoer', 'Йом Кипур', 'Yom Kipur')],
    ['15 Tishrei', n('Sukkot', 'Sukkot', 'Souccot', 'Sukkot', 'Soekot', 'Суккот', 'Sucot')],
    ['22 Tishrei', n('Shemini Atzeret', 'Schemini Azeret', 'Chemini Atseret', 'Shemini Atzeret', 'Sjemini Atseret', 'Шмини Ацерет', 'Sheminí Atzéret')],
    ['23 Tishrei', n('Simchat Torah', 'Simchat Tora', 'Simhat Torah', 'Simchat Torah', 'Simchat Tora', 'Симхат Тора', 'Simjat Torá')],
    ['25 Kislev', n('Hanukkah', 'Chanukka', 'Hanoucca', 'Hanukkah', 'Chanoeka', 'Ханука', 'Janucá')],
  ],
  ISLAMIC: [
    ['27 Rajab', n("Isra and Mi'raj", "Isra und Mi'radsch", "Isra et Miraj", "Isra e Mi'raj", "Isra en Mi'raj", 'Ночь Вознесения (Исра и Мирадж)', "Isra y Mi'rach")],
    ['1 Ramadan', n('First Day of Ramadan', 'Beginn des Ramadan', 'Début du ramadan', 'Inizio del Ramadan', 'Begin van de ramadan', 'Начало Рамадана', 'Comienzo del Ramadán')],
    ['27 Ramadan', n('Laylat al-Qadr', 'Laylat al-Qadr', 'Laylat al-Qadr', 'Laylat al-Qadr', 'Laylat al-Qadr', 'Ночь предопределения', 'Laylat al-Qadr')],
    ['1 Shawwal', n('Eid al-Fitr', 'Fest des Fastenbrechens', 'Aïd el-Fitr', 'Eid al-Fitr', 'Suikerfeest', 'Ураза-байрам', 'Fiesta del Fin del Ayuno')],
    ['9 Dhu al-Hijjah', n('Day of Arafah', 'Tag von Arafat', "Jour d'Arafat", 'Giorno di Arafat', 'Dag van Arafat', 'День Арафат', 'Día de Arafat')],
    ['10 Dhu al-Hijjah', n('Eid al-Adha', 'Opferfest', 'Aïd el-Kebir', 'Eid al-Adha', 'Offerfeest', 'Курбан-байрам', 'Fiesta del Sacrificio')],
    ['1 Muharram', n('Islamic New Year', 'Islamisches Neujahr', 'Nouvel An islamique', 'Capodanno islamico', 'Islamitisch Nieuwjaar', 'Исламский Новый год', 'Año Nuevo islámico')],
    ['10 Muharram', n('Ashura', 'Aschura', 'Achoura', 'Ashura', 'Asjoera', 'Ашура', 'Ashura')],
    ['12 Rabi al-awwal', n("Mawlid", 'Maulid an-Nabi', 'Mawlid', 'Mawlid', 'Mawlid an-Nabi', 'Мавлид', 'Mawlid')],
  ],
  CHINESE: [
    ['chinese 01-0-01', n('Chinese New Year', 'Chinesisches Neujahr', 'Nouvel An chinois', 'Capodanno cinese', 'Chinees Nieuwjaar', 'Китайский Новый год', 'Año Nuevo chino')],
    ['chinese 01-0-15', n('Lantern Festival', 'Laternenfest', 'Fête des lanternes', 'Festa delle lanterne', 'Lantaarnfeest', 'Праздник фонарей', 'Festival de los Faroles')],
    ['chinese 5-01 solarterm', n('Qingming Festival', 'Qingming-Fest', 'Fête de Qingming', 'Festa di Qingming', 'Qingmingfestival', 'Цинмин', 'Festival de Qingming')],
    ['chinese 05-0-05', n('Dragon Boat Festival', 'Drachenbootfest', 'Fête des bateaux-dragons', 'Festa delle barche drago', 'Drakenbootfestival', 'Праздник драконьих лодок', 'Festival del Bote del Dragón')],
    ['chinese 07-0-07', n('Qixi Festival', 'Qixi-Fest', 'Fête de Qixi', 'Festa di Qixi', 'Qixifestival', 'Цисицзе', 'Festival Qixi')],
    ['chinese 07-0-15', n('Ghost Festival', 'Geisterfest', 'Fête des fantômes', 'Festa dei fantasmi', 'Spookfestival', 'Праздник голодных духов', 'Festival de los Fantasmas')],
    ['chinese 08-0-15', n('Mid-Autumn Festival', 'Mondfest', 'Fête de la mi-automne', 'Festa di metà autunno', 'Midherfstfestival', 'Праздник середины осени', 'Festival del Medio Otoño')],
    ['chinese 09-0-09', n('Double Ninth Festival', 'Doppel-Neun-Fest', 'Fête du double neuf', 'Festa del doppio nove', 'Dubbel Negen-festival', 'Праздник двойной девятки', 'Festival del Doble Nueve')],
  ],
  BUDDHIST: [
    ['chinese 04-0-08', n("Buddha's Birthday", 'Buddhas Geburtstag', 'Anniversaire de Bouddha', 'Compleanno di Buddha', 'Boeddha’s verjaardag', 'День рождения Будды', 'Cumpleaños de Buda')],
  ],
  GENERAL: [
    ['01-01', n("New Year's Day", 'Neujahr', 'Jour de l’an', 'Capodanno', 'Nieuwjaarsdag', 'Новый год', 'Año Nuevo')],
    ['02-14', n("Valentine's Day", 'Valentinstag', 'Saint-Valentin', 'San Valentino', 'Valentijnsdag', 'День святого Валентина', 'Día de San Valentín')],
    ['03-08', n("International Women's Day", 'Internationaler Frauentag', 'Journée internationale des femmes', 'Giornata internazionale della donna', 'Internationale Vrouwendag', 'Международный женский день', 'Día Internacional de la Mujer')],
    ['04-22', n('Earth Day', 'Tag der Erde', 'Jour de la Terre', 'Giornata della Terra', 'Dag van de Aarde', 'День Земли', 'Día de la Tierra')],
    ['10-31', n('Halloween', 'Halloween', 'Halloween', 'Halloween', 'Halloween', 'Хэллоуин', 'Halloween')],
    ['12-31', n("New Year's Eve", 'Silvester', 'Saint-Sylvestre', 'San Silvestro', 'Oudejaarsavond', 'Канун Нового года', 'Nochevieja')],
  ],
};
