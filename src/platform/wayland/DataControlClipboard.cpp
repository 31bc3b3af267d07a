#include "platform/wayland/DataControlClipboard.h"

#include "platform/wayland/PipeTransfer.h"
#include "platform/wayland/WaylandConnection.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <unistd.h>

#include <map>
#include <thread>

namespace mendrake {

namespace {

// How long a paste target may take to read what we serve before we give up on it.
constexpr std::chrono::seconds writeDeadline{10};

// Every selection we set also offers this type with a token of this object and the write's id,
// so that its selection event is recognised as ours whatever else happened meanwhile. It is never
// reported as an offered type.
const QString markerPrefix = QStringLiteral("application/x-mendrake-write;id=");

// The two protocols have the same messages in the same order; these name each one's calls.
struct ExtProtocol {
    using Manager = ext_data_control_manager_v1;
    using Device = ext_data_control_device_v1;
    using Source = ext_data_control_source_v1;
    using Offer = ext_data_control_offer_v1;
    using DeviceListener = ext_data_control_device_v1_listener;
    using SourceListener = ext_data_control_source_v1_listener;
    using OfferListener = ext_data_control_offer_v1_listener;
    static constexpr const char* name = "ext-data-control-v1";
    static Manager* manager(const WaylandConnection::Globals& g) { return g.extDataControl; }
    static Device* device(Manager* m, wl_seat* seat) { return ext_data_control_manager_v1_get_data_device(m, seat); }
    static Source* source(Manager* m) { return ext_data_control_manager_v1_create_data_source(m); }
    static void listen(Device* d, const DeviceListener* l, void* data) { ext_data_control_device_v1_add_listener(d, l, data); }
    static void listen(Source* s, const SourceListener* l, void* data) { ext_data_control_source_v1_add_listener(s, l, data); }
    static void listen(Offer* o, const OfferListener* l, void* data) { ext_data_control_offer_v1_add_listener(o, l, data); }
    static void offer(Source* s, const char* mime) { ext_data_control_source_v1_offer(s, mime); }
    static void setSelection(Device* d, Source* s) { ext_data_control_device_v1_set_selection(d, s); }
    static void receive(Offer* o, const char* mime, int fd) { ext_data_control_offer_v1_receive(o, mime, fd); }
    static void destroy(Device* d) { ext_data_control_device_v1_destroy(d); }
    static void destroy(Source* s) { ext_data_control_source_v1_destroy(s); }
    static void destroy(Offer* o) { ext_data_control_offer_v1_destroy(o); }
};

struct WlrProtocol {
    using Manager = zwlr_data_control_manager_v1;
    using Device = zwlr_data_control_device_v1;
    using Source = zwlr_data_control_source_v1;
    using Offer = zwlr_data_control_offer_v1;
    using DeviceListener = zwlr_data_control_device_v1_listener;
    using SourceListener = zwlr_data_control_source_v1_listener;
    using OfferListener = zwlr_data_control_offer_v1_listener;
    static constexpr const char* name = "zwlr-data-control-unstable-v1";
    static Manager* manager(const WaylandConnection::Globals& g) { return g.wlrDataControl; }
    static Device* device(Manager* m, wl_seat* seat) { return zwlr_data_control_manager_v1_get_data_device(m, seat); }
    static Source* source(Manager* m) { return zwlr_data_control_manager_v1_create_data_source(m); }
    static void listen(Device* d, const DeviceListener* l, void* data) { zwlr_data_control_device_v1_add_listener(d, l, data); }
    static void listen(Source* s, const SourceListener* l, void* data) { zwlr_data_control_source_v1_add_listener(s, l, data); }
    static void listen(Offer* o, const OfferListener* l, void* data) { zwlr_data_control_offer_v1_add_listener(o, l, data); }
    static void offer(Source* s, const char* mime) { zwlr_data_control_source_v1_offer(s, mime); }
    static void setSelection(Device* d, Source* s) { zwlr_data_control_device_v1_set_selection(d, s); }
    static void receive(Offer* o, const char* mime, int fd) { zwlr_data_control_offer_v1_receive(o, mime, fd); }
    static void destroy(Device* d) { zwlr_data_control_device_v1_destroy(d); }
    static void destroy(Source* s) { zwlr_data_control_source_v1_destroy(s); }
    static void destroy(Offer* o) { zwlr_data_control_offer_v1_destroy(o); }
};

}  // namespace

// Protocol state; touched on the connection thread only.
struct DataControlClipboard::Backend {
    virtual ~Backend() = default;
    virtual bool receive(quint64 serial, const QString& mime, int fd) = 0;
    virtual quint64 set(const std::vector<std::pair<QString, QByteArray>>& values) = 0;
    virtual void clear() = 0;

