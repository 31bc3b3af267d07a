#include "StoreTestSupport.h"
#include "store/BlobFile.h"

#include <random>

#include <unistd.h>

namespace mendrake::test {
namespace {

using ReadAndSearch = StoreTest;

TEST_F(ReadAndSearch, RecentIsTheNewestPlusEveryPinnedRow) {
    const qint64 pinned = add("oldest", 9, true);
    QList<qint64> ids;
    for (int i = 5; i >= 1; --i) ids << add(QString("row %1").arg(i), i);
    EXPECT_EQ(idsOf(store->recent(2)), (QList<qint64>{ids[4], ids[3], pinned}));
    store->setPinned(pinned, false);
    EXPECT_EQ(idsOf(store->recent(2)), (QList<qint64>{ids[4], ids[3]}));
    store->touch(ids[0]);
    EXPECT_EQ(store->recent(1).first().id, ids[0]);
}

TEST_F(ReadAndSearch, SearchMatchesWordPrefixesFoldingCaseAndMarks) {
    QList<qint64> ids;
    const QStringList texts = {"un café noir", "CAFETERIA menu", "decaf", "foo and bar", "barfoo foolish",
                               "foo-bar joined", R"(say "hi")", "NEAR the AND gate", "東京 tower, then 会議"};
    for (int i = 0; i < texts.size(); ++i) ids << add(texts[i], texts.size() - i);
    const std::pair<QString, QList<qint64>> cases[] = {
        {"  Cafe\t", {ids[1], ids[0]}}, {"bar foo", {ids[5], ids[4], ids[3]}}, {"foo-bar", {ids[5]}},
        {"  \n ", {}},                 {"\"hi\"", {ids[6]}},                  {"NEAR AND", {ids[7]}},
        // Any Unicode whitespace separates words: ideographic space, no-break space.
        {QString::fromUtf16(u"東京\u3000会議"), {ids[8]}}, {QString::fromUtf16(u"gate\u00a0near"), {ids[7]}},
        // A NUL (FTS5 would read it as the end of the query) separates words like a space.
        {"foo" + QString(QChar(0)) + "an", {ids[3]}}, {QChar(0) + QString("gat"), {ids[7]}},
        {"gate" + QString(QChar(0)), {ids[7]}},
    };
    for (const auto& [query, expected] : cases) EXPECT_EQ(idsOf(store->search(query, 50)), expected) << query.toStdString();
    EXPECT_EQ(idsOf(store->search("foo", 2)), (QList<qint64>{ids[5], ids[4]}));
    // Query syntax, quotes, SQL and a NUL (which FTS5 would read as the end of the query) are plain text.
    for (const QString& hostile : {QString("\""), QString("NEAR(a b)"), QString("text:"),
                                   QString("'; DROP TABLE clips; --"), QString(QChar(0)),
                                   QString::fromUtf16(u"\xd800"), QString(5000, u'"')})
        (void)store->search(hostile, 10);
    EXPECT_EQ(store->count(), texts.size());
}

// recent and search read through indexes; their answers must be those of the plain statements.
TEST_F(ReadAndSearch, IndexedReadsAnswerLikeThePlainStatements) {
    std::mt19937 rng(5);
    const QStringList words = {"alpha", "beta", "gamma", "alphabet", "Émile", "emile"};
    for (int i = 0; i < 300; ++i) {
        QString text = QString::number(i);
        for (int w = 0; w < 1 + int(rng() % 6); ++w) text += ' ' + words[rng() % words.size()];
        add(text, double(rng() % 100000) / 1000, rng() % 17 == 0);  // recency unrelated to id
    }
    // Enough rows for a common word or prefix to be answered by walking the recency index; their
    // times fall between those above, never on them, so that the order is defined.
    sql(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6000) INSERT INTO clips (kind, text, "
        "hash, created_at, last_used_at, size) SELECT 'text', 'bulk ' || i || ' gamma' || iif(i % 7, ' alpha', ''), "
        "'bulk' || i, 0, %1 - ((i * 7919) % 100003 + 0.5) * 86.4, 1 FROM n").arg(clock.now(), 0, 'f', 3));
    auto plain = [&](const QString& tail, const std::vector<Value>& values) {
        QList<ClipItem> items;
        auto statement = connectionOf(*store).prepare("SELECT " + Database::columnList() + tail, values);
        while (statement && statement->step() == 100) items << Database::readItem(*statement);
        return items;
    };
    for (qint64 limit : {0, 7, 1000})
        EXPECT_EQ(store->recent(limit), plain(" FROM clips c WHERE c.id IN (SELECT id FROM clips ORDER BY last_used_at "
                                              "DESC LIMIT ?) OR c.pinned = 1 ORDER BY c.last_used_at DESC", {limit}));
    for (const QString query : {"emile", "beta gam", "beta g", "e", "al", "e al", "zq", "1", "g", "g a", "gamma al"})
        for (qint64 limit : {1, 300})
            EXPECT_EQ(store->search(query, limit),
                      plain(" FROM clips c JOIN clips_fts ON clips_fts.rowid = c.id WHERE clips_fts MATCH ? ORDER BY "
                            "c.last_used_at DESC LIMIT ?", {HistoryStore::matchExpression(query), limit}))
                << query.toStdString();
    const auto before = store->search("gamma", 300);
    sql("DROP INDEX idx_clips_id_last_used");
    EXPECT_EQ(store->search("gamma", 300), before) << "search must not depend on its speed-up index";
    const auto dense = store->search("g a", 300);
    sql("DROP INDEX idx_clips_last_used");
    EXPECT_EQ(store->search("g a", 300), dense) << "nor on the recency index";

