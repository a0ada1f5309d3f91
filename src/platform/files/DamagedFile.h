#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace fetemark {

// The name a damaged file is kept under, for the user or for recovery:
// "<file>.damaged-<UTC yyyyMMdd-HHmmss>", then "-2", "-3"... while a file or a link of
// that name exists, or `alsoTaken` says the name is in use (a file's side files).
QString damagedFileName(const QString& path, const QDateTime& now,
    const std::function<bool(const QString&)>& alsoTaken = {});

} // namespace fetemark
