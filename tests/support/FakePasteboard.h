#pragma once
// An in-memory clipboard. Tests copy onto it as another application would (`copy`, from an owner
// window; `ownerQuits`), read what the code under test wrote (`items`, `writes`), count the reads,
// and switch on the faults below. The fake is its own offer, so classification can read it directly.

#include "platform/Pasteboard.h"

#include <algorithm>

namespace mendrake::test {

class FakePasteboard final : public Pasteboard, public PasteboardOffer {
public:
    using Item = std::vector<std::pair<QString, QByteArray>>;

    void copy(std::vector<Item> items, quint64 window = 0) {
        items_ = std::move(items);
        vanished_ = ownerHangs = takenDuringRead = quit_ = false;
        owner_ = window;
        changed();
    }
    void copyText(const QString& text) { copy({{{pasteboard_type::string, text.toUtf8()}}}); }
    void ownerQuits() {
        quit_ = true;
        owner_ = 0;
        changed();
    }
    const std::vector<Item>& items() const { return items_; }
    int writes() const { return writes_; }
    int dataReads() const { return dataReads_; }

    std::vector<QString> unreadableTypes;  // types whose bytes cannot be read
    bool ownerHangs = false;               // no read is ever answered: the offer's deadline passes
    bool takenDuringRead = false;          // someone copies while the change is read
    int vanishAfterReads = -1;             // the owner goes after answering this many data reads

    bool transferFailed() override { return vanished_ || ownerHangs; }
    bool unchanged() override { return !takenDuringRead; }
    qint64 changeCount() const override { return count_; }
    void setChangeHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    quint64 ownerWindow() const override { return owner_; }
    bool ownerQuit() const override { return quit_; }
    std::unique_ptr<PasteboardOffer> openOffer(double) override { return quit_ ? nullptr : std::make_unique<Forwarding>(*this); }

    int itemCount() override { return transferFailed() ? 0 : int(items_.size()); }
    QStringList types(int item) override {
        QStringList out;
        for (auto& [type, bytes] : answers(item) ? items_[item] : Item())
            if (!out.contains(type)) out << type;
        return out;
    }
    std::optional<QByteArray> data(int item, const QString& type, qint64 maxBytes) override {
        if (vanishAfterReads >= 0 && vanishAfterReads-- == 0) vanished_ = true;
        ++dataReads_;
        if (!answers(item) || std::count(unreadableTypes.begin(), unreadableTypes.end(), type)) return std::nullopt;
        std::optional<QByteArray> found;
        for (auto& [t, bytes] : items_[item])
            if (t == type) found = bytes;
        return found && found->size() <= maxBytes ? found : std::nullopt;
    }
    QList<QUrl> fileURLs() override {
        QList<QUrl> out;
        for (const QByteArray& line : data(0, pasteboard_type::fileURL, 1 << 24).value_or(QByteArray()).split('\n'))
            if (QUrl url(QString::fromUtf8(line.trimmed()), QUrl::StrictMode); url.isValid() && url.isLocalFile()) out << url;
        return out;
    }

    qint64 clear() override { return written({}); }
    qint64 writeItem(const Item& values) override { return written({values}); }
    qint64 writeString(const QString& text) override { return written({{{pasteboard_type::string, text.toUtf8()}}}); }
    qint64 writeFileURLs(const QList<QUrl>& urls) override {
        QByteArray list;
        for (const QUrl& url : urls) list += url.toEncoded() + "\r\n";
        return written({{{pasteboard_type::fileURL, list}}});
    }

private:
    // An offer reading the clipboard as it is when read (an owner that quit left its items).
    struct Forwarding final : PasteboardOffer {
        explicit Forwarding(FakePasteboard& board) : board(board) {}
        FakePasteboard& board;
        int itemCount() override { return board.itemCount(); }
        QStringList types(int item) override { return board.types(item); }
        std::optional<QByteArray> data(int item, const QString& type, qint64 max) override { return board.data(item, type, max); }
        QList<QUrl> fileURLs() override { return board.fileURLs(); }
        bool transferFailed() override { return board.transferFailed(); }
        bool unchanged() override { return board.unchanged(); }
    };

    bool answers(int item) { return !transferFailed() && item >= 0 && item < int(items_.size()); }
    void changed() {
        ++count_;
        if (handler_) handler_();
    }
    qint64 written(std::vector<Item> items) {
        items_ = std::move(items);
        ++writes_;
        owner_ = 0;
        quit_ = false;
        changed();
        return count_;
    }

    std::function<void()> handler_;
    quint64 owner_ = 0;
    bool quit_ = false, vanished_ = false;
    std::vector<Item> items_;
    qint64 count_ = 0;
    int writes_ = 0, dataReads_ = 0;
};

}  // namespace mendrake::test
