#include "capture/ClipModel.h"

#include <QCryptographicHash>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>

namespace mendrake {
namespace {

TEST(ClipKind, RawValuesRoundTripAndAreCaseSensitive) {
    const QStringList expected = {"text", "richText", "url", "image", "file", "color"};
    ASSERT_EQ(allClipKinds().size(), size_t(expected.size()));
    for (size_t i = 0; i < allClipKinds().size(); ++i) {
        EXPECT_EQ(rawValue(allClipKinds()[i]), expected[qsizetype(i)]);
        EXPECT_EQ(clipKindFromRaw(expected[qsizetype(i)]), allClipKinds()[i]);
    }
    EXPECT_EQ(clipKindFromRaw("RichText"), std::nullopt);
    EXPECT_EQ(clipKindFromRaw(""), std::nullopt);
}

TEST(ClipItem, EqualityCoversEveryFieldNotJustTheId) {
    ClipItem a;
    a.id = 7;
    a.text = "x";
    ClipItem b = a;
    EXPECT_EQ(a, b);
    b.pinned = true;
    EXPECT_NE(a, b);
    b = a;
    b.searchKey = "other";
    EXPECT_NE(a, b);
    b = a;
    b.blob = QString();  // an empty name is not the same as no blob
    EXPECT_NE(a, b);
}

TEST(ContentHash, IsSha256OfTagFollowedByContent) {
    const QString expected = QString::fromLatin1(QCryptographicHash::hash("textabc", QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(contentHash("text", QByteArray("abc")), expected);
    EXPECT_EQ(expected.size(), 64);
    EXPECT_EQ(expected, expected.toLower());
    // The tag is part of the hash: the same bytes as a file list are other content.
    EXPECT_NE(contentHash("file", QByteArray("abc")), expected);
}

TEST(DisplayTitle, TakesFirstNonBlankLineWithCollapsedWhitespace) {
    const struct {
        QString text;
        QString title;
    } cases[] = {
        {"\n \t\n", "(whitespace)"},
        {"", "(whitespace)"},
        {"  hello \t world \nsecond line", "hello world"},
        {"\r\n\r\n  first\r\nsecond", "first"},
        {QString::fromUtf16(u"\u2028\u00a0\u3000\u2029 spaced\u2003out"), "spaced out"},
        {QString::fromUtf16(u"line\u0085next"), "line"},
    };
    for (const auto& c : cases) EXPECT_EQ(displayTitle(c.text), c.title) << c.text.toStdString();
}

TEST(DisplayTitle, CutsAtTwoHundredUserPerceivedCharacters) {
    EXPECT_EQ(displayTitle(QString(500, u'a')), QString(200, u'a'));
    // An "e" with a combining acute accent is one character of two code units; an emoji is one
    // character of two code units too. Neither may be split.
    QString accented;
    for (int i = 0; i < 300; ++i) accented += QString::fromUtf16(u"e\u0301");
    EXPECT_EQ(displayTitle(accented), accented.left(400));
    QString emoji;
    for (int i = 0; i < 300; ++i) emoji += QString::fromUtf16(u"\U0001F600");
    EXPECT_EQ(displayTitle(emoji), emoji.left(400));
    EXPECT_EQ(firstGraphemes(QString::fromUtf16(u"ae\u0301b"), 2), QString::fromUtf16(u"ae\u0301"));
    EXPECT_EQ(firstGraphemes("abc", 0), "");
}

TEST(AgeLabel, ThresholdsDropTheRemainder) {
    const struct {
        double seconds;
        const char* label;
    } cases[] = {{59.9, "now"}, {60, "1m"},  {3599, "59m"}, {3600, "1h"}, {86399, "23h"}, {86400, "1d"},
                 {604799, "6d"}, {604800, "1w"}, {-500, "now"}, {20 * 604800 + 5, "20w"}, {1e30, "14880952380952w"}};
    const double now = 1'700'000'000;
    for (const auto& c : cases) {
        ClipItem item;
        item.lastUsedAt = now - c.seconds;
        EXPECT_EQ(ageLabel(item, now), c.label) << c.seconds;
    }
    ClipItem item;
    item.lastUsedAt = std::nan("");
    EXPECT_EQ(ageLabel(item, now), "now");
}

TEST(LooksLikeCode, MarkersAreCaseSensitiveSubstrings) {
    EXPECT_TRUE(looksLikeCode(QString("a => b")));
    EXPECT_TRUE(looksLikeCode(QString("#include <x>")));
    EXPECT_TRUE(looksLikeCode(QString("SELECT * FROM t")));
    EXPECT_FALSE(looksLikeCode(QString("select * from t")));
    EXPECT_FALSE(looksLikeCode(QString("define x")));  // "def " needs the space
    EXPECT_FALSE(looksLikeCode(QString("plain words, nothing else")));
}

TEST(ParseColor, AcceptsHexAndRgbForms) {
    const struct {
        QString text;
        Color color;
    } cases[] = {
        {"#FFF", {1, 1, 1, 1}},
        {"#ff000080", {1, 0, 0, 128 / 255.0}},
        {"  #00FF00\n", {0, 1, 0, 1}},
        {"RGB(255, 0, 0)", {1, 0, 0, 1}},
        {"rgba(0,0,0,0.5)", {0, 0, 0, 0.5}},
        {"rgb(1,,2,3)", {1 / 255.0, 2 / 255.0, 3 / 255.0, 1}},
        {"rgb( 51 ,\t102 , 153 , junk)", {0.2, 0.4, 0.6, 1}},  // unparsable alpha counts as opaque
        {"rgba(0,0,0,2)", {0, 0, 0, 2}},                           // alpha is taken as given
    };
    for (const auto& c : cases) {
        const auto color = parseColor(c.text);
        ASSERT_TRUE(color) << c.text.toStdString();
        EXPECT_NEAR(color->red, c.color.red, 1e-12) << c.text.toStdString();
        EXPECT_NEAR(color->green, c.color.green, 1e-12) << c.text.toStdString();
        EXPECT_NEAR(color->blue, c.color.blue, 1e-12) << c.text.toStdString();
        EXPECT_NEAR(color->alpha, c.color.alpha, 1e-12) << c.text.toStdString();
    }
}

TEST(ParseColor, RejectsMalformedInput) {
    const QString rejected[] = {
        "#abcd", "#12345g", "#", "##fff", "#ｆｆｆ",  // full-width digits are not ASCII hex
        "rgb(256,0,0)", "rgb(-1,0,0)", "rgb(1,2)", "rgb(1,2,3,4,5)", "rgb(1,2,3", "rgb 1,2,3)",
        "rgb(1x,2,3)", "rgb(nan,0,0)", "hsl(0,0,0)", "", "red",
        "rgb(1,2,3" + QString(31, u' ') + ")",  // 41 characters after trimming
    };
    for (const QString& text : rejected) EXPECT_EQ(parseColor(text), std::nullopt) << text.toStdString();
    EXPECT_TRUE(parseColor("rgb(1,2,3" + QString(30, u' ') + ")"));  // exactly 40
}

TEST(ParseColor, NonFiniteAlphaCountsAsOpaque) {
    const auto color = parseColor("rgba(0,0,0,inf)");
    ASSERT_TRUE(color);
    EXPECT_EQ(color->alpha, 1.0);
}

TEST(SearchKey, LowerCasesPreviewAndAppNameWithFullCaseMapping) {
    EXPECT_EQ(makeSearchKey("Hello ÉTÉ", QString("Firefox")), "hello été firefox");
    EXPECT_EQ(makeSearchKey("X", std::nullopt), "x ");
}

}  // namespace
}  // namespace mendrake
