#pragma once

#include <QString>

namespace fetemark {

// Whether the desktop can place calls: some program handles "tel:" links
// (`xdg-mime query default x-scheme-handler/tel` names one). False when the tool is
// missing, fails or takes longer than `timeoutMilliseconds`.
bool hasTelephonyHandler(
    const QString& xdgMime = QStringLiteral("xdg-mime"), int timeoutMilliseconds = 3000);

} // namespace fetemark
