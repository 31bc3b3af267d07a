#include "store/BlobFile.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <plist/plist.h>

#include <fcntl.h>
#include <unistd.h>

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
    // A fresh private file beside the final one (mkostemp: O_CREAT | O_EXCL, mode 0600), renamed
    // over it once complete, so that readers and a crash see the old file or the whole new one.
    // No fsync, which made recording a clip with a blob several times slower: the database runs with
    // synchronous=NORMAL and does not sync its commits either. A file a power cut empties reads as
    // an empty map, as a damaged one does; a process crash or kill loses nothing written.
    const QFileInfo target(path);
    QByteArray temporary = QFile::encodeName(target.path() + u'/' + QLatin1String(kTemporaryPrefix)) + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return failure(errno);
    int error = 0;
    for (qsizetype done = 0; done < bytes.size() && !error;) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            error = n == 0 ? EIO : errno;
    }
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) error = errno;
    if (error) {
        ::unlink(temporary.constData());
        return failure(error);
    }
    return std::nullopt;
}

void removeStaleTemporaries(const QString& directory) {
    QDirIterator it(directory, {QLatin1String(kTemporaryPrefix) + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) ::unlink(QFile::encodeName(it.next()).constData());
}

RepresentationMap readBlobFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return decodeRepresentations(file.readAll()).value_or(RepresentationMap());
}

}  // namespace mendrake
