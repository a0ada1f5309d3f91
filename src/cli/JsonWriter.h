#pragma once

#include <QJsonValue>
#include <QLatin1StringView>
#include <QString>
#include <QTextStream>

#include <vector>

namespace fetemark::cli {

// Writes JSON as it goes, laid out exactly as QJsonDocument::toJson(Indented) lays out
// the same document (four spaces an indent level, a line break after the outermost
// value), so that a list of tens of thousands of rows is never held as one document.
// Unlike Qt it writes DEL, the C1 controls and the bidirectional controls as \u escapes,
// so that a dump shown on a terminal cannot act on it.
// QJsonObject orders members by key: callers give them in that order.
class JsonWriter {
public:
    explicit JsonWriter(QTextStream& out) : m_out(out) { }
    ~JsonWriter() { flush(); }
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void beginObject() { open(u'{'); }
    void beginObject(QLatin1StringView key)
    {
        keyed(key);
        open(u'{', false);
    }
    void endObject() { close(u'}'); }
    void beginArray() { open(u'['); }
    void beginArray(QLatin1StringView key)
    {
        keyed(key);
        open(u'[', false);
    }
    void endArray() { close(u']'); }

    void member(QLatin1StringView key, const QString& text);
    void member(QLatin1StringView key, int number);
    void member(QLatin1StringView key, bool flag);
    // A string or null.
    void member(QLatin1StringView key, const QJsonValue& value);
    // A string as the next element of an array.
    void item(const QString& text)
    {
        element();
        appendQuoted(m_buffer, text);
    }

    // Hands what was written so far to the stream (done when the outermost value closes).
    void flush();

    // Appends `text` to `out` as a JSON string, quotes included, every character a
    // terminal would act on escaped.
    static void appendQuoted(QString& out, const QString& text);

private:
    void open(QChar bracket, bool asElement = true);
    void close(QChar bracket);
    void element();
    void keyed(QLatin1StringView key);

    QTextStream& m_out;
    // Written to the stream in pieces of some size: many small writes cost more than the
    // text itself.
    QString m_buffer;
    std::vector<int> m_counts; // elements written so far in each open container
};

} // namespace fetemark::cli
