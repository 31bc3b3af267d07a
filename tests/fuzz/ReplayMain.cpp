// Runs a fuzz target over stored inputs without libFuzzer: every file named on the command line or
// inside a named directory. The normal and sanitizer builds replay the corpus (and every crash once
// found) with it as a plain test.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    QStringList paths;
    for (int i = 1; i < argc; ++i) {
        paths << QString::fromLocal8Bit(argv[i]);
        for (QDirIterator it(paths.last(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            paths << it.next();
    }
    int inputs = 0, unreadable = 0;
    for (const QString& path : paths) {
        QFile file(path);
        if (QFileInfo(path).isDir()) continue;
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "replay: cannot read %s\n", qPrintable(path));
            ++unreadable;
            continue;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        ++inputs;
    }
    std::printf("replay: %d inputs, %d unreadable\n", inputs, unreadable);
    return inputs && !unreadable ? 0 : 1;
}
