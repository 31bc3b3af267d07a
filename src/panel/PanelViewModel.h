#pragma once
// PanelViewModel: the observable state behind the search panel. It keeps an in-memory window of the
// history (`items`), derives what the panel lists (`results`) from the query and the kind filter,
// owns the selection and carries out the panel's commands (use, pin, delete, filter stepping).
//
// Observed fields (query, filter, results, selectedID, focusToken) emit their signal only when the
// stored value actually changes, so an unchanged refresh redraws nothing. Main thread only; the
// store calls are synchronous. A delete the store refuses changes nothing and goes to `onFailure`.
// Preview images are decoded on a TaskRunner when one is given.

#include "capture/ClipModel.h"
#include "panel/ClipFilter.h"
#include "panel/UseMode.h"
#include "platform/Clock.h"

#include <QCache>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace mendrake {

class HistoryStore;
class Preferences;
class TaskRunner;

class PanelViewModel : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 windowLimit = 5000;   // most recently used rows kept in memory
    static constexpr int resultLimit = 300;       // rows the result list shows at most
    static constexpr int imageCacheLimit = 50;    // decoded preview images kept

    // Loads the window of history at once (`reload`).
    PanelViewModel(HistoryStore& store, Preferences& prefs, Clock& clock, QObject* parent = nullptr);
    ~PanelViewModel() override;

    // ---- observed ----
    const QString& query() const { return query_; }
    void setQuery(const QString& query);
    ClipFilter filter() const { return filter_; }
    void setFilter(ClipFilter filter);
    const QList<ClipItem>& results() const { return results_; }
    std::optional<qint64> selectedID() const { return selectedID_; }
    void setSelectedID(std::optional<qint64> id);
    int focusToken() const { return focusToken_; }

    // ---- callbacks, set by the application ----
    std::function<void(const ClipItem&, UseMode)> onActivate;
    std::function<void()> onOpenSettings;
    // A command the store refused: what failed and the store's reason.
    std::function<void(const QString& message, const QString& reason)> onFailure;
    // An item was deleted; its words stay in the full-text index until the store erases them.
    std::function<void()> onDeleted;
    // Searches the full-text index off the main thread and calls `answer` on it with the newest
    // `limit` matches. Absent: the store is searched on the spot.
    std::function<void(const QString& query, qint64 limit, std::function<void(QList<ClipItem>)> answer)>
        searchOlder;

    // ---- not observed ----
    const QList<ClipItem>& items() const { return items_; }
    qint64 totalCount() const { return totalCount_; }
    HistoryStore& store() const { return store_; }
    Preferences& prefs() const { return prefs_; }
    Clock& clock() const { return clock_; }

    // The result whose id is selectedID, or null.
    const ClipItem* selectedItem() const;
    int selectedIndex() const;  // -1 when nothing is selected

    // ---- updates pushed in by the application ----
    void reload();
    void insertAtFront(const ClipItem& item);
    void removeItems(const QSet<qint64>& ids);
    void markUsed(qint64 id);
    void prepareForShow();

    // ---- commands ----
    void moveSelection(int step);
    void cycleFilter(int step);
    void activateIndex(int index, UseMode mode);
    void activateSelected(UseMode mode);
    void deleteSelected();
    void togglePinSelected();
    // The item's decoded image through the cache; a null image when the store has none. With a
    // decoder set, a miss is decoded there: `pending` says so, and `imageDecoded` follows unless
    // the selection has moved on from the item by then.
    struct PreviewImage {
        QImage image;
        bool pending = false;
    };
    PreviewImage imageFor(const ClipItem& item);
    // Where preview images are decoded from now on; it must outlive the model.
    void decodeImagesOn(TaskRunner& runner) { decoder_ = &runner; }

signals:
    void queryChanged();
    void filterChanged();
    void resultsChanged();
    void selectedIDChanged();
    void focusTokenChanged();
    void imageDecoded(qint64 id, const QImage& image);

private:
    void refresh(bool resetSelection);
    // The window's matches of the current query and filter, then `older` ones not among them.
    QList<ClipItem> matches(const QStringList& terms, const QList<ClipItem>& older) const;
    void setResults(QList<ClipItem> results);
    void select(std::optional<qint64> id);
    void recount();
    void forgetImage(qint64 id);
    void imageArrived(quint64 request, qint64 id, const QString& hash, const QImage& image);
    void dropBeyondWindow();

    struct CachedImage {
        QString hash;  // row ids can be reused after deletion; the hash tells a stale entry apart
        QImage image;
    };

    HistoryStore& store_;
    Preferences& prefs_;
    Clock& clock_;

    QString query_;
    ClipFilter filter_ = ClipFilter::all;
    QList<ClipItem> results_;
    std::optional<qint64> selectedID_;
    int focusToken_ = 0;

    QList<ClipItem> items_;
    qint64 totalCount_ = 0;
    // Rises with every refresh, so that a background search answering a superseded query is dropped.
    quint64 generation_ = 0;
    QCache<qint64, CachedImage> imageCache_;
    TaskRunner* decoder_ = nullptr;
    // The latest decode asked for; one not started before a newer one is skipped.
    std::shared_ptr<std::atomic<quint64>> latestDecode_ = std::make_shared<std::atomic<quint64>>(0);
    // The decode under way inside `imageFor`, and its answer when the runner gave it at once.
    quint64 inlineRequest_ = 0;
    std::optional<QImage> inlineAnswer_;
};

}  // namespace mendrake
