#include "platform/x11/X11Pasteboard.h"

#include "platform/x11/X11ClipboardOffer.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QSysInfo>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>

namespace mendrake {

namespace {

namespace pt = pasteboard_type;

const QStringList plainTextMimes{QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain"),
                                 QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain;charset=UTF-8"),
                                 QStringLiteral("STRING"), QStringLiteral("TEXT"), QStringLiteral("COMPOUND_TEXT")};

// Protocol targets and formats Qt synthesises by converting another one; asking for them would
// only repeat a transfer (and its time-out).
const QStringList ignoredMimes{QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"), QStringLiteral("TIMESTAMP"),
                               QStringLiteral("SAVE_TARGETS"), QStringLiteral("DELETE"), QStringLiteral("INCR"),
                               QStringLiteral("application/x-qt-image"), QStringLiteral("image/ppm")};

const QString gnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");

bool isLocalHost(const QString& host) {
    return host.isEmpty() || host.compare(u"localhost", Qt::CaseInsensitive) == 0 ||
           host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

QByteArray uriList(const QList<QUrl>& urls) {
    QByteArray list;
    for (const QUrl& url : urls) list += url.toEncoded() + "\r\n";
    return list;
}

// "copy" and the URLs one per line: what GNOME-style file managers paste from.
QByteArray gnomeFileList(const QByteArray& uris) {
    QByteArray out = "copy";
    for (const QByteArray& line : uris.split('\n')) {
        const QByteArray uri = line.trimmed();
        if (!uri.isEmpty() && !uri.startsWith('#')) out += '\n' + uri;
    }
    return out;
}

}  // namespace

X11Pasteboard::X11Pasteboard() {
    // Registered before Qt's own handling of the signal can reach anyone else: the count is up to
    // date when the handler runs.
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::changed, &context_, [this](QClipboard::Mode mode) {
        if (mode != QClipboard::Clipboard) return;
        ++count_;
        current_ = lastEvent_;
        // Our own writes raise the count with no XFixes event of their own before it.
        lastEvent_ = Change{};
        if (handler_) handler_();
    });
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11) return;
    xcb_connection_t* connection = x11->connection();
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present) return;
    xfixesSelectionNotify_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    auto* reply = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 9, "CLIPBOARD"), nullptr);
    clipboardAtom_ = reply ? reply->atom : 0;
    std::free(reply);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Pasteboard::~X11Pasteboard() {
    if (auto* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

bool X11Pasteboard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !xfixesSelectionNotify_) return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != xfixesSelectionNotify_) return false;
    auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->selection != clipboardAtom_) return false;
    lastEvent_ = Change{notify->owner, notify->selection_timestamp,
                        notify->subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER};
    return false;  // Qt still handles it and raises QClipboard::changed
}

std::unique_ptr<PasteboardOffer> X11Pasteboard::openOffer(double deadlineSeconds) {
    if (current_.ownerQuit) return nullptr;
    return std::make_unique<X11ClipboardOffer>(current_.owner, current_.timestamp, deadlineSeconds);
}

const QStringList& X11Pasteboard::plainTextMimeTypes() { return plainTextMimes; }

QString X11Pasteboard::identifierForMime(const QString& mime) {
    if (ignoredMimes.contains(mime)) return {};
    if (plainTextMimes.contains(mime)) return pt::string;
    if (mime == u"text/html") return pt::html;
    if (mime == u"text/rtf" || mime == u"application/rtf") return pt::rtf;
    if (mime == u"image/png") return pt::png;
    if (mime == u"image/tiff") return pt::tiff;
    if (mime == u"text/uri-list") return pt::fileURL;
    if (mime == u"x-kde-passwordManagerHint") return pt::concealed;
    return mime;
}

QStringList X11Pasteboard::mimeTypesForIdentifier(const QString& identifier) {
    if (identifier == pt::string) return plainTextMimes.mid(0, 3);
    if (identifier == pt::html) return {QStringLiteral("text/html")};
    if (identifier == pt::rtf) return {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")};
    if (identifier == pt::png) return {QStringLiteral("image/png")};
    if (identifier == pt::tiff) return {QStringLiteral("image/tiff")};
    if (identifier == pt::fileURL) return {QStringLiteral("text/uri-list"), gnomeCopiedFiles};
    if (identifier == pt::concealed) return {QStringLiteral("x-kde-passwordManagerHint")};
    return {identifier};
}

QList<QUrl> X11Pasteboard::localFileURLs(const QByteArray& uriList) {
    QList<QUrl> urls;
    for (const QByteArray& line : uriList.split('\n')) {
        const QByteArray uri = line.trimmed();
        if (uri.isEmpty() || uri.startsWith('#')) continue;
        QUrl url = QUrl::fromEncoded(uri, QUrl::StrictMode);
        if (!url.isValid() || url.scheme() != u"file" || !isLocalHost(url.host())) continue;
        url.setHost(QString());
        if (url.path().isEmpty()) continue;
        urls << url;
    }
    return urls;
}

qint64 X11Pasteboard::publish(const MimeValues& values) {
    auto* data = new QMimeData;
    for (const auto& [mime, bytes] : values) data->setData(mime, bytes);
    const qint64 before = count_;
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    // Qt reports its own ownership change synchronously; should it ever not, the count still
    // moves so that the caller can tell this write apart.
    if (count_ == before) ++count_;
    return count_;
}

qint64 X11Pasteboard::clear() {
    const qint64 before = count_;
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
    if (count_ == before) ++count_;
    return count_;
}

X11Pasteboard::MimeValues X11Pasteboard::itemMimeValues(const std::vector<std::pair<QString, QByteArray>>& values) {
    MimeValues out;
    for (const auto& [identifier, bytes] : values) {
        for (const QString& mime : mimeTypesForIdentifier(identifier))
            out.emplace_back(mime, mime == gnomeCopiedFiles ? gnomeFileList(bytes) : bytes);
    }
    return out;
}

X11Pasteboard::MimeValues X11Pasteboard::fileURLsMimeValues(const QList<QUrl>& urls) {
    const QByteArray uris = uriList(urls);
    MimeValues out{{QStringLiteral("text/uri-list"), uris}, {gnomeCopiedFiles, gnomeFileList(uris)}};
    QStringList paths;
    for (const QUrl& url : urls) paths << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    const QByteArray text = paths.join(u'\n').toUtf8();
    for (const QString& mime : mimeTypesForIdentifier(pt::string)) out.emplace_back(mime, text);
    return out;
}

X11Pasteboard::MimeValues X11Pasteboard::stringMimeValues(const QString& text) {
    MimeValues out;
    const QByteArray utf8 = text.toUtf8();
    for (const QString& mime : mimeTypesForIdentifier(pt::string)) out.emplace_back(mime, utf8);
    return out;
}

qint64 X11Pasteboard::writeItem(const std::vector<std::pair<QString, QByteArray>>& values) {
    return publish(itemMimeValues(values));
}

qint64 X11Pasteboard::writeFileURLs(const QList<QUrl>& urls) { return publish(fileURLsMimeValues(urls)); }

qint64 X11Pasteboard::writeString(const QString& text) { return publish(stringMimeValues(text)); }

}  // namespace mendrake
