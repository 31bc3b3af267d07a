#include "capture/Classification.h"

#include "FakePasteboard.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

namespace pt = pasteboard_type;
using test::FakePasteboard;

QByteArray encodedImage(int width, int height, const char* format = "PNG") {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// The clip read from the board, or an empty one when there is none.
CapturedClip clipOf(FakePasteboard& board) { return readClip(board).value_or(CapturedClip{}); }

TEST(Classification, TextKindsFollowColourThenLinkThenRichText) {
    const struct {
        QString text;
        QStringList extraTypes;
        ClipKind kind;
    } cases[] = {
        {"hello world", {}, ClipKind::text},
        {"  #3366ff  ", {}, ClipKind::color},  // keeps its spaces
        {"rgb(1, 2, 3)", {pt::html}, ClipKind::color},
        {" http://example.com\n", {pt::html}, ClipKind::url},
        {"https://exa mple.com", {}, ClipKind::text},
        {"Some words", {pt::html}, ClipKind::richText},
        {"Some words", {pt::rtf}, ClipKind::richText},
    };
    for (const auto& c : cases) {
        FakePasteboard board;
        FakePasteboard::Item item{{pt::string, c.text.toUtf8()}};
        for (const QString& type : c.extraTypes) item.push_back({type, "<b>x</b>"});
        board.copy({item});
        auto clip = readClip(board);
        ASSERT_TRUE(clip) << c.text.toStdString();
        EXPECT_EQ(clip->kind, c.kind) << c.text.toStdString();
        EXPECT_EQ(clip->text, c.text);
        EXPECT_EQ(clip->hash, contentHash("text", c.text.toUtf8()));
        EXPECT_EQ(qint64(clip->representations.size()), qint64(item.size()));
    }
    for (auto [text, expected] : std::vector<std::pair<QString, bool>>{
             {"HTTP://EXAMPLE.COM/x", true}, {"mailto:me@example.com", false}, {"http:/x", false}, {"http://[", false},
             {"https://example.com/" + QString(4075, u'a'), true},  // 4095 characters: the longest link
             {"https://example.com/" + QString(4076, u'a'), false}})
        EXPECT_EQ(isWebURL(text), expected) << text.left(60).toStdString();
}

TEST(Classification, MarkedEmptyOrBrokenOffersGiveNone) {
    struct Row {
        std::string why;
        std::vector<FakePasteboard::Item> items;
        std::function<void(FakePasteboard&)> fault = [](FakePasteboard&) {};
    };
    std::vector<Row> rows = {
        {"no items", {}},
        {"an item without types", {{}}},
        {"whitespace only", {{{pt::string, " \n\t "}}}},
        {"neither text nor image", {{{"application/x-unknown", "bytes"}}}},
        {"text that cannot be read", {{{pt::string, "text"}}}, [](FakePasteboard& b) { b.unreadableTypes = {pt::string}; }},
        {"owner vanishing mid-read", {{{pt::string, "text"}, {pt::html, "<p>text</p>"}, {pt::png, encodedImage(2, 2)}}},
         [](FakePasteboard& b) { b.vanishAfterReads = 1; }},
    };
    for (const QString& marker : skipMarkerTypes()) {
        rows.push_back({"on a later item: " + marker.toStdString(), {{{pt::string, "ordinary"}}, {{marker, "1"}}}});
        rows.push_back({marker.toStdString(), {{{pt::string, "ordinary"}, {marker, ""}}}});
    }
    for (const Row& row : rows) {
        FakePasteboard board;
        board.copy(row.items);
        row.fault(board);
        EXPECT_FALSE(readClip(board)) << row.why;
    }
}

TEST(Classification, FilesListNamesAndPathsElseOtherTypes) {
    FakePasteboard board;
    board.copy({{{pt::fileURL, "file:///tmp/d/a.txt\r\nfile:///tmp/d/b%20c.png\r\nfile:///tmp/d/c\r\n"},
                 {pt::string, "/tmp/d/a.txt"}}});
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->kind, ClipKind::file);
    EXPECT_EQ(clip->text, "3 files: a.txt, b c.png, c\n/tmp/d/a.txt\n/tmp/d/b c.png\n/tmp/d/c");
    const QByteArray paths = "/tmp/d/a.txt\n/tmp/d/b c.png\n/tmp/d/c";
    EXPECT_EQ(clip->hash, contentHash("file", paths));
    EXPECT_EQ(clip->representations, (RepresentationMap{{filePathsType, paths}}));
    EXPECT_EQ(clip->byteSize, paths.size());

    // One file is titled by its name alone; the root by its path.
    for (auto [uri, text] : {std::pair<QByteArray, QString>{"file:///tmp/d/only%20one.txt", "only one.txt\n/tmp/d/only one.txt"},
                             {"file:///", "/\n/"}}) {
        board.copy({{{pt::fileURL, uri}}});
        EXPECT_EQ(clipOf(board).text, text);
    }
    board.copy({{{pt::fileURL, "https://example.com/page\r\nnot a url at all %%\r\n"}, {pt::string, "a caption"}}});
    EXPECT_EQ(clipOf(board).text, "a caption");
    board.copy({{{pt::fileURL, ""}, {pt::png, encodedImage(3, 2)}}});
    EXPECT_EQ(clipOf(board).kind, ClipKind::image);

    // "a\nb.txt" would read back as two files; the copy is kept as its raw representations.
    const QByteArray uris = "file:///tmp/a%0Ab.txt\r\n";
    board.copy({{{pt::fileURL, uris}, {pt::string, "/tmp/a\nb.txt"}}});
    clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->kind, ClipKind::text);
    EXPECT_EQ(clip->representations.at(pt::fileURL), uris);
    EXPECT_FALSE(clip->representations.count(filePathsType));
}

