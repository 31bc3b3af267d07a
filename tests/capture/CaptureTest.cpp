#include "capture/AppIcon.h"
#include "capture/Classification.h"
#include "capture/ClipModel.h"
#include "capture/ClipboardMonitor.h"

#include "FakePasteboard.h"
#include "FakeTaskRunner.h"
#include "FakeWorkspace.h"
#include "PreferencesFixture.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace mendrake {
namespace {

using namespace test;
namespace pt = pasteboard_type;

QByteArray encodedImage(int width, int height, const char* format = "PNG") {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, format);  // opens the buffer
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
        QByteArray hashed = {};  // the tag, then the content hashed, when that is not the text
        QStringList kept = {};   // the types kept, when not all those offered
    } rows[] = {
        {"plain text", {{pt::string, "hello world"}}, ClipKind::text, "hello world"},
        {"a colour keeps its spaces", {{pt::string, "  #3366ff  "}}, ClipKind::color, "  #3366ff  "},
        {"a colour before rich text", {{pt::string, "rgb(1, 2, 3)"}, {pt::html, "<b>x</b>"}}, ClipKind::color,
         "rgb(1, 2, 3)"},
        {"a link before rich text", {{pt::string, " http://a.com\n"}, {pt::html, "<b>x</b>"}}, ClipKind::url,
         " http://a.com\n"},
        {"a space breaks a link", {{pt::string, "https://exa mple.com"}}, ClipKind::text, "https://exa mple.com"},
        {"html", {{pt::string, "Some words"}, {pt::html, "<b>x</b>"}}, ClipKind::richText, "Some words"},
        {"rtf", {{pt::string, "Some words"}, {pt::rtf, "{x}"}}, ClipKind::richText, "Some words"},
        {"files: names, then paths", {{pt::fileURL, "file:///tmp/d/a.txt\r\nfile:///tmp/d/b%20c.png\r\nfile:///tmp/d/c\r\n"},
                                      {pt::string, "/tmp/d/a.txt"}},
         ClipKind::file, "3 files: a.txt, b c.png, c\n" + paths, "file" + paths, {filePathsType}},
        {"one file by its name", {{pt::fileURL, "file:///tmp/d/only%20one.txt"}}, ClipKind::file,
         "only one.txt\n/tmp/d/only one.txt", "file/tmp/d/only one.txt", {filePathsType}},
        {"the root by its path", {{pt::fileURL, "file:///"}}, ClipKind::file, "/\n/", "file/", {filePathsType}},
        {"web links are no files", {{pt::fileURL, "https://a.com/page\r\nnot a url %%\r\n"}, {pt::string, "caption"}},
         ClipKind::text, "caption"},
        {"an empty file list", {{pt::fileURL, ""}, {pt::png, png}}, ClipKind::image, image, "image" + png},
        // "a\nb.txt" would read back as two files: the copy is kept as it came.
        {"a newline in a file name", {{pt::fileURL, oddName}, {pt::string, "/tmp/a\nb.txt"}}, ClipKind::text,
         "/tmp/a\nb.txt"},
        {"an image under blank text", {{pt::string, "  \n"}, {pt::png, png}}, ClipKind::image, image, "image" + png},
        {"an image that does not decode", {{pt::png, broken}}, ClipKind::image, "Image", "image" + broken},
        {"TIFF, the second choice", {{pt::tiff, tiff}}, ClipKind::image, QString::fromUtf8("Image 5×7"), "image" + tiff},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        FakePasteboard board;
        board.copy({row.item});
        const auto clip = readClip(board);
        ASSERT_TRUE(clip);
        const QString hash = contentHash("", row.hashed.isEmpty() ? "text" + row.text.toUtf8() : row.hashed);
        EXPECT_EQ(std::tie(clip->kind, clip->text, clip->hash), std::make_tuple(row.kind, row.text, hash));
        QStringList kept, expected = row.kept;
        qint64 bytes = 0;
        for (const auto& [type, value] : clip->representations) kept << type, bytes += value.size();
        for (const auto& [type, value] : row.kept.isEmpty() ? row.item : FakePasteboard::Item()) expected << type;
        expected.sort();
        EXPECT_TRUE(kept == expected && clip->byteSize == bytes) << kept.join(' ').toStdString();
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
    board.copy({{{pt::string, "caption"}, {"big/one", QByteArray(30 * mib, 'a')},
                 {"big/two", QByteArray(30 * mib, 'b')}, {"small", QByteArray(1024, 'c')}}});
    auto clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_TRUE(clip->representations.count("big/one") && clip->byteSize == 30 * mib + 1024 + 7)
        << "the first big offer and the small one kept, the second big one left out";

    // The text comes first whatever the owner's order, so a large extra type cannot crowd it out.
    board.copy({{{"big/first", QByteArray(45 * mib, 'a')}, {pt::string, QByteArray(10 * mib, 't')}}});
    clip = readClip(board);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->text.size(), 10 * mib);

    // Text or an image beyond the cap is never held, so nothing is recorded.
    const qint64 overCap = maxCaptureBytes + 1;
    for (const auto& type : {pt::string, pt::png}) {
        board.copy({{{type, encodedImage(2, 2) + QByteArray(overCap, 'x')}}});
        EXPECT_FALSE(readClip(board)) << type.toStdString();
    }
}

