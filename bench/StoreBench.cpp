// Store speed on a realistic history: 100,000 text clips (a few words to a few pages, 10% with
// blob files, a few pinned). MENDRAKE_BENCH_CLIPS=1000000 runs the same figures on a million clips.
// The history is generated once into $MENDRAKE_BENCH_CACHE (default /tmp/mendrake-bench) and
// copied for each benchmark that changes it.
#include "capture/ClipModel.h"
#include "store/BlobFile.h"
#include "store/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cmath>
#include <filesystem>
#include <random>

namespace mendrake {
namespace {

// A clock that reads a fixed start and moves one millisecond per call, so every record is newer.
class StepClock final : public Clock {
public:
    double now() const override { return t_ += 0.001; }
    std::unique_ptr<Timer> every(double, double, std::function<void()>) override { return nullptr; }
    void after(double, std::function<void()>) override {}

private:
    mutable double t_ = 1'800'000'000.0;
};

constexpr const char* kRareWord = "zephyrine";    // in 50 rows
constexpr const char* kCommonWord = "quartzite";  // in 20,000 rows
constexpr qint64 kRareRows = 50, kCommonRows = 20000;

qint64 clipCount() {
    const QByteArray env = qgetenv("MENDRAKE_BENCH_CLIPS");
    return env.isEmpty() ? 100000 : env.toLongLong();
}

class TextGenerator {
public:
    explicit TextGenerator(uint64_t seed) : rng_(seed) {
        static const char* syllables[] = {"ka", "lo", "mi", "ne", "ru", "ta", "sho", "ven", "dal", "bi",
                                          "or", "eth", "un", "pa", "gri", "mo", "fe", "lis", "tor", "ai"};
        std::uniform_int_distribution<int> pick(0, 19), count(1, 4);
        for (int i = 0; i < 6000; ++i) {
            QString word;
            for (int n = count(rng_); n > 0; --n) word += QLatin1String(syllables[pick(rng_)]);
            words_ << word;
        }
    }
    // Log-uniform length between a few words and a few pages.
    QString text(const QStringList& extraWords = {}) {
        const int target = int(std::exp(std::uniform_real_distribution<double>(std::log(15.0), std::log(8000.0))(rng_)));
        std::uniform_int_distribution<qsizetype> pick(0, words_.size() - 1);
        QString out;
        for (const QString& extra : extraWords) out += extra + u' ';
        while (out.size() < target) {
            out += words_[pick(rng_)];
            out += (out.size() % 97 == 0) ? u'\n' : u' ';
        }
        return out;
    }
    std::mt19937_64& rng() { return rng_; }

private:
    std::mt19937_64 rng_;
    QStringList words_;
};

QString cacheRoot() {
    const QString env = qEnvironmentVariable("MENDRAKE_BENCH_CACHE");
    return env.isEmpty() ? QStringLiteral("/tmp/mendrake-bench") : env;
}

// Builds the template history once, with bulk inserts in one transaction.
QString templateDirectory() {
    const qint64 n = clipCount();
    const QString dir = cacheRoot() + QStringLiteral("/history-%1-v1").arg(n);
    if (QFile::exists(dir + "/complete")) return dir;
    QDir(dir).removeRecursively();
    StepClock clock;
    auto opened = HistoryStore::open(clock, dir);
    if (!opened) qFatal("cannot create the template: %s", qPrintable(opened.error().description()));
    HistoryStore& store = *opened.value();
    TextGenerator generator(42);
    (void)store.exec("BEGIN");
    auto insert = store.prepare("INSERT INTO clips (kind, text, hash, source_bundle, source_name, created_at, "
                                "last_used_at, pinned, blob, size) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    sqlite3_stmt* stmt = insert->handle();
    for (qint64 i = 0; i < n; ++i) {
        QStringList markers;
        if (i % (n / kRareRows) == 3) markers << kRareWord;
        if (i % (n / kCommonRows) == 1) markers << kCommonWord;
        const QString text = generator.text(markers) + QString::number(i);
        const QByteArray utf8 = text.toUtf8();
        const QString hash = contentHash("text", utf8);
        const bool withBlob = i % 10 == 0;
        QByteArray blobName;
        if (withBlob) {
            blobName = (hash + ".plist").toLatin1();
            QFile file(store.blobDirectory() + "/" + blobName);
            file.open(QIODevice::WriteOnly);
            file.write(encodeRepresentations({{"public.utf8-plain-text", utf8}, {"public.html", "<p>" + utf8 + "</p>"}}));
        }
        const double at = 1'700'000'000.0 + double(i) * 60.0;
        const QByteArray hashUtf8 = hash.toLatin1();
        sqlite3_reset(stmt);
        sqlite3_bind_text(stmt, 1, withBlob ? "richText" : "text", -1, SQLITE_STATIC);
        sqlite3_bind_text(stmt, 2, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
        sqlite3_bind_text(stmt, 3, hashUtf8.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(stmt, 4, "org.example.Editor", -1, SQLITE_STATIC);
        sqlite3_bind_text(stmt, 5, "Editor", -1, SQLITE_STATIC);
        sqlite3_bind_double(stmt, 6, at);
        sqlite3_bind_double(stmt, 7, at);
        sqlite3_bind_int(stmt, 8, i % 20000 == 11 ? 1 : 0);  // a few pinned rows, spread over all ages
        if (withBlob)
            sqlite3_bind_text(stmt, 9, blobName.constData(), -1, SQLITE_STATIC);
        else
            sqlite3_bind_null(stmt, 9);
        sqlite3_bind_int64(stmt, 10, utf8.size() * (withBlob ? 3 : 1));
        if (sqlite3_step(stmt) != SQLITE_DONE) qFatal("insert failed");
    }
    (void)store.exec("COMMIT");
    (void)store.exec("INSERT INTO clips_fts(clips_fts) VALUES ('optimize'); PRAGMA wal_checkpoint(TRUNCATE);");
    QFile(dir + "/complete").open(QIODevice::WriteOnly);
    return dir;
}

// A private copy of the template that a benchmark may change.
struct Copy {
    QTemporaryDir temp{cacheRoot() + "/copy-XXXXXX"};
    StepClock clock;
    std::unique_ptr<HistoryStore> store;
    Copy() {
        const QString from = templateDirectory();
        std::filesystem::copy(from.toStdString(), temp.path().toStdString() + "/h",
                              std::filesystem::copy_options::recursive);
        store = std::move(HistoryStore::open(clock, temp.path() + "/h")).value();
    }
};

Copy& sharedReadOnlyCopy() {
    static Copy copy;
    return copy;
}

void BM_RecordNewText(benchmark::State& state) {
    Copy copy;
    TextGenerator generator(7);
    const bool withBlob = state.range(0) != 0;
    qint64 serial = 0;
    for (auto _ : state) {
        CapturedClip clip;
        clip.text = generator.text() + QStringLiteral(" new %1").arg(++serial);
        const QByteArray utf8 = clip.text.toUtf8();
        clip.hash = contentHash("text", utf8);
        clip.byteSize = utf8.size();
        if (withBlob) clip.representations = {{"public.utf8-plain-text", utf8}};
        clip.sourceBundleID = "org.example.Editor";
        clip.sourceAppName = "Editor";
        if (!copy.store->record(clip)) state.SkipWithError("record failed");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordNewText)->ArgName("blob")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(3);

void BM_Recent(benchmark::State& state) {
    HistoryStore& store = *sharedReadOnlyCopy().store;
    for (auto _ : state) benchmark::DoNotOptimize(store.recent(state.range(0)));
    state.counters["rows"] = double(store.recent(state.range(0)).size());
}
BENCHMARK(BM_Recent)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_SearchRareWord(benchmark::State& state) {
    HistoryStore& store = *sharedReadOnlyCopy().store;
    for (auto _ : state) benchmark::DoNotOptimize(store.search(kRareWord, 300));
    state.counters["rows"] = double(store.search(kRareWord, 300).size());
}
BENCHMARK(BM_SearchRareWord)->Unit(benchmark::kMillisecond);

void BM_SearchCommonWord(benchmark::State& state) {
    HistoryStore& store = *sharedReadOnlyCopy().store;
    for (auto _ : state) benchmark::DoNotOptimize(store.search(kCommonWord, 300));
    state.counters["rows"] = double(store.search(kCommonWord, 300).size());
}
BENCHMARK(BM_SearchCommonWord)->Unit(benchmark::kMillisecond);

void BM_SearchTwoWords(benchmark::State& state) {
    HistoryStore& store = *sharedReadOnlyCopy().store;
    for (auto _ : state) benchmark::DoNotOptimize(store.search("quartz ka", 300));
}
BENCHMARK(BM_SearchTwoWords)->Unit(benchmark::kMillisecond);

// The statements in their first, straightforward form, for comparison with what the store runs.
QList<ClipItem> runItems(HistoryStore& store, const QString& sql, const std::vector<Value>& values) {
    QList<ClipItem> items;
    auto statement = store.prepare(sql, values);
    if (!statement) qFatal("%s", qPrintable(statement.error().description()));
    while (statement->step() == SQLITE_ROW) items.append(HistoryStore::readItem(*statement));
    return items;
}

void BM_RecentPlainStatement(benchmark::State& state) {
    HistoryStore& store = *sharedReadOnlyCopy().store;
    const QString sql = "SELECT " + HistoryStore::columnList() +
                        " FROM clips c\nWHERE c.id IN (SELECT id FROM clips ORDER BY last_used_at DESC LIMIT ?) OR "
                        "c.pinned = 1\nORDER BY c.last_used_at DESC";
    for (auto _ : state) benchmark::DoNotOptimize(runItems(store, sql, {qint64(5000)}));
    if (runItems(store, sql, {qint64(5000)}) != store.recent(5000)) state.SkipWithError("answers differ");
}
BENCHMARK(BM_RecentPlainStatement)->Unit(benchmark::kMillisecond);

void BM_SearchPlainStatement(benchmark::State& state) {
    HistoryStore& store = *sharedReadOnlyCopy().store;
    const QString word = state.range(0) ? kCommonWord : kRareWord;
    const QString sql = "SELECT " + HistoryStore::columnList() +
                        " FROM clips c\nJOIN clips_fts ON clips_fts.rowid = c.id\nWHERE clips_fts MATCH ?\nORDER BY "
                        "c.last_used_at DESC LIMIT ?";
    const std::vector<Value> values = {QString("\"" + word + "\"*"), qint64(300)};
    for (auto _ : state) benchmark::DoNotOptimize(runItems(store, sql, values));
    if (runItems(store, sql, values) != store.search(word, 300)) state.SkipWithError("answers differ");
}
BENCHMARK(BM_SearchPlainStatement)->ArgName("common")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_TrimFiftyThousand(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Copy copy;
        const qint64 keep = copy.store->count() - 50000;
        state.ResumeTiming();
        const auto removed = copy.store->trim(0, keep);
        state.PauseTiming();
        if (removed.size() < 49990) state.SkipWithError("trim removed too little");
        state.counters["removed"] = double(removed.size());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TrimFiftyThousand)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace mendrake

BENCHMARK_MAIN();
