#pragma once
// How the settings pages write item counts and pause times (sizes: panel/Formatters.h).

#include <QLocale>
#include <QString>

#include <optional>

namespace mendrake {

// An item count with the locale's digit grouping ("1,234" in English).
QString formatItemCount(qint64 count, const QLocale& locale = QLocale());

// Title and second line of the Privacy page's capture row for a pause ending at `pausedUntil`
// (seconds since 1970), seen at `now`; the end time is written as a short local time.
struct PauseTexts {
    QString title;
    QString detail;
};
PauseTexts pauseTexts(std::optional<double> pausedUntil, double now, double distantFuture,
                      const QLocale& locale = QLocale());

}  // namespace mendrake
