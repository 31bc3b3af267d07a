// The panel's widgets on the offscreen platform: rows, badges, empty states, chips, the preview by
// kind with its metadata line and the paused label.
#include "FakePanelWindowSystem.h"
#include "FakeTaskRunner.h"
#include "FakeWorkspace.h"
#include "StoreFixture.h"
#include "capture/AppIcon.h"
#include "panel/EmptyState.h"
#include "panel/FilterBar.h"
#include "panel/FooterBar.h"
#include "panel/PanelController.h"
#include "panel/PanelView.h"
#include "panel/PanelViewModel.h"
#include "panel/PreviewPane.h"
#include "panel/ResultList.h"

#include <QApplication>
#include <QTest>

using namespace mendrake;
using namespace mendrake::test;

namespace {

using Page = PreviewPane::Page;

CapturedClip imageClip(int width, int height) {
    const QString text = QString::fromUtf8("Image %1 × %2").arg(width).arg(height);
    return textClip(text, {{"public.png", encodedImage("PNG", Qt::blue, {width, height})}}, ClipKind::image);
}

class PanelViewsTest : public StoreTest {
protected:
    // Items of every kind; one from an application with an icon, pinned; an image with its data.
    PanelViewsTest() {
        workspace.installed = {{"org.example.Editor", "Editor", "/apps/editor.desktop"}};
        workspace.iconsByLocation["/apps/editor.desktop"] = QImage::fromData(encodedImage("PNG", Qt::blue));
        const std::tuple<ClipKind, QString, double> kinds[] = {
            {ClipKind::text, "Meeting notes", 20}, {ClipKind::url, "https://www.example.org/a?ref=panel", 140},
            {ClipKind::image, "Image 640 × 400", 600}, {ClipKind::file, "2 files\n/home/u/a.pdf\n/home/u/b.png", 3600},
            {ClipKind::color, "#FF9500", 7200}, {ClipKind::text, "#include <vector>\nint main() {}\n", 9000},
            {ClipKind::richText, "Quarterly", 2e4}, {ClipKind::color, "rgb(52, 199, 89)", 4e4},
            {ClipKind::text, "ssh deploy@build", 9e4}, {ClipKind::text, "Tenth", 2e5},
            {ClipKind::color, "not a colour", 1.3e6}, {ClipKind::text, QString(2001, QLatin1Char('b')), 2e6},
            {ClipKind::text, QString(2000, QLatin1Char('a')), 2e6}, {ClipKind::image, "Image 10 × 10", 2e6}};
        for (const auto& [kind, text, ago] : kinds) {
            CapturedClip clip = text.startsWith("Image 640") ? imageClip(640, 400) : textClip(text, {}, kind);
            if (text != "#FF9500") clip.sourceAppId = clip.sourceAppName = std::nullopt;  // the one app's item
            record(clip, ago);
        }
        store->setPinned(5, true);
        model.reload();
    }
    PanelView& view() { return controller.view(); }
    // The preview of `id` in one line: its page, what it shows, and the metadata row when shown.
    std::string preview(qint64 id) {
        model.setSelectedID(id);
        const PreviewPane& p = *view().previewPane();
        const QString pages[] = {"blank", "text", "link", "image", "missing", "files", "color", "pending"};
        QStringList out{pages[int(p.page())]};
        if (p.page() == Page::link) out << p.linkTitle();
        if (p.page() == Page::image) out << QStringLiteral("%1x%2").arg(p.shownImageSize().width()).arg(p.shownImageSize().height());
        if (p.page() == Page::files) out << p.shownFiles().join(',');
        if (p.page() == Page::color) out << p.swatchColor().value_or(Qt::black).name(QColor::HexArgb);
        if (!p.shownText().isEmpty() && p.page() != Page::files) out << p.shownText().left(12);
        if (p.shownText().endsWith(QString::fromUtf8("\n…"))) out << "cut";
        if (p.usesMonospacedFont()) out << "mono";
        const MetaRow& meta = *p.metaRow();
        if (!meta.isHidden())
            out << meta.appName() << meta.relativeTime() << meta.size() << (meta.hasAppIcon() ? "icon" : "no icon")
                << (meta.showsPinned() ? "pinned" : "");
        return out.join(" | ").toStdString();
    }

    FakeWorkspace workspace;
    FakePanelWindowSystem windows;
    AppIcons icons{workspace};
    PanelViewModel model{*store, prefs, clock};
    PanelController controller{model, workspace, icons, windows};
};

TEST_F(PanelViewsTest, RowsAndEmptyStatesFollowTheResults) {
    ASSERT_FALSE(store->clearHistory(false));
    model.reload();
    ResultList& list = *view().resultList();
    EmptyState& empty = *list.emptyState();
    auto state = [&] { return std::pair(empty.isHidden(), empty.message()); };
    EXPECT_EQ(preview(0), "blank") << "no metadata row without an item";
    model.setQuery("  ");
    EXPECT_EQ(state(), std::pair(false, QString("No matches for “  ”")));
    model.insertAtFront(record(textClip("first line\nsecond")));
    EXPECT_TRUE(empty.isHidden()) << "spaces list everything";
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), "first line") << "the title is the first line";
    model.setQuery("<b>zebra");
    EXPECT_EQ(state(), std::pair(false, QString("No matches for “<b>zebra”")));
    EXPECT_EQ(std::pair(ClipRowDelegate::badgeText(8, "1d"), ClipRowDelegate::badgeText(9, "2d")), std::pair(QString("Ctrl+9"), QString("2d")))
        << "the tenth row shows its age";
}

