// Inputs the fuzzers found that broke a parser, kept as named cases.
#include "HardeningSupport.h"

#include "FakeClock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mendrake::test {
namespace {

// A blob file whose dictionary key object was pointed at a string holding NUL bytes: libplist
// aborted the process (an assertion) when the key was read, so previewing or pasting the item
// crashed Mendrake.
TEST(ParserRegression, BlobFileWithNulInsideAKeyIsRefusedNotFatal) {
    const QByteArray crash = QByteArray::fromBase64(
        "YnBsaXN0MDDRAQJacHVibGljLnBuZ08QIYlQTkcNChoKAAAADUlIRFIAAAABAAAAAQgGAAAAHxXEiQgVFgAAAAAAAAEBAAAAAAAAAAMAAAAA"
        "AAAAAAAAAAAAAAA6");
    EXPECT_FALSE(decodeRepresentations(crash).has_value());

    // The same refusal through the store: the item reads as having no representations.
    QTemporaryDir temp;
    FakeClock clock;
    auto store = HistoryStore::open(clock, temp.path());
    ASSERT_TRUE(store.ok());
    auto item = store.value()->record(hardeningImageClip(1));
    ASSERT_TRUE(item.ok() && item->blob);
    EXPECT_FALSE(store.value()->representations(*item).empty());
    QFile file(store.value()->blobDirectory() + u'/' + *item->blob);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(crash);
    file.close();
    EXPECT_TRUE(store.value()->representations(*item).empty());
    EXPECT_TRUE(store.value()->image(*item).isNull());

    // Keys and values that merely look unusual still decode.
    const RepresentationMap unusual{{QStringLiteral("ключ ✓"), QByteArray("\0\1\2", 3)}, {QStringLiteral("k"), QByteArray()}};
    EXPECT_EQ(decodeRepresentations(encodeRepresentations(unusual)), unusual);
}

// A query holding a NUL (pasted into the search field) became an FTS5 expression that SQLite cut
// short: a syntax error, so the search answered nothing at all.
TEST(ParserRegression, SearchQueryWithNulMatchesAsIfItWereASpace) {
    QTemporaryDir temp;
    FakeClock clock;
    auto store = HistoryStore::open(clock, temp.path());
    ASSERT_TRUE(store.ok());
    CapturedClip clip = hardeningTextClip(0, false);
    clip.text = QStringLiteral("alpha beta gamma");
    clip.hash = contentHash("text", clip.text.toUtf8());
    ASSERT_TRUE(store.value()->record(clip).ok());

    for (const QString& query : {QStringLiteral("alpha") + QChar(0) + QStringLiteral("bet"),
                                 QChar(0) + QStringLiteral("gam"), QStringLiteral("beta") + QChar(0)}) {
        const auto expression = HistoryStore::matchExpression(query);
        EXPECT_FALSE(expression.contains(QChar(0)));
        EXPECT_EQ(store.value()->search(query, 10).size(), 1) << expression.toStdString();
    }
}

}  // namespace
}  // namespace mendrake::test
