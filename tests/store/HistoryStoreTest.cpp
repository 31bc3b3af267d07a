#include "StoreFixture.h"
#include "store/BlobFile.h"

#include <QDirIterator>
#include <QScopeGuard>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mendrake::test {
namespace {

constexpr qint64 kNoLimit = HistoryStore::noCountLimit;

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : mode_t(-1);
}

void symlinkTo(const QString& target, const QString& link) {
    QDir().mkpath(QFileInfo(link).path());
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
}

TEST_F(StoreTest, RepeatMergesKeepsPinAndOnlyUpgrades) {
    const RepresentationMap rich = {{"public.utf8-plain-text", "bold"}, {"public.rtf", "{\\rtf1 \\b bold}"}};
    const ClipItem plain = record(textClip("bold"));
    EXPECT_TRUE(!plain.blob && blobFiles().isEmpty());
    clock.advance(30);
    const ClipItem upgraded = record(textClip("bold", rich, ClipKind::richText));
    EXPECT_EQ(std::tie(upgraded.id, upgraded.kind, upgraded.lastUsedAt),
              std::tuple(plain.id, ClipKind::richText, plain.createdAt + 30));
    EXPECT_EQ(upgraded.blob, keyedName(plain.hash)) << "a listing must not reveal content hashes";
    EXPECT_EQ(store->representations(upgraded), rich);

    // A repeat refreshes the time and source only: the pin and the creation time stay.
    store->setPinned(plain.id, true);
    clock.advance(7);
    CapturedClip anonymous = textClip("bold", {}, ClipKind::url);
    anonymous.sourceAppId = anonymous.sourceAppName = std::nullopt;
    const ClipItem repeat = record(anonymous);
    EXPECT_EQ(std::tie(repeat.kind, repeat.blob, repeat.sourceAppId, repeat.sourceAppName, repeat.pinned,
                       repeat.createdAt, repeat.lastUsedAt),
              std::tuple(ClipKind::richText, upgraded.blob, std::nullopt, std::nullopt, true, plain.createdAt,
                         clock.now()));
    EXPECT_EQ(HistoryStore::open(clock, temp.path()).value()->fetch(repeat.id), repeat) << "reported before its commit";

    // A file named by the bare hash (older versions) reads on, and moves to the keyed name on an upgrade.
    ASSERT_TRUE(QFile::rename(blobOf(repeat.id), store->blobDirectory() + "/" + plain.hash + ".plist"));
    sql(QString("UPDATE clips SET blob = '%1.plist'").arg(plain.hash));
    EXPECT_EQ(store->representations(*store->fetch(repeat.id)), rich);
    record(textClip("bold", rich, ClipKind::richText));
    EXPECT_EQ(blobFiles(), QStringList{keyedName(plain.hash)});
    EXPECT_EQ(store->representations(*store->fetch(repeat.id)), rich);
}

TEST_F(StoreTest, RowsMapToItemsCountingCharacters) {
    const QString emoji = QString::fromUtf16(u"\U0001F600"), quoted = "it's \"quoted\"\nover 'lines'";
    for (const auto& [kind, text, source] : {std::tuple<QString, QString, Value>{"bogus", quoted, nullptr},
                                             {"url", emoji.repeated(2500), QString("Browser")}})
        ASSERT_EQ(connectionOf(*store).prepare("INSERT INTO clips (kind, text, hash, source_name, created_at, last_used_at, pinned, "
                                               "blob, size) VALUES (?, ?, ?, ?, 10.5, 20.25, 1, 'b.plist', 7)",
                                               {kind, text, kind + "#", source})->step(), 101);
    EXPECT_EQ(store->fetch(1), (ClipItem{1, ClipKind::text, quoted, 26, "bogus#", std::nullopt, std::nullopt,
                                         10.5, 20.25, true, QString("b.plist"), 7, quoted.toLower() + " "}));
    EXPECT_EQ(store->fetch(2), (ClipItem{2, ClipKind::url, emoji.repeated(2000), 2500, "url#", {},
                                         QString("Browser"), 10.5, 20.25, true, QString("b.plist"), 7,
                                         emoji.repeated(2000) + " browser"}));
    EXPECT_EQ(store->fullText(2), emoji.repeated(2500));
    EXPECT_EQ(store->fullText(3), std::nullopt);
}

TEST_F(StoreTest, SearchMatchesWordPrefixesFoldingCase) {
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
}

