// The capture path on a real X server (inside tests/support/with-x11): our own clipboard owner
// copies, the X11 pasteboard and workspace read, the monitor decides. Only what X11 adds to the unit
// tables' rules is checked here (the kinds read from other clients are the end-to-end capture script's).
#include "PreferencesFixture.h"
#include "WaitFor.h"
#include "capture/AppIcon.h"
#include "capture/Classification.h"
#include "capture/ClipboardMonitor.h"
#include "platform/x11/SystemClock.h"
#include "platform/x11/ThreadTaskRunner.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace mendrake {
namespace {

using namespace test;
namespace pt = pasteboard_type;

// A file in a folder of this process's own (the X11 test groups run in parallel), or at an absolute path.
QString writeFile(const QString& name, const QByteArray& bytes) {
    static QTemporaryDir dir;
    QFile file(name.startsWith(u'/') ? name : dir.filePath(name));
    EXPECT_TRUE(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    return file.fileName();
}

void writeEntry(const QString& dataDir, const QString& fileName, const QByteArray& body) {
    writeFile(dataDir + "/applications/" + fileName, "[Desktop Entry]\nType=Application\nExec=true\n" + body);
}

// A short command's output; the event loop keeps running meanwhile, as the command may read our clipboard.
QByteArray run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    waitFor([&] { return process.state() == QProcess::NotRunning; }, 10000);
    return process.readAllStandardOutput();
}

// Our owner offering several types at once, until it loses the clipboard or the process is destroyed.
std::unique_ptr<QProcess> ownerCopy(QStringList args, const std::vector<std::pair<QString, QByteArray>>& offers) {
    auto process = std::make_unique<QProcess>();
    for (auto& [type, bytes] : offers) args << type + u'=' + writeFile(QString("offer%1.bin").arg(args.size()), bytes);
    process->start(CLIP_OWNER_PATH, args);
    process->waitForReadyRead(5000);  // "owned"
    return process;
}

// An xterm with the given WM_CLASS, active in front, closed when this goes out of scope.
struct Window {
    QProcess process;
    QString id;

    explicit Window(const QString& windowClass) {
        process.start("xterm", {"-class", windowClass, "-e", "sleep", "300"});
        id = run("xdotool", {"search", "--sync", "--onlyvisible", "--class", "^" + windowClass + "$", "windowactivate",
                             "--sync", "getactivewindow"}).trimmed();
    }
};

class CaptureX11 : public ::testing::Test, protected PreferencesFixture {
protected:
    SystemClock systemClock;  // the monitor polls in real time
    X11Pasteboard board;
    X11Workspace workspace;
    ThreadTaskRunner reads;
    std::vector<CapturedClip> captured;
    ClipboardMonitor monitor{board, workspace, prefs, systemClock, reads, log};

