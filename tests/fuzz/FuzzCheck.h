#pragma once
// A violated property aborts: libFuzzer and the corpus replay report it as a crash with its input.

#include <QCoreApplication>
#include <QString>

#include <cstring>

#define FUZZ_CHECK(condition) \
    do { if (!(condition)) qFatal("%s:%d: property violated: %s", __FILE__, __LINE__, #condition); } while (0)

inline QByteArray fuzzBytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// UTF-8 or, when the first byte is odd, raw UTF-16, so that lone surrogates and NULs reach the parser.
inline QString fuzzText(const uint8_t* data, size_t size) {
    if (size == 0) return QString();
    if (!(data[0] & 1)) return QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QString text(qsizetype((size - 1) / 2), Qt::Uninitialized);  // copied: the bytes need not be aligned
    std::memcpy(text.data(), data + 1, size_t(text.size()) * sizeof(char16_t));
    return text;
}

// Image plug-ins (TIFF) and the store's file handling look for the application object.
inline void startApplication() {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("fuzz"), nullptr};
    static QCoreApplication app(argc, argv);
}
