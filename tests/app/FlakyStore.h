#pragma once
// A history store that forwards to a real one and can be told to fail recording and deleting, as a
// full disk or a read-only database would.

#include "store/HistoryStore.h"

namespace mendrake::test {

class FlakyStore final : public HistoryStore {
public:
    FlakyStore(Clock& clock, std::unique_ptr<HistoryStore> real)
        : HistoryStore(clock, real->directory()), real_(std::move(real)) {}

    bool failWrites = false;
    static StoreError full() { return StoreError::sqlite(QStringLiteral("database or disk is full")); }

    StoreResult<ClipItem> record(const CapturedClip& clip) override {
        return failWrites ? StoreResult<ClipItem>(full()) : real_->record(clip);
    }
    void touch(qint64 id) override { real_->touch(id); }
    std::optional<ClipItem> fetch(qint64 id) override { return real_->fetch(id); }
    QList<ClipItem> recent(qint64 limit) override { return real_->recent(limit); }
    QList<ClipItem> search(const QString& q, qint64 limit) override { return real_->search(q, limit); }
    std::optional<QString> fullText(qint64 id) override { return real_->fullText(id); }
    RepresentationMap representations(const ClipItem& item) override { return real_->representations(item); }
    std::function<QImage()> imageReader(const ClipItem& item) override { return real_->imageReader(item); }
    void setPinned(qint64 id, bool pinned) override { real_->setPinned(id, pinned); }
    std::optional<StoreError> deleteItem(qint64 id) override { return failWrites ? full() : real_->deleteItem(id); }
    qint64 count() override { return real_->count(); }
    QSet<qint64> trim(qint64 days, qint64 maxItems) override { return real_->trim(days, maxItems); }
    std::optional<StoreError> clearHistory(bool keepPinned) override { return real_->clearHistory(keepPinned); }
    qint64 diskUsage() override { return real_->diskUsage(); }

private:
    std::unique_ptr<HistoryStore> real_;
};

}  // namespace mendrake::test
