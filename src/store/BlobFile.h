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

// Writes the map to `path` atomically (temporary file, then rename), mode 0600.
std::optional<StoreError> writeBlobFile(const QString& path, const RepresentationMap& map);
// The map stored at `path`; empty when the file is missing, unreadable or of the wrong shape.
RepresentationMap readBlobFile(const QString& path);

}  // namespace mendrake
