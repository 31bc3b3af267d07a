#pragma once
// Pasteboard: the system clipboard, as the capture and paste code sees it.
//
// Contract: the clipboard holds a list of items; each item offers an ordered list of type
// identifiers ("public.utf8-plain-text", "public.html", "public.png", "public.file-url", ... or a
// MIME type as it stands) and bytes for each. `changeCount` rises with every change of the
// clipboard, the application's own writes included; each write answers the count it produced, so a
// caller can recognise its own change later. Reads may wait on the clipboard's owner (another
// process) for a bounded time; a read that fails, times out or finds nothing answers nullopt or an
// empty list, never throws. Writes make this process the clipboard's owner until someone else
// copies. Main thread only. Owns nothing the caller must release.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <utility>
#include <vector>

namespace mendrake {

class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    virtual qint64 changeCount() const = 0;

    // Items on the clipboard; 0 when it is empty or its owner does not answer.
    virtual int itemCount() = 0;
    // Type identifiers of one item, in the owner's order, each once.
    virtual QStringList types(int item) = 0;
    virtual std::optional<QByteArray> data(int item, const QString& type) = 0;
    // The item's plain text, decoded from UTF-8 (invalid sequences become U+FFFD).
    virtual std::optional<QString> string(int item) = 0;
    // The clipboard's file URLs, local files only; other and malformed URLs are left out.
    virtual QList<QUrl> fileURLs() = 0;
    // True once a read of the current change timed out or lost its owner: what was read of this
    // change is incomplete, and further reads of it answer nothing at once.
    virtual bool transferFailed() = 0;

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
