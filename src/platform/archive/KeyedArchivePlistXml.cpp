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
        PlistNode out;
        if (name == QLatin1String("dict") || name == QLatin1String("array")) {
            if (depth > m_maxNesting)
                return fail(
                    QStringLiteral("property list nests deeper than %1 levels").arg(m_maxNesting));
            const bool isDict = name == QLatin1String("dict");
            out.type = isDict ? PlistNode::Type::Dict : PlistNode::Type::Array;
            while (m_xml.readNextStartElement()) {
                QString key;
                if (isDict) {
                    if (m_xml.name() != QLatin1String("key"))
                        return fail(QStringLiteral("<%1> where a <key> belongs").arg(m_xml.name()));
                    key = m_xml.readElementText();
                    if (m_xml.hasError())
                        return std::nullopt;
                    if (!m_xml.readNextStartElement())
                        return fail(
                            QStringLiteral("<key>%1</key> without a value").arg(key.left(40)));
                }
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
        const QString text = m_xml.readElementText();
        if (m_xml.hasError())
            return std::nullopt;
        if (name == QLatin1String("string")) {
            // Strings end at a NUL, as libplist's do in the binary reader.
            const qsizetype nul = text.indexOf(QChar(0));
            out.type = PlistNode::Type::String;
            out.string = nul < 0 ? text : text.left(nul);
        } else if (name == QLatin1String("integer")) {
            const QString t = text.trimmed();
            bool ok = false;
            const qlonglong v = t.toLongLong(&ok, 10);
            out.type = PlistNode::Type::Integer;
            if (ok) {
                out.integer = static_cast<std::int64_t>(v);
            } else {
                const qulonglong u = t.toULongLong(&ok, 10);
                if (!ok)
                    return fail(
                        QStringLiteral("<integer> \"%1\" is not a 64-bit integer").arg(t.left(40)));
                out.integer = static_cast<std::int64_t>(u);
            }
        } else if (name == QLatin1String("real")) {
            const QString t = text.trimmed();
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
            out.type = PlistNode::Type::Real;
            out.real = v;
        } else if (name == QLatin1String("true") || name == QLatin1String("false")) {
            out.type = PlistNode::Type::Boolean;
            out.boolean = name == QLatin1String("true");
        } else if (name == QLatin1String("date")) {
            const QDateTime dt = QDateTime::fromString(text.trimmed(), Qt::ISODate);
            if (!dt.isValid())
                return fail(
                    QStringLiteral("<date> \"%1\" is not an ISO 8601 time").arg(text.left(40)));
            out.type = PlistNode::Type::Date;
            out.real = static_cast<double>(dt.toMSecsSinceEpoch() - kEpoch2001Ms) / 1000.0;
        } else if (name == QLatin1String("data")) {
            QByteArray b64 = text.toLatin1();
            b64.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
            auto decoded =
                QByteArray::fromBase64Encoding(b64, QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded)
                return fail(QStringLiteral("<data> is not base64"));
            out.type = PlistNode::Type::Data;
            out.data = decoded.decoded.isNull() ? QByteArray("") : decoded.decoded;
        } else {
            return fail(QStringLiteral("unknown element <%1>").arg(name.toString().left(40)));
        }
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
