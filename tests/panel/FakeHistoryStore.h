#pragma once
// A history store held in a list, for the panel's tests: rows are ClipItems, `search` matches every
// word as a case-insensitive substring, and each call is counted so tests can see when the
// database would have been asked. `countOverride` makes the store claim more rows than it lists,
// which is how a history larger than the panel's window looks.

#include "store/HistoryStore.h"

#include <QImage>

#include <algorithm>
#include <map>

namespace mendrake::test {

inline ClipItem makeClip(qint64 id, const QString& text, double lastUsedAt, ClipKind kind = ClipKind::text,
                         std::optional<QString> appName = std::nullopt, bool pinned = false) {
    ClipItem item;
    item.id = id;
    item.kind = kind;
    item.text = text;
    item.fullLength = text.size();
    item.hash = QStringLiteral("hash-%1").arg(id);
    item.sourceAppName = appName;
    if (appName) item.sourceBundleID = QStringLiteral("org.example.") + *appName;
    item.createdAt = lastUsedAt;
    item.lastUsedAt = lastUsedAt;
    item.pinned = pinned;
    item.byteSize = text.toUtf8().size();
    item.searchKey = makeSearchKey(text, appName);
    return item;
}

class FakeHistoryStore final : public HistoryStore {
public:
    explicit FakeHistoryStore(Clock& clock) : HistoryStore(clock, QStringLiteral("/nonexistent")) {}

    QList<ClipItem> rows;                 // any order
    std::optional<qint64> countOverride;  // what `count` answers instead of rows.size()
    QList<ClipItem> searchAnswer;         // when set (non-empty), `search` answers this instead
    std::map<qint64, QImage> images;

    int searchCalls = 0;
    QString lastSearchQuery;
    qint64 lastSearchLimit = -1;
    int imageCalls = 0;
    QList<qint64> deleted;
    std::optional<StoreError> deleteError;  // what deleteItem answers instead of deleting
    QList<std::pair<qint64, bool>> pinCalls;

    std::optional<ClipItem> fetch(qint64 id) override {
        for (const ClipItem& r : rows)
            if (r.id == id) return r;
        return std::nullopt;
    }

    QList<ClipItem> recent(qint64 limit) override {
        QList<ClipItem> sorted = newestFirst(rows);
        QList<ClipItem> out;
        for (int i = 0; i < sorted.size(); ++i)
            if (i < limit || sorted[i].pinned) out.append(sorted[i]);
        return out;
    }

    QList<ClipItem> search(const QString& query, qint64 limit) override {
        ++searchCalls;
        lastSearchQuery = query;
        lastSearchLimit = limit;
        const QStringList words = query.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QList<ClipItem> out;
        for (const ClipItem& r : newestFirst(searchAnswer.isEmpty() ? rows : searchAnswer)) {
            if (out.size() >= limit) break;
            if (std::all_of(words.begin(), words.end(), [&](const QString& w) { return r.text.toLower().contains(w); }))
                out.append(r);
        }
        return out;
    }

    std::function<QImage()> imageReader(const ClipItem& item) override {
        return [this, id = item.id] {
            ++imageCalls;
            auto it = images.find(id);
            return it == images.end() ? QImage() : it->second;
        };
    }

    void setPinned(qint64 id, bool pinned) override {
        pinCalls.append({id, pinned});
        for (ClipItem& r : rows)
            if (r.id == id) r.pinned = pinned;
    }

    std::optional<StoreError> deleteItem(qint64 id) override {
        deleted.append(id);
        if (deleteError) return deleteError;
        rows.removeIf([&](const ClipItem& r) { return r.id == id; });
        return std::nullopt;
    }

    qint64 count() override { return countOverride.value_or(rows.size()); }

private:
    static QList<ClipItem> newestFirst(QList<ClipItem> list) {
        std::stable_sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.lastUsedAt > b.lastUsedAt; });
        return list;
    }
};

}  // namespace mendrake::test