TEST(ClipModel, KindsHashesTitlesAndAgesAsShown) {
    for (ClipKind kind : allClipKinds()) EXPECT_EQ(clipKindFromRaw(rawValue(kind)), kind);
    EXPECT_EQ(clipKindFromRaw("RichText"), std::nullopt);
    EXPECT_EQ(searchWords("foo\tbar\n x"), (QStringList{"foo", "bar", "x"}));
    EXPECT_EQ(contentHash("text", "abc"), "079c78de91949fcda96e4e0c8427e71e4dc90fe78da365a3340a247df7053ff8");
    EXPECT_TRUE(looksLikeCode(QString("SELECT * FROM t")));
    EXPECT_FALSE(looksLikeCode(QString("select * from t"))) << "markers are case-sensitive";
    // Titles are the first non-blank line, cut after 200 user-perceived characters.
    QString accents, wide;
    for (int i = 0; i < 300; ++i) accents += QString::fromUtf16(u"e\u0301"), wide += QString::fromUtf16(u"\U0001F600");
    for (const auto& [text, title] : std::vector<std::pair<QString, QString>>{
             {"\n \t\n", "(whitespace)"},
             {"\r\n\r\n  hello \t world \r\nsecond line", "hello world"},
             {QString::fromUtf16(u"\u2029one\u2028two"), "one"},
             {QString::fromUtf16(u"\u2028\u00a0\u3000\u2029 spaced\u2003out\u0085next"), "spaced out"},
             {accents, accents.left(400)},
             {wide, wide.left(400)}})
        EXPECT_EQ(displayTitle(text), title) << text.left(20).toStdString();
    for (const auto& [seconds, label] : std::vector<std::pair<double, QString>>{
             {59.9, "now"}, {60, "1m"}, {3600, "1h"}, {86399, "23h"}, {86400, "1d"}, {604800, "1w"}, {-500, "now"},
             {NAN, "now"}, {1e30, "14880952380952w"}}) {
        ClipItem item;
        item.lastUsedAt = 1e9 - seconds;
        EXPECT_EQ(ageLabel(item, 1e9), label) << seconds;
    }
}

TEST(ClipModel, ParseColorAcceptsHexAndRgbUpToForty) {
    const std::optional<Color> none;
    for (const auto& [text, color] : std::vector<std::pair<QString, std::optional<Color>>>{
             {"#FFF", Color{1, 1, 1, 1}}, {"#9fF", Color{0x99 / 255.0, 1, 1, 1}},
             {"#Aa0", Color{0xaa / 255.0, 0xaa / 255.0, 0, 1}}, {"#ff000080", Color{1, 0, 0, 128 / 255.0}},
             {"RGB(255, 0, 0)", Color{1, 0, 0, 1}}, {"rgba(0,0,0,0.5)", Color{0, 0, 0, 0.5}},
             {"rgb(1,,2,\t3)", Color{1 / 255.0, 2 / 255.0, 3 / 255.0, 1}},
             {"rgba(0,0,0,inf)", Color{0, 0, 0, 1}},  // a non-finite alpha counts as unparsed
             {"rgb(1,2,3" + QString(30, u' ') + ")", Color{1 / 255.0, 2 / 255.0, 3 / 255.0, 1}},
             {"rgb(1,2,3" + QString(31, u' ') + ")", none},
             {"#abcd", none}, {"#12345g", none}, {QString::fromUtf16(u"#\uff46\uff46\uff46"), none}, {"#0x1234", none},
             {"rgb(256,0,0)", none}, {"rgb(1,2)", none}, {"rgb(1,2,3", none}, {"rgb(nan,0,0)", none},
             {"hsl(1,2,3)", none}, {"rgb 1,2,3)", none}, {"rgb(1,2,3,4", none}})
        EXPECT_EQ(parseColor(text), color) << text.toStdString();
}

