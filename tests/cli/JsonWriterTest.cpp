#include "cli/JsonWriter.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>

namespace {

using fetemark::cli::JsonWriter;

// What the writer gives for an object with these members (keys in order), next to what
// QJsonDocument gives for the same object.
struct Written {
    QString streamed;
    QString document;
};

Written bothWays(const QStringList& texts)
{
    Written w;
    QJsonObject object;
    QJsonArray empty;
    QJsonArray strings;
    {
        QTextStream out(&w.streamed);
        JsonWriter json(out);
        json.beginObject();
        json.member(QLatin1StringView("a"), 42);
        json.member(QLatin1StringView("b"), false);
        json.beginArray(QLatin1StringView("c"));
        json.endArray();
        json.beginObject(QLatin1StringView("d"));
        json.endObject();
        json.member(QLatin1StringView("e"), QJsonValue());
        json.beginArray(QLatin1StringView("f"));
        for (const QString& text : texts) {
            json.beginObject();
            json.member(QLatin1StringView("n"), -7);
            json.member(QLatin1StringView("t"), text);
            json.member(QLatin1StringView("v"), QJsonValue(text));
            json.endObject();
            strings.append(QJsonObject {{QStringLiteral("n"), -7}, {QStringLiteral("t"), text},
                {QStringLiteral("v"), text}});
        }
        json.endArray();
        json.endObject();
        out.flush();
    }
    object.insert(QStringLiteral("a"), 42);
    object.insert(QStringLiteral("b"), false);
    object.insert(QStringLiteral("c"), empty);
    object.insert(QStringLiteral("d"), QJsonObject());
    object.insert(QStringLiteral("e"), QJsonValue());
    object.insert(QStringLiteral("f"), strings);
    w.document = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
    return w;
}

TEST(JsonWriter, LaysOutAsQJsonDocumentDoes)
{
    const QStringList texts {QString(), QStringLiteral(""), QStringLiteral("plain"),
        QStringLiteral("quote \" and \\ backslash"), QStringLiteral("line\nbreak\ttab\r\b\f"),
        QString(QChar(1)) + QStringLiteral("control"), QStringLiteral("Grüße 强 🎂"),
        QString(QChar(0xD800)) + QStringLiteral("lone high"),
        QStringLiteral("lone low") + QChar(0xDC00)};
    const Written w = bothWays(texts);
    EXPECT_EQ(w.streamed.toStdString(), w.document.toStdString());
}

// Valid raw in JSON, yet acted on by a terminal that shows the dump. The last string also
// holds a control character that Qt escapes.
TEST(JsonWriter, EscapesWhatATerminalActsOnAndReadsBackTheSame)
{
    const QStringList texts {QStringLiteral("Eve\u202eevil"),
        QStringLiteral("\u007f\u0080\u009b[2J\u009f\u202a\u2066\u2069"),
        QStringLiteral("\x1b]0;title\x07 \u202e\\ \"")};
    const Written w = bothWays(texts);
    static const QRegularExpression acted(QStringLiteral(
        "[\\x{0}-\\x{9}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}\\x{202a}-\\x{202e}\\x{2066}-\\x{2069}]"));
    EXPECT_FALSE(w.streamed.contains(acted)) << w.streamed.toStdString();
    EXPECT_TRUE(w.streamed.contains(QStringLiteral("\"Eve\\u202eevil\"")))
        << w.streamed.toStdString();

    QJsonParseError error;
    const QJsonDocument read = QJsonDocument::fromJson(w.streamed.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray rows = read.object().value(QStringLiteral("f")).toArray();
    ASSERT_EQ(rows.size(), texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(rows[i].toObject().value(QStringLiteral("t")).toString(), texts[i]) << i;
        EXPECT_EQ(rows[i].toObject().value(QStringLiteral("v")).toString(), texts[i]) << i;
    }
}

TEST(JsonWriter, EmptyListAsQJsonDocumentWritesIt)
{
    const Written w = bothWays({});
    EXPECT_EQ(w.streamed.toStdString(), w.document.toStdString());
}

} // namespace
