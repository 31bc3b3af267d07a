// The other X client of the soak: owns the CLIPBOARD and offers copies number FIRST to
// FIRST+COUNT-1, one after another, each in its own MIME types (plain text, HTML with text, a web
// link, a colour, a file list, small PNGs, 5 MiB PNGs every 200th copy, and every 50th a
// password-manager copy marked x-kde-passwordManagerHint that must not be recorded). A copy is
// replaced once the reader has fetched its data and then asked for nothing for a moment (or, for a
// marked copy that nobody reads, after a fixed wait), so every copy is seen by a 0.3 s poll.
//   soak_copier FIRST COUNT
// Prints one line per copy: "<n> <kind> <must be recorded: 1|0> <data requests served>".
#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QThread>

#include <cstdio>

namespace {

// Counts the data requests another client makes, so the copier knows its offer was read.
class CountingMimeData : public QMimeData {
public:
    mutable int reads = 0;
    mutable QElapsedTimer lastRead;

protected:
    QVariant retrieveData(const QString& mime, QMetaType type) const override {
        ++reads;
        lastRead.restart();
        return QMimeData::retrieveData(mime, type);
    }
};

QByteArray noisePng(int n, int side) {
    QImage image(side, side, QImage::Format_RGB32);
    quint32 state = 2166136261u ^ quint32(n);
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xff000000u | (state >> 8);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    return bytes;
}

// One copy: fills `data`, answers its kind and whether Mendrake must record it.
std::pair<const char*, bool> makeCopy(int n, CountingMimeData& data) {
    const QByteArray tag = QByteArray::number(n);
    if (n % 200 == 0) {
        data.setData("image/png", noisePng(n, 1340));  // a little over 5 MiB: noise does not compress
        return {"image5MiB", true};
    }
    if (n % 50 == 7) {
        data.setData("text/plain", "soak secret password " + tag);
        data.setData("x-kde-passwordManagerHint", "secret");
        return {"concealed", false};
    }
    if (n % 20 == 10) {
        data.setData("image/png", noisePng(n, 48 + n % 64));
        return {"image", true};
    }
    switch (n % 10) {
    case 1:
        data.setData("text/html", "<p>soak <b>rich</b> " + tag + "</p>");
        data.setData("text/plain", "soak rich " + tag);
        return {"richText", true};
    case 2: data.setData("text/plain", "https://example.com/soak/" + tag + "?q=" + tag); return {"url", true};
    case 3: data.setData("text/plain", "#" + QByteArray::number(n % 0xffffff, 16).rightJustified(6, '0')); return {"color", true};
    case 4:
        data.setData("text/uri-list", "file:///tmp/soak/file-" + tag + ".txt\r\nfile:///tmp/soak/other-" + tag + ".pdf\r\n");
        return {"file", true};
    default: {
        const QByteArray text = "soak text " + tag + " " + QByteArray("lorem ipsum dolor sit amet ").repeated(1 + n % 40);
        data.setData("text/plain", text);
        return {"text", true};
    }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: soak_copier FIRST COUNT\n");
        return 2;
    }
    const int first = std::atoi(argv[1]);
    const int count = std::atoi(argv[2]);
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (int n = first; n < first + count; ++n) {
        auto* data = new CountingMimeData;
        const auto [kind, recorded] = makeCopy(n, *data);
        // Every copy carries n, so no two copies merge into one row.
        clipboard->setMimeData(data, QClipboard::Clipboard);
        QElapsedTimer since;
        since.start();
        // Read: wait until the reader has been quiet for 0.1 s (it fetches every type of a copy in
        // one go). Unread: a marked copy 1 s (three polls), any other 10 s before giving up.
        while (true) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
            if (data->reads > 0 && data->lastRead.elapsed() > 100) break;
            if (data->reads == 0 && since.elapsed() > (recorded ? 10000 : 1000)) break;
        }
        std::printf("%d %s %d %d\n", n, kind, recorded ? 1 : 0, data->reads);
        std::fflush(stdout);
    }
    return 0;
}
