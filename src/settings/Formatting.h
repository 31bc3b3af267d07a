#pragma once
// How the settings pages write numbers, sizes and pause times.

#include <QLocale>
#include <QString>

#include <optional>

namespace mendrake {

// An item count with the locale's digit grouping ("1,234" in English).
QString formatItemCount(qint64 count, const QLocale& locale = QLocale());

// A byte count as a file size in decimal units: "Zero KB", "512 bytes", "12 KB", "1.5 MB", "2.34 GB".
QString formatByteCount(qint64 bytes);

// Title and second line of the Privacy page's capture row for a pause ending at `pausedUntil`
// (seconds since 1970), seen at `now`; the end time is written as a short local time.
struct PauseTexts {
    QString title;
    QString detail;
};
PauseTexts pauseTexts(std::optional<double> pausedUntil, double now, double distantFuture,
                      const QLocale& locale = QLocale());

}  // namespace mendrake
