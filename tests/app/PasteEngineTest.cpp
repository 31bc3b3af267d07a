#include "app/PasteEngine.h"

#include "FakeClock.h"
#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "capture/Classification.h"
#include "hotkey/HotKeyCombo.h"
#include "store/BlobFile.h"
#include "store/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using test::FakePasteboard;

class PasteEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto opened = HistoryStore::open(clock, dir.path());
        ASSERT_TRUE(opened.ok()) << opened.error().description().toStdString();
        store = std::move(opened).value();
    }

    ClipItem record(ClipKind kind, const QString& text, RepresentationMap reps) {
        CapturedClip clip;
        clip.kind = kind;
        clip.text = text;
        // The hash made as the classification makes it, from the content a paste checks.
        if (kind == ClipKind::file) clip.hash = contentHash("file", reps[filePathsType]);
        else if (kind == ClipKind::image) clip.hash = contentHash("image", reps["public.png"]);
        else clip.hash = contentHash("text", text.toUtf8());
        clip.representations = std::move(reps);
        clip.byteSize = text.size();
        auto item = store->record(clip);
        EXPECT_TRUE(item.ok());
        return item.value();
    }

    // The one item on the clipboard as a type → bytes table.
    std::map<QString, QByteArray> clipboard() const {
        std::map<QString, QByteArray> out;
        if (pasteboard.items().size() != 1) return out;
        for (auto& [type, bytes] : pasteboard.items()[0]) out[type] = bytes;
        return out;
    }

    QTemporaryDir dir;
    test::FakeClock clock;
    FakePasteboard pasteboard;
    test::FakeKeySynthesiser keys;
    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    test::FakeWorkspace workspace;
    std::unique_ptr<HistoryStore> store;
    PasteEngine engine{pasteboard, keys, layout, workspace, clock};
};

TEST_F(PasteEngineTest, WritesEachKindAsCopiedOrAsPlainText) {
    const QString longText = QString(3000, QLatin1Char('x')) + QStringLiteral("END");
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, '\0');
    const struct {
        ClipKind kind;
        QString text;
        RepresentationMap reps;
        bool plain;
        std::map<QString, QByteArray> expected;
    } cases[] = {
        {ClipKind::richText, "Bold words",
         {{"public.html", "<b>Bold</b> words"}, {"public.utf8-plain-text", "Bold words"}}, false,
         {{"public.html", "<b>Bold</b> words"}, {"public.utf8-plain-text", "Bold words"}}},
        {ClipKind::richText, "Bold words",
         {{"public.html", "<b>Bold</b> words"}, {"public.utf8-plain-text", "Bold words"}}, true,
         {{"public.utf8-plain-text", "Bold words"}}},
        // An image keeps its form even as "plain text".
        {ClipKind::image, "Image 1×1", {{"public.png", png}}, true, {{"public.png", png}}},
        // The preview is cut at 2000 characters; plain pasting must still give the whole text.
        {ClipKind::text, longText, {{"public.utf8-plain-text", longText.toUtf8()}}, true,
         {{"public.utf8-plain-text", longText.toUtf8()}}},
    };
    for (const auto& c : cases) {
        const ClipItem item = record(c.kind, c.text, c.reps);
        const qint64 count = engine.writeToPasteboard(item, *store, c.plain);
        EXPECT_EQ(count, pasteboard.changeCount());
        EXPECT_EQ(clipboard(), c.expected) << rawValue(c.kind).toStdString() << " plain=" << c.plain;
    }
}

TEST_F(PasteEngineTest, FileItemsAreWrittenAsFilesInEveryModeOrFallBackWhenThePathsAreNotUtf8) {
    const ClipItem item = record(ClipKind::file, "a.txt, b.txt, c d.txt",
                                 {{filePathsType, "/tmp/a.txt\n\n/tmp/b.txt\n/tmp/c d.txt\n"},
                                  {"public.file-url", "file:///tmp/a.txt"}});
    for (bool plain : {false, true}) {
        engine.writeToPasteboard(item, *store, plain);
        EXPECT_EQ(clipboard().at("public.file-url"),
                  "file:///tmp/a.txt\r\nfile:///tmp/b.txt\r\nfile:///tmp/c%20d.txt\r\n");
    }

    const ClipItem broken = record(ClipKind::file, "broken", {{filePathsType, QByteArray("/tmp/\xff\xfe", 7)},
                                                              {"public.utf8-plain-text", "broken"}});
    engine.writeToPasteboard(broken, *store, false);
    EXPECT_TRUE(clipboard().contains(filePathsType) && !clipboard().contains("public.file-url"));
    engine.writeToPasteboard(broken, *store, true);
    EXPECT_EQ(clipboard(), (std::map<QString, QByteArray>{{"public.utf8-plain-text", "broken"}}));

    // Nothing left to write still clears what someone else copied.
    pasteboard.copyText("someone else's copy");
    engine.writeToPasteboard(record(ClipKind::file, "nothing", {{filePathsType, "\n\n"}}), *store, false);
    EXPECT_TRUE(pasteboard.items().empty());
}