TEST_F(PanelViewsTest, PreviewShowsEachKindInItsOwnWay) {
    clock.advance(100);
    const std::pair<qint64, std::string> rows[] = {
        {2, "link | www.example.org | https://www. | Unknown app | 4 minutes ago | 35 bytes | no icon | "},
        {1, "text | Meeting note | Unknown app | 2 minutes ago | 13 bytes | no icon | "},
        {3, "image | 640x400 | Unknown app | 11 minutes ago | 2 KB | no icon | "},
        {4, "files | /home/u/a.pdf,/home/u/b.png | Unknown app | 1 hour ago | 35 bytes | no icon | "},
        {5, "color | #ffff9500 | #FF9500 | Editor | 2 hours ago | 7 bytes | icon | pinned"},
        {6, "text | #include <ve | mono | Unknown app | 2 hours ago | 32 bytes | no icon | "},
        {11, "color | #00000000 | not a colour | Unknown app | 2 weeks ago | 12 bytes | no icon | "},
        {12, "text | bbbbbbbbbbbb | cut | Unknown app | 3 weeks ago | 2 KB | no icon | "},  // the store keeps 2000
        {13, "text | aaaaaaaaaaaa | Unknown app | 3 weeks ago | 2 KB | no icon | "},
        {14, "missing | Image 10 × 1 | Unknown app | 3 weeks ago | 14 bytes | no icon | "},  // no stored data
    };
    for (const auto& [id, expected] : rows) EXPECT_EQ(preview(id), expected);
    QFile::remove(blobOf(3));
    preview(1);
    EXPECT_EQ(preview(3).substr(0, 15), "image | 640x400") << "a decoded image is kept";
    QString files = "25 files";
    for (int i = 1; i <= 25; ++i) files += QStringLiteral("\n/f%1").arg(i);
    EXPECT_EQ(std::pair(PreviewPane::filePathsFor(files).size(), PreviewPane::filePathsFor("/tmp/one\n\n/tmp/only-file")),
              std::pair(qsizetype(20), QStringList{"/tmp/only-file"}));
    for (auto [text, title] : {std::pair{"  http://a.b.example:8080/x \n", "a.b.example"}, {"example.com", "Link"},
                               {"http://exa mple.com", "Link"}})
        EXPECT_EQ(PreviewPane::linkTitleFor(text), title) << text;
}

TEST_F(PanelViewsTest, ImagesDecodeOffThreadAndStaleOnesStayHidden) {
    FakeTaskRunner decoder;
    decoder.hold = true;  // a decode that takes as long as the test likes
    model.decodeImagesOn(decoder);
    for (int width : {20, 21}) model.insertAtFront(record(imageClip(width, 10)));  // rows 15 and 16
    EXPECT_EQ(preview(3), "pending | Image 640 ×  | Unknown app | 10 minutes ago | 2 KB | no icon | ")
        << "the label stands in, never an empty pane";
    preview(1);
    decoder.runAll();
    EXPECT_EQ(preview(1).substr(0, 4), "text") << "the selection moved on: the late image is not shown";
    EXPECT_EQ(preview(3).substr(0, 15), "image | 640x400") << "but kept for the next visit";
    preview(15);
    EXPECT_EQ(preview(16).substr(0, 7), "pending");
    decoder.runAll();
    EXPECT_EQ(preview(16).substr(0, 13), "image | 21x10");
    EXPECT_EQ(preview(15).substr(0, 7), "pending") << "a decode overtaken before it started is skipped";
}

TEST_F(PanelViewsTest, ClicksPausedLabelAndFilterChips) {
    controller.show();
    QApplication::processEvents();
    std::vector<std::pair<qint64, UseMode>> used;
    int opened = 0;
    model.onActivate = [&](const ClipItem& item, UseMode mode) { used.push_back({item.id, mode}); };
    model.onOpenSettings = [&] { ++opened; };
    ResultList& list = *view().resultList();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(2, 0)).center());
    EXPECT_EQ(model.selectedID(), 3);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(1, 0)).center());
    QTest::mouseClick(view().footerBar()->settingsButton(), Qt::LeftButton);
    EXPECT_EQ(std::pair(used, opened), std::pair(std::vector<std::pair<qint64, UseMode>>{{2, UseMode::paste}}, 1));
    model.setSelectedID(11);
    EXPECT_TRUE(list.viewport()->rect().contains(list.visualRect(list.model()->index(10, 0)))) << "scrolled to it";
    // A chip filters, selects the first of its results and is the only one highlighted.
    FilterChip* links = view().filterBar()->chips()[3];
    QTest::mouseClick(links, Qt::LeftButton);
    EXPECT_EQ(std::pair(model.filter(), model.selectedID()), std::pair(ClipFilter::links, std::optional<qint64>(2)));
    for (FilterChip* chip : view().filterBar()->chips()) EXPECT_EQ(chip->isCurrent(), chip == links);
    // The paused label shows only while the pause lies ahead.
    const bool hiddenBefore = view().pausedLabel()->isHidden();
    prefs.setPausedUntil(clock.now() + 300);
    EXPECT_EQ(std::pair(hiddenBefore, view().pausedLabel()->isHidden()), std::pair(true, false));
    clock.advance(301);
    controller.hide();
    controller.show();
    EXPECT_TRUE(view().pausedLabel()->isHidden()) << "an expired pause is no pause";
}

}  // namespace
