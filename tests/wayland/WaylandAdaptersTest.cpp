// The Wayland adapters under a real compositor: wl-copy and wl-paste stand for other
// applications' copies and pastes, paste-target windows (Qt on Wayland) for the applications the
// user works in, swaymsg for what the compositor itself says is focused.
#include "FakeWorkspace.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/PortalHotKeyService.h"
#include "platform/wayland/VirtualKeyboardKeySynthesiser.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyboardLayout.h"
#include "platform/wayland/WaylandWorkspace.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <xkbcommon/xkbcommon.h>

#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>

using namespace mendrake;
using namespace std::chrono_literals;
using Change = DataControlClipboard::Change;
using Status = DataControlClipboard::ReadResult::Status;

namespace {

// X keycodes of the V and . positions of a US keyboard.
constexpr std::uint32_t kV = 55, kPeriod = 60;

QByteArray keymapText(const char* layout, const char* variant) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{nullptr, nullptr, layout, variant, nullptr};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    QByteArray out(text);
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return out;
}

// Polls `ready` until it holds or `timeout` passes.
template <class F> bool eventually(F ready, std::chrono::milliseconds timeout = 5000ms) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

QByteArray pngBytes() {
    QImage image(8, 6, QImage::Format_ARGB32);
    image.fill(QColor(200, 30, 90));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The selection events the clipboard reported, seen from the test thread.
struct Changes {
    std::mutex mutex;
    std::vector<Change> seen;

    void add(const Change& change) {
        std::lock_guard lock(mutex);
        seen.push_back(change);
    }
    template <class F> std::optional<Change> waitFor(F matches) {
        std::optional<Change> found;
        eventually([&] {
            std::lock_guard lock(mutex);
            for (auto it = seen.rbegin(); it != seen.rend(); ++it)
                if (matches(*it)) return found = *it, true;
            return false;
        });
        return found;
    }
};

// A read's result, delivered on the clipboard's worker thread, which may outlive a failed wait.
class PendingRead {
public:
    auto callback() {
        return [state = state_](DataControlClipboard::ReadResult r) {
            std::lock_guard lock(state->mutex);
            state->result = std::move(r);
            state->cv.notify_all();
        };
    }
    bool delivered() {
        std::lock_guard lock(state_->mutex);
        return state_->result.has_value();
    }
    DataControlClipboard::ReadResult wait() {
        std::unique_lock lock(state_->mutex);
        state_->cv.wait_for(lock, 10s, [&] { return state_->result.has_value(); });
        return state_->result.value_or(DataControlClipboard::ReadResult{});
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable cv;
        std::optional<DataControlClipboard::ReadResult> result;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

class WaylandAdapters : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection.isConnected()) << "run under tests/support/with-sway";
        ASSERT_TRUE(clipboard.isAvailable());
    }

    void TearDown() override {
        for (auto& process : processes) {
            ::kill(pid_t(process->processId()), SIGCONT);
            process->kill();
            process->waitForFinished(2000);
        }
    }

    QProcess* start(const QString& program, const QStringList& args, const QByteArray& input = {}) {
        auto& process = processes.emplace_back(std::make_unique<QProcess>());
        process->start(program, args);
        EXPECT_TRUE(process->waitForStarted(5000)) << program.toStdString();
        process->write(input);
        // No event loop runs here: push the bytes out by hand before closing.
        while (process->bytesToWrite() > 0 && process->waitForBytesWritten(5000)) {}
        process->closeWriteChannel();
        return process.get();
    }

    // Another application copies `bytes` as `mime`; answers the selection event it caused.
    std::optional<Change> copyWithWlCopy(const QString& mime, const QByteArray& bytes, QProcess** source = nullptr) {
        const quint64 before = clipboard.current().serial;
        QProcess* process = start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"), QStringLiteral("--type"), mime}, bytes);
        if (source) *source = process;
        return changes.waitFor([&](const Change& c) { return c.serial > before && c.mimeTypes.contains(mime) && !c.ownWrite; });
    }

    QByteArray readNow(quint64 serial, const QString& mime, DataControlClipboard::Limits limits = {},
                       Status expected = Status::Complete) {
        PendingRead read;
        clipboard.read(serial, mime, limits, read.callback());
        const auto result = read.wait();
        EXPECT_EQ(result.status, expected) << mime.toStdString();
        return result.bytes;
    }

    // A paste-target window with this application id; its pastes go to `log`.
    ForeignToplevels::Toplevel openWindow(const QString& appId, const QString& log = QStringLiteral("/dev/null")) {
        start(qEnvironmentVariable("PASTE_TARGET"), {log, appId});
        std::optional<ForeignToplevels::Toplevel> window;
        eventually([&] {
            for (const auto& t : toplevels.toplevels())
                if (t.appId == appId && t.activated) return window = t, true;
            return false;
        });
        EXPECT_TRUE(window) << appId.toStdString() << " never became the active toplevel";
        return window.value_or(ForeignToplevels::Toplevel{});
    }

    // The app_id of the window sway itself says is focused.
    static QString swayFocusedAppId() {
        QProcess swaymsg;
        swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")});
        swaymsg.waitForFinished(5000);
        std::function<QString(const QJsonObject&)> focused = [&](const QJsonObject& node) -> QString {
            if (node[QStringLiteral("focused")].toBool()) return node[QStringLiteral("app_id")].toString();
            for (const char* key : {"nodes", "floating_nodes"})
                for (const QJsonValue& child : node[QLatin1String(key)].toArray())
                    if (QString id = focused(child.toObject()); !id.isEmpty()) return id;
            return {};
        };
        return focused(QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).object());
    }

    Changes changes;
    WaylandConnection connection;
    DataControlClipboard clipboard{connection, [this](const Change& c) { changes.add(c); }};
    ForeignToplevels toplevels{connection};
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(WaylandAdapters, ReadsExactlyTheBytesAnotherApplicationCopied) {
    const struct {
        const char* mime;
        QByteArray bytes;
    } rows[] = {
        {"text/plain;charset=utf-8", QByteArray("h\xc3\xa9llo\nworld\t\x01")},
        {"text/html", QByteArray("<b>bold</b> &amp; <i>more</i>")},
        {"image/png", pngBytes()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mime);
        const auto change = copyWithWlCopy(QString::fromLatin1(row.mime), row.bytes);
        ASSERT_TRUE(change);
        EXPECT_EQ(readNow(change->serial, QString::fromLatin1(row.mime)), row.bytes);
    }
}

