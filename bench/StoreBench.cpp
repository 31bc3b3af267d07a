// Store speed on a realistic history: 100,000 text clips (a few words to a few pages, 10% with
// blob files, a few pinned). MENDRAKE_BENCH_CLIPS=1000000 runs the same figures on a million clips.
// The history is generated once into $MENDRAKE_BENCH_CACHE (default /tmp/mendrake-bench) by bulk
// inserts through the store's own schema, and copied for each benchmark that changes it. Delete
// that folder afterwards: the million-clip history takes a few gigabytes.
#include "capture/ClipModel.h"
#include "store/BlobFile.h"
#include "Database.h"
#include "store/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

namespace mendrake {
namespace {

// A clock that reads a fixed start and moves one millisecond per call, so every record is newer.
class StepClock final : public Clock {
public:
    double now() const override { return t_ += 0.001; }
    std::unique_ptr<Timer> every(double, double, std::function<void()>) override { return nullptr; }
    std::unique_ptr<Timer> after(double, std::function<void()>) override { return nullptr; }

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

double processSeconds() {
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Builds the template history once. Opening the store creates the schema, its indexes and the
// full-text triggers; the rows then go in through one prepared statement, committed every 100,000
// rows, and the blob files are written directly. A build connection needs no durability, and a
// large page cache keeps the random inserts into the hash index off the disk.
QString templateDirectory() {
    const qint64 n = clipCount();
    const QString dir = cacheRoot() + QStringLiteral("/history-%1-v1").arg(n);
    if (QFile::exists(dir + "/complete")) return dir;
    QDir(dir).removeRecursively();
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processSeconds();
    StepClock clock;
    auto opened = HistoryStore::open(clock, dir);
    if (!opened) qFatal("cannot create the template: %s", qPrintable(opened.error().description()));
    HistoryStore& store = *opened.value();
    (void)connectionOf(store).exec("PRAGMA synchronous = OFF; PRAGMA cache_size = -524288;");
    TextGenerator generator(42);
    (void)connectionOf(store).exec("BEGIN");
    auto insert = connectionOf(store).prepare("INSERT INTO clips (kind, text, hash, source_bundle, source_name, created_at, "
                                "last_used_at, pinned, blob, size) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    sqlite3_stmt* stmt = insert->handle();
    for (qint64 i = 0; i < n; ++i) {
        if (i > 0 && i % 100000 == 0) (void)connectionOf(store).exec("COMMIT; BEGIN");
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
    (void)connectionOf(store).exec("COMMIT");
    (void)connectionOf(store).exec("INSERT INTO clips_fts(clips_fts) VALUES ('optimize'); PRAGMA wal_checkpoint(TRUNCATE);");
    QFile(dir + "/complete").open(QIODevice::WriteOnly);
    std::fprintf(stderr, "built the %lld-clip history in %.0f s (%.0f s CPU)\n", static_cast<long long>(n),
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count(),
                 processSeconds() - cpuStart);
    return dir;
}

// A private copy of the template that a benchmark may change. The database is copied; the blob
// files are copied for a benchmark that deletes them, and otherwise hard-linked: the store only
// ever replaces or removes a blob file, never changes one in place. Copying and then deleting
// every blob file for each run would also leave thousands of just-freed inodes, which ext4
// without a journal (this machine's) scans past on every file creation for up to five minutes,
// a cost recording in normal use does not see.
enum class Blobs { linked, copied };
struct Copy {
    QString root = (QDir().mkpath(cacheRoot()), cacheRoot());
    QTemporaryDir temp{root + "/copy-XXXXXX"};
    StepClock clock;
    std::unique_ptr<HistoryStore> store;
    explicit Copy(Blobs blobs) {
        namespace fs = std::filesystem;
        const fs::path from = templateDirectory().toStdString(), to = temp.path().toStdString() + "/h";
        fs::create_directories(to / "Blobs");
        for (const auto& entry : fs::directory_iterator(from))
            if (entry.is_regular_file()) fs::copy_file(entry.path(), to / entry.path().filename());
        fs::copy(from / "Blobs", to / "Blobs",
                 fs::copy_options::recursive |
                     (blobs == Blobs::linked ? fs::copy_options::create_hard_links : fs::copy_options::none));
        auto opened = HistoryStore::open(clock, temp.path() + "/h");
        if (!opened) qFatal("cannot open the copy: %s", qPrintable(opened.error().description()));
        store = std::move(opened).value();
    }
};

// MENDRAKE_BENCH_MMAP=<bytes> times the reads with memory-mapped I/O, which the store leaves off.
Copy& sharedReadOnlyCopy() {
    static Copy copy(Blobs::linked);
    static const bool mapped = [] {
        const QByteArray bytes = qgetenv("MENDRAKE_BENCH_MMAP");
        return !bytes.isEmpty() && !connectionOf(*copy.store).exec("PRAGMA mmap_size = " + QString::number(bytes.toLongLong()));
    }();
    (void)mapped;
    return copy;
}

// Google Benchmark calls a benchmark several times while it settles the iteration count; the
// recording benchmarks share one copy rather than copy a million-clip history each time.
Copy& sharedRecordingCopy() {
    static Copy copy(Blobs::linked);
    return copy;
}

void BM_RecordNewText(benchmark::State& state) {
    Copy& copy = sharedRecordingCopy();
    TextGenerator generator(7);
    const bool withBlob = state.range(0) != 0;
    static qint64 serial = 0;
    for (auto _ : state) {
        CapturedClip clip;
        clip.text = generator.text() + QStringLiteral(" new %1").arg(++serial);
        const QByteArray utf8 = clip.text.toUtf8();
        clip.hash = contentHash("text", utf8);
        clip.byteSize = utf8.size();
        if (withBlob) clip.representations = {{"public.utf8-plain-text", utf8}};
        clip.sourceAppId = "org.example.Editor";
        clip.sourceAppName = "Editor";
        if (!copy.store->record(clip)) state.SkipWithError("record failed");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordNewText)->ArgName("blob")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(3);

// A user's delete of one item: the row, its blob file, then the index merge and the log
// truncation that keep the deleted text out of the files.
void BM_DeleteOne(benchmark::State& state) {
    HistoryStore& store = *sharedRecordingCopy().store;
    qint64 id = 1;
    for (auto _ : state)
        if (store.deleteItem(id += 97)) state.SkipWithError("delete failed");
}
BENCHMARK(BM_DeleteOne)->Unit(benchmark::kMillisecond)->Iterations(10);

// The full-text merge that follows a user's delete, on the maintenance thread.
void BM_EraseDeletedText(benchmark::State& state) {
    HistoryStore& store = *sharedRecordingCopy().store;
    qint64 id = 5;
    for (auto _ : state) {
        state.PauseTiming();
        if (store.deleteItem(id += 89)) state.SkipWithError("delete failed");
        state.ResumeTiming();
        store.eraseDeletedText();
    }
}
BENCHMARK(BM_EraseDeletedText)->Unit(benchmark::kMillisecond)->Iterations(5);

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

// What every query looks like while it is typed: its last word is one or two letters so far.
void BM_SearchShortPrefix(benchmark::State& state) {
    // "zq" matches nothing: the walk along the recency index then covers the whole history.
    static const char* queries[] = {"k", "ka", "zephyrine k", "quartzite ka", "ka lo m", "zq"};
    const char* query = queries[state.range(0)];
    HistoryStore& store = *sharedReadOnlyCopy().store;
    for (auto _ : state) benchmark::DoNotOptimize(store.search(query, 300));
    state.SetLabel(query);
    state.counters["rows"] = double(store.search(query, 300).size());
}
BENCHMARK(BM_SearchShortPrefix)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The statements in their first, straightforward form, for comparison with what the store runs.
QList<ClipItem> runItems(HistoryStore& store, const QString& sql, const std::vector<Value>& values) {
    QList<ClipItem> items;
    auto statement = connectionOf(store).prepare(sql, values);
    if (!statement) qFatal("%s", qPrintable(statement.error().description()));
    while (statement->step() == SQLITE_ROW) items.append(Database::readItem(*statement));
    return items;
}

void BM_RecentPlainStatement(benchmark::State& state) {
    HistoryStore& store = *sharedReadOnlyCopy().store;
    const QString sql = "SELECT " + Database::columnList() +
                        " FROM clips c\nWHERE c.id IN (SELECT id FROM clips ORDER BY last_used_at DESC LIMIT ?) OR "
                        "c.pinned = 1\nORDER BY c.last_used_at DESC";
    for (auto _ : state) benchmark::DoNotOptimize(runItems(store, sql, {qint64(5000)}));
    if (runItems(store, sql, {qint64(5000)}) != store.recent(5000)) state.SkipWithError("answers differ");
}
BENCHMARK(BM_RecentPlainStatement)->Unit(benchmark::kMillisecond);

void BM_SearchPlainStatement(benchmark::State& state) {
    HistoryStore& store = *sharedReadOnlyCopy().store;
    const QString word = state.range(0) ? kCommonWord : kRareWord;
    const QString sql = "SELECT " + Database::columnList() +
                        " FROM clips c\nJOIN clips_fts ON clips_fts.rowid = c.id\nWHERE clips_fts MATCH ?\nORDER BY "
                        "c.last_used_at DESC LIMIT ?";
    const std::vector<Value> values = {QString("\"" + word + "\"*"), qint64(300)};
    for (auto _ : state) benchmark::DoNotOptimize(runItems(store, sql, values));
    if (runItems(store, sql, values) != store.search(word, 300)) state.SkipWithError("answers differ");
}
BENCHMARK(BM_SearchPlainStatement)->ArgName("common")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

QString textOf(HistoryStore& store, const QString& sql) {
    auto statement = connectionOf(store).prepare(sql);
    return statement && statement->step() == SQLITE_ROW ? statement->textAt(0) : QString();
}

void BM_TrimFiftyThousand(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto copy = std::make_unique<Copy>(Blobs::copied);
        HistoryStore& store = *copy->store;
        // MENDRAKE_BENCH_SECURE_DELETE=FAST (or 0) times trim with another secure_delete setting.
        static const QString secureDelete = qEnvironmentVariable("MENDRAKE_BENCH_SECURE_DELETE");
        if (!secureDelete.isEmpty() && secureDelete.contains(QRegularExpression("^[A-Za-z0-9]+$")))
            (void)connectionOf(store).exec("PRAGMA secure_delete = " + secureDelete);
        state.counters["secure_delete"] = double(textOf(store, "PRAGMA secure_delete").toInt());
        const qint64 keep = textOf(store, "SELECT count(*) FROM clips WHERE pinned = 0").toLongLong() - 50000;
        state.ResumeTiming();
        const auto removed = store.trim(0, keep);
        state.PauseTiming();
        state.counters["removed"] = double(removed.size());
        copy.reset();  // deleting the copy is not part of the trim
        state.ResumeTiming();
        if (removed.size() != 50000) {
            state.SkipWithError("trim removed the wrong number of rows");
            break;
        }
    }
}
BENCHMARK(BM_TrimFiftyThousand)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace mendrake

BENCHMARK_MAIN();
