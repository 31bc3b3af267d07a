#include "settings/Formatting.h"

#include <QDateTime>
#include <QRegularExpression>


namespace mendrake {

QString formatItemCount(qint64 count, const QLocale& locale) {
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(count);
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
