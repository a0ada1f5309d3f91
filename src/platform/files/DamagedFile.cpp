#include "DamagedFile.h"

#include <QFileInfo>

namespace fetemark {

QString damagedFileName(
    const QString& path, const QDateTime& now, const std::function<bool(const QString&)>& alsoTaken)
{
    const QString base = path + QStringLiteral(".damaged-") +
        now.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // A dangling link counts too: a rename would replace it.
    auto taken = [&alsoTaken](const QString& name) {
        return QFileInfo::exists(name) || QFileInfo(name).isSymLink() ||
            (alsoTaken && alsoTaken(name));
    };
    QString name = base;
    for (int n = 2; taken(name); ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return name;
}

} // namespace fetemark
