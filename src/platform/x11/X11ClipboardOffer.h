#pragma once
// One change of the CLIPBOARD selection, read on a connection of its own to the X server (opened
// at the first read, on whichever thread reads) through the ICCCM conversion protocol, incremental
// transfers included. Every wait ends at one deadline for the whole offer; a property longer than
// the asked limit is deleted unread, and an incremental transfer is abandoned once it passes the
// limit. XFixes tells whether anyone took the selection while it was being read: a new owner would
// answer later conversions with its own content under the old owner's list of types.

#include "platform/Pasteboard.h"

#include <map>

namespace mendrake {

class X11ClipboardOffer final : public PasteboardOffer {
public:
    // `owner` and `timestamp` describe the change to read (from its XFixes event); 0 when unknown.
    X11ClipboardOffer(quint32 owner, quint32 timestamp, double deadlineSeconds);
    ~X11ClipboardOffer() override;

    int itemCount() override;
    QStringList types(int item) override;
    std::optional<QByteArray> data(int item, const QString& type, qint64 maxBytes) override;
    QList<QUrl> fileURLs() override;
    bool transferFailed() override;
    bool unchanged() override;

private:
    struct X;
    bool open();
    const QStringList& formats();
    std::optional<QByteArray> fetch(const QString& mime, qint64 maxBytes);

    std::unique_ptr<X> x_;
    std::optional<QStringList> formats_;
    std::map<QString, QByteArray> fetched_;
};

}  // namespace mendrake
