#pragma once
// The clip values every subsystem passes around, and the pure functions derived from them:
// the kind of a clip, one clipboard capture before it is stored, one stored history row, the
// content hash that merges repeated copies, and the title, age, code and colour of a clip.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <map>
#include <optional>

namespace mendrake {

// What a clip is. The raw value is written into the database's `kind` column: a stored format.
enum class ClipKind { text, richText, url, image, file, color };

QString rawValue(ClipKind kind);
// The kind whose raw value is exactly `raw` (case-sensitive), or none.
std::optional<ClipKind> clipKindFromRaw(const QString& raw);
// Every kind, in declaration order.
const std::array<ClipKind, 6>& allClipKinds();
// The name of the symbol that stands for a kind in lists and menus.
QString kindSymbol(ClipKind kind);

// Clipboard type identifier ("public.png", "public.utf8-plain-text", ...) to the bytes copied for it.
using RepresentationMap = std::map<QString, QByteArray>;

// One clipboard change as classified, before it is stored.
struct CapturedClip {
    ClipKind kind = ClipKind::text;
    QString text;                   // what the history shows and searches
    QString hash;                   // contentHash: 64 lower-case hex digits
    RepresentationMap representations;
    std::optional<QString> sourceAppId;
    std::optional<QString> sourceAppName;
    qint64 byteSize = 0;

    bool operator==(const CapturedClip&) const = default;
};

// One stored history row as read back. Equality compares all thirteen fields; lists that need
// identity compare `id`.
struct ClipItem {
    qint64 id = 0;
    ClipKind kind = ClipKind::text;
    QString text;                   // the first 2000 characters (code points) of the stored text
    qint64 fullLength = 0;          // length of the whole stored text in code points
    QString hash;
    std::optional<QString> sourceAppId;
    std::optional<QString> sourceAppName;
    double createdAt = 0;           // seconds since 1970-01-01 00:00:00 UTC
    double lastUsedAt = 0;          // seconds since 1970-01-01 00:00:00 UTC
    bool pinned = false;
    std::optional<QString> blob;    // blob file name inside the store's Blobs directory
    qint64 byteSize = 0;
    QString searchKey;              // see makeSearchKey

    bool operator==(const ClipItem&) const = default;
};

// The lower-cased text the panel filters on: the preview, one space, the source app's name.
QString makeSearchKey(const QString& previewText, const std::optional<QString>& sourceAppName);

// The words of a search query: the runs between whitespace of any kind (Unicode White_Space: the
// ideographic space CJK input methods type, no-break space, tabs, line breaks...).
QStringList searchWords(const QString& query);

// An sRGB colour, each component on the 0 to 1 scale.
struct Color {
    double red = 0, green = 0, blue = 0, alpha = 1;
    bool operator==(const Color&) const = default;
};

// One-line title: the first non-blank line with its whitespace runs collapsed to one space, cut to
// 200 user-perceived characters; "(whitespace)" when the text holds nothing else.
QString displayTitle(const QString& text);
QString displayTitle(const ClipItem& item);

// "now", "5m", "3h", "2d", "1w": the time from the item's lastUsedAt to `now` (seconds since 1970).
QString ageLabel(const ClipItem& item, double now);

// True when the text contains one of a few markers typical of source code.
bool looksLikeCode(const QString& text);
bool looksLikeCode(const ClipItem& item);

// "#fff", "#ff000080", "rgb(1, 2, 3)", "rgba(0,0,0,0.5)" and the like; none for anything else.
std::optional<Color> parseColor(const QString& text);
// The hex digits of a colour without the "#": 3, 6 or 8 of them.
std::optional<Color> parseHexColor(const QString& digits);

// Lower-case hex SHA-256 of the tag's bytes followed by the content bytes.
QString contentHash(QByteArrayView tag, QByteArrayView content);

// The first `count` user-perceived characters (grapheme clusters) of `text`.
QString firstGraphemes(const QString& text, qsizetype count);

}  // namespace mendrake
