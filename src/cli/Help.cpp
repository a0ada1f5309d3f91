#include "Help.h"

#include "cli/Diagnostics.h"
#include "cli/JsonWriter.h"
#include "cli/TextColumns.h"
#include "cli/Version.h"

#include <algorithm>

namespace fetemark::cli::Help {
namespace {

constexpr int LineWidth = 80;
constexpr int MaxTermWidth = 20;

const char* const Synopsis = "fetemark [--data-dir DIR] [--now WHEN] [--tz ZONE] [--locale NAME] "
                             "[--demo] [--gui | --no-gui] [--json] [COMMAND ...]";

QList<HelpItem> globalOptions()
{
    return {
        {QStringLiteral("--data-dir DIR"),
            QStringLiteral("the data directory (else $FETEMARK_DATA_DIR, else "
                           "$XDG_DATA_HOME/fetemark, else ~/.local/share/fetemark)")},
        {QStringLiteral("--now WHEN"),
            QStringLiteral("the current local time: YYYY-MM-DD (noon) or "
                           "YYYY-MM-DDTHH:MM[:SS] (also $FETEMARK_NOW)")},
        {QStringLiteral("--tz ZONE"),
            QStringLiteral("the device's time zone, an IANA name such as Europe/Berlin "
                           "(else $TZ)")},
        {QStringLiteral("--locale NAME"),
            QStringLiteral("the device's locale such as en_US or de_DE (else $LC_ALL or "
                           "$LANG); the language follows it")},
        {QStringLiteral("--demo"),
            QStringLiteral("use a demo data directory with a few hundred made-up people "
                           "(filled once)")},
        {QStringLiteral("--gui, --no-gui"),
            QStringLiteral("without a command: open the window, or print the list here "
                           "(by default the window when there is a display)")},
        {QStringLiteral("--json"),
            QStringLiteral("JSON output, also after the command; errors then come as "
                           "{\"error\": \"...\"} on standard error")},
        {QStringLiteral("--help, -h"), QStringLiteral("this overview")},
        {QStringLiteral("--version"), QStringLiteral("the version of fetemark")},
    };
}

const HelpItem HelpCommand {QStringLiteral("help [COMMAND]"),
    QStringLiteral("this overview, or a command's options explained")};

// `text` broken into lines of at most LineWidth cells, each but the first indented.
QString wrapped(const QString& text, int indent)
{
    QString out;
    int column = indent;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        const int cells = TextColumns::width(word);
        if (column > indent && column + 1 + cells > LineWidth) {
            out += u'\n' + QString(indent, u' ');
            column = indent;
        } else if (column > indent) {
            out += u' ';
            ++column;
        }
        out += word;
        column += cells;
    }
    return out;
}

void writeItems(QTextStream& out, const QList<HelpItem>& items)
{
    int termWidth = 0;
    for (const HelpItem& item : items) {
        const int cells = TextColumns::width(item.term);
        if (cells <= MaxTermWidth)
            termWidth = std::max(termWidth, cells);
    }
    const int indent = 2 + termWidth + 2;
    for (const HelpItem& item : items) {
        if (TextColumns::width(item.term) > termWidth)
            out << "  " << item.term << '\n' << QString(indent, u' ');
        else
            out << "  " << TextColumns::padded(item.term, termWidth) << "  ";
        out << wrapped(item.text, indent) << '\n';
    }
}

QStringList forms(const Command& command)
{
    return command.usage().split(u'\n');
}

void writeItemsJson(JsonWriter& json, const QList<HelpItem>& items)
{
    for (const HelpItem& item : items) {
        json.beginObject();
        json.member(QLatin1StringView("term"), item.term);
        json.member(QLatin1StringView("text"), item.text);
        json.endObject();
    }
}

void writeCommandJson(JsonWriter& json, const QString& name, const QString& summary,
    const QStringList& usage, const QList<HelpItem>& items)
{
    json.beginObject();
    json.beginArray(QLatin1StringView("help"));
    writeItemsJson(json, items);
    json.endArray();
    json.member(QLatin1StringView("name"), name);
    json.member(QLatin1StringView("summary"), summary);
    json.beginArray(QLatin1StringView("usage"));
    for (const QString& form : usage)
        json.item(form);
    json.endArray();
    json.endObject();
}

void printOverviewJson(QTextStream& out, const Commands& commands)
{
    JsonWriter json(out);
    json.beginObject();
    json.beginArray(QLatin1StringView("commands"));
    for (const auto& command : commands)
        writeCommandJson(
            json, command->name(), command->summary(), forms(*command), command->help());
    writeCommandJson(json, QStringLiteral("help"), HelpCommand.text, {HelpCommand.term},
        {{QStringLiteral("COMMAND"), QStringLiteral("the command whose options to explain")}});
    json.endArray();
    json.beginArray(QLatin1StringView("options"));
    writeItemsJson(json, globalOptions());
    json.endArray();
    json.member(QLatin1StringView("usage"), QString::fromLatin1(Synopsis));
    json.member(QLatin1StringView("version"), version());
    json.endObject();
}

} // namespace

