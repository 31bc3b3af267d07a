#include "FakeClock.h"
#include "StoreTestSupport.h"
#include "store/BlobFile.h"

#include <QDir>
#include <QFile>

#include <plist/plist.h>

namespace mendrake::test {
namespace {

class Record : public ::testing::Test {
protected:
    QTemporaryDir temp;
    FakeClock clock{1000};
    std::unique_ptr<HistoryStore> store = openStore(clock, temp.path());

    QStringList blobFiles() const { return QDir(store->blobDirectory()).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(Record, RepeatOfSameContentRefreshesTimeAndSourceOfOneRow) {
    const auto first = store->record(textClip("hello"));
    ASSERT_TRUE(first);
    clock.advance(30);
    CapturedClip again = textClip("hello");
    again.sourceBundleID.reset();
    again.sourceAppName.reset();
    const auto second = store->record(again);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->id, first->id);
    EXPECT_EQ(second->createdAt, 1000);
    EXPECT_EQ(second->lastUsedAt, 1030);
    EXPECT_EQ(second->sourceBundleID, std::nullopt);
    EXPECT_EQ(second->sourceAppName, std::nullopt);
    EXPECT_EQ(second->searchKey, "hello ");
    EXPECT_EQ(store->count(), 1);
}

TEST_F(Record, RichTextUpgradesAPlainRowAndIsNeverDowngraded) {
    const RepresentationMap rich = {{"public.utf8-plain-text", "bold"}, {"public.rtf", "{\\rtf1 \\b bold}"}};
    const auto plain = store->record(textClip("bold"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->blob, std::nullopt);
    EXPECT_TRUE(blobFiles().isEmpty()) << "an empty map writes no file";

    const auto upgraded = store->record(textClip("bold", rich, ClipKind::richText));
    ASSERT_TRUE(upgraded);
    EXPECT_EQ(upgraded->id, plain->id);
    EXPECT_EQ(upgraded->kind, ClipKind::richText);
    EXPECT_EQ(upgraded->blob, plain->hash + ".plist");
    EXPECT_EQ(upgraded->byteSize, textClip("bold", rich).byteSize);
    EXPECT_EQ(store->representations(*upgraded), rich);

    for (ClipKind kind : {ClipKind::text, ClipKind::url, ClipKind::color}) {
        const auto repeat = store->record(textClip("bold", {}, kind));
        ASSERT_TRUE(repeat);
        EXPECT_EQ(repeat->kind, ClipKind::richText);
        EXPECT_EQ(repeat->blob, upgraded->blob);
    }
    EXPECT_EQ(store->count(), 1);
}

TEST_F(Record, SameStringAsLinkOrColourMergesIntoTheFirstRowsKind) {
    ASSERT_TRUE(store->record(textClip("https://example.org", {}, ClipKind::url)));
    const auto merged = store->record(textClip("https://example.org", {}, ClipKind::text));
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->kind, ClipKind::url);
    EXPECT_EQ(store->count(), 1);
}

TEST_F(Record, BlobFileIsABinaryPropertyListOfExactlyTheCapturedMap) {
    const RepresentationMap map = {{"public.png", encodedImage("PNG", Qt::red)},
                                   {"public.utf8-plain-text", QByteArray("with\0nul", 8)},
                                   {"org.example.empty", QByteArray()},
                                   {QString::fromUtf16(u"x-\u00e9t\u00e9"), "accented key"}};
    const auto item = store->record(textClip("picture", map, ClipKind::image));
    ASSERT_TRUE(item);
    ASSERT_EQ(blobFiles(), QStringList{item->hash + ".plist"});

    QFile file(store->blobDirectory() + "/" + *item->blob);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_TRUE(bytes.startsWith("bplist00"));
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    ASSERT_TRUE(root);
    EXPECT_EQ(plist_get_node_type(root), PLIST_DICT);
    EXPECT_EQ(plist_dict_get_size(root), map.size());
    plist_free(root);
    EXPECT_EQ(decodeRepresentations(bytes), map);
}

TEST_F(Record, UnreadableBlobFilesReadAsAnEmptyMap) {
    const RepresentationMap map = {{"public.png", encodedImage("PNG", Qt::blue)}};
    const auto item = store->record(textClip("img", map, ClipKind::image));
    ASSERT_TRUE(item);
    const QString path = store->blobDirectory() + "/" + *item->blob;
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray good = original.readAll();
    original.close();

    auto wrongShape = [](plist_t root) {
        char* buffer = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &buffer, &length);
        QByteArray out(buffer, length);
        plist_to_bin_free(buffer);
        plist_free(root);
        return out;
    };
    plist_t array = plist_new_array();
    plist_array_append_item(array, plist_new_data("x", 1));
    plist_t stringValues = plist_new_dict();
    plist_dict_set_item(stringValues, "public.png", plist_new_string("not data"));
    char* xml = nullptr;
    uint32_t xmlLength = 0;
    plist_t xmlRoot = plist_new_dict();
    plist_dict_set_item(xmlRoot, "public.png", plist_new_data("x", 1));
    plist_to_xml(xmlRoot, &xml, &xmlLength);
    const QByteArray xmlBytes(xml, xmlLength);
    plist_to_xml_free(xml);
    plist_free(xmlRoot);

