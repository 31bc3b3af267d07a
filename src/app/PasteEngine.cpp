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

// Whether the stored file holds the content the row's hash was made from: the paths of a file item,
// the PNG (else TIFF) of an image, the plain text of any other kind. A file changed or swapped on
// disk is then not pasted in place of what the user chose.
bool matchesRow(const ClipItem& item, const RepresentationMap& map) {
    auto entry = [&](const QString& type) -> std::optional<QByteArray> {
        const auto found = map.find(type);
        return found == map.end() ? std::nullopt : std::optional<QByteArray>(found->second);
    };
    switch (item.kind) {
    case ClipKind::file:
        if (auto paths = entry(filePathsType)) return contentHash("file", *paths) == item.hash;
        return false;
    case ClipKind::image: {
        auto image = entry(QStringLiteral("public.png"));
        if (!image) image = entry(QStringLiteral("public.tiff"));
        return image && contentHash("image", *image) == item.hash;
    }
    default:
        if (auto text = entry(QStringLiteral("public.utf8-plain-text")))
            return contentHash("text", QString::fromUtf8(*text).toUtf8()) == item.hash;
        return false;
    }
}

}  // namespace

PasteEngine::PasteEngine(Pasteboard& pasteboard, KeySynthesiser& keys, const KeyboardLayout& layout,
                         Workspace& workspace, Clock& clock)
    : pasteboard_(pasteboard), keys_(keys), layout_(layout), workspace_(workspace), clock_(clock) {}

qint64 PasteEngine::writeToPasteboard(const ClipItem& item, HistoryStore& store, bool plain) {
    pasteboard_.clear();
    RepresentationMap map = item.blob ? store.representations(item) : RepresentationMap{};
    if (!matchesRow(item, map)) map.clear();  // then the database's text is pasted

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
    if (target && !workspace_.holdsKeyboardFocus(*target)) workspace_.activate(*target);
    pasteTimer_ = clock_.after(pasteDelay, [this, target] {
        // Checked just before typing: a window that took the focus meanwhile must not get the paste.
        if (target && workspace_.holdsKeyboardFocus(*target))
            postPasteChord();
        else if (onPasteRefused)
            onPasteRefused();
    });
}

void PasteEngine::postPasteChord() {
    const auto keycode = keycodeForCharacter(QStringLiteral("v"), layout_);
    // Ctrl+V is the paste chord of Linux desktops.
    keys_.postKeyPress(keycode.value_or(usVKeycode), Qt::ControlModifier);
}

}  // namespace mendrake