    const char* name = "";
    Change current;
};

namespace {

template <class P>
class ProtocolBackend final : public DataControlClipboard::Backend {
public:
    using Change = DataControlClipboard::Change;
    using Device = typename P::Device;
    using Source = typename P::Source;
    using Offer = typename P::Offer;

    ProtocolBackend(typename P::Manager* manager, wl_seat* seat, std::function<void(const Change&)> onChange)
        : manager_(manager), onChange_(std::move(onChange)),
          token_(QString::number(QRandomGenerator::system()->generate64(), 16)) {
        name = P::name;
        device_ = P::device(manager, seat);
        P::listen(device_, &deviceListener, this);
    }

    ~ProtocolBackend() override {
        for (auto& [offer, types] : offers_) P::destroy(offer);
        for (auto& [source, values] : sources_) P::destroy(source);
        if (device_) P::destroy(device_);
    }

    bool receive(quint64 serial, const QString& mime, int fd) override {
        if (!selection_ || serial != current.serial || !current.mimeTypes.contains(mime)) return false;
        P::receive(selection_, mime.toUtf8().constData(), fd);
        return true;
    }

    quint64 set(const std::vector<std::pair<QString, QByteArray>>& values) override {
        if (!device_) return 0;
        Source* source = P::source(manager_);
        P::listen(source, &sourceListener, this);
        const quint64 id = nextWrite_++;
        for (const auto& [mime, bytes] : values) P::offer(source, mime.toUtf8().constData());
        P::offer(source, (markerPrefix + token_ + u'-' + QString::number(id)).toUtf8().constData());
        sources_[source] = values;
        P::setSelection(device_, source);
        return id;
    }

    void clear() override {
        if (device_) P::setSelection(device_, nullptr);
    }

private:
    void selectionChanged(Offer* offer) {
        if (selection_ && selection_ != offer) forget(selection_);
        selection_ = offer;
        Change change;
        change.serial = current.serial + 1;
        const QString ours = markerPrefix + token_ + u'-';
        for (const QString& mime : offer ? offers_[offer] : QStringList()) {
            if (!mime.startsWith(markerPrefix)) change.mimeTypes << mime;
            else if (mime.startsWith(ours)) change.ownWrite = mime.mid(ours.size()).toULongLong();
        }
        current = change;
        if (onChange_) onChange_(change);
    }

    void forget(Offer* offer) {
        offers_.erase(offer);
        P::destroy(offer);
    }

    static ProtocolBackend* self(void* data) { return static_cast<ProtocolBackend*>(data); }

    static void onDataOffer(void* data, Device*, Offer* offer) {
        self(data)->offers_[offer];
        P::listen(offer, &offerListener, data);
    }
    static void onSelection(void* data, Device*, Offer* offer) { self(data)->selectionChanged(offer); }
    static void onFinished(void* data, Device* device) {
        P::destroy(device);
        self(data)->device_ = nullptr;
    }
    // The primary selection (select-to-copy) is not the clipboard.
    static void onPrimarySelection(void* data, Device*, Offer* offer) {
        if (offer) self(data)->forget(offer);
    }
    static void onOfferType(void* data, Offer* offer, const char* mime) {
        QStringList& types = self(data)->offers_[offer];
        const QString type = QString::fromUtf8(mime);
        if (!types.contains(type)) types << type;
    }
    static void onSend(void* data, Source* source, const char* mime, int32_t fd) {
        auto& sources = self(data)->sources_;
        const auto found = sources.find(source);
        const QString type = QString::fromUtf8(mime);
        if (found != sources.end()) {
            for (const auto& [offered, bytes] : found->second) {
                if (offered != type) continue;
                // A slow reader must not hold up the connection thread.
                std::thread([fd, bytes = bytes] {
                    writePipe(fd, bytes, std::chrono::steady_clock::now() + writeDeadline);
                }).detach();
                return;
            }
        }
        ::close(fd);  // the marker, or a type we no longer have: an empty answer
    }
    static void onCancelled(void* data, Source* source) {
        self(data)->sources_.erase(source);
        P::destroy(source);
    }