class ClipboardMonitorTest : public ::testing::Test, protected PreferencesFixture {
protected:
    FakePasteboard board;
    FakeTaskRunner reads;
    FakeWorkspace workspace;
    std::vector<CapturedClip> captured;
    std::unique_ptr<ClipboardMonitor> monitor;

    // Every test starts with a copy made before the monitor, which is never read.
    void SetUp() override {
        board.copyText("there before the monitor");
        monitor = std::make_unique<ClipboardMonitor>(board, workspace, prefs, clock, reads, log);
        monitor->onCapture = [this](const CapturedClip& clip) { captured.push_back(clip); };
        monitor->start();
    }
};

// Paused, ignored and our own changes are dropped before anything is read (a password copied from
// an ignored manager never enters this process), a copy not read whole is dropped, and none is
// recorded later; only a captured copy is served again when its owner quits.
TEST_F(ClipboardMonitorTest, DroppedChangesNeverReadNorRecordedLater) {
    int quits = 0;
    monitor->onOwnerQuit = [&] { ++quits; };
    prefs.setExcludedAppIds({"Keeper"});
    workspace.windows[5] = RunningApplication{QString("Keeper"), QString("Keeper"), 5, {}};
    clock.advance(ClipboardMonitor::pollInterval);
    EXPECT_EQ(board.dataReads(), 0) << "a copy made before the monitor";
    const struct {
        const char* why;
        std::function<void()> copy;
        bool recorded, read;
    } rows[] = {
        {"kept", [&] { board.copyText("kept"); }, true, true},
        {"concealed", [&] { board.copy({{{pt::string, "pw"}, {pt::concealed, "1"}}}); }, false, false},
        {"ignored window", [&] { board.copy({{{pt::string, "ignored"}}}, 5); }, false, false},
        {"paused", [&] { prefs.setPausedUntil(clock.now() + 10); board.copyText("paused"); }, false, false},
        {"our paste of a recorded copy", [&] { monitor->ignoredChangeCounts.insert(board.writeString("kept")); }, false, false},
        {"after a pause ends", [&] { prefs.setPausedUntil(clock.now() + 1); clock.advance(2); board.copyText("resumed"); }, true, true},
        {"hung owner", [&] { board.copyText("hung"); board.ownerHangs = true; }, false, false},
        {"a copy made during the read", [&] { board.copyText("raced"); board.takenDuringRead = true; }, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        quits = 0;
        prefs.resume();
        const size_t before = captured.size();
        const int readsBefore = board.dataReads();
        row.copy();
        clock.advance(ClipboardMonitor::pollInterval);  // our own write raises no change event
        EXPECT_EQ(captured.size() > before, row.recorded);
        EXPECT_EQ(board.dataReads() > readsBefore, row.read);
        board.ownerQuits();
        clock.advance(0);
        EXPECT_EQ(quits, row.recorded ? 1 : 0);
    }
    EXPECT_TRUE(monitor->ignoredChangeCounts.empty()) << "our own change is skipped once, then forgotten";
    EXPECT_TRUE(log.lines.size() == 1 && !log.lines.back().contains("hung")) << "a failed read is logged without its content";
    const int readsSoFar = board.dataReads();
    clock.advance(3600);
    EXPECT_TRUE(captured.size() == 2u && board.dataReads() == readsSoFar) << "not deferred, not read again";

    // A copy replaced before its read is never read; the owner of the newest quits while it is read:
    // the capture, then the report.
    reads.hold = true;
    quits = 0;
    board.copyText("replaced before it was read");
    clock.advance(0);
    board.copyText("read slowly");
    clock.advance(0);
    board.ownerQuits();
    clock.advance(0);
    EXPECT_EQ(quits, 0);
    reads.runAll();
    EXPECT_EQ(board.dataReads() - readsSoFar, 1) << "the replaced copy is never read";
    EXPECT_TRUE(captured.back().text == "read slowly" && quits == 1);

    monitor->start();
    EXPECT_EQ(clock.liveTimers(), 1u) << "a restart keeps one timer";
    monitor.reset();
    board.copyText("after the monitor ended");
    clock.advance(ClipboardMonitor::pollInterval);
    EXPECT_TRUE(clock.liveTimers() == 0u && captured.size() == 3u) << "a monitor that is gone polls nothing";
}

TEST_F(ClipboardMonitorTest, SourceIsTheOwnersAppElseTheFocusedOne) {
    prefs.setExcludedAppIds(prefs.excludedAppIds() << "secretkeeper");
    auto app = [](const char* id, const char* windowClass) {
        return RunningApplication{QString(id), QString(id), 1, windowClass ? std::optional(QString(windowClass)) : std::nullopt};
    };
    workspace.windows = {{10, app("org.example.Notes", "Notes")}, {11, app("org.KeePassXC.keepassxc", nullptr)},
                         {12, app("SecretKeeper", "SecretKeeper")}, {13, app("org.example.Vault", "SECRETKEEPER")},
                         {14, app("com.bitwarden.desktop", "Bitwarden")}, {15, app("1password", nullptr)},
                         {16, app("org.gnome.seahorse.Application", nullptr)}, {17, app("enpass", "Enpass")}};
    const RunningApplication editor = app("Editor", nullptr), keeper = app("SecretKeeper", "SecretKeeper");
    const struct {
        quint64 owner;  // 0 or a window of no application: a command-line tool
        std::optional<RunningApplication> focused;
        std::optional<QString> source;  // none: not recorded
    } rows[] = {
        {10, keeper, QString("org.example.Notes")},  // the owner copied, whatever has the focus
        {11, editor, {}}, {12, editor, {}}, {13, editor, {}},  // ignored by desktop id (any case), WM_CLASS, class
        {14, editor, {}}, {15, editor, {}}, {16, editor, {}}, {17, editor, {}},  // ignored by default
        {99, editor, QString("Editor")},             // a tool's window: the focused application
        {0, keeper, {}},                             // ... which may be ignored
        {0, std::nullopt, QString()},                // no application at all
    };
    for (const auto& row : rows) {
        const size_t before = captured.size();
        workspace.frontmost = row.focused;
        board.copy({{{pt::string, "copied"}}}, row.owner);
        clock.advance(0);
        std::optional<QString> source;
        if (captured.size() > before) source = captured.back().sourceAppName.value_or("");
        EXPECT_EQ(source, row.source) << row.owner;
    }
}

TEST(AppIcons, CachesFoundIconsAndAsksAgainForUnknownOnes) {
    FakeWorkspace workspace;
    const QImage big(128, 128, QImage::Format_ARGB32);
    workspace.installed = {{"org.example.Editor", "Editor", "/apps/editor.desktop"}};
    workspace.iconsByLocation = {{"/apps/editor.desktop", big}, {"/apps/later.desktop", big}};
    AppIcons icons(workspace);
    EXPECT_FALSE(icons.appIcon(std::nullopt));
    icons.appIcon(QString("org.example.Editor"));
    EXPECT_EQ(icons.appIcon(QString("org.example.Editor")).value_or(QImage()).size(), QSize(32, 32));
    EXPECT_EQ(workspace.locationLookups, 1);
    EXPECT_FALSE(icons.appIcon(QString("org.example.Later")));
    workspace.installed.push_back({"org.example.Later", "Later", "/apps/later.desktop"});
    EXPECT_TRUE(icons.appIcon(QString("org.example.Later")));
}

}  // namespace
}  // namespace mendrake
