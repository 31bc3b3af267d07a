#include "hotkey/HotKeyCombo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <limits>

namespace mendrake {

namespace {

std::optional<std::uint32_t> unsignedMember(const QJsonObject& object, const char* name) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= 0) || number > std::numeric_limits<std::uint32_t>::max() ||
        number != std::floor(number))
        return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

QString fixedKeyName(std::uint32_t keyCode) {
    switch (keyCode) {
    case 36: return QStringLiteral("↩");
    case 48: return QStringLiteral("⇥");
    case 49: return QStringLiteral("Space");
    case 51: return QStringLiteral("⌫");
    case 53: return QStringLiteral("⎋");
    case 117: return QStringLiteral("⌦");
    case 123: return QStringLiteral("←");
    case 124: return QStringLiteral("→");
    case 125: return QStringLiteral("↓");
    case 126: return QStringLiteral("↑");
    case 122: return QStringLiteral("F1");
    case 120: return QStringLiteral("F2");
    case 99: return QStringLiteral("F3");
    case 118: return QStringLiteral("F4");
    case 96: return QStringLiteral("F5");
    case 97: return QStringLiteral("F6");
    case 98: return QStringLiteral("F7");
    case 100: return QStringLiteral("F8");
    case 101: return QStringLiteral("F9");
    case 109: return QStringLiteral("F10");
    case 103: return QStringLiteral("F11");
    case 111: return QStringLiteral("F12");
    default: return {};
    }
}

}  // namespace

QByteArray HotKeyCombo::toJson() const {
    QJsonObject object;
    object.insert(QStringLiteral("keyCode"), static_cast<qint64>(keyCode));
    object.insert(QStringLiteral("modifiers"), static_cast<qint64>(modifiers));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<HotKeyCombo> HotKeyCombo::fromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    const auto keyCode = unsignedMember(object, "keyCode");
    const auto modifiers = unsignedMember(object, "modifiers");
    if (!keyCode || !modifiers) return std::nullopt;
    return HotKeyCombo{*keyCode, *modifiers};
}

QString displayString(const HotKeyCombo& combo, const KeyboardLayout& layout) {
    QString text;
    if (combo.modifiers & HotKeyCombo::control) text += QStringLiteral("⌃");
    if (combo.modifiers & HotKeyCombo::option) text += QStringLiteral("⌥");
    if (combo.modifiers & HotKeyCombo::shift) text += QStringLiteral("⇧");
    if (combo.modifiers & HotKeyCombo::command) text += QStringLiteral("⌘");
    return text + keyName(combo.keyCode, layout);
}

QString keyName(std::uint32_t keyCode, const KeyboardLayout& layout) {
    // A code past 16 bits comes only from a hand-edited settings file; it names no key.
    if (keyCode <= 0xFFFF) {
        if (QString fixed = fixedKeyName(keyCode); !fixed.isEmpty()) return fixed;
        if (auto character = layoutCharacter(keyCode, layout); character && !character->isEmpty())
            return character->toUpper();
    }
    return QStringLiteral("#") + QString::number(keyCode);
}

std::optional<QString> layoutCharacter(std::uint32_t keyCode, const KeyboardLayout& layout) {
    const auto characters = layout.characters({keyCode});
    if (characters.empty() || !characters.front() || characters.front()->isEmpty())
        return std::nullopt;
    return characters.front();
}

std::optional<std::uint16_t> keyCodeForCharacter(const QString& text, const KeyboardLayout& layout) {
    const QString wanted = text.toLower();
    std::vector<std::uint32_t> codes(128);
    for (std::uint32_t code = 0; code < 128; ++code) codes[code] = code;
    // One read of the layout for all 128 keys rather than 128 reads.
    const auto characters = layout.characters(codes);
    for (std::size_t code = 0; code < characters.size() && code < 128; ++code) {
        const auto& character = characters[code];
        if (character && !character->isEmpty() && character->toLower() == wanted)
            return static_cast<std::uint16_t>(code);
    }
    return std::nullopt;
}

std::uint32_t carbonModifiers(std::uint64_t flags) {
    std::uint32_t mask = 0;
    if (flags & 0x20000) mask |= HotKeyCombo::shift;
    if (flags & 0x40000) mask |= HotKeyCombo::control;
    if (flags & 0x80000) mask |= HotKeyCombo::option;
    if (flags & 0x100000) mask |= HotKeyCombo::command;
    return mask;
}

}  // namespace mendrake
