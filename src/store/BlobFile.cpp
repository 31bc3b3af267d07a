#include "store/BlobFile.h"

#include <QFile>
#include <QSaveFile>

#include <plist/plist.h>

#include <cstdlib>
#include <memory>

namespace mendrake {

namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

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
    if (!bytes.startsWith("bplist00") || bytes.size() > qsizetype(UINT32_MAX)) return std::nullopt;
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return StoreError::fileSystem(QStringLiteral("Could not write “%1”: %2").arg(path, file.errorString()));
    // History holds secrets: the temporary file, and so the renamed one, is private from the start.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return StoreError::fileSystem(QStringLiteral("Could not write “%1”: %2").arg(path, file.errorString()));
    return std::nullopt;
}

RepresentationMap readBlobFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return decodeRepresentations(file.readAll()).value_or(RepresentationMap());
}

}  // namespace mendrake