    void SetUp() override {
        monitor.onCapture = [this](const CapturedClip& clip) { captured.push_back(clip); };
        monitor.start();
    }
    std::optional<CapturedClip> nextCapture(int ms = 3000) {
        const size_t before = captured.size();
        return waitFor([&] { return captured.size() > before; }, ms) ? std::optional(captured.back()) : std::nullopt;
    }
    // Runs `copy`, waits until the monitor has looked at the change it made, then up to `ms` for its capture.
    std::optional<CapturedClip> capture(const std::function<void()>& copy, int ms) {
        const qint64 since = board.changeCount();
        const size_t before = captured.size();  // the capture may arrive while the monitor is awaited
        copy();
        EXPECT_TRUE(waitFor([&] { return board.changeCount() > since; }) &&
                    waitFor([&] { return monitor.lastChangeCount() == board.changeCount(); }));
        return waitFor([&] { return captured.size() > before; }, ms) ? std::optional(captured.back()) : std::nullopt;
    }
};

TEST_F(CaptureX11, RefusedCopiesAndSourceByOwnerWindow) {
    prefs.setExcludedAppIds({"secretkeeper"});
    Window notes("ExampleNotes");
    std::unique_ptr<QProcess> owner;
    // `source`: the application credited, empty when the copy is refused.
    const struct { const char* why; QStringList options; QString source; QString extra = "x-note"; } rows[] = {
        {"a password manager's hint", {}, {}, "x-kde-passwordManagerHint"},
        {"the ignored application's window, another in front", {"--class", "SecretKeeper"}, {}},
        {"named by the ignored client leader", {"--leader", "SecretKeeper"}, {}},
        {"a window naming no application: the one in front", {}, "ExampleNotes"},
        {"another application's window", {"--class", "PaperWriter"}, "PaperWriter"},
        {"named by a managed window of its process", {"--pid", "PaperWriter"}, "PaperWriter"},
    };
    for (const auto& row : rows) {
        const auto clip = capture([&] { owner = ownerCopy(row.options, {{"text/plain", "copied"}, {row.extra, "x"}}); },
                                  row.source.isEmpty() ? 1000 : 3000);
        EXPECT_EQ(clip ? clip->sourceAppName.value_or("none") : QString(), row.source) << row.why;
    }
    EXPECT_EQ(run("xdotool", {"getactivewindow"}).trimmed(), notes.id.toUtf8()) << "not credited through the focus";
}

TEST_F(CaptureX11, OwnWritesServedUnderXNamesNotRecorded) {
    auto output = [](const char* type) { return run("xclip", {"-o", "-selection", "clipboard", "-t", type}); };
    monitor.ignoredChangeCounts.insert(board.writeString("written by us"));
    EXPECT_EQ(output("UTF8_STRING"), "written by us");
    monitor.ignoredChangeCounts.insert(
        board.writeItem({{pt::string, "two"}, {pt::html, "<i>two</i>"}, {pt::fileURL, "file:///tmp/x\r\n"}}));
    EXPECT_EQ(output("text/html"), "<i>two</i>");
    EXPECT_EQ(output("x-special/gnome-copied-files"), "copy\nfile:///tmp/x");
    monitor.ignoredChangeCounts.insert(board.writeFileURLs({QUrl::fromLocalFile("/tmp/a b"), QUrl::fromLocalFile("/tmp/c")}));
    EXPECT_EQ(output("text/uri-list"), "file:///tmp/a%20b\r\nfile:///tmp/c\r\n");
    settle(1000);
    EXPECT_TRUE(captured.empty());
}

TEST_F(CaptureX11, OwnersThatHangOrDieNeverBlockMainThread) {
    const QByteArray big(2 * 1024 * 1024, 'z');  // incrementally sent
    for (const auto& [options, kept] : std::vector<std::pair<QStringList, bool>>{
             {{"--hang", "TARGETS"}, false}, {{"--hang", "image/png"}, false}, {{"--die-mid", "image/png"}, false},
             {{"--slow", "image/png"}, true}}) {
        SCOPED_TRACE(options.join(u' ').toStdString());
        const qsizetype logged = log.lines.size();
        auto owner = ownerCopy(options, {{"text/plain", "caption"}, {"image/png", big}});
        QElapsedTimer timer;
        timer.start();
        qint64 last = 0, longestTurn = 0;
        ASSERT_TRUE(waitFor([&] {
            longestTurn = std::max(longestTurn, timer.elapsed() - last);
            last = timer.elapsed();
            return !captured.empty() || log.lines.size() > logged;
        }, 6000));
        EXPECT_LT(longestTurn, 500) << "the main thread kept answering";
        ASSERT_EQ(!captured.empty(), kept);
        EXPECT_TRUE(kept ? captured.front().representations.at(pt::png) == big : timer.elapsed() < 4000)
            << "read whole, or dropped at the deadline";

        auto next = ownerCopy({}, {{"text/plain", "next copy"}});
        ASSERT_TRUE(waitFor([&] { return !captured.empty() && captured.back().text == "next copy"; }));
        captured.clear();
    }
}

TEST_F(CaptureX11, ACopyMadeMidReadIsNeverMixedIn) {
    std::unique_ptr<QProcess> plain, secret;
    capture([&] { plain = ownerCopy({"--slow", "text/plain"}, {{"text/plain", "plain words"}, {"text/html", "<b>plain</b>"}}); }, 0);
    QThread::msleep(200);
    secret = ownerCopy({}, {{"text/plain", "hunter2"}, {"text/html", "<b>hunter2</b>"}, {"x-kde-passwordManagerHint", "secret"}});
    // The main thread is busy meanwhile: the read's answer arrives before it hears of the new copy.
    QThread::msleep(1500);
    EXPECT_FALSE(nextCapture(1500));
    for (const CapturedClip& clip : captured)
        for (const auto& [type, bytes] : clip.representations) EXPECT_FALSE(bytes.contains("hunter2")) << type.toStdString();
}

TEST_F(CaptureX11, HugeOfferLeftOutMemoryBounded) {
    QByteArray huge(200 * 1024 * 1024, 'h');
    auto owner = ownerCopy({}, {{"text/plain", "small caption"}, {"application/x-huge", huge}});
    huge = QByteArray();
    auto clip = nextCapture(30000);
    ASSERT_TRUE(clip);
    EXPECT_TRUE(clip->text == "small caption" && !clip->representations.count("application/x-huge"));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // The test itself held the 200 MiB once; reading holds at most the cap on top.
    EXPECT_LT(usage.ru_maxrss / 1024, 200 + 50 + 100) << "peak RSS MiB";
}

class WorkspaceX11 : public ::testing::Test {
protected:
    // Each test reads its own data directory, so entries do not leak between tests.
    QString dataDir = qEnvironmentVariable("XDG_DATA_HOME") + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(WorkspaceX11, IdentityByGtkIdStartupClassFileNameClass) {
    writeEntry(dataDir, "org.example.ByClass.desktop", "Name=By Class\nStartupWMClass=WinByClass\n");
    writeEntry(dataDir, "winbyfile.desktop", "Name=By File\nName[de]=Nach Datei\n");
    writeEntry(dataDir, "org.example.Gtk.desktop", "Name=Gtk App\n");
    X11Workspace ws({dataDir});
    for (const auto& [windowClass, gtkId, id, name] : std::vector<std::array<QString, 4>>{
             {"WinByClass", "", "org.example.ByClass", "By Class"},
             {"WinByFile", "", "winbyfile", "By File"},
             {"WinUnknown", "", "WinUnknown", "WinUnknown"},
             {"WinGtk", "org.example.Gtk", "org.example.Gtk", "Gtk App"}}) {
        SCOPED_TRACE(windowClass.toStdString());
        Window w(windowClass);
        if (!gtkId.isEmpty())
            run("xprop", {"-id", w.id, "-f", "_GTK_APPLICATION_ID", "8u", "-set", "_GTK_APPLICATION_ID", gtkId});
        const auto front = ws.frontmostApplication().value_or(RunningApplication{});
        EXPECT_EQ(std::tuple(front.appId, front.localizedName, front.window),
                  std::tuple(std::optional(id), std::optional(name), w.id.toULongLong()));
    }
}

TEST_F(WorkspaceX11, ActivatesOnlyTheRememberedWindow) {
    X11Workspace ws({dataDir});
    Window first("FirstApp");
    auto remembered = ws.frontmostApplication();
    Window second("SecondApp");
    const auto front = ws.frontmostApplication();
    ASSERT_EQ(front->appId, "SecondApp");
    EXPECT_TRUE(waitFor([&] { return ws.holdsKeyboardFocus(*front); }));

    ASSERT_TRUE(ws.activate(*remembered));
    EXPECT_TRUE(waitFor([&] { return ws.holdsKeyboardFocus(*remembered); }));
    EXPECT_FALSE(ws.holdsKeyboardFocus(*front));
    // No remembered window, or one that is gone: never another window of the application.
    EXPECT_FALSE(ws.activate(RunningApplication{QString("SecondApp"), std::nullopt, 0, {}}));
    EXPECT_FALSE(ws.activate(RunningApplication{QString("FirstApp"), std::nullopt, 0x7ffffff, {}}));
}

TEST_F(WorkspaceX11, InstalledAppsSortedVisibleReReadWithIcons) {
    ASSERT_TRUE(QDir().mkpath(dataDir));
    X11Workspace ws({dataDir});
    EXPECT_TRUE(ws.installedApplications().empty());
    // The applications folder appears only after the workspace started.
    QImage source(96, 96, QImage::Format_ARGB32);
    source.fill(Qt::magenta);
    const QString iconPath = writeFile("icon.png", {});
    ASSERT_TRUE(source.save(iconPath));
    writeEntry(dataDir, "zeta.desktop", "Name=Zeta\nIcon=" + iconPath.toUtf8() + "\n");
    writeEntry(dataDir, "alpha.desktop", "Name=Alpha\n");
    writeEntry(dataDir, "hidden.desktop", "Name=Hidden\nNoDisplay=true\n");
    writeEntry(dataDir, "gone.desktop", "Name=Gone\nHidden=true\n");
    auto names = [&] {
        QStringList out;
        for (auto& app : ws.installedApplications()) out << app.name;
        return out;
    };
    EXPECT_TRUE(waitFor([&] { return names() == QStringList({"Alpha", "Zeta"}); }));
    EXPECT_TRUE(ws.applicationLocation("hidden")) << "hidden from lists, still an application";
    EXPECT_FALSE(ws.applicationLocation("gone"));
    writeEntry(dataDir, "middle.desktop", "Name=Middle\n");
    EXPECT_TRUE(waitFor([&] { return names() == QStringList({"Alpha", "Middle", "Zeta"}); }));

    const QImage icon = AppIcons(ws).appIcon(QString("zeta")).value_or(QImage());
    EXPECT_TRUE(icon.size() == QSize(32, 32) && QColor(icon.pixel(16, 16)) == QColor(Qt::magenta));

    // A file clip may name a FIFO (opening one blocks until a writer comes) or a link to one.
    for (const QString name : {"pipe", "pipe.desktop", "pipe.txt"}) {
        const QString path = QFileInfo(iconPath).dir().filePath(name);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(path, path + ".link.desktop"));
        for (const QString& file : {path, path + ".link.desktop"}) (void)ws.iconForFile(file, 20);
    }
}

}  // namespace
}  // namespace mendrake