TEST_F(StoreTest, IndexedReadsAnswerLikePlainStatements) {
    // Rows enough for a common word or prefix to be answered by walking the recency index, every 17th pinned, last
    // used in an order unrelated to their ids; the times never coincide, so that the order is defined.
    insertRows(6000, "'text', i || ' ' || json_extract('[\"alpha\", \"beta\", \"alphabet\", \"Émile\", \"emile\", "
                     "\"beta\"]', '$[' || (i * 7 % 6) || ']') || iif(i % 5, ' gamma', '') || iif(i % 7, ' alpha', ''), "
                     "now - ((i * 7919) % 100003 + 0.5) * 86.4, i % 17 = 0");
    auto plain = [&](const QString& tail, const std::vector<Value>& values) {
        auto statement = connectionOf(*store).prepare("SELECT " + Database::columnList() + tail, values);
        return connectionOf(*store).readItems(*statement).value();
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
    // A history indexed without prefix indexes is upgraded when opened, and answers the same.
    const auto typing = store->search("gamma a", 300);
    sql("DROP TABLE clips_fts; CREATE VIRTUAL TABLE clips_fts USING fts5(text, content='clips', content_rowid='id', "
        "tokenize='unicode61 remove_diacritics 2'); INSERT INTO clips_fts(clips_fts) VALUES ('rebuild');");
    store = open();
    EXPECT_EQ(store->search("gamma a", 300), typing);
    EXPECT_EQ(connectionOf(*store).queryInt("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%prefix=%'").value(), 1);
}

TEST_F(StoreTest, TrimAndClearSparePinnedRecentShowsThem) {
    QList<qint64> ids;  // newest first: 1, 2, ... 6 days, then 30 days old
    for (double days : {1, 2, 3, 4, 5, 6, 30}) ids << add(QString("row %1").arg(days), days);
    const qint64 pinnedOld = add("pinned old", 365, true), pinnedNew = add("pinned new", 0.5, true);
    // No limit: a day count below 1, a count of noCountLimit or below 1 (never "keep nothing").
    for (auto [days, count] : {std::pair<qint64, qint64>{0, kNoLimit}, {-3, kNoLimit}, {0, 0}, {0, -1}})
        EXPECT_TRUE(store->trim(days, count).isEmpty()) << days << " days, " << count << " items";
    EXPECT_EQ(store->trim(7, 5), (QSet<qint64>{ids[5], ids[6]}));  // the 30-day row is caught by both, listed once
    EXPECT_EQ(store->trim(3, kNoLimit), (QSet<qint64>{ids[3], ids[4]}));
    EXPECT_EQ(store->trim(0, 1), (QSet<qint64>{ids[1], ids[2]}));
    EXPECT_EQ(blobFiles().size(), 3);
    EXPECT_EQ(idsOf(store->recent(10)), (QList<qint64>{pinnedNew, ids[0], pinnedOld}));
    store->touch(ids[0]);
    EXPECT_EQ(idsOf(store->recent(1)), (QList<qint64>{ids[0], pinnedNew, pinnedOld}));
    store->setPinned(pinnedNew, false);
    EXPECT_EQ(idsOf(store->recent(1)), (QList<qint64>{ids[0], pinnedOld}));
    EXPECT_EQ(store->trim(1, kNoLimit), QSet<qint64>{add("a day and a half", 1.5)}) << "one day is a limit";
    writeFile(store->blobDirectory() + "/orphan.plist", "");  // named by no row: goes with the history
    EXPECT_EQ(store->clearHistory(true), std::nullopt);
    EXPECT_EQ(idsOf(store->recent(100)), QList<qint64>{pinnedOld});
    EXPECT_EQ(blobFiles(), QStringList{QFileInfo(blobOf(pinnedOld)).fileName()});
}

TEST_F(StoreTest, FileGoesOnlyWithItsRow) {
    add("kept");
    const qint64 stubborn = add("stubborn", 20), goes = add("goes", 21), gone = add("delete me");
    const QString deletedBlob = blobOf(gone), otherName = temp.path() + "/other name";
    // A file with another name is unlinked without being overwritten: the content is the other name's too.
    ASSERT_EQ(::link(QFile::encodeName(deletedBlob).constData(), QFile::encodeName(otherName).constData()), 0);
    EXPECT_EQ(store->deleteItem(gone), std::nullopt);
    EXPECT_TRUE(readFile(otherName).contains("delete me"));
    EXPECT_EQ(store->deleteItem(424242), std::nullopt);
    failDeletesOf(stubborn);
    EXPECT_TRUE(store->deleteItem(stubborn));
    EXPECT_EQ(store->trim(7, kNoLimit), QSet<qint64>{goes});  // trim goes on past a refused row
    EXPECT_TRUE(store->clearHistory(false));  // one DELETE that fails as a whole
    EXPECT_EQ(log.lines, (QStringList{"Mendrake: could not delete an item (database): disk I/O error",
                                      "Mendrake: could not trim an item (database): disk I/O error",
                                      "Mendrake: could not clear the history (database): disk I/O error"}));
    // A failure that rolls the transaction back: nothing deleted, reported or erased, not even the other row.
    const qint64 old1 = add("old one", 30);
    add("old two", 31);
    failDeletesOf(old1, "ROLLBACK");
    EXPECT_EQ(store->trim(7, kNoLimit), QSet<qint64>{});
    EXPECT_TRUE(store->count() == 4 && blobFiles().size() == 4) << "rows kept with their files, no others";
}

TEST_F(StoreTest, OpenRepairsModesStrayFilesAndSchema) {
    const QString blob = blobOf(add("kept")), blobs = store->blobDirectory(), db = store->databasePath();
    for (int reopened = 0; reopened < 2; ++reopened) {
        for (const QString& dir : {temp.path(), blobs}) EXPECT_EQ(modeOf(dir), 0700u);
        for (const QString& file : {db, db + "-wal", db + "-shm", blob})
            EXPECT_EQ(modeOf(file), 0600u) << file.toStdString();
        sql("DROP TRIGGER clips_ai; PRAGMA user_version = 0");
        store.reset();
        for (const QString& path : {temp.path(), blobs, db, blob})
            ::chmod(QFile::encodeName(path).constData(), 0755);
        for (const char* name : {".partial-Ab3xQz", ".partial-", "notes.partial-Ab3xQz", "0123.plist"})
            writeFile(blobs + "/" + name, "clipboard content nothing names");
        writeFile(temp.path() + "/outside", "not in Blobs");
        symlinkTo(temp.path() + "/outside", blobs + "/link.plist");
        store = open();
    }
    EXPECT_EQ(QDir(blobs).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{QFileInfo(blob).fileName()});
    EXPECT_EQ(readFile(temp.path() + "/outside"), "not in Blobs");
    EXPECT_EQ(textOf("SELECT count(*) FROM sqlite_master WHERE name = 'clips_ai'") + textOf("PRAGMA user_version"), "11");
}

TEST_F(StoreTest, OpenFailureReportsCauseOverwritesNothing) {
    const QString dir = temp.path();
    const QByteArray junk = QByteArray("not SQLite, a file someone left here\n").repeated(200);
    QDir(dir).mkpath("real/Blobs");
    writeFile(dir + "/junk/history.sqlite", junk);
    writeFile(dir + "/occupied", "a file where a directory should be");
    writeFile(dir + "/real/history.sqlite", "");
    symlinkTo(dir + "/real", dir + "/linked");
    symlinkTo(dir + "/real/Blobs", dir + "/db/Blobs");
    symlinkTo(dir + "/real/history.sqlite", dir + "/file/history.sqlite");
    const std::pair<QString, QString> cases[] = {  // the folder, and what the error says
        {dir + "/junk", "SQLite: file is not a database"}, {"", "No folder"},
        {dir + "/occupied/Mendrake", dir + "/occupied/Mendrake"},
        {dir + "/linked", "symbolic link"},  // the folder, Blobs or the database
        {dir + "/db", "symbolic link"},      {dir + "/file", "symbolic link"},
    };
    for (const auto& [directory, description] : cases) {
        auto opened = HistoryStore::open(clock, directory);
        EXPECT_TRUE(!opened && opened.error().description().contains(description)) << directory.toStdString();
    }
    EXPECT_EQ(readFile(dir + "/junk/history.sqlite"), junk);
    EXPECT_EQ(readFile(dir + "/occupied"), "a file where a directory should be");
    EXPECT_EQ(readFile(dir + "/real/history.sqlite"), "");
}

TEST_F(StoreTest, BlobsHoldBinaryPlistDamagedReadEmpty) {
    const RepresentationMap map = {{"public.png", encodedImage("PNG", Qt::red)},
                                   {"public.utf8-plain-text", QByteArray("with\0nul", 8)},
                                   {"org.example.empty", QByteArray()},
                                   {QString::fromUtf16(u"x-\u00e9t\u00e9"), "accented key"}};
    const ClipItem item = record(textClip("picture", map, ClipKind::image));
    const QByteArray bytes = readFile(blobOf(item.id));
    EXPECT_TRUE(bytes.startsWith("bplist00") && store->representations(item) == map);
    EXPECT_EQ(store->image(item).pixelColor(0, 0), QColor(Qt::red));
    const ClipItem tiff = record(textClip("tiff", {{"public.tiff", encodedImage("TIFF", Qt::green)}}, ClipKind::image));
    EXPECT_EQ(store->image(tiff).pixelColor(1, 1), QColor(Qt::green)) << "needs the TIFF image plugin";

    QByteArray mixed = encodeRepresentations({{"public.png", "x"}, {"public.tiff", "y"}});
    // A good value, then one turned from data into a string: in a binary plist, 0x41 ("A") opens one byte of
    // data and 0x51 ("Q") a one-character string.
    mixed.replace("Ay", "Qy");
    const std::optional<QByteArray> contents[] = {
        std::nullopt,  // missing
        QByteArray(), bytes.left(bytes.size() / 2), QByteArray("bplist00") + QByteArray(300, '\xff'), mixed,
        QByteArray("<?xml version=\"1.0\"?><plist><dict><key>public.png</key><data>eA==</data></dict></plist>"),
    };
    for (const auto& content : contents) {
        QFile::remove(blobOf(item.id));
        if (content) writeFile(blobOf(item.id), *content);
        EXPECT_TRUE(store->representations(item).empty() && store->image(item).isNull())
            << content.value_or("missing").left(12).toStdString();
    }
}

TEST_F(StoreTest, UnsafeOrBlockedNameWritesNothing) {
    CapturedClip escaping = textClip("escape", {{"public.utf8-plain-text", "escape"}});
    for (const QString& hash : {QString("../../escaped"), QString(64, u'G'), QString(63, u'0') + u'/'}) {
        escaping.hash = hash;
        EXPECT_FALSE(store->record(escaping)) << hash.toStdString();
    }
    // A directory in the way of the final name fails the rename (even as root); the temporary goes.
    const CapturedClip blocked = textClip("blocked", {{"public.utf8-plain-text", "blocked"}});
    ASSERT_TRUE(QDir(store->blobDirectory()).mkpath(keyedName(blocked.hash) + "/inside"));
    const auto refused = store->record(blocked);
    EXPECT_TRUE(!refused && refused.error().description().contains(keyedName(blocked.hash)));
    EXPECT_EQ(QDir(store->blobDirectory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{keyedName(blocked.hash)});
    // A name read from a tampered row is neither read nor deleted.
    const qint64 tampered = add("tampered");
    writeFile(temp.path() + "/outside.plist", encodeRepresentations({{"public.png", encodedImage("PNG", Qt::red)}}));
    sql(QString("UPDATE clips SET blob = '../outside.plist' WHERE id = %1").arg(tampered));
    EXPECT_TRUE(store->representations(*store->fetch(tampered)).empty() && store->image(*store->fetch(tampered)).isNull());
    sql(QString("UPDATE clips SET blob = '../history.sqlite' WHERE id = %1").arg(tampered));
    store->deleteItem(tampered);
    EXPECT_TRUE(QFile::exists(store->databasePath()) && store->count() == 0);
}

// Secure delete off in every connection, as some SQLite builds have it: the store must turn it on.
int secureDeleteOff(sqlite3* db, char**, const sqlite3_api_routines*) {
    return sqlite3_exec(db, "PRAGMA secure_delete = OFF", nullptr, nullptr, nullptr);
}

TEST_F(StoreTest, DeletedTextLeavesNoTraceInAnyFile) {
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(secureDeleteOff));
    const auto restore = qScopeGuard([] { sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(secureDeleteOff)); });
    store = open();
    const std::pair<const char*, std::function<bool(qint64)>> ways[] = {
        {"delete", [&](qint64 id) { return !store->deleteItem(id); }},
        {"trim", [&](qint64 id) { return store->trim(0, 60) == QSet<qint64>{id}; }},
        {"clear", [&](qint64) { return !store->clearHistory(false); }},
    };
    for (const auto& [way, erase] : ways) {
        SCOPED_TRACE(way);
        const QByteArray marker = QByteArray("zqxsecret") + way + "token";
        for (int i = 0; i < 30; ++i) add(QString("neighbour %1 ").arg(i).repeated(40));
        const qint64 secret = add(QString::fromLatin1(marker + " in a password " + marker), 1);
        for (int i = 30; i < 60; ++i) add(QString("neighbour %1 ").arg(i).repeated(40));
        EXPECT_TRUE(erase(secret));
        store.reset();
        const auto everyFile = QDir::Files | QDir::Hidden | QDir::System;
        for (QDirIterator files(temp.path(), everyFile, QDirIterator::Subdirectories); files.hasNext();)
            EXPECT_FALSE(readFile(files.next()).contains(marker)) << files.filePath().toStdString();
        store = open();
    }
}

TEST_F(StoreTest, DiskUsageCountsAllocatedBlocks) {
    const qint64 before = store->diskUsage();
    writeFile(store->blobDirectory() + "/nested/deep", QByteArray(64 * 1024, 'x'));
    const qint64 after = store->diskUsage();
    EXPECT_TRUE(after - before >= 64 * 1024 && after - before < 80 * 1024) << after - before;
    writeFile(temp.path() + "/sparse", "");
    ASSERT_EQ(::truncate(QFile::encodeName(temp.path() + "/sparse").constData(), 100 * 1024 * 1024), 0);
    EXPECT_LT(store->diskUsage() - after, 1024 * 1024) << "a sparse file counts what it allocates";
}

}  // namespace
}  // namespace mendrake::test
