// Any query makes valid FTS5 (an error would silently empty the results) and finds a row holding exactly it.
#include "FuzzCheck.h"
#include "Database.h"
#include "FakeClock.h"
#include "store/HistoryStore.h"

#include <QTemporaryDir>

using namespace mendrake;

static CapturedClip clipOf(const QString& text) { return {ClipKind::text, text, contentHash("text", text.toUtf8()), {}, {}, {}}; }

static HistoryStore* store = nullptr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startApplication();
    static QTemporaryDir directory;
    static test::FakeClock clock;
    store = HistoryStore::open(clock, directory.path()).value().release();
    FUZZ_CHECK(!connectionOf(*store).exec(QStringLiteral("PRAGMA synchronous = OFF")));
    for (const char* text : {"hello world", "Crème brûlée", "foo-bar \"quoted\" * AND OR NOT NEAR(x y)", "日本語のテキスト"})
        FUZZ_CHECK(store->record(clipOf(QString::fromUtf8(text))).ok());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString query = fuzzText(data, size);
    const QString expression = HistoryStore::matchExpression(query);
    FUZZ_CHECK(!expression.isEmpty() || store->search(query, 10).isEmpty());
    if (expression.isEmpty()) return 0;
    FUZZ_CHECK(connectionOf(*store).queryInt("SELECT count(*) FROM clips_fts WHERE clips_fts MATCH ?", {expression}).ok());
    // Found whenever the query holds a letter or digit the tokenizer indexes.
    if (std::none_of(query.begin(), query.end(), [](QChar c) { return c.isLetterOrNumber() && !c.isSurrogate(); })) return 0;
    const auto recorded = store->record(clipOf(query));
    FUZZ_CHECK(recorded.ok() && store->search(query, 1000).contains(*recorded));
    FUZZ_CHECK(!store->deleteItem(recorded->id));
    return 0;
}
