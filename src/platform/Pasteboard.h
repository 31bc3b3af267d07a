#pragma once
// Pasteboard: the system clipboard, as the capture and paste code sees it.
//
// Contract: the clipboard holds a list of items; each item offers an ordered list of type
// identifiers ("public.utf8-plain-text", "public.html", "public.png", "public.file-url", ... or a
// MIME type as it stands) and bytes for each. `changeCount` rises with every change of the
// clipboard, the application's own writes and an owner going away included; each write answers
// the count it produced, so a caller can recognise its own change later. The change handler runs
// on the main thread right after the count rose (possibly inside a write), so it should defer its
// work. `ownerWindow` and `ownerQuit` describe the current change. Content is read through an
// offer opened for the current change: it may be read on one other thread, every read waits on
// the clipboard's owner (another process) for at most what is left of one deadline for the whole
// offer, and bytes beyond the asked limit are never held. A read that fails, times out or finds
// nothing answers nullopt or an empty list, never throws. Writes make this process the
// clipboard's owner until someone else copies. Everything but the offer's reads: main thread only.
// Owns nothing the caller must release.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace mendrake {

// One change's content, read on one thread (any thread) and then thrown away.
class PasteboardOffer {
public:
    virtual ~PasteboardOffer() = default;

    // Items offered; 0 when the clipboard is empty or its owner does not answer.
    virtual int itemCount() = 0;
    // Type identifiers of one item, in the owner's order, each once.
    virtual QStringList types(int item) = 0;
    // The bytes of a type; nullopt when it is missing, unreadable or longer than `maxBytes`, in
    // which case the transfer is abandoned as soon as it passes the limit.
    virtual std::optional<QByteArray> data(int item, const QString& type, qint64 maxBytes) = 0;
    // The clipboard's file URLs, local files only; other and malformed URLs are left out.
    virtual QList<QUrl> fileURLs() = 0;
    // True once a read timed out (the offer's deadline passed) or lost its owner: what was read is
    // incomplete, and further reads answer nothing at once.
    virtual bool transferFailed() = 0;
    // Asked after the last read: true when nobody took the clipboard since the offer was opened,
    // so every byte read came from the owner whose types were listed. Its owner quitting after
    // answering does not count as a change.
    virtual bool unchanged() = 0;
};

class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    virtual qint64 changeCount() const = 0;
    virtual void setChangeHandler(std::function<void()> handler) = 0;

    // The window that took the clipboard in the current change; 0 when unknown or none.
    virtual quint64 ownerWindow() const = 0;
    // True when the current change is the owner going away (its window destroyed or its process
    // gone): the clipboard is empty now.
    virtual bool ownerQuit() const = 0;
    // The current change's content, to be read within `deadlineSeconds` of the first read.
    virtual std::unique_ptr<PasteboardOffer> openOffer(double deadlineSeconds) = 0;

    virtual qint64 clear() = 0;
    // One item offering every (type identifier, bytes) pair given.
    virtual qint64 writeItem(const std::vector<std::pair<QString, QByteArray>>& values) = 0;
    virtual qint64 writeFileURLs(const QList<QUrl>& urls) = 0;
    virtual qint64 writeString(const QString& text) = 0;
};

// The type identifiers the capture and paste code name.
namespace pasteboard_type {
inline const QString string = QStringLiteral("public.utf8-plain-text");
inline const QString html = QStringLiteral("public.html");
inline const QString rtf = QStringLiteral("public.rtf");
inline const QString rtfd = QStringLiteral("com.apple.flat-rtfd");
inline const QString png = QStringLiteral("public.png");
inline const QString tiff = QStringLiteral("public.tiff");
inline const QString fileURL = QStringLiteral("public.file-url");
inline const QString concealed = QStringLiteral("org.nspasteboard.ConcealedType");
}  // namespace pasteboard_type

}  // namespace mendrake
