#pragma once

#include <QDateTime>
#include <QString>

namespace fetemark {

// A demo data directory for a first look at Fetemark: a few hundred made-up people with
// birthdays, anniversaries and other dates, pictures and groups, and entries kept only
// in Fetemark. Filled once; later runs use it as it is (with whatever the user changed).
namespace DemoData {

inline constexpr int People = 300;

// Where the demo lives: "fetemark-demo" beside the usual data directory; empty when
// there is no place for data folders (DataLocations::dataHome).
QString defaultDirectory();

// Fills `directory` unless an earlier run finished filling it. An interrupted fill is
// thrown away and done again; a folder that holds other Fetemark data is refused. `now` dates the one-time entries. False with `error` set
// when a file could not be written.
bool ensureFilled(
    const QString& directory, const QString& timeZoneId, const QDateTime& now, QString* error);

} // namespace DemoData
} // namespace fetemark
