#include "capture/Classification.h"
#include "capture/ClipModel.h"

#include "FakePasteboard.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

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

TEST(Classification, KindTextAndHashOfEachOffer) {
    const QByteArray png = encodedImage(40, 30), broken = png.left(40) + QByteArray(100, 'x'), tiff = encodedImage(5, 7, "TIFF");
    const QByteArray paths = "/tmp/d/a.txt\n/tmp/d/b c.png\n/tmp/d/c", oddName = "file:///tmp/a%0Ab.txt\r\n";
    const QString image = QString::fromUtf8("Image 40×30");
    const struct {
        const char* why;
        FakePasteboard::Item item;
        ClipKind kind;
        QString text;
        QByteArray hashed;  // the tag, then the hashed content
        QStringList kept;   // the representations kept
    } rows[] = {
        {"plain text", {{pt::string, "hello world"}}, ClipKind::text, "hello world", "texthello world", {pt::string}},
        {"a colour keeps its spaces", {{pt::string, "  #3366ff  "}}, ClipKind::color, "  #3366ff  ", "text  #3366ff  ", {pt::string}},
        {"a colour before rich text", {{pt::string, "rgb(1, 2, 3)"}, {pt::html, "<b>x</b>"}}, ClipKind::color, "rgb(1, 2, 3)",
         "textrgb(1, 2, 3)", {pt::string, pt::html}},
        {"a link before rich text", {{pt::string, " http://example.com\n"}, {pt::html, "<b>x</b>"}}, ClipKind::url,
         " http://example.com\n", "text http://example.com\n", {pt::string, pt::html}},
        {"a space breaks a link", {{pt::string, "https://exa mple.com"}}, ClipKind::text, "https://exa mple.com",
         "texthttps://exa mple.com", {pt::string}},
        {"html", {{pt::string, "Some words"}, {pt::html, "<b>x</b>"}}, ClipKind::richText, "Some words", "textSome words",
         {pt::string, pt::html}},
        {"rtf", {{pt::string, "Some words"}, {pt::rtf, "{x}"}}, ClipKind::richText, "Some words", "textSome words", {pt::string, pt::rtf}},
        {"files: names, then paths", {{pt::fileURL, "file:///tmp/d/a.txt\r\nfile:///tmp/d/b%20c.png\r\nfile:///tmp/d/c\r\n"},
                                      {pt::string, "/tmp/d/a.txt"}},
         ClipKind::file, "3 files: a.txt, b c.png, c\n" + paths, "file" + paths, {filePathsType}},
        {"one file by its name", {{pt::fileURL, "file:///tmp/d/only%20one.txt"}}, ClipKind::file,
         "only one.txt\n/tmp/d/only one.txt", "file/tmp/d/only one.txt", {filePathsType}},
        {"the root by its path", {{pt::fileURL, "file:///"}}, ClipKind::file, "/\n/", "file/", {filePathsType}},
        {"web links are no files", {{pt::fileURL, "https://example.com/page\r\nnot a url %%\r\n"}, {pt::string, "a caption"}},
         ClipKind::text, "a caption", "texta caption", {pt::fileURL, pt::string}},
        {"an empty file list", {{pt::fileURL, ""}, {pt::png, png}}, ClipKind::image, image, "image" + png, {pt::fileURL, pt::png}},
        // "a\nb.txt" would read back as two files: the copy is kept as it came.
        {"a newline in a file name", {{pt::fileURL, oddName}, {pt::string, "/tmp/a\nb.txt"}}, ClipKind::text, "/tmp/a\nb.txt",
         "text/tmp/a\nb.txt", {pt::fileURL, pt::string}},
        {"an image under blank text", {{pt::string, "  \n"}, {pt::png, png}}, ClipKind::image, image, "image" + png, {pt::string, pt::png}},
        {"an image that does not decode", {{pt::png, broken}}, ClipKind::image, "Image", "image" + broken, {pt::png}},
        {"TIFF, the second choice", {{pt::tiff, tiff}}, ClipKind::image, QString::fromUtf8("Image 5×7"), "image" + tiff, {pt::tiff}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        FakePasteboard board;
        board.copy({row.item});
        const auto clip = readClip(board);
        ASSERT_TRUE(clip);
        EXPECT_EQ(std::tie(clip->kind, clip->text, clip->hash), std::make_tuple(row.kind, row.text, contentHash("", row.hashed)));
        QStringList kept, expected = row.kept;
        qint64 bytes = 0;
        for (const auto& [type, value] : clip->representations) kept << type, bytes += value.size();
        expected.sort();
        EXPECT_EQ(kept, expected) << kept.join(' ').toStdString();
        EXPECT_EQ(clip->byteSize, bytes);
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

TEST(ClipModel, KindsRoundTripAndHashCoversTagThenContent) {
    for (ClipKind kind : allClipKinds()) EXPECT_EQ(clipKindFromRaw(rawValue(kind)), kind);
    EXPECT_EQ(clipKindFromRaw("RichText"), std::nullopt);
    EXPECT_EQ(searchWords("foo\tbar\n x"), (QStringList{"foo", "bar", "x"}));
    EXPECT_EQ(contentHash("text", QByteArray("abc")),
              QString::fromLatin1(QCryptographicHash::hash("textabc", QCryptographicHash::Sha256).toHex()));
}

TEST(ClipModel, TitleIsFirstLineCutBetweenCharacters) {
    QString accents, wide;
    for (int i = 0; i < 300; ++i) accents += QString::fromUtf16(u"e\u0301"), wide += QString::fromUtf16(u"\U0001F600");
    const struct {
        QString text, title;
    } cases[] = {
        {"\n \t\n", "(whitespace)"},
        {"\r\n\r\n  hello \t world \r\nsecond line", "hello world"},
        {QString::fromUtf16(u"\u2029one\u2028two"), "one"},  // the paragraph and line separators
        {QString::fromUtf16(u"\u2028\u00a0\u3000\u2029 spaced\u2003out\u0085next"), "spaced out"},
        {accents, accents.left(400)},  // 200 user-perceived characters
        {wide, wide.left(400)},
    };
    for (const auto& c : cases) EXPECT_EQ(displayTitle(c.text), c.title) << c.text.left(20).toStdString();
}

TEST(ClipModel, AgeLabelDropsRemaindersAndSurvivesOddTimes) {
    const struct {
        double seconds;
        const char* label;
    } cases[] = {{59.9, "now"}, {60, "1m"},     {3600, "1h"}, {86399, "23h"}, {86400, "1d"},
                 {604800, "1w"}, {-500, "now"}, {NAN, "now"}, {1e30, "14880952380952w"}};
    for (const auto& c : cases) {
        ClipItem item;
        item.lastUsedAt = 1e9 - c.seconds;
        EXPECT_EQ(ageLabel(item, 1e9), c.label) << c.seconds;
    }
    EXPECT_TRUE(looksLikeCode(QString("SELECT * FROM t")));
    EXPECT_FALSE(looksLikeCode(QString("select * from t"))) << "markers are case-sensitive";
}

TEST(ClipModel, ParseColorAcceptsHexAndRgbUpToForty) {
    const struct {
        QString text;
        Color color;
    } cases[] = {
        {"#FFF", {1, 1, 1, 1}},
        {"#9fF", {0x99 / 255.0, 1, 1, 1}},
        {"#Aa0", {0xaa / 255.0, 0xaa / 255.0, 0, 1}},
        {"#ff000080", {1, 0, 0, 128 / 255.0}},
        {"RGB(255, 0, 0)", {1, 0, 0, 1}},
        {"rgba(0,0,0,0.5)", {0, 0, 0, 0.5}},
        {"rgb(1,,2,\t3)", {1 / 255.0, 2 / 255.0, 3 / 255.0, 1}},
        {"rgba(0,0,0,inf)", {0, 0, 0, 1}},  // a non-finite alpha counts as unparsed
        {"rgb(1,2,3" + QString(30, u' ') + ")", {1 / 255.0, 2 / 255.0, 3 / 255.0, 1}},
    };
    for (const auto& c : cases) {
        const auto color = parseColor(c.text);
        ASSERT_TRUE(color) << c.text.toStdString();
        for (auto part : {&Color::red, &Color::green, &Color::blue, &Color::alpha})
            EXPECT_NEAR((*color).*part, c.color.*part, 1e-12) << c.text.toStdString();
    }
    for (const QString& text : {QString("#abcd"), QString("#12345g"), QString::fromUtf16(u"#\uff46\uff46\uff46"),
                                QString("rgb(256,0,0)"), QString("rgb(1,2)"), QString("rgb(1,2,3"),
                                QString("rgb(nan,0,0)"), QString("hsl(1,2,3)"), QString("rgb 1,2,3)"), QString("rgb(1,2,3,4"),
                                QString("#0x1234"), "rgb(1,2,3" + QString(31, u' ') + ")"})
        EXPECT_EQ(parseColor(text), std::nullopt) << text.toStdString();
}

}  // namespace
}  // namespace mendrake
