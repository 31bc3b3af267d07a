// A small window that stands in for "the application the user was working in": every paste it
// receives is appended to a log file as one line, "formats=<offered types> text=<text>", with line
// breaks in the text written as "\n". Usage: paste-target LOGFILE [APP_ID]; the application id is
// what a Wayland compositor reports for the window.
#include <QApplication>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>

struct RecordingEdit final : QPlainTextEdit {
    QString logPath;

    void insertFromMimeData(const QMimeData* source) override {
        const QString text = source->text().replace(u'\n', QStringLiteral("\\n"));
        QFile log(logPath);
        if (log.open(QIODevice::Append)) log.write(("formats=" + source->formats().join(',') + " text=" + text + "\n").toUtf8());
        QPlainTextEdit::insertFromMimeData(source);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    if (argc > 2) QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argv[2]));
    RecordingEdit edit;
    edit.logPath = QString::fromLocal8Bit(argv[1]);
    edit.setWindowTitle(QStringLiteral("Paste Target"));
    edit.resize(700, 400);
    edit.move(200, 150);
    edit.show();
    return app.exec();
}
