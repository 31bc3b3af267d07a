#include "panel/Formatters.h"

#include <QDateTime>

#include <cmath>
#include <cstdlib>

namespace mendrake {
namespace {

QString plural(qint64 n, const char* unit) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(unit)).arg(n == 1 ? QString() : QStringLiteral("s"));
}

// Whole calendar months from `earlier` to `later` in local time (later >= earlier).
qint64 wholeMonths(const QDateTime& earlier, const QDateTime& later) {
    qint64 months = (later.date().year() - earlier.date().year()) * 12 + later.date().month() - earlier.date().month();
    const QDateTime stepped = earlier.addMonths(int(months));
    if (stepped > later) --months;
    return months;
}

}  // namespace

QString relativeTimeString(double date, double now) {
    const bool future = date > now;
    const qint64 seconds = qint64(std::floor(std::abs(now - date)));
    QString amount;
    if (seconds < 60) {
        amount = plural(seconds, "second");
    } else if (seconds < 3600) {
        amount = plural(seconds / 60, "minute");
    } else if (seconds < 86400) {
        amount = plural(seconds / 3600, "hour");
    } else if (seconds < 7 * 86400) {
        amount = plural(seconds / 86400, "day");
    } else {
        const QDateTime a = QDateTime::fromMSecsSinceEpoch(qint64(std::min(date, now) * 1000));
        const QDateTime b = QDateTime::fromMSecsSinceEpoch(qint64(std::max(date, now) * 1000));
        const qint64 months = wholeMonths(a, b);
        if (months >= 12) amount = plural(months / 12, "year");
        else if (months >= 1) amount = plural(months, "month");
        else amount = plural(seconds / (7 * 86400), "week");
    }
    // The same instant reads "in 0 seconds", as the system formatter writes it.
    return future || seconds == 0 ? QStringLiteral("in ") + amount : amount + QStringLiteral(" ago");
}

QString byteCountString(qint64 bytes) {
    if (bytes == 0) return QStringLiteral("Zero KB");
    const QString sign = bytes < 0 ? QStringLiteral("-") : QString();
    const double magnitude = std::abs(double(bytes));
    if (magnitude < 1000) return sign + plural(qint64(magnitude), "byte");

    struct Unit { const char* name; double size; int decimals; };
    static constexpr Unit units[] = {
        {"KB", 1e3, 0}, {"MB", 1e6, 1}, {"GB", 1e9, 2}, {"TB", 1e12, 2}, {"PB", 1e15, 2}, {"EB", 1e18, 2}};
    int u = 0;
    // Move to the next unit when rounding would print 1000 of this one.
    while (u + 1 < int(std::size(units))) {
        const double scale = std::pow(10.0, units[u].decimals);
        if (std::round(magnitude / units[u].size * scale) / scale < 1000) break;
        ++u;
    }
    const double scale = std::pow(10.0, units[u].decimals);
    const double value = std::round(magnitude / units[u].size * scale) / scale;
    QString number = QString::number(value, 'f', units[u].decimals);
    if (number.contains(QLatin1Char('.'))) {
        while (number.endsWith(QLatin1Char('0'))) number.chop(1);
        if (number.endsWith(QLatin1Char('.'))) number.chop(1);
    }
    return sign + number + QLatin1Char(' ') + QLatin1String(units[u].name);
}

}  // namespace mendrake
