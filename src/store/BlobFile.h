#pragma once
// Blob files: a clip's representation map stored as an Apple binary property list (bplist00)
// whose top level is a dictionary from type identifier to data. Encoding, decoding and the atomic
// write of one file. Pure functions over bytes and paths; they never throw.

#include "capture/Classification.h"
#include "capture/ClipModel.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace mendrake {

QByteArray encodeRepresentations(const RepresentationMap& map);
// None when the bytes are not a binary property list whose top level is a dictionary of data values.
std::optional<RepresentationMap> decodeRepresentations(const QByteArray& bytes);

// Largest blob file read back: what one capture may keep plus the property list's own structure.
inline constexpr qint64 maxBlobFileBytes = maxCaptureBytes + 4 * 1024 * 1024;

// Writes the map to `path` atomically (a private temporary file beside it, synced, then renamed and
// the directory synced), mode 0600, so that once this returns a power cut cannot empty the file.
std::optional<StoreError> writeBlobFile(const QString& path, const RepresentationMap& map);
// Removes the temporary files that writes interrupted by a crash or a kill left in `directory`.
void removeStaleTemporaries(const QString& directory);
// Overwrites the regular file at `path` with zeros, syncs it, then unlinks it; a symbolic link is
// unlinked without being followed. False when the name could not be unlinked (a missing file
// counts as removed).
bool eraseBlobFile(const QString& path);
// The map stored at `path`; empty when the file is missing, unreadable, a symbolic link, larger than
// maxBlobFileBytes or of the wrong shape.
RepresentationMap readBlobFile(const QString& path);

}  // namespace mendrake
