#include "capture/Classification.h"

#include "FakePasteboard.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

namespace pt = pasteboard_type;
using test::FakePasteboard;

QByteArray pngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct TextCase {
    const char* name;
    QString text;
    QStringList extraTypes;
    ClipKind kind;
};

TEST(Classification, TextKindsFollowColourThenLinkThenRichText) {
    const std::vector<TextCase> cases{
        {"plain", "hello world", {}, ClipKind::text},
        {"colour keeps its spaces", "  #3366ff  ", {}, ClipKind::color},
        {"colour beats html", "rgb(1, 2, 3)", {pt::html}, ClipKind::color},
        {"link", "https://example.com/a?b=c", {}, ClipKind::url},
        {"link beats html", " http://example.com\n", {pt::html}, ClipKind::url},
        {"link with a space is text", "https://exa mple.com", {}, ClipKind::text},
        {"ftp is text", "ftp://example.com/file", {}, ClipKind::text},
        {"no host is text", "http:/x", {}, ClipKind::text},
        {"html makes rich text", "Some words", {pt::html}, ClipKind::richText},
        {"rtf makes rich text", "Some words", {pt::rtf}, ClipKind::richText},
        {"flat rtfd makes rich text", "Some words", {pt::rtfd}, ClipKind::richText},
    };
    for (const TextCase& c : cases) {
        FakePasteboard board;
        FakePasteboard::Item item{{pt::string, c.text.toUtf8()}};
        for (const QString& type : c.extraTypes) item.push_back({type, "<b>x</b>"});
        board.copy({item});
        auto clip = readClip(board);
        ASSERT_TRUE(clip) << c.name;
        EXPECT_EQ(clip->kind, c.kind) << c.name;
        EXPECT_EQ(clip->text, c.text) << c.name;
        EXPECT_EQ(clip->hash, contentHash("text", c.text.toUtf8())) << c.name;
        EXPECT_EQ(qint64(clip->representations.size()), qint64(item.size())) << c.name;
        EXPECT_FALSE(clip->sourceBundleID) << c.name;
    }
}

TEST(Classification, MarkerTypeOnAnyItemRefusesTheChange) {
    for (const QString& marker : skipMarkerTypes()) {
        FakePasteboard board;
        board.copy({{{pt::string, "ordinary"}}, {{marker, "1"}}});
        EXPECT_FALSE(readClip(board)) << marker.toStdString();
        board.copy({{{pt::string, "ordinary"}, {marker, ""}}});
        EXPECT_FALSE(readClip(board)) << marker.toStdString();
    }
    EXPECT_TRUE(skipMarkerTypes().contains("de.petermaurer.TransientPasteboardType"));
    EXPECT_EQ(skipMarkerTypes().size(), 8);
}

TEST(Classification, NothingUsableGivesNone) {
    FakePasteboard board;
    EXPECT_FALSE(readClip(board)) << "no items";
    board.copy({{}});
    EXPECT_FALSE(readClip(board)) << "an item without types";
    board.copy({{{pt::string, " \n\t "}}});
    EXPECT_FALSE(readClip(board)) << "whitespace only";
    board.copy({{{"application/x-unknown", "bytes"}}});
    EXPECT_FALSE(readClip(board)) << "neither text nor image";
    board.copy({{{pt::string, "text"}}});
    board.unreadableTypes = {pt::string};
    EXPECT_FALSE(readClip(board)) << "text that cannot be read";
}

TEST(Classification, FilesListTheirNamesAndPaths) {
    FakePasteboard board;
    board.copy({{{pt::fileURL, "file:///tmp/d/a.txt\r\nfile:///tmp/d/b.png\r\nfile:///tmp/d/c\r\n"},
                 {pt::string, "/tmp/d/a.txt"}}});
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->kind, ClipKind::file);
    EXPECT_EQ(clip->text, "3 files: a.txt, b.png, c\n/tmp/d/a.txt\n/tmp/d/b.png\n/tmp/d/c");
    const QByteArray paths = "/tmp/d/a.txt\n/tmp/d/b.png\n/tmp/d/c";
    EXPECT_EQ(clip->hash, contentHash("file", paths));
    ASSERT_EQ(clip->representations.size(), 1u);
    EXPECT_EQ(clip->representations.at(filePathsType), paths);
    EXPECT_EQ(clip->byteSize, paths.size());

    board.copy({{{pt::fileURL, "file:///home/me/My%20Notes.txt"}}});
    clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->text, "My Notes.txt\n/home/me/My Notes.txt");
    EXPECT_EQ(clip->hash, contentHash("file", "/home/me/My Notes.txt"));
}

