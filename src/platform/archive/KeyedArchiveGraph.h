#pragma once

#include "platform/archive/ArchiveValue.h"

#include <QString>

namespace fetemark::keyedarchive {

// Whether two object graphs hold the same values in the same shape, sharing included: a
// node reached twice in one graph must be one node reached at the same places in the
// other. Reals compare bit for bit (a NaN equals itself), dates to the millisecond, and
// an array, dictionary or object without storage counts as null. Each pair of shared
// nodes is compared once, so shared graphs are compared in linear time. On a difference,
// `where` gets a path such as "root.items[3].name".
bool sameGraph(const ArchiveValue& a, const ArchiveValue& b, QString* where = nullptr);

} // namespace fetemark::keyedarchive
