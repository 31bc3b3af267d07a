// Without libFuzzer, a target replays every file in the directories named: the corpus and every crash kept in it.
#include <QDirIterator>

#include <cstdio>

extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    int inputs = 0;
    for (int i = 1; i < argc; ++i)
        for (QDirIterator it(QString::fromLocal8Bit(argv[i]), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext(); ++inputs) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly)) qFatal("replay: cannot read %s", qPrintable(file.fileName()));
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        }
    std::printf("replay: %d inputs\n", inputs);
    return inputs ? 0 : 1;
}
