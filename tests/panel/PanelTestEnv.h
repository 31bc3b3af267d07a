#pragma once
// The panel model's surroundings: fake clock, real Preferences, and a history store held in a list
// whose `countOverride` claims more rows than it lists, as a history larger than the window does.

#include "PreferencesFixture.h"
#include "store/HistoryStore.h"

#include <QImage>

#include <algorithm>
#include <map>

namespace mendrake::test {

inline ClipItem makeClip(qint64 id, const QString& text, double lastUsedAt, ClipKind kind = ClipKind::text,
                         std::optional<QString> appName = std::nullopt, bool pinned = false) {
    return {.id = id, .kind = kind, .text = text, .fullLength = text.size(), .hash = QStringLiteral("hash-%1").arg(id),
            .sourceAppId = appName ? std::optional(QStringLiteral("org.example.") + *appName) : std::nullopt,
            .sourceAppName = appName, .createdAt = lastUsedAt, .lastUsedAt = lastUsedAt, .pinned = pinned,
            .byteSize = text.toUtf8().size(), .searchKey = makeSearchKey(text, appName)};
}

class FakeHistoryStore final : public HistoryStore {
public:
    explicit FakeHistoryStore(Clock& clock) : HistoryStore(clock, QStringLiteral("/nonexistent")) {}

    QList<ClipItem> rows, searchAnswer;  // when set, `search` looks through searchAnswer
    std::optional<qint64> countOverride;
    std::optional<StoreError> deleteError;
    std::map<qint64, QImage> images;
    int searchCalls = 0, imageCalls = 0;
    std::pair<QString, qint64> lastSearch;
    QList<qint64> deleted;
    QList<std::pair<qint64, bool>> pinCalls;

    std::optional<ClipItem> fetch(qint64 id) override {
        for (const ClipItem& r : rows)
            if (r.id == id) return r;
        return std::nullopt;
    }
    QList<ClipItem> recent(qint64 limit) override {
        QList<ClipItem> out;
        for (const ClipItem& r : newestFirst(rows))
            if (out.size() < limit || r.pinned) out.append(r);
        return out;
    }
    QList<ClipItem> search(const QString& query, qint64 limit) override {
        ++searchCalls;
        lastSearch = {query, limit};
        const QStringList words = query.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QList<ClipItem> out;
        for (const ClipItem& r : newestFirst(searchAnswer.isEmpty() ? rows : searchAnswer))
            if (out.size() < limit &&
                std::all_of(words.begin(), words.end(), [&](const QString& w) { return r.text.toLower().contains(w); }))
                out.append(r);
        return out;
    }
    std::function<QImage()> imageReader(const ClipItem& item) override {
        return [this, id = item.id] {
            ++imageCalls;
            return images.count(id) ? images[id] : QImage();
        };
    }
    void setPinned(qint64 id, bool pinned) override {
        pinCalls.append({id, pinned});
        for (ClipItem& r : rows)
            if (r.id == id) r.pinned = pinned;
    }
    std::optional<StoreError> deleteItem(qint64 id) override {
        deleted.append(id);
        if (!deleteError) rows.removeIf([&](const ClipItem& r) { return r.id == id; });
        return deleteError;
    }
    qint64 count() override { return countOverride.value_or(rows.size()); }

private:
    static QList<ClipItem> newestFirst(QList<ClipItem> list) {
        std::stable_sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.lastUsedAt > b.lastUsedAt; });
        return list;
    }
};

struct PanelTestEnv : PreferencesFixture {
    FakeHistoryStore store{clock};

    // Rows 1..n, row 1 the newest.
    void addTexts(int n, const QString& prefix = QStringLiteral("item")) {
        for (int i = 1; i <= n; ++i)
            store.rows.append(makeClip(i, QStringLiteral("%1 %2").arg(prefix).arg(i), clock.now() - i));
    }
};

}  // namespace mendrake::test