TEST_F(WaylandAdapters, ReadPastTheCapIsAbandoned) {
    const struct {
        qint64 size, cap;
        Status expected;
        bool ownSource;  // served by this process, whose writer then meets a closed pipe
    } rows[] = {
        {1 << 20, 1 << 20, Status::Complete, false},
        {(1 << 20) + 1, 1 << 20, Status::TooLarge, false},
        {3 << 20, 1 << 20, Status::TooLarge, false},
        {4 << 20, 64 << 10, Status::TooLarge, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        const QByteArray bytes(row.size, 'x');
        const QString mime = QStringLiteral("application/x-test-%1").arg(row.size);
        std::optional<Change> change;
        if (row.ownSource) {
            // QProcess has set SIGPIPE to be ignored; the library must not count on that.
            std::signal(SIGPIPE, SIG_DFL);
            const quint64 id = clipboard.setSelection({{mime, bytes}});
            change = changes.waitFor([&](const Change& c) { return c.ownWrite == id; });
        } else {
            change = copyWithWlCopy(mime, bytes);
        }
        ASSERT_TRUE(change);
        const QByteArray read = readNow(change->serial, mime, {5000ms, row.cap}, row.expected);
        EXPECT_EQ(read.size(), row.expected == Status::Complete ? row.size : 0);
    }
}

TEST_F(WaylandAdapters, SourceThatNeverWritesHitsTheDeadlineWithoutBlockingTheCaller) {
    QProcess* source = nullptr;
    const auto change = copyWithWlCopy(QStringLiteral("text/plain"), "never sent", &source);
    ASSERT_TRUE(change);
    ::kill(pid_t(source->processId()), SIGSTOP);

    PendingRead read;
    clipboard.read(change->serial, QStringLiteral("text/plain"), {700ms, 1 << 20}, read.callback());
    EXPECT_FALSE(read.delivered()) << "read() waited for the transfer";
    EXPECT_EQ(read.wait().status, Status::TimedOut);

    // A read of a selection that has since been replaced asks nobody.
    clipboard.setSelection({{QStringLiteral("text/plain"), "newer"}});
    ASSERT_TRUE(changes.waitFor([](const Change& c) { return c.ownWrite.has_value(); }));
    readNow(change->serial, QStringLiteral("text/plain"), {}, Status::Gone);
}

TEST_F(WaylandAdapters, OwnSelectionIsServedInEveryTypeAndRecognisedAsOwn) {
    const std::vector<std::pair<QString, QByteArray>> values{
        {QStringLiteral("text/plain;charset=utf-8"), "pasted \xe2\x9c\x93"},
        {QStringLiteral("text/html"), "<p>pasted</p>"},
        {QStringLiteral("image/png"), pngBytes()},
    };
    const quint64 id = clipboard.setSelection(values);
    ASSERT_NE(id, 0u);
    const auto change = changes.waitFor([&](const Change& c) { return c.ownWrite == id; });
    ASSERT_TRUE(change);
    EXPECT_EQ(change->mimeTypes, (QStringList{values[0].first, values[1].first, values[2].first}));

    for (const auto& [mime, bytes] : values) {
        SCOPED_TRACE(mime.toStdString());
        QProcess paste;
        paste.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline"), QStringLiteral("--type"), mime});
        ASSERT_TRUE(paste.waitForFinished(5000));
        EXPECT_EQ(paste.readAllStandardOutput(), bytes);
    }

    // Another application's copy is not ours.
    ASSERT_TRUE(copyWithWlCopy(QStringLiteral("text/plain"), "theirs"));
}

TEST_F(WaylandAdapters, SelectionBecomesEmptyWhenItsSourceExits) {
    QProcess* source = nullptr;
    const auto copied = copyWithWlCopy(QStringLiteral("text/plain"), "short-lived", &source);
    ASSERT_TRUE(copied);
    source->kill();
    const auto emptied = changes.waitFor([&](const Change& c) { return c.serial > copied->serial && c.mimeTypes.isEmpty(); });
    ASSERT_TRUE(emptied);
    EXPECT_EQ(clipboard.current().serial, emptied->serial);
}

TEST_F(WaylandAdapters, TracksTheActiveWindowAndActivatesOnlyTheRememberedOne) {
    ASSERT_TRUE(toplevels.isAvailable());
    test::FakeWorkspace desktop;
    WaylandWorkspace workspace(toplevels, desktop, {});
    const auto first = openWindow(QStringLiteral("org.mendrake.TestFirst"));
    const auto second = openWindow(QStringLiteral("org.mendrake.TestSecond"));

    const struct {
        ForeignToplevels::Toplevel target;
    } rows[] = {{first}, {second}, {first}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.target.appId.toStdString());
        ASSERT_TRUE(toplevels.activate(row.target.id));
        EXPECT_TRUE(eventually([&] { return toplevels.activated() && toplevels.activated()->id == row.target.id; }));
        if (qEnvironmentVariableIsSet("SWAYSOCK")) EXPECT_EQ(swayFocusedAppId(), row.target.appId);
        const auto front = workspace.frontmostApplication();
        ASSERT_TRUE(front);
        EXPECT_EQ(front->bundleID, row.target.appId);
        EXPECT_EQ(front->window, row.target.id);
        EXPECT_TRUE(workspace.holdsKeyboardFocus(*front));
    }

    // Windows open before the tracker started are known to it, the focused one included.
    ForeignToplevels late(connection);
    EXPECT_TRUE(eventually([&] { return late.activated() && late.toplevels().size() == 2; }));

    // A window that closed is not replaced by another window of its application.
    EXPECT_FALSE(workspace.activate({QStringLiteral("org.mendrake.TestSecond"), std::nullopt, 999999, {}}));
    EXPECT_FALSE(workspace.holdsKeyboardFocus({QStringLiteral("org.mendrake.TestFirst"), std::nullopt, second.id, {}}));
    EXPECT_FALSE(toplevels.activate(999999));
}

