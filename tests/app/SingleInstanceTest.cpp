#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <unistd.h>
#include <thread>

namespace mendrake {
namespace {

using Kind = InstanceRequest::Kind;

struct SingleInstanceTest : ::testing::Test {
    // Runs a later launch on its own thread (it blocks) while this thread serves events.
    SingleInstance::Outcome launch(const QByteArray& request, InstanceReply* reply) {
        std::atomic<int> outcome{-1};
        std::thread thread([&] { outcome = int(SingleInstance(lock, socket).claimOrSend(request, reply, 2000)); });
        QElapsedTimer timer;
        timer.start();
        while (outcome < 0 && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        thread.join();
        return SingleInstance::Outcome(outcome.load());
    }

    QTemporaryDir dir;
    QString lock = dir.filePath("store/instance.lock");
    QString socket = dir.filePath("mendrake.socket");
};

// The lock decides: a socket file left by a crashed process is replaced, a later launch reaches the
// holder, and nobody else can take the lock while the holder lives.
TEST_F(SingleInstanceTest, LockHolderServesLaterLaunches) {
    QFile(socket).open(QIODevice::WriteOnly);
    SingleInstance running(lock, socket);
    ASSERT_EQ(running.claimOrSend("reopen", nullptr, 200), SingleInstance::Outcome::holdsLock);
    QList<QByteArray> received;
    ASSERT_TRUE(running.listen([&](const QByteArray& line) {
        received << line;
        return InstanceReply{line != "quit", QStringLiteral("answer to ") + QString::fromLatin1(line)};
    }));
    InstanceReply reply;
    EXPECT_EQ(launch("pause 15", &reply), SingleInstance::Outcome::answered);
    EXPECT_TRUE(reply.ok && reply.text == "answer to pause 15");
    EXPECT_EQ(launch("quit", &reply), SingleInstance::Outcome::answered);
    EXPECT_FALSE(reply.ok) << "a refusal reaches the sender";
    EXPECT_EQ(received, (QList<QByteArray>{"pause 15", "quit"}));
    EXPECT_FALSE(SingleInstance(lock, socket).tryLock());
    running.releaseLock();
    EXPECT_TRUE(SingleInstance(lock, socket).tryLock()) << "the lock is free once its holder is gone";
}

// The socket lives in the runtime directory, or in the temporary one when that is unset or missing.
TEST_F(SingleInstanceTest, SocketPathFollowsTheRuntimeDirectory) {
    const QString fallback = QDir::tempPath() + QStringLiteral("/mendrake-%1.socket").arg(getuid());
    const std::optional<QByteArray> saved =
        qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") ? std::optional(qgetenv("XDG_RUNTIME_DIR")) : std::nullopt;
    for (auto [runtime, expected] : {std::pair{QString(), fallback}, {dir.filePath("gone"), fallback},
                                     {dir.path(), dir.filePath("mendrake.socket")}}) {
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        EXPECT_EQ(SingleInstance::defaultSocketPath(), expected) << runtime.toStdString();
    }
    saved ? qputenv("XDG_RUNTIME_DIR", *saved) : qunsetenv("XDG_RUNTIME_DIR");
}

// A holder that does not answer (stopped, or busy) makes a later launch give up at its deadline
// instead of taking over; the socket takes one short line, and longer input, silence and junk are
// cut off without an answer, never reaching the handler.
TEST_F(SingleInstanceTest, SilentHoldersAndForeignConnectionsAreGivenUpOn) {
    SingleInstance running(lock, socket);
    ASSERT_TRUE(running.tryLock());
    SingleInstance later(lock, socket);
    InstanceReply reply;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(later.claimOrSend("show", &reply, 300), SingleInstance::Outcome::noAnswer);
    EXPECT_GE(timer.elapsed(), 300);
    EXPECT_FALSE(later.holdsLock());

    int handled = 0;
    ASSERT_TRUE(running.listen([&](const QByteArray&) { return ++handled, InstanceReply{}; }));
    for (const QByteArray& bytes : {QByteArray(SingleInstance::maxRequestBytes * 4, 'x') + '\n', QByteArray("show"),
                                    QByteArray()}) {
        QLocalSocket client;
        client.connectToServer(socket);
        ASSERT_TRUE(client.waitForConnected(1000));
        client.write(bytes);
        client.flush();
        timer.restart();
        while (client.state() == QLocalSocket::ConnectedState && timer.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(client.state() != QLocalSocket::ConnectedState && timer.elapsed() < SingleInstance::idleTimeoutMs + 1000)
            << bytes.left(8).constData() << " kept open";
    }
    EXPECT_EQ(handled, 0);
}

// Options become requests sent over the socket, which decodes only the lines this version sends.
TEST(CommandLine, OptionsBecomeRequestsMistakesUsageErrors) {
    using Action = CommandLine::Action;
    const struct {
        QStringList args;
        Action action;
        InstanceRequest request;
    } cases[] = {
        {{}, Action::start, {}},                         {{"--show"}, Action::request, {Kind::show}},
        {{"--toggle"}, Action::request, {Kind::toggle}}, {{"--settings"}, Action::request, {Kind::settings}},
        {{"--pause"}, Action::request, {Kind::pause, 0}}, {{"--pause=30"}, Action::request, {Kind::pause, 30}},
        {{"--pause=10080"}, Action::request, {Kind::pause, 10080}},
        {{"--resume"}, Action::request, {Kind::resume}}, {{"--quit"}, Action::request, {Kind::quit}},
        {{"--version"}, Action::version, {}},            {{"--help"}, Action::help, {}},
        {{"--pause=0"}, Action::usageError, {}},         {{"--pause=10081"}, Action::usageError, {}},
        {{"--pause=ten"}, Action::usageError, {}},       {{"--pause", "5"}, Action::usageError, {}},
        {{"--show", "--quit"}, Action::usageError, {}},  {{"--frobnicate"}, Action::usageError, {}},
    };
    for (const auto& [args, action, request] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CommandLine parsed = parseCommandLine(QStringList{"mendrake"} + args);
        EXPECT_EQ(parsed.action, action);
        if (action == Action::request) {
            EXPECT_EQ(parsed.request, request);
            EXPECT_EQ(InstanceRequest::decode(request.encode()), request);
        }
        EXPECT_EQ(parsed.text.isEmpty(), action == Action::start || action == Action::request);
    }
    EXPECT_EQ(InstanceRequest::decode(InstanceRequest{Kind::reopen}.encode()), InstanceRequest{Kind::reopen});
    for (const char* junk : {"", "Show", "show ", "show 5", "pause 0", "pause -5", "pause 015", "pause 5 5",
                             "pause 99999999", "pause x", "quit\r"})
        EXPECT_EQ(InstanceRequest::decode(junk), std::nullopt) << junk;
}

}  // namespace
}  // namespace mendrake
