#include "capture/ClipModel.h"

#include <QCryptographicHash>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <cmath>

namespace mendrake {

namespace {

constexpr std::array<const char*, 6> kRawValues = {"text", "richText", "url", "image", "file", "color"};

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x000A && u <= 0x000D) || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

// Tab and the Unicode space separators.
bool isHorizontalSpace(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QStringView trimmedHorizontally(QStringView s) {
    qsizetype begin = 0, end = s.size();
    while (begin < end && isHorizontalSpace(s[begin])) ++begin;
    while (end > begin && isHorizontalSpace(s[end - 1])) --end;
    return s.sliced(begin, end - begin);
}

// The whole string as a floating-point number, or none.
std::optional<double> parseNumber(QStringView s) {
    if (s.isEmpty()) return std::nullopt;
    bool ok = false;
    const double value = s.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

QString rawValue(ClipKind kind) {
    return QString::fromLatin1(kRawValues[static_cast<size_t>(kind)]);
}

std::optional<ClipKind> clipKindFromRaw(const QString& raw) {
    for (ClipKind kind : allClipKinds())
        if (raw == QLatin1String(kRawValues[static_cast<size_t>(kind)])) return kind;
    return std::nullopt;
}

const std::array<ClipKind, 6>& allClipKinds() {
    static const std::array<ClipKind, 6> all = {ClipKind::text,  ClipKind::richText, ClipKind::url,
                                                ClipKind::image, ClipKind::file,     ClipKind::color};
    return all;
}

QString kindSymbol(ClipKind kind) {
    switch (kind) {
    case ClipKind::text: return QStringLiteral("text.alignleft");
    case ClipKind::richText: return QStringLiteral("textformat");
    case ClipKind::url: return QStringLiteral("link");
    case ClipKind::image: return QStringLiteral("photo");
    case ClipKind::file: return QStringLiteral("doc");
    case ClipKind::color: return QStringLiteral("paintpalette");
    }
    return QStringLiteral("doc");
}

QString makeSearchKey(const QString& previewText, const std::optional<QString>& sourceAppName) {
    return (previewText + u' ' + sourceAppName.value_or(QString())).toLower();
}

QStringList searchWords(const QString& query) {
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= query.size(); ++i) {
        const bool boundary = i == query.size() || query.at(i).isSpace();
        if (boundary && start >= 0) {
            words << query.mid(start, i - start);
            start = -1;
        } else if (!boundary && start < 0) {
            start = i;
        }
    }
    return words;
}

QString firstGraphemes(const QString& text, qsizetype count) {
    if (count <= 0) return QString();
    if (text.size() <= count) return text;  // each cluster holds at least one UTF-16 unit
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype taken = 0;
    while (taken < count && finder.toNextBoundary() != -1) ++taken;
    const qsizetype end = finder.position();
    return end < 0 ? text : text.left(end);
}

QString displayTitle(const QString& text) {
    const QString whitespace = QStringLiteral("(whitespace)");
    qsizetype lineStart = 0;
    const qsizetype n = text.size();
    while (lineStart <= n) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < n && !isLineBreak(text[lineEnd])) ++lineEnd;
        const QStringView line = trimmedHorizontally(QStringView(text).sliced(lineStart, lineEnd - lineStart));
        if (!line.isEmpty()) {
            QStringList words;
            qsizetype i = 0;
            while (i < line.size()) {
                while (i < line.size() && line[i].isSpace()) ++i;
                qsizetype j = i;
                while (j < line.size() && !line[j].isSpace()) ++j;
                if (j > i) words << line.sliced(i, j - i).toString();
                i = j;
            }
            const QString joined = words.join(u' ');
            return joined.isEmpty() ? whitespace : firstGraphemes(joined, 200);
        }
        lineStart = lineEnd + 1;
    }
    return whitespace;
}

QString displayTitle(const ClipItem& item) { return displayTitle(item.text); }

QString ageLabel(const ClipItem& item, double now) {
    const double elapsed = now - item.lastUsedAt;
    // Future times and NaN read as "now"; the clamp keeps the conversion defined.
    if (!(elapsed >= 60)) return QStringLiteral("now");
    const qint64 s = elapsed >= 9.0e18 ? qint64(9'000'000'000'000'000'000) : static_cast<qint64>(elapsed);
    if (s < 3600) return QString::number(s / 60) + u'm';
    if (s < 86400) return QString::number(s / 3600) + u'h';
    if (s >= 604800) return QString::number(s / 604800) + u'w';
    return QString::number(s / 86400) + u'd';
}

bool looksLikeCode(const QString& text) {
    static const char* const markers[] = {"{",       "}",       ";",       "=>",  "func ",   "def ",
                                          "const ",  "import ", "</",      "SELECT ", "#include"};
    for (const char* marker : markers)
        if (text.contains(QLatin1String(marker))) return true;
    return false;
}

bool looksLikeCode(const ClipItem& item) { return looksLikeCode(item.text); }

std::optional<Color> parseHexColor(const QString& digits) {
    const qsizetype n = digits.size();
    if (n != 3 && n != 6 && n != 8) return std::nullopt;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        const bool hex = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (!hex) return std::nullopt;
    }
    QString wide = digits;
    if (n == 3) {
        wide.clear();
        for (QChar c : digits) wide.append(c).append(c);
    }
    bool ok = false;
    const quint32 v = wide.toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    if (wide.size() == 8)
        return Color{((v >> 24) & 255) / 255.0, ((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0,
                     (v & 255) / 255.0};
    return Color{((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, 1.0};
}

std::optional<Color> parseColor(const QString& input) {
    const QString text = input.trimmed();
    if (text.toUcs4().size() > 40) return std::nullopt;
    if (text.startsWith(u'#')) return parseHexColor(text.mid(1));

    const QString lower = text.toLower();
    if (!lower.startsWith(QLatin1String("rgb")) || !lower.contains(u'(') || !lower.endsWith(u')'))
        return std::nullopt;
    const qsizetype open = lower.indexOf(u'(');
    const QStringView inner = QStringView(lower).sliced(open + 1, lower.size() - 1 - (open + 1));

    QList<QStringView> pieces;
    for (QStringView piece : inner.split(u',', Qt::SkipEmptyParts)) pieces << trimmedHorizontally(piece);
    if (pieces.size() != 3 && pieces.size() != 4) return std::nullopt;

    double rgb[3];
    for (int i = 0; i < 3; ++i) {
        const auto value = parseNumber(pieces[i]);
        if (!value || !(*value >= 0 && *value <= 255)) return std::nullopt;
        rgb[i] = *value;
    }
    double alpha = 1.0;
    if (pieces.size() == 4) {
        // A non-finite alpha would poison every colour computed from it; it counts as unparsed.
        if (const auto value = parseNumber(pieces[3]); value && std::isfinite(*value)) alpha = *value;
    }
    return Color{rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0, alpha};
}

QString contentHash(QByteArrayView tag, QByteArrayView content) {
    QCryptographicHash sha(QCryptographicHash::Sha256);
    sha.addData(tag);
    sha.addData(content);
    return QString::fromLatin1(sha.result().toHex());
}

}  // namespace mendrake
