#include "panel/PanelViewModel.h"

#include "platform/TaskRunner.h"
#include "store/HistoryStore.h"

#include <QPointer>

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace mendrake {
namespace {

QStringList searchTerms(const QString& query) { return searchWords(query.toLower()); }

bool matchesAll(const ClipItem& item, const QStringList& terms) {
    for (const QString& term : terms)
        if (!item.searchKey.contains(term)) return false;
    return true;
}

}  // namespace

PanelViewModel::PanelViewModel(HistoryStore& store, Preferences& prefs, Clock& clock, QObject* parent)
    : QObject(parent), store_(store), prefs_(prefs), clock_(clock), imageCache_(imageCacheLimit) {
    reload();
}

PanelViewModel::~PanelViewModel() = default;

void PanelViewModel::setQuery(const QString& query) {
    if (query == query_) return;
    query_ = query;
    emit queryChanged();
    refresh(true);
}

void PanelViewModel::setFilter(ClipFilter filter) {
    if (filter == filter_) return;
    filter_ = filter;
    emit filterChanged();
    refresh(true);
}

void PanelViewModel::setSelectedID(std::optional<qint64> id) { select(id); }

const ClipItem* PanelViewModel::selectedItem() const {
    const int i = selectedIndex();
    return i < 0 ? nullptr : &results_[i];
}

int PanelViewModel::selectedIndex() const {
    if (!selectedID_) return -1;
    for (int i = 0; i < results_.size(); ++i)
        if (results_[i].id == *selectedID_) return i;
    return -1;
}

void PanelViewModel::reload() {
    items_ = store_.recent(windowLimit);
    // After a clear the store hands out row ids again, so cached images would show under new rows.
    imageCache_.clear();
    recount();
    refresh(true);
}

void PanelViewModel::insertAtFront(const ClipItem& item) {
    items_.removeIf([&](const ClipItem& i) { return i.id == item.id; });
    items_.prepend(item);
    dropBeyondWindow();
    recount();
    refresh(false);
}

// A process that runs for weeks records without end; keeping every new row in memory would grow
// the window without bound. Like `reload`, the window holds the most recently used rows up to
// `windowLimit` plus every pinned row; older rows stay reachable through the full-text fallback.
void PanelViewModel::dropBeyondWindow() {
    if (items_.size() <= windowLimit) return;
    const auto pinnedBeyond = std::count_if(items_.begin() + windowLimit, items_.end(),
                                            [](const ClipItem& i) { return i.pinned; });
    qsizetype excess = items_.size() - windowLimit - pinnedBeyond;
    for (qsizetype i = items_.size() - 1; i >= 0 && excess > 0; --i) {
        if (items_[i].pinned) continue;
        forgetImage(items_[i].id);
        items_.removeAt(i);
        --excess;
    }
}

void PanelViewModel::removeItems(const QSet<qint64>& ids) {
    if (ids.isEmpty()) return;
    items_.removeIf([&](const ClipItem& i) { return ids.contains(i.id); });
    for (qint64 id : ids) forgetImage(id);
    recount();
    refresh(false);
}

void PanelViewModel::markUsed(qint64 id) {
    const auto it = std::find_if(items_.begin(), items_.end(), [&](const ClipItem& i) { return i.id == id; });
    if (it == items_.end()) return;
    ClipItem item = *it;
    items_.erase(it);
    item.lastUsedAt = clock_.now();
    items_.prepend(item);
    refresh(false);
}

void PanelViewModel::prepareForShow() {
    if (!query_.isEmpty()) {
        query_.clear();
        emit queryChanged();
    }
    if (filter_ != ClipFilter::all) {
        filter_ = ClipFilter::all;
        emit filterChanged();
    }
    refresh(true);
    ++focusToken_;
    emit focusTokenChanged();
}

void PanelViewModel::moveSelection(int step) {
    if (results_.isEmpty()) return;
    const int from = std::max(selectedIndex(), 0);
    const int to = std::clamp<qint64>(qint64(from) + step, 0, results_.size() - 1);
    select(results_[to].id);
}

void PanelViewModel::cycleFilter(int step) {
    const auto& filters = allClipFilters();
    const int count = int(filters.size());
    const auto found = std::find(filters.begin(), filters.end(), filter_);
    const int index = found == filters.end() ? 0 : int(found - filters.begin());
    // Double modulo: a step of any size, negative included, lands inside the list.
    setFilter(filters[((index + step) % count + count) % count]);
}

void PanelViewModel::activateIndex(int index, UseMode mode) {
    if (index < 0 || index >= results_.size() || !onActivate) return;
    const ClipItem item = results_[index];  // the callback may change the results
    onActivate(item, mode);
}

void PanelViewModel::activateSelected(UseMode mode) {
    const ClipItem* selected = selectedItem();
    if (!selected || !onActivate) return;
    const ClipItem item = *selected;
    onActivate(item, mode);
}

void PanelViewModel::deleteSelected() {
    const int index = selectedIndex();
    if (index < 0) return;
    const qint64 id = results_[index].id;
    // A failed delete keeps the row, here as on disk, and says why.
    if (auto error = store_.deleteItem(id)) {
        if (onFailure) onFailure(QStringLiteral("Mendrake couldn't delete the item"), error->description());
        return;
    }
    if (onDeleted) onDeleted();
    forgetImage(id);
    items_.removeIf([&](const ClipItem& i) { return i.id == id; });
    totalCount_ = std::max<qint64>(totalCount_ - 1, 0);
    refresh(false);
    if (!results_.isEmpty()) select(results_[std::min<int>(index, results_.size() - 1)].id);
}

void PanelViewModel::togglePinSelected() {
    const ClipItem* selected = selectedItem();
    if (!selected) return;
    const qint64 id = selected->id;
    const bool pinned = !selected->pinned;
    store_.setPinned(id, pinned);

    const auto inWindow = std::find_if(items_.begin(), items_.end(), [&](const ClipItem& i) { return i.id == id; });
    if (inWindow != items_.end()) {
        inWindow->pinned = pinned;
    } else if (pinned) {
        // A pinned row belongs to the window whatever its age, as `recent` would return it.
        if (std::optional<ClipItem> fetched = store_.fetch(id)) {
            fetched->pinned = true;
            items_.append(*fetched);
            std::stable_sort(items_.begin(), items_.end(),
                             [](const ClipItem& a, const ClipItem& b) { return a.lastUsedAt > b.lastUsedAt; });
        }
    }

    QList<ClipItem> updated = results_;
    for (ClipItem& r : updated)
        if (r.id == id) r.pinned = pinned;
    setResults(std::move(updated));

    if (filter_ == ClipFilter::pinned) refresh(false);
}

PanelViewModel::PreviewImage PanelViewModel::imageFor(const ClipItem& item) {
    if (const CachedImage* cached = imageCache_.object(item.id); cached && cached->hash == item.hash)
        return {cached->image};
    if (!decoder_) {
        QImage image = store_.image(item);
        if (!image.isNull()) imageCache_.insert(item.id, new CachedImage{item.hash, image});
        return {image};
    }
    // A large picture takes a while to read and decode; the panel answers keys meanwhile.
    const quint64 request = ++*latestDecode_;
    QPointer<PanelViewModel> self(this);
    inlineRequest_ = request;
    decoder_->run([read = store_.imageReader(item), request, latest = latestDecode_, self, id = item.id,
                   hash = item.hash]() -> std::function<void()> {
        // The selection moved on before this started: the newer request decodes what is shown.
        if (latest->load() != request) return {};
        QImage image = read();
        return [self, request, id, hash, image] {
            if (self) self->imageArrived(request, id, hash, image);
        };
    });
    inlineRequest_ = 0;
    // A runner that answers at once has delivered already.
    if (std::optional<QImage> answer = std::exchange(inlineAnswer_, std::nullopt)) return {*answer};
    return {QImage(), true};
}

void PanelViewModel::imageArrived(quint64 request, qint64 id, const QString& hash, const QImage& image) {
    if (request == inlineRequest_) inlineAnswer_ = image;
    if (!image.isNull()) imageCache_.insert(id, new CachedImage{hash, image});
    // Kept for a later visit, but shown only while the item is still the one selected.
    const ClipItem* selected = selectedItem();
    if (selected && selected->id == id && selected->hash == hash) emit imageDecoded(id, image);
}

QList<ClipItem> PanelViewModel::matches(const QStringList& terms, const QList<ClipItem>& older) const {
    QList<ClipItem> found;
    found.reserve(std::min<qsizetype>(resultLimit, items_.size()));
    for (const ClipItem& item : items_) {
        if (!admits(filter_, item) || !matchesAll(item, terms)) continue;
        found.append(item);
        if (found.size() >= resultLimit) break;
    }
    std::unordered_set<qint64> seen;
    for (const ClipItem& item : found) seen.insert(item.id);
    for (const ClipItem& item : older) {
        if (found.size() >= resultLimit) break;
        if (!admits(filter_, item) || !seen.insert(item.id).second) continue;
        found.append(item);
    }
    return found;
}

void PanelViewModel::refresh(bool resetSelection) {
    const quint64 generation = ++generation_;
    const QStringList terms = searchTerms(query_);
    QList<ClipItem> found = matches(terms, {});

    // The window does not cover the whole history: older rows come from the full-text index, after
    // every in-memory match.
    if (!terms.isEmpty() && items_.size() < totalCount_ && found.size() < resultLimit) {
        const qint64 limit = resultLimit - found.size();
        if (!searchOlder) {
            found = matches(terms, store_.search(query_, limit));
        } else {
            // Typing never waits on the index: the window's matches show now, older ones when the
            // search answers, unless a newer query or filter came first.
            QPointer<PanelViewModel> self(this);
            searchOlder(query_, limit, [self, generation, terms](QList<ClipItem> older) {
                if (!self || self->generation_ != generation) return;
                self->setResults(self->matches(terms, older));
                if (!self->selectedItem())
                    self->select(self->results_.isEmpty() ? std::nullopt
                                                          : std::optional<qint64>(self->results_.first().id));
            });
        }
    }
    setResults(std::move(found));

    const bool keep = !resetSelection && selectedIndex() >= 0;
    if (!keep) select(results_.isEmpty() ? std::nullopt : std::optional<qint64>(results_.first().id));
}

void PanelViewModel::setResults(QList<ClipItem> results) {
    if (results == results_) return;
    results_ = std::move(results);
    emit resultsChanged();
}

void PanelViewModel::select(std::optional<qint64> id) {
    if (id == selectedID_) return;
    selectedID_ = id;
    emit selectedIDChanged();
}

void PanelViewModel::recount() { totalCount_ = std::max<qint64>(store_.count(), 0); }

void PanelViewModel::forgetImage(qint64 id) { imageCache_.remove(id); }

}  // namespace mendrake
