#include "AlertTextMeasure.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTextLayout>
#include <QTextOption>

#include <memory>

namespace fetemark {

namespace {

// Registered once per process (a function-local static is initialised once even when
// rebuilds on several threads ask at the same time); empty when it did not load.
QString shippedFamily()
{
    static const QString family = [] {
        const int id =
            QFontDatabase::addApplicationFont(QStringLiteral(":/resources/fonts/DejaVuSans.ttf"));
        return id < 0 ? QString() : QFontDatabase::applicationFontFamilies(id).value(0);
    }();
    return family;
}

} // namespace

std::optional<AlertTextMeasure> AlertTextMeasure::create()
{
    // The font database belongs to the GUI application; touching it without one aborts.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    const QString family = shippedFamily();
    if (family.isEmpty())
        return std::nullopt;
    AlertTextMeasure measure(family);
    // A family the database resolved to another font would measure with that one.
    if (QFontInfo(measure.m_font).family() != family)
        return std::nullopt;
    return measure;
}

AlertTextMeasure::AlertTextMeasure(const QString& family) : m_font(family)
{
    m_font.setPixelSize(FontPixelSize);
    // Glyphs the font lacks keep its own missing-glyph width instead of another font's.
    m_font.setStyleStrategy(QFont::NoFontMerging);
    // Hinted advances would follow the machine's fontconfig settings.
    m_font.setHintingPreference(QFont::PreferNoHinting);
    m_leading = QFontMetricsF(m_font).leading();
}

AlertTextMeasure::Layout AlertTextMeasure::layout(const QString& text) const
{
    // Line feeds are where the planner starts a line; the layout breaks only at the
    // Unicode line separator.
    QTextLayout textLayout(QString(text).replace(u'\n', QChar::LineSeparator), m_font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    textLayout.setTextOption(option);
    Layout result;
    textLayout.beginLayout();
    for (QTextLine line = textLayout.createLine(); line.isValid(); line = textLayout.createLine()) {
        line.setLineWidth(BoxWidth);
        // Lines stand apart by the font's leading, as QFontMetrics lays wrapped text out.
        if (result.lines > 0)
            result.height += m_leading;
        line.setPosition(QPointF(0, result.height));
        result.height += line.height();
        ++result.lines;
    }
    textLayout.endLayout();
    return result;
}

std::function<bool(const QString&)> AlertTextMeasure::plannerTest()
{
    std::optional<AlertTextMeasure> measure = create();
    if (!measure)
        return {};
    return [m = std::make_shared<const AlertTextMeasure>(std::move(*measure))](
               const QString& text) { return m->tallerThanBox(text); };
}

} // namespace fetemark
