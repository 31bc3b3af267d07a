// The Wayland adapters under a real compositor: wl-copy and wl-paste stand for other applications'
// copies and pastes, paste-target windows (Qt on Wayland) for the windows the user works in.
#include "FakeWorkspace.h"
#include "WaitFor.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/PortalHotKeyService.h"
#include "platform/wayland/VirtualKeyboardKeySynthesiser.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyboardLayout.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandWorkspace.h"

#include <QtDBus>  // and QtCore

#include <gtest/gtest.h>
#include <signal.h>
#include <xkbcommon/xkbcommon.h>

#include <future>
#include <mutex>

using namespace mendrake;
using namespace std::chrono_literals;
using Change = DataControlClipboard::Change;
using ReadResult = DataControlClipboard::ReadResult;
using Status = ReadResult::Status;

namespace {

// The text of the US Dvorak keyboard map.
QByteArray dvorakKeymap() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{nullptr, nullptr, "us", "dvorak", nullptr};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    const std::unique_ptr<char, void (*)(void*)> text(xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1), std::free);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return text.get();
}

class WaylandAdapters : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(connection.isConnected() && clipboard.isAvailable()) << "run under with-sway"; }

    QProcess* start(const QString& program, const QStringList& args, const QByteArray& input = {}) {
        QProcess* process = processes.emplace_back(std::make_unique<QProcess>()).get();
        process->start(program, args);
        EXPECT_TRUE(process->waitForStarted(5000)) << program.toStdString();
        process->write(input);
        while (process->bytesToWrite() > 0 && process->waitForBytesWritten(5000)) {}  // no event loop here
        process->closeWriteChannel();
        return process;
    }

    std::optional<Change> seenChange(const std::function<bool(const Change&)>& matches) {
        std::optional<Change> found;
        test::waitFor([&] {
            std::lock_guard lock(mutex);
            if (auto it = std::find_if(seen.rbegin(), seen.rend(), matches); it != seen.rend()) found = *it;
            return found.has_value();
        });
        return found;
    }

    // The result arrives on the clipboard's worker thread, which may outlive a failed wait.
    std::future<ReadResult> startRead(quint64 serial, const QString& mime, DataControlClipboard::Limits limits) {
        auto promise = std::make_shared<std::promise<ReadResult>>();
        clipboard.read(serial, mime, limits, [promise](ReadResult r) { promise->set_value(std::move(r)); });
        return promise->get_future();
    }

    Status readNow(quint64 serial, const QString& mime) {
        auto result = startRead(serial, mime, {});
        return result.wait_for(10s) == std::future_status::ready ? result.get().status : Status::Failed;
    }

    // A paste-target window with this application id; its pastes go to `log`.
    ForeignToplevels::Toplevel openWindow(const QString& appId, const QString& log = QStringLiteral("/dev/null")) {
        start(qEnvironmentVariable("PASTE_TARGET"), {log, appId});
        EXPECT_TRUE(test::waitFor([&] { return toplevels.activated() && toplevels.activated()->appId == appId; }))
            << appId.toStdString() << " never became the active toplevel";
        return toplevels.activated().value_or(ForeignToplevels::Toplevel{});
    }

    std::mutex mutex;
    std::vector<Change> seen;  // every selection event the clipboard reported
    WaylandConnection connection;
    DataControlClipboard clipboard{connection, [this](const Change& c) { std::lock_guard l(mutex); seen.push_back(c); }};
    ForeignToplevels toplevels{connection};
    std::vector<std::unique_ptr<QProcess>> processes;  // each killed when destroyed
};

TEST_F(WaylandAdapters, ReadsWhatWasCopiedWithinCapAndDeadline) {
    QByteArray everyByte;
    for (int i = 0; i < 256; ++i) everyByte += char(i);
    enum Source { theirs, ours, stalled };
    const struct { QByteArray bytes; qint64 cap; Source source; Status expected; const char* why; } rows[] = {
        {everyByte, 1 << 20, theirs, Status::Complete, "binary content, NULs included"},
        {QByteArray(1 << 20, 'x'), 1 << 20, theirs, Status::Complete, "exactly the cap"},
        {QByteArray((1 << 20) + 1, 'x'), 1 << 20, theirs, Status::TooLarge, "one byte past the cap"},
        {QByteArray(4 << 20, 'x'), 64 << 10, ours, Status::TooLarge, "our writer meets a closed pipe and lives"},
        {"never sent", 1 << 20, stalled, Status::TimedOut, "a source that never writes"},
    };
    const QString mime = QStringLiteral("application/x-test");
    std::optional<Change> previous;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        ::signal(SIGPIPE, SIG_DFL);  // QProcess ignores it from its first start; the library must not count on that
        const quint64 last = clipboard.current().serial;
        const quint64 id = row.source == ours ? clipboard.setSelection({{mime, row.bytes}}) : 0;
        if (!id) start("wl-copy", {"--foreground", "--type", mime}, row.bytes);  // another application copies
        const auto change = seenChange([&](auto& c) { return c.serial > last && c.ownWrite.value_or(0) == id; });
        ASSERT_TRUE(change);
        if (row.source == stalled) ::kill(pid_t(processes.back()->processId()), SIGSTOP);
        auto read = startRead(change->serial, mime, {row.source == stalled ? 700ms : 5000ms, row.cap});
        if (row.source == stalled) { EXPECT_EQ(read.wait_for(0s), std::future_status::timeout) << "read() waited"; }
        ASSERT_EQ(read.wait_for(10s), std::future_status::ready);
        const ReadResult result = read.get();
        EXPECT_EQ(std::pair(result.status, result.bytes),
                  std::pair(row.expected, row.expected == Status::Complete ? row.bytes : ""));
        EXPECT_EQ(readNow(change->serial, QStringLiteral("text/html")), Status::Gone) << "a type not offered";
        if (previous) { EXPECT_EQ(readNow(previous->serial, mime), Status::Gone) << "a replaced selection"; }
        previous = change;
    }
}

