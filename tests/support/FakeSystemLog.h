#pragma once

#include "platform/SystemLog.h"

#include <QStringList>

namespace mendrake::test {

class FakeSystemLog final : public SystemLog {
public:
    void write(const QString& line) override { lines << line; }
    QStringList lines;
};

}  // namespace mendrake::test