TEST(Classification, FileTypeWithoutUsableFileURLsFallsBackToTextOrImage) {
    FakePasteboard board;
    board.copy({{{pt::fileURL, "https://example.com/page\r\nnot a url at all %%\r\n"}, {pt::string, "a caption"}}});
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->kind, ClipKind::text);
    EXPECT_EQ(clip->text, "a caption");

    board.copy({{{pt::fileURL, ""}, {pt::png, pngBytes(3, 2)}}});
    clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->kind, ClipKind::image);
}

TEST(Classification, FileNameWithLineFeedKeepsTheExactListInstead) {
    // "a\nb.txt" would read back as two files; the copy is kept as its raw representations.
    FakePasteboard board;
    const QByteArray uris = "file:///tmp/a%0Ab.txt\r\n";
    board.copy({{{pt::fileURL, uris}, {pt::string, "/tmp/a\nb.txt"}}});
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->kind, ClipKind::text);
    EXPECT_EQ(clip->representations.at(pt::fileURL), uris);
    EXPECT_FALSE(clip->representations.count(filePathsType));
}

TEST(Classification, ImagesAreMeasuredFromTheDecodedBitmap) {
    FakePasteboard board;
    const QByteArray png = pngBytes(40, 30);
    board.copy({{{pt::string, "  \n"}, {pt::png, png}}});
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->kind, ClipKind::image);
    EXPECT_EQ(clip->text, QString::fromUtf8("Image 40×30"));
    EXPECT_EQ(clip->hash, contentHash("image", png));
    EXPECT_EQ(clip->byteSize, png.size() + 3);

    // A PNG header followed by garbage does not decode; the hash is still over its bytes.
    const QByteArray broken = png.left(40) + QByteArray(100, 'x');
    board.copy({{{pt::png, broken}}});
    clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->text, "Image");
    EXPECT_EQ(clip->hash, contentHash("image", broken));

    // TIFF is the second choice.
    QImage image(5, 7, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray tiff;
    QBuffer buffer(&tiff);
    buffer.open(QIODevice::WriteOnly);
    if (image.save(&buffer, "TIFF")) {
        board.copy({{{pt::tiff, tiff}}});
        EXPECT_EQ(readClip(board)->text, QString::fromUtf8("Image 5×7"));
    }
}

TEST(Classification, RepresentationsStayUnderTheCapInTypeOrder) {
    const qint64 mib = 1024 * 1024;
    FakePasteboard board;
    board.copy({{{pt::string, "caption"},
                 {"big/one", QByteArray(30 * mib, 'a')},
                 {"big/two", QByteArray(30 * mib, 'b')},
                 {"small", QByteArray(1024, 'c')}}});
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_TRUE(clip->representations.count("big/one"));
    EXPECT_FALSE(clip->representations.count("big/two"));
    EXPECT_TRUE(clip->representations.count("small"));
    EXPECT_EQ(clip->byteSize, 30 * mib + 1024 + 7);
}

TEST(Classification, OversizedOffers) {
    const qint64 overCap = maxCaptureBytes + 1;
    FakePasteboard board;

    // Text beyond the cap is not recorded at all.
    board.copy({{{pt::string, QByteArray(overCap, 'x')}}});
    EXPECT_FALSE(readClip(board));

    // An image beyond the cap is still recognised, with nothing kept to paste back; its bytes
    // are transferred once.
    QByteArray hugePng = pngBytes(2, 2);
    hugePng.append(QByteArray(overCap, '\0'));
    board.copy({{{pt::png, hugePng}}});
    const int readsBefore = board.dataReads();
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->kind, ClipKind::image);
    EXPECT_TRUE(clip->representations.empty());
    EXPECT_EQ(clip->byteSize, 0);
    EXPECT_EQ(clip->hash, contentHash("image", hugePng));
    EXPECT_EQ(board.dataReads() - readsBefore, 1);
}

TEST(Classification, OwnerVanishingMidReadRecordsNothing) {
    FakePasteboard board;
    board.copy({{{pt::string, "text"}, {pt::html, "<p>text</p>"}, {pt::png, pngBytes(2, 2)}}});
    board.vanishAfterReads = 1;
    EXPECT_FALSE(readClip(board));
    board.copyText("next copy");
    EXPECT_EQ(readClip(board)->text, "next copy");
}

TEST(Classification, WebURLs) {
    const std::vector<std::pair<QString, bool>> cases{
        {"HTTP://EXAMPLE.COM/x", true},
        {"https://de.wikipedia.org/wiki/Müller", true},
        {"mailto:me@example.com", false},
        {"file:///etc/passwd", false},
        {"example.com", false},
        {"https://example.com/" + QString(4076, u'a'), false},
        {"https://example.com/" + QString(4075, u'a'), true},
    };
    for (auto& [text, expected] : cases) EXPECT_EQ(isWebURL(text), expected) << text.left(60).toStdString();
}

}  // namespace
}  // namespace mendrake
