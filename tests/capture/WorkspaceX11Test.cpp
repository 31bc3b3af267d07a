// The X11 workspace against a real window manager: which application is in front, activating
// one, and the installed applications from desktop entries.
#include "X11Session.h"

#include "capture/AppIcon.h"
#include "platform/x11/X11Workspace.h"

#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mendrake {
namespace {

using namespace test;

class WorkspaceX11 : public ::testing::Test {
protected:
    // Each test reads its own data directory, so entries do not leak between tests.
    QString dataDir = qEnvironmentVariable("XDG_DATA_HOME") + "/" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name();
    QString apps = dataDir + "/applications";

    void SetUp() override { QDir().mkpath(apps); }
    void writeEntry(const QString& fileName, const QByteArray& body) {
        QFile file(apps + "/" + fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Desktop Entry]\nType=Application\nExec=true\n" + body);
    }
    X11Workspace workspace() { return X11Workspace({dataDir}); }
};

TEST_F(WorkspaceX11, IdentityByGtkIdStartupClassFileNameClass) {
    writeEntry("org.example.ByClass.desktop", "Name=By Class\nStartupWMClass=WinByClass\n");
    writeEntry("winbyfile.desktop", "Name=By File\nName[de]=Nach Datei\n");
    writeEntry("org.example.Gtk.desktop", "Name=Gtk App\n");
    X11Workspace ws = workspace();

    const struct {
        QString windowClass, gtkId, id, name;
    } cases[] = {
        {"WinByClass", "", "org.example.ByClass", "By Class"},
        {"WinByFile", "", "winbyfile", "By File"},
        {"WinUnknown", "", "WinUnknown", "WinUnknown"},
        {"WinGtk", "org.example.Gtk", "org.example.Gtk", "Gtk App"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.windowClass.toStdString());
        Window w(c.windowClass);
        if (!c.gtkId.isEmpty())
            run("xprop", {"-id", w.id, "-f", "_GTK_APPLICATION_ID", "8u", "-set", "_GTK_APPLICATION_ID", c.gtkId});
        auto front = ws.frontmostApplication();
        ASSERT_TRUE(front);
        EXPECT_EQ(std::make_tuple(front->appId, front->localizedName, front->window),
                  std::make_tuple(std::optional(c.id), std::optional(c.name), w.id.toULongLong()));
    }
}

TEST_F(WorkspaceX11, ActivatesOnlyTheRememberedWindow) {
    X11Workspace ws = workspace();
    Window first("FirstApp");
    auto remembered = ws.frontmostApplication();
    Window second("SecondApp");
    const auto front = ws.frontmostApplication();
    ASSERT_EQ(front->appId, "SecondApp");
    EXPECT_TRUE(waitFor([&] { return ws.holdsKeyboardFocus(*front); }));
    EXPECT_FALSE(ws.holdsKeyboardFocus(*remembered));

    ASSERT_TRUE(ws.activate(*remembered));
    EXPECT_TRUE(waitFor([&] { return ws.holdsKeyboardFocus(*remembered); }));
    EXPECT_FALSE(ws.holdsKeyboardFocus(*front));
    // No remembered window, or one that is gone: never another window of the application.
    EXPECT_FALSE(ws.activate(RunningApplication{QString("SecondApp"), std::nullopt, 0}));
    EXPECT_FALSE(ws.activate(RunningApplication{QString("FirstApp"), std::nullopt, 0x7ffffff}));
}

TEST_F(WorkspaceX11, InstalledAppsSortedVisibleReReadWithIcons) {
    QDir(apps).removeRecursively();
    X11Workspace ws = workspace();
    EXPECT_TRUE(ws.installedApplications().empty());
    // The applications folder appears only after the workspace started.
    QDir().mkpath(apps);
    QImage source(96, 96, QImage::Format_ARGB32);
    source.fill(Qt::magenta);
    const QString iconPath = writeFile("icon.png", {});
    ASSERT_TRUE(source.save(iconPath));
    writeEntry("zeta.desktop", "Name=Zeta\nIcon=" + iconPath.toUtf8() + "\n");
    writeEntry("alpha.desktop", "Name=Alpha\n");
    writeEntry("hidden.desktop", "Name=Hidden\nNoDisplay=true\n");
    writeEntry("gone.desktop", "Name=Gone\nHidden=true\n");
    auto names = [&] {
        QStringList out;
        for (auto& app : ws.installedApplications()) out << app.name;
        return out;
    };
    EXPECT_TRUE(waitFor([&] { return names() == QStringList({"Alpha", "Zeta"}); }));
    EXPECT_TRUE(ws.applicationLocation("hidden")) << "hidden from lists, still an application";
    EXPECT_FALSE(ws.applicationLocation("gone"));
    writeEntry("middle.desktop", "Name=Middle\n");
    EXPECT_TRUE(waitFor([&] { return names() == QStringList({"Alpha", "Middle", "Zeta"}); }));

    AppIcons icons(ws);
    const QImage icon = icons.appIcon(QString("zeta")).value_or(QImage());
    EXPECT_TRUE(icon.size() == QSize(32, 32) && QColor(icon.pixel(16, 16)) == QColor(Qt::magenta));
    EXPECT_FALSE(icons.appIcon(QString("org.example.Missing")));

    // A file clip may name a FIFO (opening one blocks until a writer comes) or a link to one.
    for (const QString name : {"pipe", "pipe.desktop", "pipe.txt"}) {
        const QString path = QFileInfo(iconPath).dir().filePath(name);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        (void)ws.iconForFile(path, 20);
        const QString link = path + ".link.desktop";
        ASSERT_TRUE(QFile::link(path, link));
        (void)ws.iconForFile(link, 20);
    }
}

}  // namespace
}  // namespace mendrake