QString version()
{
    return QStringLiteral(FETEMARK_VERSION);
}

void printVersion(QTextStream& out, bool json)
{
    if (json) {
        JsonWriter writer(out);
        writer.beginObject();
        writer.member(QLatin1StringView("name"), QStringLiteral("fetemark"));
        writer.member(QLatin1StringView("version"), version());
        writer.endObject();
    } else {
        out << "fetemark " << version() << '\n';
    }
    out.flush();
}

void printOverview(QTextStream& out, bool json, const Commands& commands)
{
    if (json) {
        printOverviewJson(out, commands);
        out.flush();
        return;
    }
    out << "usage: " << Synopsis << "\n\n"
        << "Fetemark reminds you of birthdays, anniversaries and other occasions.\n\n"
           "Commands:\n";
    for (const auto& command : commands) {
        for (const QString& form : forms(*command))
            out << "  " << form << '\n';
        out << "      " << wrapped(command->summary(), 6) << '\n';
    }
    out << "  " << HelpCommand.term << "\n      " << HelpCommand.text << "\n\nOptions:\n";
    writeItems(out, globalOptions());
    out << '\n'
        << wrapped(QStringLiteral("Without a command, the list is shown. 'fetemark help COMMAND' "
                                  "or 'fetemark COMMAND --help' explains a command's options. "
                                  "Exit status: 0 done, 1 refused input, 2 usage error."),
               0)
        << '\n';
    out.flush();
}

void printCommand(QTextStream& out, bool json, const Command& command)
{
    if (json) {
        JsonWriter writer(out);
        writeCommandJson(writer, command.name(), command.summary(), forms(command), command.help());
        out.flush();
        return;
    }
    const QStringList usage = forms(command);
    QString summary = command.summary();
    if (!summary.isEmpty())
        summary[0] = summary[0].toUpper();
    out << "usage: fetemark " << usage.join(QLatin1String("\n       fetemark ")) << "\n\n"
        << wrapped(summary + u'.', 0) << '\n';
    if (const QList<HelpItem> items = command.help(); !items.isEmpty()) {
        out << '\n';
        writeItems(out, items);
    }
    out << "\nGlobal options (--data-dir, --now, --tz, --locale, --json): see 'fetemark --help'.\n";
    out.flush();
}

void writeUsageError(QTextStream& err, bool json, const Command& command, const QString& reason)
{
    const QStringList usage = forms(command);
    if (json) {
        QString message = reason.isEmpty() ? QString() : reason + QLatin1String("; ");
        message += QLatin1String("usage: fetemark ") + usage.join(QLatin1String(" | fetemark "));
        writeDiagnostic(err, true, Diagnostic::Error, message);
        return;
    }
    if (!reason.isEmpty())
        err << "fetemark: " << reason << '\n';
    err << "usage: fetemark " << usage.join(QLatin1String("\n       fetemark ")) << '\n'
        << "See 'fetemark help " << command.name() << "'." << Qt::endl;
}

} // namespace fetemark::cli::Help
