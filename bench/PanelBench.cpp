// Panel benchmarks over a real history of 100,000 rows of typical clipboard text, the panel model
// holding its window of 5,000:
//   - a keystroke's refresh when the window alone yields 300 matches;
//   - a keystroke's refresh that falls back to the full-text index;
//   - prepareForShow;
//   - with a display (run under tests/support/with-x11): show until the panel is mapped and has the
//     keyboard.
// Resident memory: `bench_panel --rss full|empty` prints VmRSS of a process holding the model and
// the panel over the 100,000-row history or over an empty one.
#include "FakeWorkspace.h"
#include "PreferencesFixture.h"
#include "capture/AppIcon.h"
#include "panel/FloatingPanel.h"
#include "panel/PanelController.h"
#include "panel/PanelViewModel.h"
#include "platform/x11/X11PanelWindowSystem.h"
#include "prefs/Preferences.h"
#include "store/HistoryStore.h"
#include "Database.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <cstring>
#include <iostream>
#include <random>

using namespace mendrake;
using namespace mendrake::test;

namespace {

constexpr int historyRows = 100'000;
// A word that about one row in 400 holds: about 12 in the window, about 250 in the whole history.
const QString rareWord = QStringLiteral("zephyrine");

QString benchDirectory(bool empty) {
    return QDir::tempPath() + (empty ? "/mendrake-bench-panel-empty" : "/mendrake-bench-panel");
}

// Sentences, links, paths and code lines from a fixed vocabulary, like a real clipboard.
class TextGenerator {
public:
    QString next() {
        const int shape = int(rng_() % 10);
        if (shape == 0) return "https://www." + word() + ".com/" + word() + "/" + word() + "?id=" + QString::number(rng_() % 100000);
        if (shape == 1) return "/home/user/" + word() + "/" + word() + "_" + word() + ".txt";
        if (shape == 2) return "const " + word() + " = " + word() + "(" + word() + ", " + QString::number(rng_() % 100) + ");";
        QStringList words;
        const int count = 6 + int(rng_() % 30);
        for (int i = 0; i < count; ++i) words << word();
        if (rng_() % 400 == 0) words.insert(int(rng_() % words.size()), rareWord);
        return words.join(' ') + ".";
    }

private:
    QString word() {
        static const char* syllables[] = {"ka", "lo", "mi", "ne", "ru", "ta", "shi", "po", "den", "var", "the", "an",
                                          "re", "con", "in", "ex", "pro", "ble", "tion", "ing", "er", "sa", "vo", "lu"};
        QString w;
        const int n = 1 + int(rng_() % 3);
        for (int i = 0; i < n; ++i) w += QLatin1String(syllables[rng_() % std::size(syllables)]);
        return w;
    }
    std::mt19937 rng_{42};
};

// Everything the model needs, over a store in `directory` filled once with `rows` rows.
struct Fixture {
    FakeClock clock{1'600'000'000.0};
    FakeDefaultsStore defaults;
    FakeLoginItems loginItems;
    FakeSystemLog log;
    Preferences prefs{defaults, loginItems, log, clock};
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<PanelViewModel> model;

    explicit Fixture(bool empty) {
        const QString dir = benchDirectory(empty);
        auto opened = HistoryStore::open(clock, dir);
        if (!opened.ok()) {
            std::cerr << "cannot open store: " << opened.error().message.toStdString() << "\n";
            std::exit(1);
        }
        store = std::move(opened.value());
        if (!empty && store->count() < historyRows) fill(historyRows - store->count());
        model = std::make_unique<PanelViewModel>(*store, prefs, clock);
    }

    void fill(qint64 rows) {
        TextGenerator texts;
        connectionOf(*store).exec("BEGIN");
        for (qint64 i = 0; i < rows; ++i) {
            clock.advance(1);
            CapturedClip clip;
            clip.text = texts.next() + QStringLiteral(" #%1").arg(i);
            clip.hash = contentHash("text", clip.text.toUtf8());
            clip.byteSize = clip.text.toUtf8().size();
            store->record(clip);
        }
        connectionOf(*store).exec("COMMIT");
    }
};

Fixture& fixture() {
    static Fixture f(false);
    return f;
}

void BM_KeystrokeRefreshWithinWindow(benchmark::State& state) {
    PanelViewModel& model = *fixture().model;
    model.prepareForShow();
    // Both queries match far more than 300 rows of the window, so the scan stops at 300.
    const QString queries[] = {QStringLiteral("ka"), QStringLiteral("ka lo")};
    int i = 0;
    for (auto _ : state) {
        model.setQuery(queries[i++ & 1]);
        benchmark::DoNotOptimize(model.results().size());
    }
    state.counters["results"] = double(model.results().size());
}
BENCHMARK(BM_KeystrokeRefreshWithinWindow)->Unit(benchmark::kMicrosecond);

void BM_KeystrokeRefreshWithFullTextFallback(benchmark::State& state) {
    PanelViewModel& model = *fixture().model;
    model.prepareForShow();
    // Few matches in the window: the rest comes from the full-text index.
    const QString queries[] = {rareWord, rareWord.left(rareWord.size() - 1)};
    int i = 0;
    for (auto _ : state) {
        model.setQuery(queries[i++ & 1]);
        benchmark::DoNotOptimize(model.results().size());
    }
    state.counters["results"] = double(model.results().size());
}
BENCHMARK(BM_KeystrokeRefreshWithFullTextFallback)->Unit(benchmark::kMicrosecond);

void BM_PrepareForShow(benchmark::State& state) {
    PanelViewModel& model = *fixture().model;
    for (auto _ : state) {
        state.PauseTiming();
        model.setQuery(QStringLiteral("ka"));  // what the panel held when it was hidden
        model.moveSelection(5);
        state.ResumeTiming();
        model.prepareForShow();
    }
}
BENCHMARK(BM_PrepareForShow)->Unit(benchmark::kMicrosecond);

// The X input focus, asked on Qt's own connection (one round trip, no process to start).
quint64 focusedXWindow() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return 0;
    xcb_connection_t* c = x11->connection();
    xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const quint64 focus = reply ? reply->focus : 0;
    free(reply);
    return focus;
}

// From `show` until the window is mapped and holds the X input focus.
void BM_ShowUntilMappedAndFocused(benchmark::State& state) {
    FakeWorkspace workspace;
    AppIcons icons(workspace);
    X11PanelWindowSystem windows;
    PanelController controller(*fixture().model, workspace, icons, windows);
    auto waitUntil = [](auto condition) {
        QElapsedTimer t;
        t.start();
        while (!condition() && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 1);
        return condition();
    };
    int step = 0;
    for (auto _ : state) {
        // The user's action that summons the panel (in the app: the shortcut's key press).
        QProcess::execute("xdotool", {"mousemove", QString::number(700 + (++step % 2) * 200), "500"});
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        controller.show();
        const quint64 panelWindow = quint64(controller.panel().winId());
        const bool ok = waitUntil([&] {
            return controller.panel().isActiveWindow() && focusedXWindow() == panelWindow;
        });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (!ok) {
            std::cerr << "visible " << controller.isVisible() << " focus " << focusedXWindow() << "\n";
            state.SkipWithError("the panel did not take the keyboard");
            break;
        }
        controller.hide();
        waitUntil([&] { return !controller.panel().isActiveWindow(); });
        QThread::msleep(50);  // let the window manager settle the focus elsewhere
        QApplication::processEvents();
    }
}

long residentKilobytes() {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    // --rss full|empty: make sure the history exists, then measure in a fresh process so that the
    // memory spent filling the database does not count.
    if (argc == 3 && std::strcmp(argv[1], "--rss") == 0) {
        const bool empty = std::strcmp(argv[2], "empty") == 0;
        if (empty) {
            QDir(benchDirectory(true)).removeRecursively();
        } else {
            QCoreApplication core(argc, argv);
            Fixture build(false);
        }
        return QProcess::execute(QString::fromLocal8Bit(argv[0]), {"--rss-measure", QString::fromLocal8Bit(argv[2])});
    }
    if (argc == 3 && std::strcmp(argv[1], "--rss-measure") == 0) {
        const bool empty = std::strcmp(argv[2], "empty") == 0;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        Fixture f(empty);
        FakeWorkspace workspace;
        AppIcons icons(workspace);
        X11PanelWindowSystem windows;
        PanelController controller(*f.model, workspace, icons, windows);
        f.model->prepareForShow();
        QApplication::processEvents();
        std::cout << (empty ? "empty" : "full") << " history: " << f.model->items().size() << " items in the window, "
                  << f.store->count() << " rows, VmRSS " << residentKilobytes() << " kB\n";
        return 0;
    }

    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!display) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (display && QGuiApplication::platformName() == QLatin1String("xcb"))
        benchmark::RegisterBenchmark("BM_ShowUntilMappedAndFocused", BM_ShowUntilMappedAndFocused)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(30);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
