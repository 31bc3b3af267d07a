// Shows the panel over a history of every kind (or an empty one with --empty), for looking at it
// and for screenshots: panel_demo [--empty] [--select N] [--query TEXT] [--filter NAME] [--decoding]
// (--decoding: preview images never finish decoding)
#include "PanelTestEnv.h"
#include "FakeTaskRunner.h"
#include "FakeWorkspace.h"
#include "capture/AppIcon.h"
#include "panel/FloatingPanel.h"
#include "panel/PanelController.h"
#include "panel/PanelViewModel.h"
#include "platform/x11/X11PanelWindowSystem.h"
#include "PanelSampleHistory.h"

#include <QApplication>
#include <QCommandLineParser>

using namespace mendrake;
using namespace mendrake::test;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions({{"empty", "empty history"}, {"select", "row to select", "N"}, {"query", "query", "TEXT"},
                     {"filter", "filter title", "NAME"}, {"pause", "capture paused"},
                     {"decoding", "images still decoding"}});
    args.process(app);

    PanelTestEnv env;
    FakeWorkspace workspace;
    if (!args.isSet("empty")) addSampleHistory(env, workspace);
    if (args.isSet("pause")) env.prefs.setPausedUntil(env.clock.now() + 600);
    AppIcons icons(workspace);
    PanelViewModel model(env.store, env.prefs, env.clock);
    FakeTaskRunner decoder;
    decoder.hold = true;
    if (args.isSet("decoding")) model.decodeImagesOn(decoder);
    X11PanelWindowSystem windows;
    PanelController controller(model, workspace, icons, windows);
    controller.panel().onFocusLost = nullptr;  // stay up for the screenshot
    controller.show();
    if (args.isSet("filter"))
        if (auto f = clipFilterFromRaw(args.value("filter"))) model.setFilter(*f);
    if (args.isSet("query")) model.setQuery(args.value("query"));
    if (args.isSet("select")) model.moveSelection(args.value("select").toInt());
    return app.exec();
}
