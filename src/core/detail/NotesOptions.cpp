#include "NotesOptions.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "platform/archive/PropertyList.h"

#include <QDir>
#include <QFile>

namespace fetemark {
namespace {

QString settingsTable()
{
    return QString::fromLatin1(NotesOptions::SettingsTable);
}

std::optional<OptionList> optionListOf(const QVariantMap& entry, QString* error)
{
    OptionList list;
    list.key = entry.value(QStringLiteral("Key")).toString();
    list.titleKey = entry.value(QStringLiteral("Title")).toString();
    list.titleKeys = entry.value(QStringLiteral("Titles")).toStringList();
    list.images = entry.value(QStringLiteral("Images")).toStringList();
    list.helpKey = entry.value(QStringLiteral("Help")).toString();
    for (const QVariant& value : entry.value(QStringLiteral("Values")).toList()) {
        bool ok = value.typeId() == QMetaType::LongLong;
        const qint64 number = value.toLongLong();
        if (!ok || number < INT_MIN || number > INT_MAX) {
            *error =
                QStringLiteral("the option list %1 has a value that is no integer").arg(list.key);
            return std::nullopt;
        }
        list.values.push_back(int(number));
    }
    if (list.values.empty() || qsizetype(list.values.size()) != list.titleKeys.size()) {
        *error =
            QStringLiteral("the option list %1 has no titles and values in pairs").arg(list.key);
        return std::nullopt;
    }
    return list;
}

} // namespace

int OptionList::indexOfValue(int value) const
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] == value)
            return int(i);
    }
    return -1;
}

QString OptionList::title(const Texts& texts) const
{
    return texts.text(titleKey, titleKey, settingsTable());
}

QString OptionList::optionTitle(int index, const Texts& texts) const
{
    const QString k = titleKeys.value(index);
    return k.isEmpty() ? k : texts.text(k, k, settingsTable());
}

std::optional<OptionList> readOptionList(
    const QString& key, const QString& resourceRoot, QString* error)
{
    QString problem;
    QFile file(QDir(resourceRoot).filePath(QStringLiteral("Settings.plist")));
    std::optional<QVariant> root;
    if (file.open(QIODevice::ReadOnly))
        root = PropertyList::read(file.readAll(), &problem);
    else
        problem = file.errorString();
    std::optional<OptionList> list;
    if (root) {
        const QVariantList entries =
            root->toMap().value(QStringLiteral("PreferenceSpecifiers")).toList();
        problem = QStringLiteral("Settings.plist has no option list %1").arg(key);
        for (const QVariant& item : entries) {
            const QVariantMap entry = item.toMap();
            if (entry.value(QStringLiteral("Key")).toString() == key) {
                list = optionListOf(entry, &problem);
                break;
            }
        }
    }
    if (!list && error)
        *error = problem;
    return list;
}

namespace NotesOptions {

std::optional<OptionList> addressBookNotesOptions(const QString& resourceRoot, QString* error)
{
    return readOptionList(QString(Key::AddressBookNotes), resourceRoot, error);
}

ScreenTexts screenTexts(const Texts& texts)
{
    return {texts.text(QStringLiteral("ShowNotes"), QStringLiteral("Show Notes"), settingsTable()),
        texts.text(
            QStringLiteral("ContactNotes"), QStringLiteral("Contact Notes"), settingsTable()),
        texts.text(QStringLiteral("AddressBookNotesHelp"),
            QStringLiteral("Where the notes of your contacts' occasions are kept. Changing this "
                           "does not move notes already written."),
            settingsTable())};
}

EditorTexts editorTexts(const OccasionRecord& record, const Settings& settings, const Texts& texts)
{
    const bool contact = !record.isCustomEntry && !record.isFacebookEntry && !record.isHoliday &&
        record.recordID != -1;
    EditorTexts out;
    if (contact && settings.integerValue(QString(Key::AddressBookNotes)) != 0) {
        out.titleKey = QStringLiteral("NotesFieldFromContacts");
        out.title = texts.text(out.titleKey, QStringLiteral("Contact Notes"));
    } else {
        out.titleKey = QStringLiteral("NotesFieldFromFetemark");
        out.title = texts.text(out.titleKey, QStringLiteral("Fetemark Notes"));
    }
    out.placeholder = texts.text(QStringLiteral("NotesPlaceholder"), QStringLiteral("Notes"));
    return out;
}

} // namespace NotesOptions
} // namespace fetemark
