#include "hotkey/HotKeyCombo.h"

#include "hotkey/KeyCodes.h"
#include "hotkey/KeyNames.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

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

constexpr std::uint32_t storedSuper = 0x0100, storedShift = 0x0200, storedAlt = 0x0800,
                        storedCtrl = 0x1000;

constexpr std::pair<std::uint32_t, Qt::KeyboardModifier> kStoredModifiers[] = {
    {storedSuper, Qt::MetaModifier},
    {storedShift, Qt::ShiftModifier},
    {storedAlt, Qt::AltModifier},
    {storedCtrl, Qt::ControlModifier},
};

}  // namespace

QByteArray HotKeyCombo::toJson() const {
    std::uint32_t mask = 0;
    for (auto [bit, modifier] : kStoredModifiers)
        if (modifiers & modifier) mask |= bit;
    QJsonObject object;
    object.insert(QStringLiteral("keyCode"), static_cast<qint64>(storedKeyForX11Keycode(keycode)));
    object.insert(QStringLiteral("modifiers"), static_cast<qint64>(mask));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<HotKeyCombo> HotKeyCombo::fromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    const auto keyCode = unsignedMember(object, "keyCode");
    const auto mask = unsignedMember(object, "modifiers");
    if (!keyCode || !mask) return std::nullopt;
    const auto keycode = x11KeycodeForStoredKey(*keyCode);
    if (!keycode) return std::nullopt;
    Qt::KeyboardModifiers modifiers;
    for (auto [bit, modifier] : kStoredModifiers)
        if (*mask & bit) modifiers |= modifier;
    return HotKeyCombo{*keycode, modifiers};
}

Qt::KeyboardModifiers shortcutModifiers(Qt::KeyboardModifiers modifiers) {
    return modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
}

QString displayString(const HotKeyCombo& combo, const KeyboardLayout& layout) {
    return keyCapTexts(combo, layout).join(QLatin1Char('+'));
}

QStringList keyCapTexts(const HotKeyCombo& combo, const KeyboardLayout& layout) {
    return modifierNames(combo.modifiers) << keyName(combo.keycode, layout);
}

QString keyName(std::uint32_t keycode, const KeyboardLayout& layout) {
    const std::uint32_t evdev = keycode >= 8 ? keycode - 8 : 0;
    if (QString named = evdevKeyName(evdev); !named.isEmpty()) return named;
    if (auto character = layoutCharacter(keycode, layout)) return character->toUpper();
    return QStringLiteral("Key ") + QString::number(evdev);
}

std::optional<QString> layoutCharacter(std::uint32_t keycode, const KeyboardLayout& layout) {
    const auto characters = layout.characters({keycode});
    if (characters.empty() || !characters.front() || characters.front()->isEmpty())
        return std::nullopt;
    return characters.front();
}

std::optional<std::uint32_t> keycodeForCharacter(const QString& text, const KeyboardLayout& layout) {
    const QString wanted = text.toLower();
    constexpr std::uint32_t first = 8, last = 255;
    std::vector<std::uint32_t> codes;
    for (std::uint32_t code = first; code <= last; ++code) codes.push_back(code);
    // One read of the layout for every key rather than one read per key.
    const auto characters = layout.characters(codes);
    for (std::size_t i = 0; i < characters.size() && i < codes.size(); ++i) {
        const auto& character = characters[i];
        if (character && !character->isEmpty() && character->toLower() == wanted) return codes[i];
    }
    return std::nullopt;
}

}  // namespace mendrake
