#include "StoreTestSupport.h"
#include "store/BlobFile.h"

#include <plist/plist.h>

namespace mendrake::test {
namespace {

using Record = StoreTest;

TEST_F(Record, RepeatsMergeKeepPinAndOnlyUpgrade) {
    const RepresentationMap rich = {{"public.utf8-plain-text", "bold"}, {"public.rtf", "{\\rtf1 \\b bold}"}};
    const auto plain = store->record(textClip("bold"));
    ASSERT_TRUE(plain);
    EXPECT_TRUE(!plain->blob && blobFiles().isEmpty());

    clock.advance(30);
    const auto upgraded = store->record(textClip("bold", rich, ClipKind::richText));
    ASSERT_TRUE(upgraded);
    EXPECT_EQ(std::tie(upgraded->id, upgraded->kind, upgraded->lastUsedAt),
              std::make_tuple(plain->id, ClipKind::richText, plain->createdAt + 30));
    EXPECT_EQ(upgraded->blob, keyedName(plain->hash));
    EXPECT_NE(keyedName(plain->hash), plain->hash + ".plist") << "a listing must not reveal content hashes";
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
    clock.advance(5);
    store->touch(repeat->id);
    EXPECT_EQ(store->fetch(repeat->id)->lastUsedAt, clock.now());

    // A row naming its file by the bare hash, as older versions did, reads on; rich text arriving
    // again moves it to the keyed name and the old file goes.
    ASSERT_TRUE(QFile::rename(blobOf(repeat->id), store->blobDirectory() + "/" + plain->hash + ".plist"));
    sql(QString("UPDATE clips SET blob = '%1.plist'").arg(plain->hash));
    EXPECT_EQ(store->representations(*store->fetch(repeat->id)), rich);
    ASSERT_TRUE(store->record(textClip("bold", rich, ClipKind::richText)));
    EXPECT_EQ(blobFiles(), QStringList{keyedName(plain->hash)});
    EXPECT_EQ(store->representations(*store->fetch(repeat->id)), rich);
}

QByteArray binary(plist_t root) {
    char* buffer = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &buffer, &length);
    QByteArray out(buffer, length);
    plist_to_bin_free(buffer);
    plist_free(root);
    return out;
}

TEST_F(Record, BlobFileIsABinaryPropertyListOfTheCapturedMap) {
    const RepresentationMap map = {{"public.png", encodedImage("PNG", Qt::red)},
                                   {"public.utf8-plain-text", QByteArray("with\0nul", 8)},
                                   {"org.example.empty", QByteArray()},
                                   {QString::fromUtf16(u"x-\u00e9t\u00e9"), "accented key"}};
    const auto item = store->record(textClip("picture", map, ClipKind::image));
    ASSERT_TRUE(item);
    ASSERT_EQ(blobFiles(), QStringList{keyedName(item->hash)});
    QFile file(blobOf(item->id));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    ASSERT_TRUE(bytes.startsWith("bplist00") && root);
    EXPECT_EQ(plist_get_node_type(root) == PLIST_DICT ? plist_dict_get_size(root) : 0, map.size());
    EXPECT_EQ(decodeRepresentations(binary(root)), map) << "libplist writes what the store reads";
    EXPECT_EQ(store->image(*item).pixelColor(0, 0), QColor(Qt::red));
    const auto tiff = store->record(textClip("tiff", {{"public.tiff", encodedImage("TIFF", Qt::green)}}, ClipKind::image));
    EXPECT_EQ(store->image(*tiff).pixelColor(1, 1), QColor(Qt::green)) << "needs the TIFF image plugin";
}

TEST_F(Record, DamagedBlobFilesReadAsAnEmptyMap) {
    const auto item = store->record(textClip("img", {{"public.png", encodedImage("PNG", Qt::blue)}}, ClipKind::image));
    ASSERT_TRUE(item);
    const QString path = blobOf(item->id);
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray good = original.readAll();
    plist_t array = plist_new_array(), mixed = plist_new_dict();
    plist_array_append_item(array, plist_new_data("x", 1));
    plist_dict_set_item(mixed, "public.png", plist_new_data("x", 1));  // a good value, then a bad one
    plist_dict_set_item(mixed, "public.tiff", plist_new_string("not data"));
    const std::optional<QByteArray> contents[] = {
        std::nullopt,  // missing
        QByteArray(), good.left(good.size() / 2), QByteArray("bplist00") + QByteArray(300, '\xff'), binary(array), binary(mixed),
        QByteArray("<?xml version=\"1.0\"?><plist><dict><key>public.png</key><data>eA==</data></dict></plist>"),
        // A key holding a NUL: libplist aborts the process when it reads such a key.
        QByteArray::fromBase64("YnBsaXN0MDDRAQJacHVibGljLnBuZ08QIYlQTkcNChoKAAAADUlIRFIAAAABAAAAAQgGAAAAHxXEiQgVFgAA"
                               "AAAAAAEBAAAAAAAAAAMAAAAAAAAAAAAAAAAAAAA6"),
    };
    for (const auto& content : contents) {
        QFile::remove(path);
        if (content) writeFile(path, *content);
        EXPECT_TRUE(store->representations(*item).empty()) << content.value_or("missing").left(12).toStdString();
        EXPECT_TRUE(store->image(*item).isNull());
    }
}

TEST_F(Record, UnwritableBlobOrUnsafeHashRecordsNothing) {
    CapturedClip escaping = textClip("escape", {{"public.utf8-plain-text", "escape"}});
    for (const QString& hash : {QString("../../escaped"), QString(64, u'G'), QString(63, u'0') + u'/'}) {
        escaping.hash = hash;
        EXPECT_FALSE(store->record(escaping)) << hash.toStdString();
    }
    EXPECT_FALSE(QFile::exists(temp.path() + "/../escaped.plist"));

    // A directory in the way of the final name fails the rename (even as root); the temporary goes.
    const CapturedClip blocked = textClip("blocked", {{"public.utf8-plain-text", "blocked"}});
    ASSERT_TRUE(QDir(store->blobDirectory()).mkpath(keyedName(blocked.hash) + "/inside"));
    const auto refused = store->record(blocked);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().description().contains(keyedName(blocked.hash))) << refused.error().description().toStdString();
    EXPECT_EQ(QDir(store->blobDirectory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{keyedName(blocked.hash)});
}

}  // namespace
}  // namespace mendrake::test
