#include "platform/x11/SyslogSystemLog.h"

#include <cstdio>
#include <syslog.h>

namespace mendrake {

SyslogSystemLog::SyslogSystemLog() { openlog("mendrake", LOG_PID, LOG_USER); }

SyslogSystemLog::~SyslogSystemLog() { closelog(); }

void SyslogSystemLog::write(const QString& line) {
    const QByteArray text = line.toUtf8();
    syslog(LOG_NOTICE, "%s", text.constData());
    std::fprintf(stderr, "%s\n", text.constData());
}

}  // namespace mendrake
