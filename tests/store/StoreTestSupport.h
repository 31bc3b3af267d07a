#pragma once
// Helpers shared by the store tests: clips as the classification would make them, raw SQL access.

#include "capture/ClipModel.h"
#include "store/HistoryStore.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mendrake::test {

inline CapturedClip textClip(const QString& text, RepresentationMap representations = {},
                             ClipKind kind = ClipKind::text) {
    CapturedClip clip;
    clip.kind = kind;
    clip.text = text;
    clip.hash = contentHash("text", text.toUtf8());
    clip.representations = std::move(representations);
    clip.byteSize = text.toUtf8().size();
    for (const auto& [type, bytes] : clip.representations) clip.byteSize += bytes.size();
    clip.sourceBundleID = QStringLiteral("org.example.Editor");
    clip.sourceAppName = QStringLiteral("Editor");
    return clip;
}

inline QByteArray encodedImage(const char* format, QColor color) {
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

inline std::unique_ptr<HistoryStore> openStore(Clock& clock, const QString& directory) {
    auto opened = HistoryStore::open(clock, directory);
    if (!opened) ADD_FAILURE() << opened.error().description().toStdString();
    return opened ? std::move(opened).value() : nullptr;
}

inline QString textOf(HistoryStore& store, const QString& sql) {
    auto statement = store.prepare(sql);
    if (!statement || statement->step() != 100) return QStringLiteral("<no row>");
    return statement->textAt(0);
}

inline qint64 intOf(HistoryStore& store, const QString& sql) {
    auto value = store.queryInt(sql);
    return value && value.value() ? *value.value() : -1;
}

// Makes every DELETE of the row with this id fail, as a full disk or I/O error would.
inline void failDeletesOf(HistoryStore& store, qint64 id) {
    ASSERT_FALSE(store.exec(QStringLiteral("CREATE TEMP TRIGGER refuse_delete_%1 BEFORE DELETE ON main.clips "
                                           "WHEN old.id = %1 BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END;")
                                .arg(id)));
}

}  // namespace mendrake::test
