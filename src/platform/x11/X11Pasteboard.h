#pragma once
// The CLIPBOARD selection through QClipboard, seen as one pasteboard item whose types are the
// offered MIME types under their type identifiers (text/plain -> public.utf8-plain-text,
// image/png -> public.png, x-kde-passwordManagerHint -> org.nspasteboard.ConcealedType, ...).
//
// The change count is raised by QClipboard::changed for the CLIPBOARD mode, which fires for other
// clients' copies and owners going away (XFixes selection events) and for our own writes alike.
// The XFixes events themselves are watched on Qt's connection, before Qt handles them, for the
// owner window and its timestamp. Content is read by X11ClipboardOffer on a connection of its own,
// so a frozen owner never holds up the main thread. Writes go through QClipboard, which serves
// requests from the main thread. Needs a QGuiApplication on the xcb platform; main thread only.

#include "platform/Pasteboard.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

class QMimeData;

namespace mendrake {

class X11Pasteboard final : public Pasteboard, private QAbstractNativeEventFilter {
public:
    X11Pasteboard();
    ~X11Pasteboard() override;

    qint64 changeCount() const override { return count_; }
    void setChangeHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    quint64 ownerWindow() const override { return current_.owner; }
    bool ownerQuit() const override { return current_.ownerQuit; }
    std::unique_ptr<PasteboardOffer> openOffer(double deadlineSeconds) override;

    qint64 clear() override;
    qint64 writeItem(const std::vector<std::pair<QString, QByteArray>>& values) override;
    qint64 writeFileURLs(const QList<QUrl>& urls) override;
    qint64 writeString(const QString& text) override;

    // The type identifier a MIME type is listed under; empty for the X11 protocol's own targets.
    static QString identifierForMime(const QString& mime);
    // The MIME types an identifier is written out as.
    static QStringList mimeTypesForIdentifier(const QString& identifier);
    // The MIME types that carry plain text, in the order they are preferred when reading.
    static const QStringList& plainTextMimeTypes();
    // The local file URLs of a text/uri-list; other and malformed URLs are left out.
    static QList<QUrl> localFileURLs(const QByteArray& uriList);

    // What each write offers, as (MIME type, bytes) pairs in order of preference: every type
    // identifier under its MIME types; file URLs also as a file manager's list and as their paths.
    using MimeValues = std::vector<std::pair<QString, QByteArray>>;
    static MimeValues itemMimeValues(const std::vector<std::pair<QString, QByteArray>>& values);
    static MimeValues fileURLsMimeValues(const QList<QUrl>& urls);
    static MimeValues stringMimeValues(const QString& text);

private:
    struct Change {
        quint32 owner = 0;
        quint32 timestamp = 0;
        bool ownerQuit = false;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    qint64 publish(const MimeValues& values);

    QObject context_;
    qint64 count_ = 0;
    std::function<void()> handler_;
    quint8 xfixesSelectionNotify_ = 0;
    quint32 clipboardAtom_ = 0;
    Change lastEvent_;  // the latest XFixes event on CLIPBOARD
    Change current_;    // the facts of the change the count stands at
};

}  // namespace mendrake
