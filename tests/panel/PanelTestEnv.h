#pragma once
// What every panel test needs around the model: a fake clock, real Preferences over in-memory
// defaults, and a list-backed history store.

#include "FakeClock.h"
#include "FakeDefaultsStore.h"
#include "FakeHistoryStore.h"
#include "FakeLoginItems.h"
#include "FakeSystemLog.h"
#include "prefs/Preferences.h"

namespace mendrake::test {

struct PanelTestEnv {
    FakeClock clock{1'700'000'000.0};
    FakeDefaultsStore defaults;
    FakeLoginItems loginItems;
    FakeSystemLog log;
    Preferences prefs{defaults, loginItems, log, clock};
    FakeHistoryStore store{clock};

    // Rows 1..n, row 1 the newest.
    void addTexts(int n, const QString& prefix = QStringLiteral("item")) {
        for (int i = 1; i <= n; ++i)
            store.rows.append(makeClip(i, QStringLiteral("%1 %2").arg(prefix).arg(i), clock.now() - i));
    }
};

inline QList<qint64> ids(const QList<ClipItem>& items) {
    QList<qint64> out;
    for (const ClipItem& i : items) out.append(i.id);
    return out;
}

}  // namespace mendrake::test