TEST_F(WaylandAdapters, VirtualKeyboardPastesWithTheKeyThatTypesVInTheUploadedKeymap) {
    // Stands for the user's own keyboard: the seat offers a keyboard before the window opens.
    VirtualKeyboardKeySynthesiser physical(connection, {});
    // A connection made while the seat has a keyboard knows its layout before anyone asks.
    EXPECT_FALSE(WaylandConnection().seatKeymap().empty());
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("pastes.log"));
    openWindow(QStringLiteral("org.mendrake.PasteTarget"), log);
    ASSERT_NE(clipboard.setSelection({{QStringLiteral("text/plain;charset=utf-8"), "typed by keys"}}), 0u);
    ASSERT_TRUE(changes.waitFor([](const Change& c) { return c.ownWrite.has_value(); }));

    const struct {
        const char* layout;
        const char* variant;
        std::uint32_t keycode;  // the position that types "v" there
        const char* groupName;
    } rows[] = {{"us", "", kV, "English (US)"}, {"us", "dvorak", kPeriod, "English (Dvorak)"}};
    int pastes = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.variant);
        VirtualKeyboardKeySynthesiser keys(connection, keymapText(row.layout, row.variant));
        ASSERT_TRUE(keys.isTrusted());
        keys.postKeyPress(row.keycode, Qt::ControlModifier);
        ++pastes;
        EXPECT_TRUE(eventually([&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) && file.readAll().count("text=typed by keys\n") == pastes;
        })) << "the target did not receive the paste";
        // The compositor now hands our keymap to every client, our own connection's seat included.
        const QByteArray group = QByteArray("name[Group1]=\"") + row.groupName + '"';
        EXPECT_TRUE(eventually([&] { return QByteArray::fromStdString(connection.seatKeymap()).contains(group); }));
        // The layout the paste engine asks finds "v" where the synthesiser typed it.
        EXPECT_EQ(WaylandKeyboardLayout(connection).characters({row.keycode}).at(0), QStringLiteral("v"));
        // A keyboard that follows the seat types with the layout switched to since it was made.
        physical.postKeyPress(row.keycode, Qt::ControlModifier);
        ++pastes;
        EXPECT_TRUE(eventually([&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) && file.readAll().count("text=typed by keys\n") == pastes;
        })) << "the keyboard following the seat typed with the layout it started with";
    }
}