TEST_F(PasteEngineTest, MissingCorruptOrSwappedBlobFallsBackToTheFullText) {
    const QString text = QString(2500, QLatin1Char('y'));
    for (const char* damage : {"missing", "corrupt", "swapped"}) {
        const QString full = text + damage;
        const ClipItem item = record(ClipKind::richText, full,
                                     {{"public.html", "<i>y</i>"}, {"public.utf8-plain-text", full.toUtf8()}});
        ASSERT_TRUE(item.blob);
        const QString path = QDir(store->blobDirectory()).filePath(*item.blob);
        QFile file(path);
        if (damage == std::string("missing")) {
            ASSERT_TRUE(file.remove());
        } else if (damage == std::string("corrupt")) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("not a property list");
            file.close();
        } else {  // a well-formed file holding other content than the row's
            ASSERT_FALSE(writeBlobFile(path, {{"public.utf8-plain-text", "someone else's text"}}));
        }
        engine.writeToPasteboard(item, *store, false);
        EXPECT_EQ(clipboard(), (std::map<QString, QByteArray>{{"public.utf8-plain-text", full.toUtf8()}})) << damage;
    }
}

TEST_F(PasteEngineTest, PasteChordIsControlAndTheKeyThatTypesV) {
    engine.postPasteChord();
    // Dvorak puts "v" on the US "." position (X keycode 60).
    test::FakeKeyboardLayout dvorak;
    dvorak.keys = {{60, "v"}, {55, "k"}};
    PasteEngine(pasteboard, keys, dvorak, workspace, clock).postPasteChord();
    // A layout with no "v" at all falls back to the US V position.
    test::FakeKeyboardLayout none;
    PasteEngine(pasteboard, keys, none, workspace, clock).postPasteChord();

    using Press = test::FakeKeySynthesiser::Press;
    EXPECT_EQ(keys.presses, (std::vector<Press>{{55, Qt::ControlModifier},
                                                {60, Qt::ControlModifier},
                                                {55, Qt::ControlModifier}}));
}

TEST_F(PasteEngineTest, PasteTypesAfterTheDelayOnlyIntoTheTargetWindowHoldingTheFocus) {
    const RunningApplication editor{QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), 42};
    const RunningApplication terminal{QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal"), 7};
    const RunningApplication otherEditorWindow{editor.bundleID, editor.localizedName, 43};
    const struct {
        const char* name;
        std::optional<RunningApplication> target;
        std::optional<RunningApplication> front;
        bool activationFails, focusStolen;
        bool activates, types;
    } cases[] = {
        {"target behind", editor, terminal, false, false, true, true},
        {"target in front", editor, editor, false, false, false, true},
        {"target window gone", editor, terminal, true, false, true, false},
        {"focus taken before the keystroke", editor, terminal, false, true, true, false},
        {"same app, other window in front", editor, otherEditorWindow, true, false, true, false},
        {"no target", std::nullopt, terminal, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        workspace.frontmost = c.front;
        workspace.activated.clear();
        workspace.activationFails = c.activationFails;
        workspace.focusElsewhere = false;
        keys.presses.clear();
        int refused = 0;
        engine.onPasteRefused = [&] { ++refused; };
        engine.pasteInto(c.target);
        EXPECT_EQ(workspace.activated.size(), c.activates ? 1u : 0u);
        workspace.focusElsewhere = c.focusStolen;
        clock.advance(PasteEngine::pasteDelay - 0.01);
        EXPECT_TRUE(keys.presses.empty());
        clock.advance(0.02);
        EXPECT_EQ(keys.presses.size(), c.types ? 1u : 0u);
        EXPECT_EQ(refused, c.types ? 0 : 1);
    }
}

}  // namespace
}  // namespace mendrake
