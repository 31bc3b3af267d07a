#pragma once
// The system log on Linux: syslog(3) with the ident "mendrake", and the same line on stderr so it
// also shows in a terminal or the session's journal.

#include "platform/SystemLog.h"

namespace mendrake {

class SyslogSystemLog final : public SystemLog {
public:
    SyslogSystemLog();
    ~SyslogSystemLog() override;
    SyslogSystemLog(const SyslogSystemLog&) = delete;
    SyslogSystemLog& operator=(const SyslogSystemLog&) = delete;

    void write(const QString& line) override;
};

}  // namespace mendrake
