// Runs a fuzz target over stored inputs without libFuzzer: every file named on the command line,
// or every file inside a named directory. Used by the normal and sanitizer builds to replay the
// corpus (and every crash once found) as a plain test.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    QStringList paths;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (!QFileInfo(path).isDir()) paths << path;
        for (QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) paths << it.next();
    }
    int unreadable = 0;
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "replay: cannot read %s\n", qPrintable(path));
            ++unreadable;
            continue;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
    std::printf("replay: %lld inputs, %d unreadable\n", static_cast<long long>(paths.size()), unreadable);
    return paths.isEmpty() || unreadable ? 1 : 0;
}
