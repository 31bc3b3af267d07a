#pragma once
// The metadata line's wording, in English: a time relative to now spelled out in words
// ("2 minutes ago", "in 3 days") and a byte count in file-size style ("12 KB", "1.5 MB").

#include <QString>

namespace mendrake {

// `date` and `now` in seconds since 1970. The largest whole unit that fits, from seconds to years.
QString relativeTimeString(double date, double now);

// Decimal units (1 KB = 1000 bytes): "Zero KB", "1 byte", "999 bytes", "12 KB", "1.5 MB", "1.23 GB".
QString byteCountString(qint64 bytes);

}  // namespace mendrake