    // A history indexed without prefix indexes is upgraded when opened, and answers the same.
    const auto typing = store->search("gamma a", 300);
    sql("DROP TABLE clips_fts; CREATE VIRTUAL TABLE clips_fts USING fts5(text, content='clips', content_rowid='id', "
        "tokenize='unicode61 remove_diacritics 2'); INSERT INTO clips_fts(clips_fts) VALUES ('rebuild');");
    store.reset();
    store = open();
    EXPECT_EQ(store->search("gamma a", 300), typing);
    EXPECT_EQ(connectionOf(*store).queryInt("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%prefix=%'").value(), 1);
}

TEST_F(ReadAndSearch, DeletionRemovesTheFileOnlyWithItsRow) {
    const qint64 gone = add("delete me"), stubborn = add("stubborn"), tampered = add("tampered");
    const QString goneBlob = blobOf(gone), stubbornBlob = blobOf(stubborn);
    // A file with another name is unlinked without being overwritten: the content is the other name's too.
    const QString otherName = temp.path() + "/other name";
    ASSERT_EQ(::link(QFile::encodeName(goneBlob).constData(), QFile::encodeName(otherName).constData()), 0);
    store->deleteItem(gone);
    EXPECT_FALSE(store->fetch(gone) || QFile::exists(goneBlob));
    QFile other(otherName);
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_TRUE(other.readAll().contains("delete me"));
    EXPECT_TRUE(store->search("delete", 10).isEmpty());
    store->deleteItem(424242);

    failDeletesOf(stubborn);
    EXPECT_TRUE(store->deleteItem(stubborn));
    EXPECT_TRUE(store->fetch(stubborn) && QFile::exists(stubbornBlob));
    EXPECT_EQ(log.lines, QStringList{"Mendrake: could not delete an item (database): disk I/O error"});
    sql("DROP TRIGGER refuse_" + QString::number(stubborn) + "; PRAGMA query_only = ON");
    const auto readOnly = store->deleteItem(stubborn);
    ASSERT_TRUE(readOnly);
    EXPECT_TRUE(readOnly->description().contains("readonly")) << readOnly->description().toStdString();
    EXPECT_TRUE(store->fetch(stubborn) && QFile::exists(stubbornBlob));
    sql("PRAGMA query_only = OFF");

    // A blob name read from the database never reaches outside Blobs.
    writeFile(temp.path() + "/outside.plist", encodeRepresentations({{"public.png", encodedImage("PNG", Qt::red)}}));
    sql(QString("UPDATE clips SET blob = '../outside.plist' WHERE id = %1").arg(tampered));
    EXPECT_TRUE(store->representations(*store->fetch(tampered)).empty() && store->image(*store->fetch(tampered)).isNull());
    sql(QString("UPDATE clips SET blob = '../history.sqlite' WHERE id = %1").arg(tampered));
    store->deleteItem(tampered);
    EXPECT_TRUE(QFile::exists(store->databasePath()));
    EXPECT_EQ(store->count(), 1);
}

}  // namespace
}  // namespace mendrake::test
