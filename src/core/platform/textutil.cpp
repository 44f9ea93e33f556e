#include "core/platform/textutil.h"

namespace TextUtil {

QString trimmed(const QString &text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start).unicode() <= 32)
        ++start;
    while (end > start && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(start, end - start);
}

QStringList lines(const QString &text) {
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList result = normalised.split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

} // namespace TextUtil
