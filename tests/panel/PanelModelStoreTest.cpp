// The panel model over a real SQLite history in a temporary directory.
#include "PanelTestEnv.h"
#include "panel/PanelViewModel.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mendrake;
using namespace mendrake::test;

namespace {

CapturedClip textClip(const QString& text) {
    CapturedClip clip;
    clip.kind = ClipKind::text;
    clip.text = text;
    clip.hash = contentHash("text", text.toUtf8());
    clip.byteSize = text.toUtf8().size();
    return clip;
}

class PanelModelRealStoreTest : public ::testing::Test {
protected:
    PanelTestEnv env;
    QTemporaryDir dir;
    std::unique_ptr<HistoryStore> store;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        auto opened = HistoryStore::open(env.clock, dir.path());
        ASSERT_TRUE(opened.ok()) << opened.error().message.toStdString();
        store = std::move(opened.value());
    }
    qint64 record(const QString& text) {
        env.clock.advance(1);
        auto item = store->record(textClip(text));
        EXPECT_TRUE(item.ok());
        return item.ok() ? item->id : -1;
    }
};

TEST_F(PanelModelRealStoreTest, SearchBeyondTheWindowAppendsOlderRowsFromTheIndex) {
    // 30 old rows mention "needle", then 5000 newer rows of which 10 do: the window holds only the
    // newer ones, so the index supplies the 30 older matches after the 10 in memory.
    QList<qint64> older, newer;
    ASSERT_EQ(store->exec("BEGIN").has_value(), false);
    for (int i = 0; i < 30; ++i) older.prepend(record(QStringLiteral("old needle %1").arg(i)));
    for (int i = 0; i < 5000; ++i) {
        const bool match = i % 500 == 0;
        const qint64 id = record(match ? QStringLiteral("new Needle %1").arg(i) : QStringLiteral("filler text %1").arg(i));
        if (match) newer.prepend(id);
    }
    ASSERT_EQ(store->exec("COMMIT").has_value(), false);

    PanelViewModel model(*store, env.prefs, env.clock);
    EXPECT_EQ(model.items().size(), 5000);
    EXPECT_EQ(model.totalCount(), 5030);
    model.setQuery("needle");
    EXPECT_EQ(ids(model.results()), newer + older);

    // Pinning an old row from the fallback keeps it in the window from then on.
    model.setSelectedID(older.first());
    model.togglePinSelected();
    model.reload();
    EXPECT_EQ(model.items().size(), 5001);
    EXPECT_TRUE(model.items().last().pinned);
}

}  // namespace
