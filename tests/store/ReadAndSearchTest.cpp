#include "FakeClock.h"
#include "StoreTestSupport.h"

#include <QFile>

#include <random>

namespace mendrake::test {
namespace {

class ReadAndSearch : public ::testing::Test {
protected:
    QTemporaryDir temp;
    FakeClock clock{5000};
    std::unique_ptr<HistoryStore> store = openStore(clock, temp.path());

    // Records each text one second after the previous one; returns the ids in order.
    QList<qint64> recordAll(const QStringList& texts) {
        QList<qint64> ids;
        for (const QString& text : texts) {
            clock.advance(1);
            auto item = store->record(textClip(text, {{"public.utf8-plain-text", text.toUtf8()}}));
            EXPECT_TRUE(item);
            ids << (item ? item->id : -1);
        }
        return ids;
    }
    static QList<qint64> idsOf(const QList<ClipItem>& items) {
        QList<qint64> ids;
        for (const ClipItem& item : items) ids << item.id;
        return ids;
    }
};

TEST_F(ReadAndSearch, RecentIsTheNewestPlusEveryPinnedRowInRecencyOrder) {
    const auto ids = recordAll({"oldest pinned", "a", "b", "c", "d", "e"});
    store->setPinned(ids[0], true);
    EXPECT_EQ(idsOf(store->recent(2)), (QList<qint64>{ids[5], ids[4], ids[0]}));
    EXPECT_TRUE(store->recent(2).last().pinned);
    store->setPinned(ids[0], false);
    EXPECT_EQ(idsOf(store->recent(2)), (QList<qint64>{ids[5], ids[4]}));
    EXPECT_EQ(store->recent(100).size(), 6);
    store->touch(ids[1]);
    EXPECT_EQ(store->recent(1).first().id, ids[1]);
}

TEST_F(ReadAndSearch, SearchMatchesWordPrefixesFoldingCaseAndDiacritics) {
    const auto ids = recordAll({"un café noir", "CAFETERIA menu", "decaf please", "foo and bar", "bar only",
                                "barfoo foolish", "foo-bar joined"});
    const struct {
        QString query;
        QList<qint64> expected;
    } cases[] = {
        {"Cafe", {ids[1], ids[0]}},
        {"  café\t", {ids[1], ids[0]}},
        {"foo bar", {ids[6], ids[5], ids[3]}},
        {"bar foo", {ids[6], ids[5], ids[3]}},
        {"foo-bar", {ids[6]}},  // the phrase "foo bar*": adjacent, in that order
        {"", {}},
        {"  \n ", {}},
        {"tea", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(idsOf(store->search(c.query, 50)), c.expected) << c.query.toStdString();
    EXPECT_EQ(idsOf(store->search("foo", 2)), (QList<qint64>{ids[6], ids[5]}));
}

TEST_F(ReadAndSearch, SearchSurvivesQuotesOperatorsAndStrayBytes) {
    const auto ids = recordAll({R"(say "hi" there)", "NEAR the AND gate", "key:value ^caret", "star* power"});
    const QString hostile[] = {
        R"(")",          R"("")",        R"("hi)",          R"(hi")",     "AND",     "OR",       "NOT",
        "NEAR",          "NEAR(a b)",    "a AND",           "*",          "**",      ":",        "text:",
        "^",             "^key",         "(",               ")",          "{text}:x", "-",       "+",
        "clips_fts",     "'; DROP TABLE clips; --",         QString(QChar(0)), QString::fromUtf16(u"\xd800"),
        QString::fromUtf8("\xff\xfe bad utf8"),              QString(5000, u'"'),
    };
    for (const QString& query : hostile) (void)store->search(query, 10);
    EXPECT_EQ(store->count(), 4);
    EXPECT_EQ(idsOf(store->search(R"("hi")", 10)), (QList<qint64>{ids[0]}));
    EXPECT_EQ(idsOf(store->search("NEAR AND", 10)), (QList<qint64>{ids[1]}));
    EXPECT_EQ(idsOf(store->search("key:value", 10)), (QList<qint64>{ids[2]}));
    EXPECT_EQ(idsOf(store->search("star*", 10)), (QList<qint64>{ids[3]}));
}

// recent and search read through indexes; their answers must be those of the plain statements.
TEST_F(ReadAndSearch, IndexedReadsAnswerLikeThePlainStatements) {
    std::mt19937 rng(5);
    const QStringList words = {"alpha", "beta", "gamma", "delta", "alphabet", "Émile", "emile"};
    for (int i = 0; i < 300; ++i) {
        QString text;
        for (int w = 0; w < 1 + int(rng() % 6); ++w) text += words[rng() % words.size()] + ' ';
        text += QString::number(i);
        clock.setNow(5000 + double(rng() % 100000));  // shuffled recency, unrelated to id
        const auto item = store->record(textClip(text));
        ASSERT_TRUE(item);
        if (rng() % 17 == 0) store->setPinned(item->id, true);
    }
    auto plain = [&](const QString& tail, const std::vector<Value>& values) {
        QList<ClipItem> items;
        auto statement = store->prepare("SELECT " + HistoryStore::columnList() + tail, values);
        EXPECT_TRUE(statement);
        while (statement && statement->step() == 100) items << HistoryStore::readItem(*statement);
        return items;
    };
    for (qint64 limit : {0, 1, 7, 150, 1000}) {
        EXPECT_EQ(store->recent(limit),
                  plain(" FROM clips c\nWHERE c.id IN (SELECT id FROM clips ORDER BY last_used_at DESC LIMIT ?) OR "
                        "c.pinned = 1\nORDER BY c.last_used_at DESC",
                        {limit}))
            << limit;
    }
    for (const QString query : {"alpha", "emile", "beta gam", "delta alphab", "1"}) {
        for (qint64 limit : {1, 10, 300}) {
            EXPECT_EQ(store->search(query, limit),
                      plain(" FROM clips c\nJOIN clips_fts ON clips_fts.rowid = c.id\nWHERE clips_fts MATCH ?\nORDER "
                            "BY c.last_used_at DESC LIMIT ?",
                            {HistoryStore::matchExpression(query), limit}))
                << query.toStdString() << " " << limit;
        }
    }
    // Without its covering index (a database tidied by hand), search still answers.
    const auto before = store->search("gamma", 300);
    ASSERT_FALSE(store->exec("DROP INDEX idx_clips_id_last_used"));
    EXPECT_EQ(store->search("gamma", 300), before);
    EXPECT_FALSE(before.isEmpty());
}

TEST_F(ReadAndSearch, FullTextReturnsTheWholeTextBeyondThePreview) {
    QString longText;
    for (int i = 0; i < 2000; ++i) longText += QString("%1 word ").arg(i % 10);
    longText = longText.left(10000);
    const auto id = recordAll({longText}).first();
    EXPECT_EQ(store->fetch(id)->text.size(), 2000);
    EXPECT_EQ(store->fetch(id)->fullLength, 10000);
    EXPECT_EQ(store->fullText(id), longText);
    EXPECT_EQ(store->fullText(id + 100), std::nullopt);
    EXPECT_EQ(store->fetch(id + 100), std::nullopt);
}

TEST_F(ReadAndSearch, PinningIsStoredAndReadBack) {
    const auto id = recordAll({"pin me"}).first();
    store->setPinned(id, true);
    EXPECT_TRUE(store->fetch(id)->pinned);
    store->setPinned(id, false);
    EXPECT_FALSE(store->fetch(id)->pinned);
}

TEST_F(ReadAndSearch, DeleteRemovesRowFileAndIndexEntry) {
    const auto ids = recordAll({"delete me", "keep me"});
    const QString file = store->blobDirectory() + "/" + *store->fetch(ids[0])->blob;
    ASSERT_TRUE(QFile::exists(file));
    store->deleteItem(ids[0]);
    EXPECT_EQ(store->fetch(ids[0]), std::nullopt);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(store->search("delete", 10).isEmpty());
    EXPECT_EQ(store->search("me", 10).size(), 1);
    store->deleteItem(424242);
    EXPECT_EQ(store->count(), 1);
}

TEST_F(ReadAndSearch, FailedDeleteKeepsTheRowsBlobFile) {
    const auto id = recordAll({"stubborn"}).first();
    const QString file = store->blobDirectory() + "/" + *store->fetch(id)->blob;
    failDeletesOf(*store, id);
    store->deleteItem(id);
    EXPECT_TRUE(store->fetch(id));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_FALSE(store->representations(*store->fetch(id)).empty());
}

TEST_F(ReadAndSearch, BlobNameFromTheDatabaseNeverReachesOutsideBlobs) {
    const auto id = recordAll({"tampered"}).first();
    ASSERT_FALSE(store->exec(QString("UPDATE clips SET blob = '../history.sqlite' WHERE id = %1").arg(id)));
    EXPECT_TRUE(store->representations(*store->fetch(id)).empty());
    store->deleteItem(id);
    EXPECT_TRUE(QFile::exists(store->databasePath()));
    EXPECT_EQ(store->count(), 0);
}

}  // namespace
}  // namespace mendrake::test
