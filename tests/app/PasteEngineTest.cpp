#include "app/PasteEngine.h"

#include "FakeClock.h"
#include "FakeKeySynthesiser.h"
#include "FakeKeyboardLayout.h"
#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "capture/Classification.h"
#include "store/BlobFile.h"
#include "store/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using Clipboard = std::map<QString, QByteArray>;

struct PasteEngineTest : ::testing::Test {
    ClipItem record(ClipKind kind, const QString& text, RepresentationMap reps) {
        // The hash made as the classification makes it, from the content a paste checks.
        const QString hash = kind == ClipKind::file    ? contentHash("file", reps[filePathsType])
                             : kind == ClipKind::image ? contentHash("image", reps["public.png"])
                                                       : contentHash("text", text.toUtf8());
        return store->record({.kind = kind, .text = text, .hash = hash, .representations = reps}).value();
    }
    // The one item on the clipboard as a type → bytes table.
    Clipboard clipboard() const {
        if (pasteboard.items().size() != 1) return {};
        return Clipboard(pasteboard.items()[0].begin(), pasteboard.items()[0].end());
    }

    QTemporaryDir dir;
    test::FakeClock clock;
    test::FakePasteboard pasteboard;
    test::FakeKeySynthesiser keys;
    test::FakeKeyboardLayout layout = test::FakeKeyboardLayout::usQwerty();
    test::FakeWorkspace workspace;
    std::unique_ptr<HistoryStore> store = HistoryStore::open(clock, dir.path()).value();
    PasteEngine engine{pasteboard, keys, layout, workspace, clock};
};

TEST_F(PasteEngineTest, WritesWhatWasCopiedPlainTextOrTheWholeStoredText) {
    const QString longText = QString(3000, 'x') + "END";
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, '\0');
    const RepresentationMap rich{{"public.html", "<b>Bold</b> words"}, {"public.utf8-plain-text", "Bold words"}};
    const RepresentationMap files{{filePathsType, "/tmp/a.txt\n\n/tmp/b.txt\n/tmp/c d.txt\n"},
                                  {"public.file-url", "file:///tmp/a.txt"}};
    const Clipboard urls{{"public.file-url", "file:///tmp/a.txt\r\nfile:///tmp/b.txt\r\nfile:///tmp/c%20d.txt\r\n"}};
    const RepresentationMap notUtf8{{filePathsType, QByteArray("/tmp/\xff\xfe", 7)}, {"public.utf8-plain-text", "broken"}};
    const QString full = QString(2500, 'y');  // whole texts past the preview, each with a damaged blob
    const auto stored = [](const QString& text) {
        return RepresentationMap{{"public.html", "<i>y</i>"}, {"public.utf8-plain-text", text.toUtf8()}};
    };
    const auto whole = [](const QString& text) { return Clipboard{{"public.utf8-plain-text", text.toUtf8()}}; };
    const struct {
        const char* why;
        ClipKind kind;
        QString text;
        RepresentationMap reps;
        bool plain;
        Clipboard expected;
        std::function<void(const QString& blobPath)> damage = {};
    } rows[] = {
        {"rich text as copied", ClipKind::richText, "Bold words", rich, false, Clipboard(rich.begin(), rich.end())},
        {"rich text as plain", ClipKind::richText, "Bold words", rich, true, {{"public.utf8-plain-text", "Bold words"}}},
        {"an image keeps its form as plain text", ClipKind::image, "Image 1×1", {{"public.png", png}}, true,
         {{"public.png", png}}},
        {"the preview is cut at 2000 characters", ClipKind::text, longText,
         {{"public.utf8-plain-text", longText.toUtf8()}}, true, {{"public.utf8-plain-text", longText.toUtf8()}}},
        {"files as copied", ClipKind::file, "a.txt, b.txt, c d.txt", files, false, urls},
        {"files as plain", ClipKind::file, "a.txt, b.txt, c d.txt", files, true, urls},
        {"paths not UTF-8", ClipKind::file, "broken", notUtf8, false, Clipboard(notUtf8.begin(), notUtf8.end())},
        {"paths not UTF-8 as plain", ClipKind::file, "broken", notUtf8, true, {{"public.utf8-plain-text", "broken"}}},
        {"nothing left still clears the clipboard", ClipKind::file, "nothing", {{filePathsType, "\n\n"}}, false, {}},
        {"missing blob", ClipKind::richText, full + "1", stored(full + "1"), false, whole(full + "1"),
         [](const QString& path) { ASSERT_TRUE(QFile::remove(path)); }},
        {"corrupt blob", ClipKind::richText, full + "2", stored(full + "2"), false, whole(full + "2"),
         [](const QString& path) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write("not a property list") > 0);
         }},
        {"blob of other content", ClipKind::richText, full + "3", stored(full + "3"), false, whole(full + "3"),
         [](const QString& path) { ASSERT_FALSE(writeBlobFile(path, {{"public.utf8-plain-text", "other text"}})); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        const ClipItem item = record(row.kind, row.text, row.reps);
        if (row.damage) row.damage(QDir(store->blobDirectory()).filePath(item.blob.value()));
        pasteboard.copyText("someone else's copy");
        const qint64 count = engine.writeToPasteboard(item, *store, row.plain);
        EXPECT_EQ(count, pasteboard.changeCount());
        EXPECT_EQ(clipboard(), row.expected);
    }
}

TEST_F(PasteEngineTest, PasteChordIsControlAndTheKeyThatTypesV) {
    engine.postPasteChord();
    test::FakeKeyboardLayout dvorak;  // "v" on the US "." position (X keycode 60)
    dvorak.keys = {{60, "v"}, {55, "k"}};
    PasteEngine(pasteboard, keys, dvorak, workspace, clock).postPasteChord();
    test::FakeKeyboardLayout none;  // no "v" at all: the US V position
    PasteEngine(pasteboard, keys, none, workspace, clock).postPasteChord();
    using Press = test::FakeKeySynthesiser::Press;
    EXPECT_EQ(keys.presses,
              (std::vector<Press>{{55, Qt::ControlModifier}, {60, Qt::ControlModifier}, {55, Qt::ControlModifier}}));
}

TEST_F(PasteEngineTest, TypesOnlyIntoTheTargetHoldingFocus) {
    const RunningApplication editor{QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), 42};
    const RunningApplication terminal{QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal"), 7};
    const RunningApplication otherEditorWindow{editor.appId, editor.localizedName, 43};
    const struct {
        const char* name;
        std::optional<RunningApplication> target, front;
        bool activationFails, focusStolen, activates, types;
    } cases[] = {
        {"target behind", editor, terminal, false, false, true, true},
        {"target in front", editor, editor, false, false, false, true},
        {"target window gone", editor, terminal, true, false, true, false},
        {"focus taken before the keystroke", editor, terminal, false, true, true, false},
        {"same app, other window in front", editor, otherEditorWindow, true, false, true, false},
        {"no target", std::nullopt, terminal, false, false, false, false},
    };
    int refused = 0;
    engine.onPasteRefused = [&] { ++refused; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        workspace.frontmost = c.front;
        workspace.activated.clear();
        workspace.activationFails = c.activationFails;
        workspace.focusElsewhere = false;
        keys.presses.clear();
        refused = 0;
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
