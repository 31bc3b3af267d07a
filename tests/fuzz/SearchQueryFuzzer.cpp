// What the user types into the search field becomes an FTS5 match expression. Whatever the text,
// the expression must be valid FTS5 (a syntax error would silently empty the results), and a
// search must find a row whose text is exactly the query.
#include "FuzzCheck.h"

#include "Database.h"
#include "FakeClock.h"
#include "store/HistoryStore.h"

#include <QTemporaryDir>

using namespace mendrake;

namespace {

struct Fixture {
    QTemporaryDir directory;
    test::FakeClock clock;
    std::unique_ptr<HistoryStore> store;

    Fixture() {
        auto opened = HistoryStore::open(clock, directory.path());
        FUZZ_CHECK(opened.ok());
        store = std::move(opened).value();
        // Each input records and deletes a row; durability is not what is tested here.
        FUZZ_CHECK(!connectionOf(*store).exec(QStringLiteral("PRAGMA synchronous = OFF")));
        for (const char* text : {"hello world", "Crème brûlée", "foo-bar \"quoted\" * AND OR NOT NEAR(x y)",
                                 "日本語のテキスト", "x = y; // code"}) {
            CapturedClip clip;
            clip.text = QString::fromUtf8(text);
            clip.hash = contentHash("text", clip.text.toUtf8());
            FUZZ_CHECK(store->record(clip).ok());
        }
    }
};

Fixture* fixture = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startApplication();
    fixture = new Fixture;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString query = fuzzText(data, size);
    HistoryStore& store = *fixture->store;
    const QString expression = HistoryStore::matchExpression(query);
    if (expression.isEmpty()) {
        FUZZ_CHECK(store.search(query, 10).isEmpty());
        return 0;
    }

    const auto matches = connectionOf(store).queryInt(QStringLiteral("SELECT count(*) FROM clips_fts WHERE clips_fts MATCH ?"), {expression});
    if (!matches) std::fprintf(stderr, "rejected match expression: %s\n", expression.toUtf8().constData());
    FUZZ_CHECK(matches.ok());

    // A row whose text is the query itself is found by it, whenever the query holds a letter or
    // digit the tokenizer can index.
    bool searchable = false;
    for (QChar c : query) searchable = searchable || (c.isLetterOrNumber() && !c.isSurrogate());
    if (!searchable) return 0;
    CapturedClip clip;
    clip.text = query;
    clip.hash = contentHash("text", query.toUtf8());
    auto recorded = store.record(clip);
    FUZZ_CHECK(recorded.ok());
    bool found = false;
    for (const ClipItem& item : store.search(query, 1000)) found = found || item.id == recorded->id;
    if (!found) std::fprintf(stderr, "not found by its own text: %s\n", expression.toUtf8().constData());
    FUZZ_CHECK(found);
    (void)store.deleteItem(recorded->id);
    return 0;
}