    const struct {
        const char* name;
        std::optional<QByteArray> content;  // none: the file is missing
    } cases[] = {
        {"missing", std::nullopt},
        {"empty", QByteArray()},
        {"truncated", good.left(good.size() / 2)},
        {"header only", QByteArray("bplist00")},
        {"trailer cut", good.left(good.size() - 5)},
        {"random bytes", QByteArray("bplist00") + QByteArray(300, '\xff')},
        {"not a property list", QByteArray("GIF89a not a plist")},
        {"array at top", wrongShape(array)},
        {"string values", wrongShape(stringValues)},
        {"xml property list", xmlBytes},
    };
    for (const auto& c : cases) {
        QFile::remove(path);
        if (c.content) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(*c.content);
        }
        EXPECT_TRUE(store->representations(*item).empty()) << c.name;
        EXPECT_TRUE(store->image(*item).isNull()) << c.name;
    }
}

TEST_F(Record, ImagePrefersPngAndFallsBackToTiff) {
    const auto both = store->record(textClip("both", {{"public.png", encodedImage("PNG", Qt::red)},
                                                      {"public.tiff", encodedImage("TIFF", Qt::green)}},
                                             ClipKind::image));
    const auto tiff = store->record(textClip("tiff", {{"public.tiff", encodedImage("TIFF", Qt::green)}}, ClipKind::image));
    const auto none = store->record(textClip("none", {{"public.html", "<b>x</b>"}}, ClipKind::richText));
    ASSERT_TRUE(both && tiff && none);
    EXPECT_EQ(store->image(*both).pixelColor(0, 0), QColor(Qt::red));
    const QImage fromTiff = store->image(*tiff);
    ASSERT_FALSE(fromTiff.isNull()) << "the TIFF image plugin must be installed";
    EXPECT_EQ(fromTiff.pixelColor(1, 1), QColor(Qt::green));
    EXPECT_TRUE(store->image(*none).isNull());
}

TEST_F(Record, HashThatIsNotAFileNameIsRefusedBeforeAnythingIsWritten) {
    CapturedClip clip = textClip("escape", {{"public.utf8-plain-text", "escape"}});
    clip.hash = "../../escaped";
    EXPECT_FALSE(store->record(clip));
    EXPECT_FALSE(QFile::exists(temp.path() + "/../escaped.plist"));
    EXPECT_EQ(store->count(), 0);
}

TEST_F(Record, FailedBlobWriteInsertsNoRow) {
    // A file where the Blobs directory should be makes every blob write fail, whatever the privileges.
    ASSERT_TRUE(QDir(store->blobDirectory()).removeRecursively());
    QFile blocker(store->blobDirectory());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const auto result = store->record(textClip("x", {{"public.utf8-plain-text", "x"}}));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, StoreError::Kind::fileSystem);
    EXPECT_EQ(store->count(), 0);
    EXPECT_TRUE(store->record(textClip("no blob needed"))) << "clips without representations still record";
}

TEST_F(Record, TouchMovesLastUsedToNow) {
    const auto item = store->record(textClip("t"));
    clock.advance(99.5);
    store->touch(item->id);
    EXPECT_EQ(store->fetch(item->id)->lastUsedAt, 1099.5);
    EXPECT_EQ(store->fetch(item->id)->createdAt, 1000);
    store->touch(12345);  // unknown id: nothing happens
    EXPECT_EQ(store->count(), 1);
}

}  // namespace
}  // namespace mendrake::test