TEST_F(WaylandAdapters, PasteboardCountsAndReadsOnlyOthersCopies) {
    WaylandPasteboard board(connection);
    EXPECT_EQ(board.writeString("ours"), 1);
    // The baseline and then our own write arrive; neither moves the count, and ours is not read.
    EXPECT_TRUE(test::waitFor([&] { return !board.openOffer(1); }));
    EXPECT_EQ(board.changeCount(), 1);

    // Another client (the fixture's clipboard) copies text in two encodings, the Latin-1 one first;
    // each type serves its own bytes to other programs.
    using namespace pasteboard_type;
    const std::vector<std::pair<QString, QByteArray>> values{
        {"STRING", "caf\xe9"}, {"text/plain;charset=utf-8", "caf\xc3\xa9"}, {"text/html", "<b>caf\xc3\xa9</b>"}};
    clipboard.setSelection(values);
    ASSERT_TRUE(test::waitFor([&] { return board.changeCount() == 2; }));
    for (const auto& [mime, bytes] : values) {
        QProcess* paste = start("wl-paste", {"--no-newline", "--type", mime});
        ASSERT_TRUE(paste->waitForFinished(5000));
        EXPECT_EQ(paste->readAllStandardOutput(), bytes) << mime.toStdString();
    }
    const auto offer = board.openOffer(2);
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->types(0), (QStringList{string, html}));
    EXPECT_TRUE(offer->types(1).isEmpty() && !offer->data(1, string, 100)) << "there is one item only";
    EXPECT_EQ(offer->data(0, string, 100), QByteArray("caf\xc3\xa9")) << "text is read in UTF-8 when offered";
    EXPECT_TRUE(offer->unchanged());

    // The copy's owner goes away before the rest of the offer is read.
    clipboard.clearSelection();
    ASSERT_TRUE(test::waitFor([&] { return board.changeCount() == 3; }));
    EXPECT_TRUE(board.ownerQuit());
    EXPECT_EQ(offer->data(0, html, 100), std::nullopt);
    EXPECT_FALSE(offer->unchanged()) << "a half-read offer taken for the whole copy";
    board.writeString(QStringLiteral("restored"));
    EXPECT_FALSE(board.ownerQuit()) << "our write took the clipboard back";
}

TEST_F(WaylandAdapters, TracksActiveWindowActivatesOnlyRememberedOne) {
    ASSERT_TRUE(toplevels.isAvailable());
    test::FakeWorkspace desktop;
    WaylandWorkspace workspace(toplevels, desktop, {});
    const auto first = openWindow(QStringLiteral("org.mendrake.TestFirst"));
    const auto second = openWindow(QStringLiteral("org.mendrake.TestSecond"));

    for (const auto& target : {first, second, first}) {
        SCOPED_TRACE(target.appId.toStdString());
        ASSERT_TRUE(toplevels.activate(target.id));
        EXPECT_TRUE(test::waitFor([&] { return toplevels.activated() && toplevels.activated()->id == target.id; }));
        const auto front = workspace.frontmostApplication().value_or(RunningApplication{});
        EXPECT_EQ(std::tuple(front.appId, front.window, workspace.holdsKeyboardFocus(front)),
                  std::tuple(target.appId, target.id, true));
    }

    ForeignToplevels late(connection);  // knows the windows opened before it, the focused one included
    EXPECT_TRUE(test::waitFor([&] { return late.activated() && late.toplevels().size() == 2; }));

    // A window that closed is not replaced by another window of its application.
    EXPECT_FALSE(workspace.activate({QStringLiteral("org.mendrake.TestSecond"), std::nullopt, 999999, {}}));
    EXPECT_FALSE(workspace.holdsKeyboardFocus({QStringLiteral("org.mendrake.TestFirst"), std::nullopt, second.id, {}}));
}

