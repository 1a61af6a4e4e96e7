// velmo-slider-bench [FILE.RAF]: drags the saturation slider of the tabbed
// parameters palette through 100 positions with "Prv" checked (every thumb
// move develops) and prints the median and the worst time from the value
// change to the repainted preview. Without FILE it opens the build's sample
// file (velmo-sample.RAF, written by velmo-make-sample). The file is opened
// as the program opens its command-line file, after the window's first
// paint. Runs on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise; exits 0 after a drag, 1 when the file does not open.
#include "app/MainFrame.h"
#include "app/VelmoApp.h"
#include "app/VelmoView.h"
#include "app/palettes/ParamTabBar.h"
#include "document/VelmoDoc.h"
#include "platform/core/XdgAssociation.h"
#include "platform/gui/ProcessLauncher.h"
#include "platform/gui/TrackBar.h"
#include "platform/gui/TrackBarCodes.h"
#include "res/ResourceIds.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef VELMO_BENCH_SAMPLE
#define VELMO_BENCH_SAMPLE "velmo-sample.RAF"
#endif

int main(int argc, char** argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs("usage: velmo-slider-bench [FILE.RAF]\n", stdout);
        return 0;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LC_NUMERIC", "C", 1);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const std::string file = argc > 1 ? argv[1] : VELMO_BENCH_SAMPLE;

    // Settings and the desktop's file registration in a folder of this run:
    // the bench leaves the user's own untouched.
    QTemporaryDir settingsDir;
    velmo::XdgAssociationBackend desktop({settingsDir.filePath(QStringLiteral("data")).toStdString(),
                                          settingsDir.filePath(QStringLiteral("config")).toStdString(),
                                          {}});
    velmo::QtProcessLauncher launcher;
    velmo::CVelmoApp::Options options;
    options.launcher = &launcher;
    options.association = &desktop;
    options.settingsPath = settingsDir.filePath(QStringLiteral("Velmo.ini")).toStdString();
    options.installMessageBoxes = false;
    velmo::CVelmoApp app(options);
    // The program opens its command-line file after the window's first paint.
    const bool started = app.InitInstance({file});
    QElapsedTimer opening;
    opening.start();
    while (started && app.CommandLineOpenPending() && opening.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!started || app.Document() == nullptr || !app.Document()->HasImage()) {
        std::fprintf(stderr, "velmo-slider-bench: cannot open %s\n", file.c_str());
        app.Shutdown();
        return 1;
    }
    QApplication::processEvents();
    velmo::CMainFrame& frame = *app.MainFrame();
    velmo::CVelmoDoc& doc = *app.Document();
    auto* tabbed = dynamic_cast<velmo::CParamTabBar*>(frame.Palette(velmo::ID_VIEW_PARAMTAB));
    velmo::CVelmoView* view = frame.GetActiveView();
    if (tabbed == nullptr || view == nullptr) {
        std::fprintf(stderr, "velmo-slider-bench: no tabbed palette or view\n");
        app.Shutdown();
        return 1;
    }
    doc.Edit().SetSwitch(velmo::SwitchId::CheckPrv, velmo::kPrvLive);
    if (std::getenv("BENCH_NOMGN"))
        doc.Edit().SetSwitch(velmo::SwitchId::CheckMGN, 0);
    velmo::CParamControls& controls = tabbed->Controls();
    velmo::ControlUnit& unit = *controls.Unit(velmo::ParamField::saturation);

    std::vector<double> ms;
    for (int i = 0; i < 100; ++i) {
        const int position = -100 + 4 * i;
        QElapsedTimer clock;
        clock.start();
        // What the trackbar reports for a thumb move.
        unit.Slider()->SetPos(position);
        controls.SliderScrolled(unit, velmo::TB_THUMBTRACK, position);
        view->viewport()->repaint();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    // The same positions with the development alone (the view's re-develop
    // and repaint, no palette): what the palettes add is the difference.
    std::vector<double> developOnly;
    for (int i = 0; i < 100; ++i) {
        doc.Edit().SetField(velmo::ParamField::saturation, 4 * i);
        QElapsedTimer clock;
        clock.start();
        view->OnUpdate();
        view->viewport()->repaint();
        developOnly.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(developOnly.begin(), developOnly.end());
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const double median = (sorted[49] + sorted[50]) / 2;
    std::printf("slider to repainted preview (%s, 100 positions of saturation, Prv checked):\n", file.c_str());
    std::printf("  median %.2f ms, worst %.2f ms, best %.2f ms\n", median, sorted.back(), sorted.front());
    std::printf("  development and repaint alone: median %.2f ms, worst %.2f ms\n",
                (developOnly[49] + developOnly[50]) / 2, developOnly.back());
    frame.close();
    QApplication::processEvents();
    return app.Shutdown();
}
