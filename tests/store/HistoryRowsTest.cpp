#include "StoreTestSupport.h"

#include <QFileInfo>

#include <random>

#include <unistd.h>

namespace mendrake::test {
namespace {

using Record = StoreTest;
using Read = StoreTest;
using Delete = StoreTest;
constexpr qint64 kNoLimit = HistoryStore::noCountLimit;

TEST_F(Record, RepeatMergesKeepsPinAndOnlyUpgrades) {
    const RepresentationMap rich = {{"public.utf8-plain-text", "bold"}, {"public.rtf", "{\\rtf1 \\b bold}"}};
    const auto plain = store->record(textClip("bold"));
    ASSERT_TRUE(plain);
    EXPECT_TRUE(!plain->blob && blobFiles().isEmpty());

    clock.advance(30);
    const auto upgraded = store->record(textClip("bold", rich, ClipKind::richText));
    ASSERT_TRUE(upgraded);
    EXPECT_EQ(std::tie(upgraded->id, upgraded->kind, upgraded->lastUsedAt),
              std::make_tuple(plain->id, ClipKind::richText, plain->createdAt + 30));
    EXPECT_EQ(upgraded->blob, keyedName(plain->hash)) << "a listing must not reveal content hashes";
    EXPECT_EQ(store->representations(*upgraded), rich);

    // A repeat refreshes the time and source only: the pin and the creation time stay.
    store->setPinned(plain->id, true);
    clock.advance(7);
    CapturedClip anonymous = textClip("bold", {}, ClipKind::url);
    anonymous.sourceAppId = anonymous.sourceAppName = std::nullopt;
    const auto repeat = store->record(anonymous);
    ASSERT_TRUE(repeat);
    EXPECT_EQ(std::tie(repeat->kind, repeat->blob, repeat->sourceAppId, repeat->sourceAppName, repeat->pinned, repeat->createdAt,
                       repeat->lastUsedAt),
              std::make_tuple(ClipKind::richText, upgraded->blob, std::nullopt, std::nullopt, true, plain->createdAt, clock.now()));
    EXPECT_EQ(store->count(), 1);
    EXPECT_EQ(HistoryStore::open(clock, temp.path()).value()->fetch(repeat->id), *repeat) << "reported before its commit";

    // A row naming its file by the bare hash, as older versions did, reads on; rich text arriving
    // again moves it to the keyed name and the old file goes.
    ASSERT_TRUE(QFile::rename(blobOf(repeat->id), store->blobDirectory() + "/" + plain->hash + ".plist"));
    sql(QString("UPDATE clips SET blob = '%1.plist'").arg(plain->hash));
    EXPECT_EQ(store->representations(*store->fetch(repeat->id)), rich);
    ASSERT_TRUE(store->record(textClip("bold", rich, ClipKind::richText)));
    EXPECT_EQ(blobFiles(), QStringList{keyedName(plain->hash)});
    EXPECT_EQ(store->representations(*store->fetch(repeat->id)), rich);
}

TEST_F(Read, RowsMapToItemsCountingCharacters) {
    const QString emoji = QString::fromUtf16(u"\U0001F600"), quoted = "it's \"quoted\"\nover 'lines'";
    for (const auto& [kind, text, source] : {std::tuple<QString, QString, Value>{"bogus", quoted, nullptr},
                                             {"url", emoji.repeated(2500), QString("Browser")}})
        ASSERT_EQ(connectionOf(*store).prepare("INSERT INTO clips (kind, text, hash, source_name, created_at, last_used_at, pinned, "
                                               "blob, size) VALUES (?, ?, ?, ?, 10.5, 20.25, 1, 'b.plist', 7)",
                                               {kind, text, text.left(5) + kind, source})->step(), 101);
    EXPECT_EQ(store->fetch(1), (ClipItem{1, ClipKind::text, quoted, 26, quoted.left(5) + "bogus", std::nullopt, std::nullopt,
                                         10.5, 20.25, true, QString("b.plist"), 7, quoted.toLower() + " "}));
    const auto second = store->fetch(2);
    ASSERT_TRUE(second);
    EXPECT_EQ(std::tie(second->kind, second->text, second->fullLength, second->searchKey),
              std::make_tuple(ClipKind::url, emoji.repeated(2000), 2500, emoji.repeated(2000) + " browser"));
    EXPECT_EQ(store->fullText(2), emoji.repeated(2500));
    EXPECT_EQ(store->fullText(3), std::nullopt);
}

TEST_F(Read, SearchMatchesWordPrefixesFoldingCase) {
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
        {"gate" + QString(QChar(0)), {ids[7]}},       {"'; DROP TABLE clips; --", {}},
    };
    for (const auto& [query, expected] : cases) EXPECT_EQ(idsOf(store->search(query, 50)), expected) << query.toStdString();
    EXPECT_EQ(idsOf(store->search("foo", 2)), (QList<qint64>{ids[5], ids[4]}));
    EXPECT_EQ(store->count(), texts.size());
}

// recent and search read through indexes; their answers must be those of the plain statements.
TEST_F(Read, IndexedReadsAnswerLikePlainStatements) {
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
    const auto common = store->search("gamma", 300), dense = store->search("g a", 300);
    sql("DROP INDEX idx_clips_id_last_used; DROP INDEX idx_clips_last_used");
    EXPECT_EQ(store->search("gamma", 300), common) << "without its speed-up indexes search takes the plain join";
    EXPECT_EQ(store->search("g a", 300), dense);

    // A history indexed without prefix indexes is upgraded when opened, and answers the same.
    const auto typing = store->search("gamma a", 300);
    sql("DROP TABLE clips_fts; CREATE VIRTUAL TABLE clips_fts USING fts5(text, content='clips', content_rowid='id', "
        "tokenize='unicode61 remove_diacritics 2'); INSERT INTO clips_fts(clips_fts) VALUES ('rebuild');");
    store = open();
    EXPECT_EQ(store->search("gamma a", 300), typing);
    EXPECT_EQ(connectionOf(*store).queryInt("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%prefix=%'").value(), 1);
}

TEST_F(Delete, TrimSparesPinnedRowsAndRecentShowsThem) {
    QList<qint64> ids;  // newest first: 1, 2, ... 6 days, then 30 days old
    for (double days : {1, 2, 3, 4, 5, 6, 30}) ids << add(QString("row %1").arg(days), days);
    const qint64 pinnedOld = add("pinned old", 365, true), pinnedNew = add("pinned new", 0.5, true);
    const QString oldestBlob = blobOf(ids[6]);

    // No limit: a day count below 1, a count of noCountLimit or below 1 (never "keep nothing").
    for (auto [days, count] : {std::pair<qint64, qint64>{0, kNoLimit}, {-3, kNoLimit}, {0, 0}, {0, -1}})
        EXPECT_TRUE(store->trim(days, count).isEmpty()) << days << " days, " << count << " items";
    EXPECT_EQ(store->trim(7, 5), (QSet<qint64>{ids[5], ids[6]}));  // the 30-day row is caught by both, listed once
    EXPECT_FALSE(QFile::exists(oldestBlob));
    EXPECT_EQ(store->trim(3, kNoLimit), (QSet<qint64>{ids[3], ids[4]}));
    EXPECT_EQ(store->trim(0, 1), (QSet<qint64>{ids[1], ids[2]}));
    EXPECT_EQ(blobFiles().size(), 3);
    // Recent is the newest rows plus every pinned one, in recency order.
    EXPECT_EQ(idsOf(store->recent(10)), (QList<qint64>{pinnedNew, ids[0], pinnedOld}));
    store->touch(ids[0]);
    EXPECT_EQ(idsOf(store->recent(1)), (QList<qint64>{ids[0], pinnedNew, pinnedOld}));
    store->setPinned(pinnedNew, false);
    EXPECT_EQ(idsOf(store->recent(1)), (QList<qint64>{ids[0], pinnedOld}));
    EXPECT_EQ(store->trim(1, kNoLimit), QSet<qint64>{add("a day and a half", 1.5)}) << "one day is a limit";
}

TEST_F(Delete, FileGoesOnlyWithItsRow) {
    const qint64 stubborn = add("stubborn", 20), goes = add("goes", 21), kept = add("kept"), gone = add("delete me");
    const QString goneBlob = blobOf(goes), deletedBlob = blobOf(gone), otherName = temp.path() + "/other name";
    // A file with another name is unlinked without being overwritten: the content is the other name's too.
    ASSERT_EQ(::link(QFile::encodeName(deletedBlob).constData(), QFile::encodeName(otherName).constData()), 0);
    EXPECT_EQ(store->deleteItem(gone), std::nullopt);
    EXPECT_FALSE(store->fetch(gone) || QFile::exists(deletedBlob) || !store->search("delete", 10).isEmpty());
    EXPECT_TRUE(readFile(otherName).contains("delete me"));
    EXPECT_EQ(store->deleteItem(424242), std::nullopt);
    failDeletesOf(stubborn);
    EXPECT_TRUE(store->deleteItem(stubborn));
    EXPECT_EQ(store->trim(7, kNoLimit), QSet<qint64>{goes});  // trim goes on past a refused row
    EXPECT_FALSE(QFile::exists(goneBlob));
    EXPECT_TRUE(store->clearHistory(false));  // one DELETE that fails as a whole
    EXPECT_EQ(log.lines, (QStringList{"Mendrake: could not delete an item (database): disk I/O error",
                                      "Mendrake: could not trim an item (database): disk I/O error",
                                      "Mendrake: could not clear the history (database): disk I/O error"}));
    sql("PRAGMA query_only = ON");
    const auto readOnly = store->deleteItem(kept);
    EXPECT_TRUE(readOnly && readOnly->description().contains("readonly"));
    sql("PRAGMA query_only = OFF");
    // A failure that rolls the whole transaction back: nothing deleted, reported or erased, even
    // though the other rows could be deleted one at a time.
    const qint64 old1 = add("old one", 30), old2 = add("old two", 31);
    failDeletesOf(old1, "ROLLBACK");
    EXPECT_EQ(store->trim(7, kNoLimit), QSet<qint64>{});
    for (qint64 id : {stubborn, kept, old1, old2}) EXPECT_TRUE(store->fetch(id) && QFile::exists(blobOf(id))) << id;
    EXPECT_EQ(blobFiles().size(), 4);
}

TEST_F(Delete, ClearRemovesRowsFilesAndWriteAheadLog) {
    const qint64 pinned = add("pinned", 1, true);
    for (int i = 0; i < 40; ++i) add(QString("row %1").arg(i), i);
    writeFile(store->blobDirectory() + "/orphan.plist", "");  // named by no row: goes with the history
    const QString pinnedBlob = QFileInfo(blobOf(pinned)).fileName();

    EXPECT_EQ(store->clearHistory(true), std::nullopt);
    EXPECT_EQ(idsOf(store->recent(100)), QList<qint64>{pinned});
    EXPECT_EQ(blobFiles(), QStringList{pinnedBlob});
    EXPECT_EQ(store->clearHistory(false), std::nullopt);
    EXPECT_TRUE(store->count() == 0 && blobFiles().isEmpty() && store->search("row", 10).isEmpty());
    EXPECT_EQ(QFileInfo(store->databasePath() + "-wal").size(), 0);
}

}  // namespace
}  // namespace mendrake::test
