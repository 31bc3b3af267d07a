#include "capture/ClipModel.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <cmath>

namespace mendrake {
namespace {

TEST(ClipModel, KindsRoundTripAndHashCoversTagThenContent) {
    for (ClipKind kind : allClipKinds()) EXPECT_EQ(clipKindFromRaw(rawValue(kind)), kind);
    EXPECT_EQ(clipKindFromRaw("RichText"), std::nullopt);
    EXPECT_EQ(searchWords(" foo\tbar\n x"), (QStringList{"foo", "bar", "x"}));
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