    static constexpr typename P::DeviceListener deviceListener{&onDataOffer, &onSelection, &onFinished,
                                                               &onPrimarySelection};
    static constexpr typename P::OfferListener offerListener{&onOfferType};
    static constexpr typename P::SourceListener sourceListener{&onSend, &onCancelled};

    typename P::Manager* manager_;
    Device* device_ = nullptr;
    Offer* selection_ = nullptr;
    std::map<Offer*, QStringList> offers_;  // introduced offers and their types, the selection's included
    std::map<Source*, std::vector<std::pair<QString, QByteArray>>> sources_;
    std::function<void(const Change&)> onChange_;
    QString token_;
    quint64 nextWrite_ = 1;
};

}  // namespace

DataControlClipboard::DataControlClipboard(WaylandConnection& connection, std::function<void(const Change&)> onChange)
    : connection_(connection) {
    const WaylandConnection::Globals& g = connection_.globals();
    if (!connection_.isConnected() || !g.seat) return;
    connection_.call([&] {
        if (g.extDataControl)
            backend_ = std::make_unique<ProtocolBackend<ExtProtocol>>(g.extDataControl, g.seat, std::move(onChange));
        else if (g.wlrDataControl)
            backend_ = std::make_unique<ProtocolBackend<WlrProtocol>>(g.wlrDataControl, g.seat, std::move(onChange));
    });
}

DataControlClipboard::~DataControlClipboard() {
    connection_.call([this] { backend_.reset(); });
}

bool DataControlClipboard::isAvailable() const { return backend_ && connection_.isConnected(); }

QString DataControlClipboard::protocolName() const {
    return backend_ ? QString::fromLatin1(backend_->name) : QString();
}

DataControlClipboard::Change DataControlClipboard::current() const {
    Change change;
    if (backend_) connection_.call([&] { change = backend_->current; });
    return change;
}

void DataControlClipboard::read(quint64 serial, const QString& mimeType, Limits limits,
                                std::function<void(ReadResult)> done) {
    const auto deadline = std::chrono::steady_clock::now() + limits.deadline;
    int fds[2] = {-1, -1};
    bool asked = false;
    if (isAvailable() && ::pipe2(fds, O_CLOEXEC) == 0) {
        connection_.call([&] { asked = backend_->receive(serial, mimeType, fds[1]); });
        // The request carries its own copy of the write end.
        ::close(fds[1]);
        if (!asked) ::close(fds[0]);
    }
    std::thread([fd = fds[0], asked, deadline, maxBytes = limits.maxBytes, done = std::move(done)] {
        if (!asked) return done({ReadResult::Status::Gone, {}});
        PipeRead read = readPipe(fd, deadline, maxBytes);
        switch (read.status) {
        case PipeRead::Status::Complete: return done({ReadResult::Status::Complete, std::move(read.bytes)});
        case PipeRead::Status::TooLarge: return done({ReadResult::Status::TooLarge, {}});
        case PipeRead::Status::TimedOut: return done({ReadResult::Status::TimedOut, {}});
        case PipeRead::Status::Failed: break;
        }
        done({ReadResult::Status::Failed, {}});
    }).detach();
}

quint64 DataControlClipboard::setSelection(const std::vector<std::pair<QString, QByteArray>>& values) {
    quint64 id = 0;
    if (isAvailable()) connection_.call([&] { id = backend_->set(values); });
    return id;
}

void DataControlClipboard::clearSelection() {
    if (isAvailable()) connection_.call([&] { backend_->clear(); });
}

}  // namespace mendrake
