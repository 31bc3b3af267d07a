#include "app/PasteEngine.h"

#include "capture/Classification.h"
#include "hotkey/HotKeyCombo.h"
#include "store/HistoryStore.h"

#include <QStringDecoder>

namespace mendrake {

namespace {

// The paths entry of a file item as file URLs; none when the entry is missing or not UTF-8.
std::optional<QList<QUrl>> fileURLsFrom(const RepresentationMap& map) {
    const auto entry = map.find(filePathsType);
    if (entry == map.end()) return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(entry->second);
    if (decoder.hasError()) return std::nullopt;
    QList<QUrl> urls;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        urls << QUrl::fromLocalFile(line);
    return urls;
}

}  // namespace

PasteEngine::PasteEngine(Pasteboard& pasteboard, KeySynthesiser& keys, const KeyboardLayout& layout,
                         Workspace& workspace, Clock& clock)
    : pasteboard_(pasteboard), keys_(keys), layout_(layout), workspace_(workspace), clock_(clock) {}

qint64 PasteEngine::writeToPasteboard(const ClipItem& item, HistoryStore& store, bool plain) {
    pasteboard_.clear();
    const RepresentationMap map = item.blob ? store.representations(item) : RepresentationMap{};

    if (item.kind == ClipKind::file) {
        if (auto urls = fileURLsFrom(map)) {
            // An empty list leaves the clipboard cleared, which is what the paths said.
            if (!urls->isEmpty()) pasteboard_.writeFileURLs(*urls);
            return pasteboard_.changeCount();
        }
    }

    if ((!plain || item.kind == ClipKind::image) && !map.empty()) {
        pasteboard_.writeItem(std::vector<std::pair<QString, QByteArray>>(map.begin(), map.end()));
        return pasteboard_.changeCount();
    }

    // The item's `text` is only a preview; the store holds the whole text.
    pasteboard_.writeString(store.fullText(item.id).value_or(item.text));
    return pasteboard_.changeCount();
}

void PasteEngine::pasteInto(const std::optional<RunningApplication>& target) {
    if (target && workspace_.frontmostApplication() != target) workspace_.activate(*target);
    clock_.after(pasteDelay, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.lock()) postPasteChord();
    });
}

void PasteEngine::postPasteChord() {
    const auto keycode = keycodeForCharacter(QStringLiteral("v"), layout_);
    // Ctrl+V is the paste chord of Linux desktops.
    keys_.postKeyPress(keycode.value_or(usVKeycode), Qt::ControlModifier);
}

}  // namespace mendrake
