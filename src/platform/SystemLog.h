#pragma once
// SystemLog: one line to the system log for background failures the user is not shown.
//
// Contract: `write` records the line as given (callers start it with "Mendrake: "). Never fails
// visibly: a missing log daemon loses the line. Any thread. Owns nothing.

#include <QString>

namespace mendrake {

class SystemLog {
public:
    virtual ~SystemLog() = default;

    virtual void write(const QString& line) = 0;
};

}  // namespace mendrake
