#include "cli/JsonWriter.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
        QStringLiteral("lone low") + QChar(0xDC00), QStringLiteral("\u007f delete")};
    const Written w = bothWays(texts);
    EXPECT_EQ(w.streamed.toStdString(), w.document.toStdString());
}

TEST(JsonWriter, EmptyListAsQJsonDocumentWritesIt)
{
    const Written w = bothWays({});
    EXPECT_EQ(w.streamed.toStdString(), w.document.toStdString());
}

} // namespace
