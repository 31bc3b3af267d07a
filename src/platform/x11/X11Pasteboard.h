#pragma once
// The CLIPBOARD selection through QClipboard, seen as one pasteboard item whose types are the
// offered MIME types under their type identifiers (text/plain -> public.utf8-plain-text,
// image/png -> public.png, x-kde-passwordManagerHint -> org.nspasteboard.ConcealedType, ...).
//
// The change count is raised by QClipboard::changed for the CLIPBOARD mode, which fires for other
// clients' copies (XFixes) and for our own writes alike. Reads ask the owning client and wait at
// most Qt's transfer time-out per request; once one request of a change has timed out, every
// further read of that change answers nothing at once, so one tick waits at most one time-out.
// Needs a QGuiApplication on the xcb platform; main thread only.

#include "platform/Pasteboard.h"

#include <QObject>

#include <optional>

class QMimeData;

namespace mendrake {

class X11Pasteboard final : public Pasteboard {
public:
    X11Pasteboard();

    qint64 changeCount() const override { return count_; }
    int itemCount() override;
    QStringList types(int item) override;
    std::optional<QByteArray> data(int item, const QString& type) override;
    std::optional<QString> string(int item) override;
    QList<QUrl> fileURLs() override;
    bool transferFailed() override;

    qint64 clear() override;
    qint64 writeItem(const std::vector<std::pair<QString, QByteArray>>& values) override;
    qint64 writeFileURLs(const QList<QUrl>& urls) override;
    qint64 writeString(const QString& text) override;

    // The type identifier a MIME type is listed under; empty for the X11 protocol's own targets.
    static QString identifierForMime(const QString& mime);
    // The MIME types an identifier is written out as.
    static QStringList mimeTypesForIdentifier(const QString& identifier);

private:
    const QMimeData* offer();
    QStringList offeredFormats();
    std::optional<QByteArray> fetch(const QString& mime);
    qint64 publish(QMimeData* data);

    QObject context_;
    qint64 count_ = 0;
    // What is known about the change being read.
    qint64 readCount_ = -1;
    bool stalled_ = false;
    std::optional<QStringList> formats_;
};

}  // namespace mendrake
