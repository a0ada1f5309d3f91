// XML property lists are read here rather than by libplist, so that nesting, sizes and
// malformed markup are all under this code's control.
#include "platform/archive/KeyedArchivePlist.h"

#include "platform/archive/KeyedArchiveNames.h"

#include <QDateTime>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <algorithm>
#include <limits>

namespace fetemark::keyedarchive {

namespace {

class XmlPlistReader {
public:
    XmlPlistReader(const QByteArray& bytes, int maxNesting) : m_xml(bytes), m_maxNesting(maxNesting)
    {
    }

    std::optional<PlistNode> run(QString* error)
    {
        auto result = readDocument();
        if (!result) {
            if (m_error.isEmpty())
                m_error = m_xml.errorString();
            *error = QStringLiteral("XML property list, line %1: %2")
                         .arg(m_xml.lineNumber())
                         .arg(m_error);
        }
        return result;
    }

private:
    std::optional<PlistNode> fail(const QString& message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return std::nullopt;
    }

    std::optional<PlistNode> readDocument()
    {
        if (!m_xml.readNextStartElement())
            return fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("no root element"));
        if (m_xml.name() == QLatin1String("plist")) {
            if (!m_xml.readNextStartElement())
                return fail(
                    m_xml.hasError() ? m_xml.errorString() : QStringLiteral("empty <plist>"));
        }
        auto value = readValue(1);
        if (value && m_xml.hasError())
            return fail(m_xml.errorString());
        return value;
    }

    // At a start element; on return the reader stands on its end element.
    std::optional<PlistNode> readValue(int depth)
    {
        const auto name = m_xml.name();
        if (name == QLatin1String("dict") || name == QLatin1String("array"))
            return readContainer(depth, name == QLatin1String("dict"));
        const QString text = m_xml.readElementText();
        if (m_xml.hasError())
            return std::nullopt;
        return readScalar(name, text);
    }

    std::optional<PlistNode> readContainer(int depth, bool isDict)
    {
        if (depth > m_maxNesting)
            return fail(
                QStringLiteral("property list nests deeper than %1 levels").arg(m_maxNesting));
        PlistNode out;
        out.type = isDict ? PlistNode::Type::Dict : PlistNode::Type::Array;
        while (m_xml.readNextStartElement()) {
            QString key;
            if (isDict && !readKey(key))
                return std::nullopt;
            auto v = readValue(depth + 1);
            if (!v)
                return std::nullopt;
            if (isDict)
                out.keys.push_back(std::move(key));
            out.items.push_back(std::move(*v));
        }
        if (m_xml.hasError())
            return std::nullopt;
        return out;
    }

    // At a dictionary's <key>: reads it and moves on to the start of its value.
    bool readKey(QString& key)
    {
        if (m_xml.name() != QLatin1String("key")) {
            fail(QStringLiteral("<%1> where a <key> belongs").arg(m_xml.name()));
            return false;
        }
        key = m_xml.readElementText();
        if (m_xml.hasError())
            return false;
        if (!m_xml.readNextStartElement()) {
            fail(QStringLiteral("<key>%1</key> without a value").arg(key.left(40)));
            return false;
        }
        return true;
    }

    // A value that is not a container, from its element's name and text.
    std::optional<PlistNode> readScalar(QStringView name, const QString& text)
    {
        PlistNode out;
        if (name == QLatin1String("string")) {
            // Strings end at a NUL, as libplist's do in the binary reader.
            const qsizetype nul = text.indexOf(QChar(0));
            out.type = PlistNode::Type::String;
            out.string = nul < 0 ? text : text.left(nul);
            return out;
        }
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            out.type = PlistNode::Type::Boolean;
            out.boolean = name == QLatin1String("true");
            return out;
        }
        if (name == QLatin1String("integer"))
            return readInteger(text.trimmed());
        if (name == QLatin1String("real"))
            return readReal(text.trimmed());
        if (name == QLatin1String("date"))
            return readDate(text);
        if (name == QLatin1String("data"))
            return readData(text);
        return fail(QStringLiteral("unknown element <%1>").arg(name.toString().left(40)));
    }

    // Signed, or else unsigned and kept as its two's complement.
    std::optional<PlistNode> readInteger(const QString& t)
    {
        PlistNode out;
        bool ok = false;
        const qlonglong v = t.toLongLong(&ok, 10);
        out.type = PlistNode::Type::Integer;
        if (ok) {
            out.integer = static_cast<std::int64_t>(v);
            return out;
        }
        const qulonglong u = t.toULongLong(&ok, 10);
        if (!ok)
            return fail(QStringLiteral("<integer> \"%1\" is not a 64-bit integer").arg(t.left(40)));
        out.integer = static_cast<std::int64_t>(u);
        return out;
    }

    std::optional<PlistNode> readReal(const QString& t)
    {
        bool ok = false;
        double v = t.toDouble(&ok);
        // Property list writers spell the infinities out.
        if (!ok && t.compare(QLatin1String("-infinity"), Qt::CaseInsensitive) == 0) {
            v = -std::numeric_limits<double>::infinity();
            ok = true;
        } else if (!ok &&
            (t.compare(QLatin1String("+infinity"), Qt::CaseInsensitive) == 0 ||
                t.compare(QLatin1String("infinity"), Qt::CaseInsensitive) == 0)) {
            v = std::numeric_limits<double>::infinity();
            ok = true;
        }
        if (!ok)
            return fail(QStringLiteral("<real> \"%1\" is not a number").arg(t.left(40)));
        PlistNode out;
        out.type = PlistNode::Type::Real;
        out.real = v;
        return out;
    }

    std::optional<PlistNode> readDate(const QString& text)
    {
        const QDateTime dt = QDateTime::fromString(text.trimmed(), Qt::ISODate);
        if (!dt.isValid())
            return fail(QStringLiteral("<date> \"%1\" is not an ISO 8601 time").arg(text.left(40)));
        PlistNode out;
        out.type = PlistNode::Type::Date;
        out.real = static_cast<double>(dt.toMSecsSinceEpoch() - kEpoch2001Ms) / 1000.0;
        return out;
    }

    std::optional<PlistNode> readData(const QString& text)
    {
        QByteArray b64 = text.toLatin1();
        b64.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
        auto decoded = QByteArray::fromBase64Encoding(b64, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return fail(QStringLiteral("<data> is not base64"));
        PlistNode out;
        out.type = PlistNode::Type::Data;
        out.data = decoded.decoded.isNull() ? QByteArray("") : decoded.decoded;
        return out;
    }

    QXmlStreamReader m_xml;
    int m_maxNesting;
    QString m_error;
};

} // namespace

std::optional<PlistNode> readXmlPropertyList(
    const QByteArray& bytes, int maxNesting, QString* error)
{
    return XmlPlistReader(bytes, std::clamp(maxNesting, 1, kMaxPlistNesting)).run(error);
}

} // namespace fetemark::keyedarchive