TEST(Classification, ImagesMeasuredDecodedAndHashedOverBytes) {
    FakePasteboard board;
    const QByteArray png = encodedImage(40, 30);
    board.copy({{{pt::string, "  \n"}, {pt::png, png}}});
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->kind, ClipKind::image);
    EXPECT_EQ(clip->text, QString::fromUtf8("Image 40×30"));
    EXPECT_EQ(clip->hash, contentHash("image", png));
    EXPECT_EQ(clip->byteSize, png.size() + 3);

    const QByteArray broken = png.left(40) + QByteArray(100, 'x');
    board.copy({{{pt::png, broken}}});
    clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->text, "Image");
    EXPECT_EQ(clip->hash, contentHash("image", broken));

    board.copy({{{pt::tiff, encodedImage(5, 7, "TIFF")}}});
    EXPECT_EQ(clipOf(board).text, QString::fromUtf8("Image 5×7")) << "TIFF is the second choice";
}

TEST(Classification, OversizedOffersStayUnderTheCap) {
    const qint64 mib = 1024 * 1024;
    FakePasteboard board;
    board.copy({{{pt::string, "caption"},
                 {"big/one", QByteArray(30 * mib, 'a')},
                 {"big/two", QByteArray(30 * mib, 'b')},
                 {"small", QByteArray(1024, 'c')}}});
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_TRUE(clip->representations.count("big/one") && clip->representations.count("small"));
    EXPECT_FALSE(clip->representations.count("big/two"));
    EXPECT_EQ(clip->byteSize, 30 * mib + 1024 + 7);

    // The text comes first whatever the owner's order, so a large extra type cannot crowd it out.
    board.copy({{{"big/first", QByteArray(45 * mib, 'a')}, {pt::string, QByteArray(10 * mib, 't')}}});
    clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->text.size(), 10 * mib);
    EXPECT_FALSE(clip->representations.count("big/first"));

    // Text or an image beyond the cap is never held, so nothing is recorded.
    const qint64 overCap = maxCaptureBytes + 1;
    for (const auto& type : {pt::string, pt::png}) {
        board.copy({{{type, encodedImage(2, 2) + QByteArray(overCap, 'x')}}});
        EXPECT_FALSE(readClip(board)) << type.toStdString();
    }
}

}  // namespace
}  // namespace mendrake
