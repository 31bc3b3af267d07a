#pragma once
// Blob files: a clip's representation map stored as an Apple binary property list (bplist00)
// whose top level is a dictionary from type identifier to data. Encoding, decoding and the atomic
// write of one file. Pure functions over bytes and paths; they never throw.

#include "capture/ClipModel.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace mendrake {

QByteArray encodeRepresentations(const RepresentationMap& map);
// None when the bytes are not a binary property list whose top level is a dictionary of data values.
std::optional<RepresentationMap> decodeRepresentations(const QByteArray& bytes);

// Writes the map to `path` atomically (a private temporary file beside it, then rename), mode 0600.
// Not flushed to the disk: a power cut may lose the newest files, as it may the newest rows.
std::optional<StoreError> writeBlobFile(const QString& path, const RepresentationMap& map);
// Removes the temporary files that writes interrupted by a crash or a kill left in `directory`.
void removeStaleTemporaries(const QString& directory);
// The map stored at `path`; empty when the file is missing, unreadable or of the wrong shape.
RepresentationMap readBlobFile(const QString& path);

}  // namespace mendrake
