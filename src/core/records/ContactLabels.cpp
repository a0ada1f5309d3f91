#include "ContactLabels.h"

#include "core/text/Texts.h"

namespace fetemark::ContactLabel {
namespace {

struct KnownLabel {
    const char* name;        // the part between the markers
    const char* englishWord; // shown when no translation exists
};

constexpr KnownLabel knownLabels[] = {
    {"Anniversary", "anniversary"},
    {"Other", "other"},
    {"Home", "home"},
    {"Work", "work"},
    {"Mobile", "mobile"},
    {"Main", "main"},
    {"HomeFAX", "home fax"},
    {"WorkFAX", "work fax"},
    {"OtherFAX", "other fax"},
    {"Pager", "pager"},
    {"HomePage", "home page"},
    {"Assistant", "assistant"},
    {"Father", "father"},
    {"Mother", "mother"},
    {"Parent", "parent"},
    {"Brother", "brother"},
    {"Sister", "sister"},
    {"Child", "child"},
    {"Friend", "friend"},
    {"Spouse", "spouse"},
    {"Partner", "partner"},
    {"Manager", "manager"},
    {"School", "school"},
};

const QLatin1StringView Prefix {"_$!<"};
const QLatin1StringView Suffix {">!$_"};

} // namespace

QString ofDateValue(const QString& label)
{
    return label.isEmpty() ? QString(Unlabelled) : label;
}

const QStringList& formerUnlabelledWords()
{
    // "lowercase_date" as en, de, es, fr, it, nl and ru had it.
    static const QStringList words {QStringLiteral("date"), QStringLiteral("Datum"),
        QStringLiteral("fecha"), QStringLiteral("data"), QStringLiteral("datum"),
        QStringLiteral("\u0434\u0430\u0442\u0430")};
    return words;
}

bool isWellKnown(const QString& label)
{
    return label.size() > Prefix.size() + Suffix.size() && label.startsWith(Prefix) &&
        label.endsWith(Suffix);
}

QString localizedLabel(const QString& label, const Texts& texts)
{
    if (label == IPhone)
        return texts.text(QStringLiteral("Label_iPhone"), QStringLiteral("iPhone"));
    if (label == Unlabelled)
        return texts.text(QStringLiteral("lowercase_date"), QStringLiteral("date"));
    if (!isWellKnown(label))
        return label;
    const QString name = label.mid(Prefix.size(), label.size() - Prefix.size() - Suffix.size());
    for (const KnownLabel& known : knownLabels) {
        if (name == QLatin1StringView(known.name))
            return texts.text(
                QStringLiteral("Label_") + name, QString::fromLatin1(known.englishWord));
    }
    // A marked label we do not know: show its name rather than the markers.
    return name.toLower();
}

} // namespace fetemark::ContactLabel
