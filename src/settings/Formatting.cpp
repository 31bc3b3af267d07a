#include "settings/Formatting.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace mendrake {

QString formatItemCount(qint64 count, const QLocale& locale) {
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(count);
}

QString formatByteCount(qint64 bytes) {
    if (bytes == 0) return QStringLiteral("Zero KB");
    if (bytes == 1) return QStringLiteral("1 byte");
    if (std::llabs(bytes) < 1000) return QString::number(bytes) + QStringLiteral(" bytes");
    static const char* units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes) / 1000.0;
    int unit = 0;
    // Kilobytes show whole numbers, megabytes one decimal, larger units two, as file sizes usually do.
    auto decimalsFor = [](int u) { return u == 0 ? 0 : (u == 1 ? 1 : 2); };
    auto rounded = [](double v, int decimals) {
        const double scale = std::pow(10.0, decimals);
        return std::round(v * scale) / scale;
    };
    while (unit < 5 && std::fabs(rounded(value, decimalsFor(unit))) >= 1000.0) {
        value /= 1000.0;
        ++unit;
    }
    const int decimals = decimalsFor(unit);
    QString number = QString::number(rounded(value, decimals), 'f', decimals);
    if (number.contains(u'.')) {
        while (number.endsWith(u'0')) number.chop(1);
        if (number.endsWith(u'.')) number.chop(1);
    }
    return number + u' ' + QLatin1String(units[unit]);
}

// The locale's short time format without seconds (the C locale's short format carries them).
static QString shortTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QRegularExpression(QStringLiteral("[:.]ss?")));
    return format;
}

PauseTexts pauseTexts(std::optional<double> pausedUntil, double now, double distantFuture,
                      const QLocale& locale) {
    if (!pausedUntil || *pausedUntil <= now)
        return {QStringLiteral("Record new copies"),
                QStringLiteral("Pause for a while, for example when handling sensitive data.")};
    if (*pausedUntil >= distantFuture)
        return {QStringLiteral("Capture is paused"), QStringLiteral("Nothing is recorded until you resume.")};
    const QDateTime end = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(*pausedUntil * 1000.0));
    return {QStringLiteral("Capture is paused"),
            QStringLiteral("Nothing is recorded until ") +
                locale.toString(end.toLocalTime().time(), shortTimeFormat(locale)) + u'.'};
}

}  // namespace mendrake
