#include "store/BlobFile.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <plist/plist.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace mendrake {

namespace {

// Blob files being written are named ".partial-" and six random characters; content-hash names
// never start with a dot.
constexpr auto kTemporaryPrefix = ".partial-";

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// libplist asserts, aborting the whole process, when asked for a dictionary key that holds a NUL
// character, and a damaged or hostile file can hold one. Such a file is refused before it is
// parsed: no string object of the binary property list may contain a NUL. Bounds are checked
// here; everything else about the format is left to libplist.
bool stringsHoldNoNul(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const quint64 n = quint64(bytes.size());
    auto bigEndian = [&](quint64 at, quint64 size) -> std::optional<quint64> {
        if (size < 1 || size > 8 || at > n || size > n - at) return std::nullopt;
        quint64 value = 0;
        for (quint64 i = 0; i < size; ++i) value = value << 8 | p[at + i];
        return value;
    };
    if (n < 8 + 32) return false;
    const quint64 offsetSize = p[n - 26];
    const auto objects = bigEndian(n - 24, 8);
    const auto table = bigEndian(n - 8, 8);
    if (offsetSize < 1 || offsetSize > 8 || !objects || !table || *table >= n ||
        *objects > (n - *table) / offsetSize)
        return false;
    for (quint64 i = 0; i < *objects; ++i) {
        const auto offset = bigEndian(*table + i * offsetSize, offsetSize);
        if (!offset || *offset >= n) return false;
        const unsigned type = p[*offset] >> 4;
        if (type != 5 && type != 6) continue;  // ASCII and UTF-16 strings
        quint64 length = p[*offset] & 0xF;
        quint64 start = *offset + 1;
        if (length == 0xF) {
            const auto marker = bigEndian(start, 1);
            if (!marker || (*marker >> 4) != 1) return false;
            const quint64 size = quint64(1) << (*marker & 0xF);
            const auto extended = bigEndian(start + 1, size);
            if (!extended) return false;
            length = *extended;
            start += 1 + size;
        }
        const quint64 unit = type == 5 ? 1 : 2;
        if (start > n || length > (n - start) / unit) return false;
        for (quint64 j = 0; j < length; ++j)
            if (p[start + j * unit] == 0 && (unit == 1 || p[start + j * unit + 1] == 0)) return false;
    }
    return true;
}

int writeAll(int fd, const char* data, qsizetype size) {
    for (qsizetype done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            return n == 0 ? EIO : errno;
    }
    return 0;
}

void syncDirectory(const QByteArray& directory) {
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

QByteArray encodeRepresentations(const RepresentationMap& map) {
    PlistPtr dict(plist_new_dict());
    for (const auto& [type, bytes] : map) {
        plist_dict_set_item(static_cast<plist_t>(dict.get()), type.toUtf8().constData(),
                            plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size())));
    }
    char* buffer = nullptr;
    uint32_t length = 0;
    plist_to_bin(static_cast<plist_t>(dict.get()), &buffer, &length);
    if (!buffer) return QByteArray();
    QByteArray out(buffer, static_cast<qsizetype>(length));
    plist_to_bin_free(buffer);
    return out;
}

std::optional<RepresentationMap> decodeRepresentations(const QByteArray& bytes) {
    if (!bytes.startsWith("bplist00") || bytes.size() > qsizetype(UINT32_MAX) || !stringsHoldNoNul(bytes))
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT) return std::nullopt;

    RepresentationMap map;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(root, &it);
    if (!it) return std::nullopt;
    bool wellFormed = true;
    while (true) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root, it, &key, &value);
        if (!value) {
            std::free(key);
            break;
        }
        if (!key || plist_get_node_type(value) != PLIST_DATA) {
            std::free(key);
            wellFormed = false;
            break;
        }
        char* data = nullptr;
        uint64_t length = 0;
        plist_get_data_val(value, &data, &length);
        map[QString::fromUtf8(key)] = QByteArray(data, static_cast<qsizetype>(length));
        std::free(data);
        std::free(key);
    }
    std::free(it);
    if (!wellFormed) return std::nullopt;
    return map;
}

std::optional<StoreError> writeBlobFile(const QString& path, const RepresentationMap& map) {
    const QByteArray bytes = encodeRepresentations(map);
    if (bytes.isEmpty())
        return StoreError::propertyList(QStringLiteral("The clipboard contents could not be encoded as a property list."));
    auto failure = [&](int error) {
        return StoreError::fileSystem(
            QStringLiteral("Could not write “%1”: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
    };
    // A fresh private file beside the final one (mkostemp: O_CREAT | O_EXCL, mode 0600), synced and
    // renamed over it once complete, so that readers and a crash see the old file or the whole new
    // one. The sync comes before the row naming the file commits: a power cut must never leave a row
    // whose blob is empty. The directory is synced too, so the new name survives as well.
    const QFileInfo target(path);
    const QByteArray directory = QFile::encodeName(target.path());
    QByteArray temporary = directory + '/' + kTemporaryPrefix + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return failure(errno);
    int error = writeAll(fd, bytes.constData(), bytes.size());
    if (!error && ::fdatasync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) error = errno;
    if (error) {
        ::unlink(temporary.constData());
        return failure(error);
    }
    syncDirectory(directory);
    return std::nullopt;
}

void removeStaleTemporaries(const QString& directory) {
    QDirIterator it(directory, {QLatin1String(kTemporaryPrefix) + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) ::unlink(QFile::encodeName(it.next()).constData());
}

bool eraseBlobFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    // O_NOFOLLOW: a link planted in Blobs is removed, never the file it points to overwritten.
    const int fd = ::open(native.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1) {
            static const QByteArray zeros(64 * 1024, '\0');
            bool written = true;
            for (off_t done = 0; written && done < info.st_size;) {
                const qsizetype chunk = qsizetype(std::min<off_t>(zeros.size(), info.st_size - done));
                const ssize_t n = ::pwrite(fd, zeros.constData(), size_t(chunk), done);
                if (n > 0) done += n;
                else if (n == 0 || errno != EINTR) written = false;
            }
            ::fdatasync(fd);
        }
        ::close(fd);
    }
    return ::unlink(native.constData()) == 0 || errno == ENOENT;
}

RepresentationMap readBlobFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    QFile file;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maxBlobFileBytes ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    const QByteArray bytes = file.read(maxBlobFileBytes + 1);
    if (bytes.size() > maxBlobFileBytes) return {};
    return decodeRepresentations(bytes).value_or(RepresentationMap());
}

}  // namespace mendrake
