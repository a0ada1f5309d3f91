#include "ParsedOptions.h"

namespace fetemark::cli {

ParsedOptions parseOptions(
    const QStringList& args, const QStringList& valued, const QStringList& flags)
{
    ParsedOptions out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            out.positional << a;
        } else if (flags.contains(a)) {
            out.flags.insert(a);
        } else if (valued.contains(a)) {
            if (i + 1 >= args.size()) {
                out.error = QStringLiteral("%1 needs a value").arg(a);
                return out;
            }
            out.values.insert(a, args[++i]);
        } else {
            out.error = QStringLiteral("unknown option %1").arg(a);
            return out;
        }
    }
    return out;
}

} // namespace fetemark::cli