TEST_F(WaylandAdapters, PastesWithTheKeyThatTypesVInTheUploadedKeymap) {
    // Stands for the user's own keyboard: the seat offers a keyboard before the window opens.
    VirtualKeyboardKeySynthesiser physical(connection, {});
    EXPECT_FALSE(WaylandConnection().seatKeymap().empty()) << "a new connection knows the seat's layout";
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("pastes.log"));
    openWindow(QStringLiteral("org.mendrake.PasteTarget"), log);
    ASSERT_NE(clipboard.setSelection({{QStringLiteral("text/plain;charset=utf-8"), "typed by keys"}}), 0u);
    ASSERT_TRUE(seenChange([](const Change& c) { return c.ownWrite.has_value(); }));
    const auto pastes = [&] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? file.readAll().count("text=typed by keys\n") : 0;
    };

    // Dvorak types "v" at X keycode 60, where the US layout the seat started with has the full stop.
    VirtualKeyboardKeySynthesiser keys(connection, dvorakKeymap());
    ASSERT_TRUE(keys.isTrusted());
    keys.postKeyPress(60, Qt::ControlModifier);
    EXPECT_TRUE(test::waitFor([&] { return pastes() == 1; })) << "the target did not receive the paste";
    // The compositor now hands our keymap to every client, our own connection's seat included.
    EXPECT_TRUE(test::waitFor([&] { return connection.seatKeymap().find("\"English (Dvorak)\"") != std::string::npos; }));
    EXPECT_EQ(WaylandKeyboardLayout(connection).characters({60}).at(0), "v");
    physical.postKeyPress(60, Qt::ControlModifier);
    EXPECT_TRUE(test::waitFor([&] { return pastes() == 2; })) << "the keyboard following the seat kept its first layout";
}

// Plays the global-shortcuts portal on a private bus: answers CreateSession and BindShortcuts with
// a Response on the request path the caller's token names, and keeps the shortcuts bound last.
class FakePortal : public QDBusVirtualObject {
public:
    QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/1_1/mendrake");
    std::optional<std::map<QString, QString>> bound;  // id -> preferred trigger

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        const QList<QVariant> args = call.arguments();
        if (call.member() == u"Get") return bus.send(call.createReply(QVariant::fromValue(QDBusVariant(1u))));
        if (call.member() == u"CreateSession") return respond(call, bus, args.at(0), {{QStringLiteral("session_handle"), session}});
        if (call.member() != u"BindShortcuts") return false;
        bound.emplace();
        for (const auto& [id, properties] : qdbus_cast<QList<QPair<QString, QVariantMap>>>(args.at(1)))
            (*bound)[id] = properties.value(QStringLiteral("preferred_trigger")).toString();
        return respond(call, bus, args.at(3), {});
    }

private:
    static bool respond(const QDBusMessage& call, const QDBusConnection& bus, const QVariant& options,
                        const QVariantMap& results) {
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(call.service().mid(1).replace(u'.', u'_'),
                                      qdbus_cast<QVariantMap>(options).value(QStringLiteral("handle_token")).toString());
        bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        return bus.send(QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response") << 0u << results);
    }
};

TEST(PortalHotKeyService, BindsEachCombinationAndRunsOnlyOurActivation) {
    QProcess daemon;  // killed when the test ends
    daemon.start(QStringLiteral("dbus-daemon"), QStringLiteral("--session --nofork --print-address=1").split(u' '));
    ASSERT_TRUE(daemon.waitForReadyRead(5000));
    const QByteArray address = daemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);

    const QString desktop = QStringLiteral("/org/freedesktop/portal/desktop");
    const bool offeredBefore = PortalHotKeyService::isOffered();
    QDBusConnection portalBus = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("portal"));
    FakePortal portal;
    ASSERT_TRUE(portalBus.registerVirtualObject(desktop, &portal));
    ASSERT_TRUE(portalBus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    EXPECT_EQ(std::pair(offeredBefore, PortalHotKeyService::isOffered()), std::pair(false, true));

    std::vector<std::uint32_t> pressed;
    PortalHotKeyService service([](std::uint32_t keycode) { return keycode == 55 ? QStringLiteral("v") : QString(); });
    service.installHandler([&](std::uint32_t id) { pressed.push_back(id); });
    EXPECT_FALSE(service.registerHotKey(9, Qt::ControlModifier, 3)) << "a key without a name";
    const auto handle = service.registerHotKey(55, Qt::ShiftModifier | Qt::MetaModifier, 7);
    ASSERT_TRUE(handle);
    ASSERT_TRUE(test::waitFor([&] { return portal.bound && portal.bound->size() == 1; }));
    EXPECT_EQ(portal.bound->at(QStringLiteral("mendrake-7")), QStringLiteral("SHIFT+LOGO+v"));

    for (const QString& session : {QStringLiteral("/other/session"), portal.session})
        portalBus.send(QDBusMessage::createSignal(desktop, "org.freedesktop.portal.GlobalShortcuts", "Activated")
                       << QVariant::fromValue(QDBusObjectPath(session)) << "mendrake-7" << 0ull << QVariantMap());
    EXPECT_TRUE(test::waitFor([&] { return !pressed.empty(); }));
    EXPECT_EQ(pressed, std::vector<std::uint32_t>{7}) << "only our session's activation counts";

    service.unregisterHotKey(*handle);
    EXPECT_TRUE(test::waitFor([&] { return portal.bound->empty(); }));
}

}  // namespace
