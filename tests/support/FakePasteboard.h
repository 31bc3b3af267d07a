#pragma once
// An in-memory clipboard. Tests put items on it as another application would (`copy`), read what
// the code under test wrote (`items`, `writes`), count the reads, and switch on faults: a type whose
// bytes cannot be read, or an owner that vanishes so that every read answers nothing.

#include "platform/Pasteboard.h"

#include <algorithm>
#include <map>

namespace mendrake::test {

class FakePasteboard final : public Pasteboard {
public:
    using Item = std::vector<std::pair<QString, QByteArray>>;

    // Another application copies: the clipboard now holds these items.
    void copy(std::vector<Item> items) {
        items_ = std::move(items);
        ownerVanished = false;
        ++count_;
    }
    void copyText(const QString& text) { copy({{{pasteboard_type::string, text.toUtf8()}}}); }

    const std::vector<Item>& items() const { return items_; }
    int writes() const { return writes_; }
    int dataReads() const { return dataReads_; }

    // Faults: types whose bytes cannot be read; an owner that is gone (every read answers
    // nothing); an owner that vanishes after answering this many data reads of the next change.
    std::vector<QString> unreadableTypes;
    bool ownerVanished = false;
    int vanishAfterReads = -1;

    bool transferFailed() override { return ownerVanished; }

    qint64 changeCount() const override { return count_; }
    int itemCount() override { return ownerVanished ? 0 : int(items_.size()); }

    QStringList types(int item) override {
        QStringList out;
        if (ownerVanished || item < 0 || item >= int(items_.size())) return out;
        for (auto& [type, bytes] : items_[item])
            if (!out.contains(type)) out << type;
        return out;
    }

    std::optional<QByteArray> data(int item, const QString& type) override {
        if (vanishAfterReads >= 0 && vanishAfterReads-- == 0) ownerVanished = true;
        ++dataReads_;
        if (ownerVanished || item < 0 || item >= int(items_.size())) return std::nullopt;
        if (std::find(unreadableTypes.begin(), unreadableTypes.end(), type) != unreadableTypes.end())
            return std::nullopt;
        std::optional<QByteArray> found;
        for (auto& [t, bytes] : items_[item])
            if (t == type) found = bytes;
        return found;
    }

    std::optional<QString> string(int item) override {
        auto bytes = data(item, pasteboard_type::string);
        if (!bytes) return std::nullopt;
        return QString::fromUtf8(*bytes);
    }

    QList<QUrl> fileURLs() override {
        QList<QUrl> out;
        auto list = data(0, pasteboard_type::fileURL);
        if (!list) return out;
        for (const QByteArray& line : list->split('\n')) {
            QUrl url(QString::fromUtf8(line.trimmed()), QUrl::StrictMode);
            if (url.isValid() && url.isLocalFile()) out << url;
        }
        return out;
    }

    qint64 clear() override {
        items_.clear();
        ++writes_;
        return ++count_;
    }
    qint64 writeItem(const std::vector<std::pair<QString, QByteArray>>& values) override {
        items_ = {Item(values.begin(), values.end())};
        ++writes_;
        return ++count_;
    }
    qint64 writeFileURLs(const QList<QUrl>& urls) override {
        QByteArray list;
        for (const QUrl& url : urls) list += url.toEncoded() + "\r\n";
        items_ = {{{pasteboard_type::fileURL, list}}};
        ++writes_;
        return ++count_;
    }
    qint64 writeString(const QString& text) override {
        items_ = {{{pasteboard_type::string, text.toUtf8()}}};
        ++writes_;
        return ++count_;
    }

private:
    std::vector<Item> items_;
    qint64 count_ = 0;
    int writes_ = 0;
    int dataReads_ = 0;
};

}  // namespace mendrake::test
