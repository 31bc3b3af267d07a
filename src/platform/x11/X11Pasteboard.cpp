#include "platform/x11/X11Pasteboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSysInfo>
#include <QMimeData>

namespace mendrake {

namespace {

namespace pt = pasteboard_type;

// An empty answer that took this long was Qt's transfer time-out (5 s), not an owner with nothing
// to give: a live owner answers within milliseconds.
constexpr qint64 stalledAfterMs = 1000;

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
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::changed, &context_, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard) ++count_;
    });
}

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

const QMimeData* X11Pasteboard::offer() {
    if (readCount_ != count_) {
        readCount_ = count_;
        stalled_ = false;
        formats_.reset();
    }
    if (stalled_) return nullptr;
    return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
}

QStringList X11Pasteboard::offeredFormats() {
    const QMimeData* mime = offer();
    if (!mime) return {};
    if (!formats_) {
        QElapsedTimer timer;
        timer.start();
        formats_ = mime->formats();
        if (formats_->isEmpty() && timer.elapsed() >= stalledAfterMs) stalled_ = true;
    }
    return *formats_;
}

std::optional<QByteArray> X11Pasteboard::fetch(const QString& format) {
    if (!offeredFormats().contains(format)) return std::nullopt;
    const QMimeData* mime = offer();
    if (!mime) return std::nullopt;
    QElapsedTimer timer;
    timer.start();
    QByteArray bytes = mime->data(format);
    if (bytes.isEmpty()) {
        if (timer.elapsed() >= stalledAfterMs) stalled_ = true;
        return std::nullopt;
    }
    return bytes;
}

bool X11Pasteboard::transferFailed() {
    offer();
    return stalled_;
}

int X11Pasteboard::itemCount() {
    const QStringList formats = offeredFormats();
    for (const QString& format : formats)
        if (!identifierForMime(format).isEmpty()) return 1;
    return 0;
}

QStringList X11Pasteboard::types(int item) {
    QStringList out;
    if (item != 0) return out;
    for (const QString& format : offeredFormats()) {
        const QString identifier = identifierForMime(format);
        if (!identifier.isEmpty() && !out.contains(identifier)) out << identifier;
    }
    return out;
}

std::optional<QByteArray> X11Pasteboard::data(int item, const QString& type) {
    if (item != 0) return std::nullopt;
    // The first offered MIME type under this identifier, in our order of preference for text.
    const QStringList formats = offeredFormats();
    const QStringList candidates = type == pt::string ? plainTextMimes : formats;
    for (const QString& format : candidates)
        if (formats.contains(format) && identifierForMime(format) == type) return fetch(format);
    return std::nullopt;
}

std::optional<QString> X11Pasteboard::string(int item) {
    std::optional<QByteArray> bytes = data(item, pt::string);
    if (!bytes) return std::nullopt;
    return QString::fromUtf8(*bytes);
}

QList<QUrl> X11Pasteboard::fileURLs() {
    QList<QUrl> urls;
    std::optional<QByteArray> list = fetch(QStringLiteral("text/uri-list"));
    if (!list) return urls;
    for (const QByteArray& line : list->split('\n')) {
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

qint64 X11Pasteboard::publish(QMimeData* data) {
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

qint64 X11Pasteboard::writeItem(const std::vector<std::pair<QString, QByteArray>>& values) {
    auto* data = new QMimeData;
    for (const auto& [identifier, bytes] : values) {
        for (const QString& mime : mimeTypesForIdentifier(identifier))
            data->setData(mime, mime == gnomeCopiedFiles ? gnomeFileList(bytes) : bytes);
    }
    return publish(data);
}

qint64 X11Pasteboard::writeFileURLs(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    const QByteArray uris = uriList(urls);
    data->setData(QStringLiteral("text/uri-list"), uris);
    data->setData(gnomeCopiedFiles, gnomeFileList(uris));
    QStringList paths;
    for (const QUrl& url : urls) paths << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    const QByteArray text = paths.join(u'\n').toUtf8();
    for (const QString& mime : mimeTypesForIdentifier(pt::string)) data->setData(mime, text);
    return publish(data);
}

qint64 X11Pasteboard::writeString(const QString& text) {
    auto* data = new QMimeData;
    const QByteArray utf8 = text.toUtf8();
    for (const QString& mime : mimeTypesForIdentifier(pt::string)) data->setData(mime, utf8);
    return publish(data);
}

}  // namespace mendrake
