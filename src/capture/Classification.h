#pragma once
// Classification of the clipboard's contents: whether a change is kept, as which kind, with which
// text, hash and representation map.

#include "capture/ClipModel.h"

#include <QStringList>

#include <optional>

namespace mendrake {

class PasteboardOffer;

// The application's own type: the copied files' paths, UTF-8, one per line.
inline const QString filePathsType = QStringLiteral("com.mendrake.file-paths");

// The representations kept for one clip never add up to more than this.
inline constexpr qint64 maxCaptureBytes = 50LL * 1024 * 1024;

// Types whose presence on any item means the change must not be recorded: concealed (passwords),
// transient or generated content.
const QStringList& skipMarkerTypes();

// The offered content as a clip without its source application, or none when the change is not
// to be recorded. Holds at most maxCaptureBytes of the offer at any time. Runs on any thread.
std::optional<CapturedClip> readClip(PasteboardOffer& offer);

// A single http or https link with a host, whitespace around it allowed, none inside.
bool isWebURL(const QString& text);

// "Image 1920×1080" for bytes that decode as a bitmap, "Image" otherwise.
QString imageText(const QByteArray& bytes);

}  // namespace mendrake
