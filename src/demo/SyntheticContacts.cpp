#include "SyntheticContacts.h"

#include "platform/addressbook/AddressBook.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <array>
#include <cstdint>
#include <random>

namespace fetemark::SyntheticContacts {

namespace {

// Draws from the raw 32-bit output of std::mt19937 only (see the header for why).
class Random {
public:
    explicit Random(quint32 seed) : m_engine(seed) { }

    quint32 next() { return quint32(m_engine()); }

    // Uniform in [0, n): values below `threshold` are redrawn so that every remainder is
    // equally likely.
    quint32 below(quint32 n)
    {
        const quint32 threshold = (0u - n) % n;
        for (;;) {
            const quint32 x = next();
            if (x >= threshold)
                return x % n;
        }
    }
    int between(int low, int high) { return low + int(below(quint32(high - low + 1))); }
    bool chance(int perMille) { return int(below(1000)) < perMille; }

    template<typename T, std::size_t N> const T& pick(const std::array<T, N>& items)
    {
        return items[below(quint32(N))];
    }

private:
    std::mt19937 m_engine;
};

struct Weighted {
    const char* text;
    int weight;
};

template<std::size_t N>
const char* pickWeighted(Random& random, const std::array<Weighted, N>& items)
{
    int total = 0;
    for (const Weighted& item : items)
        total += item.weight;
    int at = int(random.below(quint32(total)));
    for (const Weighted& item : items) {
        if (at < item.weight)
            return item.text;
        at -= item.weight;
    }
    return items.back().text;
}

QString text(const char* utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// ---- Names --------------------------------------------------------------------------------

using Names = std::array<const char*, 8>;

struct Culture {
    int weight;           // share of people, per mille
    const char* dialCode; // for phone numbers
    Names first;
    Names last;
};

const std::array<Culture, 13> Cultures = {{
    {280, "+1", {"James", "Mary", "Oliver", "Emma", "William", "Charlotte", "Jack", "Grace"},
        {"Smith", "Johnson", "Brown", "Taylor", "Wilson", "O'Brien", "Walker", "Robinson"}},
    {150, "+49", {"Jürgen", "Anna", "Maximilian", "Lena", "Jörg", "Käthe", "Günther", "Sophie"},
        {"Müller", "Schmidt", "Schneider", "Weiß", "Becker", "Schäfer", "Köhler", "Groß"}},
    {100, "+33", {"Élodie", "François", "Camille", "Hélène", "Jérôme", "Chloé", "Benoît", "Zoé"},
        {"Martin", "Dubois", "Lefèvre", "Girard", "Moreau", "Rousseau", "Bélanger", "Châtelet"}},
    {100, "+34", {"José", "María", "Lucía", "Álvaro", "Sofía", "Iñigo", "Raúl", "Inés"},
        {"García", "Fernández", "López", "Martínez", "Pérez", "Gómez", "Núñez", "Peña"}},
    {50, "+48",
        {"Łukasz", "Małgorzata", "Wojciech", "Agnieszka", "Paweł", "Zofia", "Michał", "Katarzyna"},
        {"Nowak", "Kowalski", "Wiśniewski", "Wójcik", "Kamiński", "Lewandowski", "Zieliński",
            "Dąbrowski"}},
    {60, "+7", {"Иван", "Мария", "Алексей", "Анна", "Дмитрий", "Ольга", "Сергей", "Наталья"},
        {"Иванов", "Смирнов", "Кузнецов", "Попов", "Соколов", "Лебедев", "Козлов", "Новиков"}},
    {30, "+30", {"Γιώργος", "Μαρία", "Νίκος", "Ελένη", "Δημήτρης", "Κατερίνα", "Γιάννης", "Σοφία"},
        {"Παπαδόπουλος", "Κωνσταντίνου", "Γεωργίου", "Νικολάου", "Παππάς", "Βλάχος", "Αντωνίου",
            "Οικονόμου"}},
    {50, "+90", {"Ayşe", "Mehmet", "Çağla", "Oğuz", "Fatma", "Mustafa", "Şule", "Emre"},
        {"Yılmaz", "Kaya", "Demir", "Şahin", "Çelik", "Yıldız", "Öztürk", "Aydın"}},
    {50, "+81", {"翔太", "陽菜", "蓮", "結衣", "大翔", "さくら", "悠真", "美咲"},
        {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村"}},
    {50, "+86", {"伟", "芳", "娜", "秀英", "敏", "静", "丽", "强"},
        {"王", "李", "张", "刘", "陈", "杨", "黄", "赵"}},
    {30, "+82", {"민준", "서연", "지호", "하은", "도윤", "지우", "서준", "수아"},
        {"김", "이", "박", "최", "정", "강", "조", "윤"}},
    {20, "+961", {"محمد", "فاطمة", "أحمد", "مريم", "علي", "ليلى", "يوسف", "نور"},
        {"الحسن", "العلي", "حداد", "خوري", "منصور", "سعيد", "نصر", "عيسى"}},
    {30, "+84", {"Minh", "Hương", "Thảo", "Dũng", "Phương", "Tuấn", "Linh", "Quốc"},
        {"Nguyễn", "Trần", "Lê", "Phạm", "Hoàng", "Vũ", "Đặng", "Bùi"}},
}};

const Culture& pickCulture(Random& random)
{
    int at = random.between(0, 999);
    for (const Culture& culture : Cultures) {
        if (at < culture.weight)
            return culture;
        at -= culture.weight;
    }
    return Cultures.front();
}

const std::array<const char*, 12> Companies = {"Acme Corporation", "Bäckerei Schmidt GmbH",
    "Café Lumière", "株式会社テクノ", "ООО «Ромашка»", "Stadtwerke Nord", "Northwind Traders",
    "Ferretería López", "Blumen & Co.", "Dr. Weiß Zahnarztpraxis", "City Library",
    "Papierwaren Œuvre"};
const std::array<const char*, 6> Prefixes = {"Dr.", "Prof.", "Mr.", "Ms.", "Frau", "Sr."};
const std::array<const char*, 4> Suffixes = {"Jr.", "Sr.", "III", "PhD"};
const std::array<const char*, 10> Nicknames = {
    "Bobby", "Mimi", "Käpt'n", "Sasha", "🎸 Rocker", "小明", "Lulu", "Jojo", "Grandma 👵", "Bär"};
const std::array<const char*, 10> Notes = {"Likes dark chocolate 🍫", "Allergic to nuts",
    "Met at the conference in Lisbon", "Prefers calls after 6 pm", "Gift idea: a good book 📚",
    "Ne pas oublier : des fleurs 💐", "Kinder: Ana, Ben\nHund: Rex",
    "Vegetarian. Loves \"Italian\" food; no mushrooms!", "誕生日にはケーキ 🎂", "Переехал в Казань"};

// Other dated fields: the marked "other" label, people's own labels, and no label.
const std::array<Weighted, 9> OtherDateLabels = {{
    {"_$!<Other>!$_", 30},
    {"Name day", 12},
    {"Wedding", 10},
    {"Graduation", 10},
    {"Hochzeitstag", 8},
    {"Namenstag", 6},
    {"Jour de la rencontre", 4},
    {"In memoriam", 5},
    {nullptr, 15},
}};

constexpr const char* Anniversary = "_$!<Anniversary>!$_";
constexpr const char* Mobile = "_$!<Mobile>!$_";
constexpr const char* Home = "_$!<Home>!$_";
constexpr const char* Work = "_$!<Work>!$_";
constexpr const char* OtherLabel = "_$!<Other>!$_";
constexpr const char* HomePage = "_$!<HomePage>!$_";

const std::array<Weighted, 5> PhoneLabels = {
    {{Mobile, 55}, {Home, 25}, {Work, 15}, {"Ferienhaus", 3}, {nullptr, 2}}};
const std::array<Weighted, 3> EmailLabels = {{{Home, 60}, {Work, 35}, {OtherLabel, 5}}};
const std::array<const char*, 4> MailDomains = {
    "example.com", "example.org", "example.net", "mail.example.com"};

struct Place {
    const char* street;
    const char* city;
    const char* state;
    const char* zip;
    const char* country;
};
const std::array<Place, 10> Places = {{
    {"Main Street", "Springfield", "IL", "62704", "USA"},
    {"Hauptstraße", "München", "Bayern", "80331", "Deutschland"},
    {"Rue de la Paix", "Lyon", "", "69002", "France"},
    {"Calle Mayor", "Madrid", "Madrid", "28013", "España"},
    {"ul. Floriańska", "Kraków", "małopolskie", "31-019", "Polska"},
    {"ул. Арбат", "Москва", "", "119002", "Россия"},
    {"銀座", "中央区", "東京都", "104-0061", "日本"},
    {"High Street", "Oxford", "Oxfordshire", "OX1 4AA", "United Kingdom"},
    {"Bahnhofstrasse", "Zürich", "ZH", "8001", "Schweiz"},
    {"İstiklal Caddesi", "İstanbul", "", "34433", "Türkiye"},
}};

const std::array<Weighted, 4> GroupWeights = {
    {{"Family", 30}, {"Friends", 35}, {"Work", 25}, {"Club", 10}}};

// ---- Values -----------------------------------------------------------------------------

QDate dayIn(Random& random, int year)
{
    const int month = random.between(1, 12);
    return QDate(year, month, random.between(1, QDate(year, month, 1).daysInMonth()));
}

QDate birthday(Random& random)
{
    const bool noYear = random.chance(150);
    if (random.chance(4)) {
        // Leap-day birthdays are rare but are where reminders go wrong.
        return QDate(noYear ? Person::NoYear : 1932 + 4 * random.between(0, 22), 2, 29);
    }
    return dayIn(random, noYear ? Person::NoYear : random.between(1930, 2020));
}

QString digits(Random& random, int count)
{
    QString out;
    for (int i = 0; i < count; ++i)
        out += QChar(u'0' + random.between(0, 9));
    return out;
}

// The ASCII letters of a name for an e-mail address: accents dropped, letters without
// an ASCII base (CJK, Cyrillic...) left out.
QString asciiFold(const QString& name)
{
    QString out;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (c == u'ł' || c == u'Ł' || c == u'ı')
            out += c == u'ı' ? u'i' : u'l';
        else if (c == u'ß')
            out += QStringLiteral("ss");
        else if (c.unicode() < 128 && c.isLetter())
            out += c.toLower();
    }
    return out;
}

// Names of a person (not a business), drawn from their culture.
void addNames(Random& random, const Culture& culture, Person& p)
{
    p.firstName = text(random.pick(culture.first));
    p.lastName = text(random.pick(culture.last));
    if (random.chance(50))
        p.middleName = text(random.pick(culture.first));
    if (random.chance(30))
        p.prefix = text(random.pick(Prefixes));
    if (random.chance(10))
        p.suffix = text(random.pick(Suffixes));
    if (random.chance(50))
        p.nickname = text(random.pick(Nicknames));
    if (random.chance(250))
        p.organization = text(random.pick(Companies));
}

// Shares among people chosen so that the whole set lands on ~85 %, ~25 %, ~10 %.
void addDates(Random& random, Person& p)
{
    if (random.chance(876))
        p.birthday = birthday(random);
    if (random.chance(258))
        p.dates.push_back({text(Anniversary),
            dayIn(random, random.chance(100) ? Person::NoYear : random.between(1950, 2024))});
    if (random.chance(103)) {
        const int count = random.chance(200) ? 2 : 1;
        for (int i = 0; i < count; ++i)
            p.dates.push_back({text(pickWeighted(random, OtherDateLabels)),
                dayIn(random, random.chance(200) ? Person::NoYear : random.between(1940, 2025))});
    }
}

void addPhones(Random& random, const Culture& culture, Person& p)
{
    const int phoneCount = std::array {0, 1, 1, 1, 1, 1, 2, 2, 2, 3}[random.below(10)];
    for (int i = 0; i < phoneCount; ++i) {
        const char* label =
            i == 0 && random.chance(600) ? Mobile : pickWeighted(random, PhoneLabels);
        p.phones.push_back({text(label),
            QStringLiteral("%1 %2 %3")
                .arg(QLatin1StringView(culture.dialCode), digits(random, 3), digits(random, 7))});
    }
}

// Addresses made of the person's name ("info@" for a business).
void addEmails(Random& random, Person& p, bool organizationOnly, int index)
{
    const int emailCount =
        std::array {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2}[random.below(20)];
    QString local = organizationOnly ? QStringLiteral("info")
                                     : asciiFold(p.firstName) + u'.' + asciiFold(p.lastName);
    if (local == u'.')
        local = QStringLiteral("friend%1").arg(index);
    for (int i = 0; i < emailCount; ++i) {
        const QString suffix = i == 0 ? QString() : QString::number(random.between(1, 99));
        p.emails.push_back({text(pickWeighted(random, EmailLabels)),
            local + suffix + u'@' + text(random.pick(MailDomains))});
    }
}

void addAddress(Random& random, Person& p)
{
    const Place& place = random.pick(Places);
    PostalAddress address {
        QString(), text(place.city), text(place.state), text(place.zip), text(place.country)};
    if (random.chance(900))
        address.street =
            QStringLiteral("%1 %2").arg(text(place.street)).arg(random.between(1, 250));
    p.addresses.push_back({text(random.chance(700) ? Home : Work), address});
}

void addGroups(Random& random, QStringList& groups)
{
    groups << text(pickWeighted(random, GroupWeights));
    if (random.chance(200)) {
        const QString second = text(pickWeighted(random, GroupWeights));
        if (!groups.contains(second))
            groups << second;
    }
}

// Every value is drawn in a fixed order, so that a seed always gives the same people.
SyntheticContact makeContact(Random& random, quint32 seed, int index, int photoEvery)
{
    SyntheticContact contact;
    Person& p = contact.person;
    p.uid = QStringLiteral("synthetic-%1-%2").arg(seed).arg(index);
    const Culture& culture = pickCulture(random);

    // Some cards are businesses: no name, no birthday, no anniversary.
    const bool organizationOnly = random.chance(30);
    if (organizationOnly) {
        p.organization = text(random.pick(Companies));
    } else {
        addNames(random, culture, p);
        addDates(random, p);
    }
    addPhones(random, culture, p);
    addEmails(random, p, organizationOnly, index);
    if (random.chance(50))
        p.urls.push_back(
            {text(HomePage), QStringLiteral("https://www.example.com/~%1").arg(index)});
    if (random.chance(200))
        addAddress(random, p);
    if (random.chance(120))
        p.note = text(random.pick(Notes));
    if (random.chance(300))
        addGroups(random, contact.groups);

    // Pictures come from their own numbers, so asking for them does not change the people.
    if (photoEvery > 0 && (index + 1) % photoEvery == 0) {
        contact.photo = photo(seed * 2654435761u ^ quint32(index));
        p.hasImage = true;
    }
    return contact;
}

// ---- PNG --------------------------------------------------------------------------------

quint32 crc32(const QByteArray& bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t {};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xffffffffu;
    for (const char byte : bytes)
        c = table[(c ^ quint8(byte)) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void appendBigEndian(QByteArray& out, quint32 value)
{
    out += char(value >> 24);
    out += char(value >> 16);
    out += char(value >> 8);
    out += char(value);
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    const QByteArray typed = QByteArray(type, 4) + data;
    appendBigEndian(png, quint32(data.size()));
    png += typed;
    appendBigEndian(png, crc32(typed));
}

// The pixels as a zlib stream of one uncompressed deflate block. Compressing would make
// the bytes depend on the zlib build (zlib-ng, other versions), and the same seed must
// give the same pictures everywhere; 3 KB per picture is small enough.
QByteArray storedZlib(const QByteArray& data)
{
    Q_ASSERT(data.size() <= 0xffff);
    const auto length = quint16(data.size());
    QByteArray out("\x78\x01", 2); // deflate, 32 KB window, no dictionary; header checksum fits
    out += char(1);                // last block, stored
    out += char(length & 0xff);
    out += char(length >> 8);
    out += char(~length & 0xff);
    out += char((~length >> 8) & 0xff);
    out += data;
    quint32 a = 1, b = 0; // Adler-32
    for (const char byte : data) {
        a = (a + quint8(byte)) % 65521;
        b = (b + a) % 65521;
    }
    appendBigEndian(out, (b << 16) | a);
    return out;
}

} // namespace

QByteArray photo(quint32 key)
{
    constexpr int Size = 32;
    Random random(key);
    auto colour = [&random] {
        return std::array<int, 3> {
            random.between(0, 255), random.between(0, 255), random.between(0, 255)};
    };
    const auto from = colour();
    const auto to = colour();
    const auto figure = colour();

    // A head and shoulders over a diagonal gradient, like a placeholder portrait.
    QByteArray rows;
    rows.reserve(Size * (1 + 3 * Size));
    for (int y = 0; y < Size; ++y) {
        rows += char(0); // filter: none
        for (int x = 0; x < Size; ++x) {
            const int hx = x - 16, hy = y - 12, bx = x - 16, by = y - 34;
            const bool inFigure = hx * hx + hy * hy <= 36 || bx * bx + by * by <= 150;
            for (int c = 0; c < 3; ++c) {
                const int value =
                    inFigure ? figure[c] : from[c] + (to[c] - from[c]) * (x + y) / (2 * Size - 2);
                rows += char(value);
            }
        }
    }

    QByteArray header;
    appendBigEndian(header, Size);
    appendBigEndian(header, Size);
    header +=
        QByteArray("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", storedZlib(rows));
    appendChunk(png, "IEND", QByteArray());
    return png;
}

QStringList groupNames()
{
    QStringList names;
    for (const Weighted& group : GroupWeights)
        names << text(group.text);
    return names;
}

std::vector<SyntheticContact> generate(const Options& options)
{
    std::vector<SyntheticContact> contacts;
    if (options.people <= 0)
        return contacts;
    contacts.reserve(std::size_t(options.people));
    Random random(options.seed);
    for (int i = 0; i < options.people; ++i)
        contacts.push_back(makeContact(random, options.seed, i, options.photoEvery));
    return contacts;
}

int fill(AddressBook& book, const Options& options)
{
    const std::vector<SyntheticContact> contacts = generate(options);
    auto fail = [&book] {
        book.revert();
        return -1;
    };
    QHash<QString, std::int32_t> groupIDs;
    for (const SyntheticContact& contact : contacts) {
        const std::int32_t id = book.addPerson(contact.person);
        if (id < 0)
            return fail();
        for (const QString& name : contact.groups) {
            auto it = groupIDs.find(name);
            if (it == groupIDs.end()) {
                const auto existing = book.groupNamed(name);
                it = groupIDs.insert(name, existing ? existing->recordID : book.addGroup(name));
            }
            if (it.value() < 0 || !book.addGroupMember(it.value(), id))
                return fail();
        }
        if (!contact.photo.isEmpty() && !book.setImageData(id, contact.photo))
            return fail();
    }
    if (!book.save())
        return -1;
    return int(contacts.size());
}

} // namespace fetemark::SyntheticContacts