// ---- the global-shortcuts portal, played by a fake on a private session bus ----

// Answers CreateSession and BindShortcuts as the portal does (a Response on the request path the
// caller's token names), keeps the shortcuts bound last, and reports the interface's version.
class FakePortal : public QDBusVirtualObject {
public:
    QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/1_1/mendrake");
    std::optional<std::map<QString, QString>> bound;  // id -> preferred trigger

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        const QList<QVariant> args = call.arguments();
        if (call.member() == u"Get") {
            bus.send(call.createReply(QVariant::fromValue(QDBusVariant(1u))));
        } else if (call.member() == u"CreateSession") {
            respond(call, bus, qdbus_cast<QVariantMap>(args.at(0)), {{QStringLiteral("session_handle"), session}});
        } else if (call.member() == u"BindShortcuts") {
            std::map<QString, QString> shortcuts;
            const QDBusArgument list = args.at(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString id;
                QVariantMap properties;
                list.beginStructure();
                list >> id >> properties;
                list.endStructure();
                shortcuts[id] = properties.value(QStringLiteral("preferred_trigger")).toString();
            }
            list.endArray();
            bound = shortcuts;
            respond(call, bus, qdbus_cast<QVariantMap>(args.at(3)), {});
        } else {
            return false;
        }
        return true;
    }

private:
    static void respond(const QDBusMessage& call, const QDBusConnection& bus, const QVariantMap& options,
                        const QVariantMap& results) {
        QString sender = call.service().mid(1);
        sender.replace(u'.', u'_');
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        QDBusMessage response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                           QStringLiteral("Response"));
        response << 0u << results;
        bus.send(response);
    }
};

TEST(PortalHotKeyService, BindsEachCombinationAsItsTriggerAndRunsTheHandlerOnActivation) {
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address=1")});
    ASSERT_TRUE(daemon.waitForReadyRead(5000));
    const QByteArray address = daemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    const auto pump = [](auto ready) {
        return eventually([&] { QCoreApplication::processEvents(); return ready(); });
    };

    EXPECT_FALSE(PortalHotKeyService::isOffered()) << "no portal on the bus yet";
    QDBusConnection portalBus = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("portal"));
    FakePortal portal;
    ASSERT_TRUE(portalBus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal));
    ASSERT_TRUE(portalBus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    EXPECT_TRUE(PortalHotKeyService::isOffered());

    std::vector<std::uint32_t> pressed;
    {
        PortalHotKeyService service([](std::uint32_t keycode) { return keycode == 55 ? QStringLiteral("v") : QString(); });
        service.installHandler([&](std::uint32_t id) { pressed.push_back(id); });
        EXPECT_FALSE(service.registerHotKey(9, Qt::ControlModifier, 3)) << "a key without a name";
        const auto handle = service.registerHotKey(55, Qt::ShiftModifier | Qt::MetaModifier, 7);
        ASSERT_TRUE(handle);
        ASSERT_TRUE(pump([&] { return portal.bound && portal.bound->size() == 1; }));
        EXPECT_EQ(portal.bound->at(QStringLiteral("mendrake-7")), QStringLiteral("SHIFT+LOGO+v"));

        for (const QString& session : {QStringLiteral("/other/session"), portal.session}) {
            QDBusMessage activated = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                                QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                                                QStringLiteral("Activated"));
            activated << QVariant::fromValue(QDBusObjectPath(session)) << QStringLiteral("mendrake-7")
                      << qulonglong(0) << QVariantMap();
            portalBus.send(activated);
        }
        EXPECT_TRUE(pump([&] { return !pressed.empty(); }));
        EXPECT_EQ(pressed, std::vector<std::uint32_t>{7}) << "only our session's activation counts";

        service.unregisterHotKey(*handle);
        EXPECT_TRUE(pump([&] { return portal.bound->empty(); }));
    }
    daemon.kill();
    daemon.waitForFinished();
}

}  // namespace

