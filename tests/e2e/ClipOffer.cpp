// Copies like a real application does: offers several MIME types at once on the CLIPBOARD
// selection and serves them until another client takes the clipboard.
// Usage: clip-offer MIME FILE [MIME FILE ...]
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3 || argc % 2 == 0) return 2;
    auto* data = new QMimeData;
    for (int i = 1; i + 1 < argc; i += 2) {
        QFile file(QString::fromLocal8Bit(argv[i + 1]));
        if (!file.open(QIODevice::ReadOnly)) return 3;
        data->setData(QString::fromLatin1(argv[i]), file.readAll());
    }
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setMimeData(data);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!clipboard->ownsClipboard()) app.quit();
    });
    poll.start(100);
    return app.exec();
}
