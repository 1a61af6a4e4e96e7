#include "tests/app/AppTestEnv.h"

#include "app/VelmoView.h"

#include "tests/support/PlacementOracle.h"
#include "tests/support/RafBuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace velmo::test {

void PresetSettings(const std::string& path, const std::function<void(SettingsStore&)>& presets)
{
    FileSettingsStore store(path);
    if (presets)
        presets(store);
    store.Flush();
}

std::unique_ptr<FileSettingsStore> ReadSettings(const std::string& path)
{
    return std::make_unique<FileSettingsStore>(path);
}

AppRun::AppRun(Setup setup) : messages(setup.messageAnswer)
{
    settingsPath = setup.settingsPath;
    if (settingsPath.empty()) {
        ownDir = std::make_unique<TempDir>();
        settingsPath = ownDir->File("Velmo.ini");
    }
    if (setup.presets)
        PresetSettings(settingsPath, setup.presets);
    CVelmoApp::Options options;
    options.launcher = &launcher;
    options.programPath = setup.programPath;
    options.settingsPath = settingsPath;
    options.installMessageBoxes = false;
    options.desktopRect = setup.desktop;
    options.association = setup.association;
    app = std::make_unique<CVelmoApp>(options);
    started = app->InitInstance(setup.arguments);
    if (!setup.waitForOpen)
        return;
    ProcessEvents();
    QElapsedTimer clock;
    clock.start();
    while (started && app->CommandLineOpenPending() && clock.elapsed() < 10000)
        ProcessEvents(10);
}

AppRun::~AppRun()
{
    if (!finished && started)
        Quit();
    app.reset();
}

void AppRun::Quit()
{
    if (finished)
        return;
    if (CMainFrame* frame = app->MainFrame())
        frame->close();
    ProcessEvents();
    FinishShutdown();
}

void AppRun::FinishShutdown()
{
    if (finished)
        return;
    finished = true;
    app->Shutdown();
}

void ProcessEvents(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents();
    } while (clock.elapsed() < milliseconds);
}

QImage OnScreen(const QWidget* w)
{
    const QWidget* top = w->window();
    QWindow* handle = top->windowHandle();
    if (handle == nullptr || handle->screen() == nullptr)
        return {};
    const QPoint at = w->mapTo(top, QPoint(0, 0));
    return handle->screen()
        ->grabWindow(handle->winId(), at.x(), at.y(), w->width(), w->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

int DarkestGrey(const QImage& image)
{
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

std::string WriteSmallRaf(const std::string& dir, const std::string& name)
{
    const std::string path = dir + "/" + name;
    RafFileSpec recipe;
    return WriteRaf(path, recipe) ? path : std::string();
}

std::string WriteSceneRaf(const std::string& dir, const std::string& name, int rows)
{
    constexpr int width = 2304; // the model's raw width
    // A scene of sky, field, a red disc, a yellow square and a grey wedge on
    // a Bayer sensor: G where row + column is even, R and B on alternate rows.
    const float sy = float(rows) / 1728.0f; // the scene is drawn for 1728 rows
    std::vector<uint16_t> frame(size_t(width) * size_t(rows));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < width; ++c) {
            float red, green, blue;
            if (r < rows / 2) {
                const float t = float(r) / float(rows / 2);
                red = 1500 + 1500 * t, green = 3500 + 2500 * t, blue = 9000 - 2000 * t;
            } else {
                const float t = float(r - rows / 2) / float(rows / 2);
                red = 2500 - 800 * t, green = 7000 - 2500 * t, blue = 1500;
            }
            const float dx = float(c) - 1500, dy = float(r) / sy - 620;
            if (dx * dx + dy * dy < 300.0f * 300.0f)
                red = 11000, green = 2200, blue = 1500;
            const float u = float(c), v = float(r) / sy;
            if (u >= 300 && u < 800 && v >= 900 && v < 1400)
                red = 10000, green = 9500, blue = 1500;
            if (u >= 1100 && u < 2100 && v >= 1450 && v < 1600)
                red = green = blue = 1000 + 9000 * (u - 1100) / 1000;
            // A scene about two stops under the white level, as exposed.
            const float value = ((r + c) & 1) == 0 ? green : (r & 1) == 0 ? red : blue;
            frame[size_t(r) * size_t(width) + size_t(c)] = uint16_t(value * 0.25f);
        }
    RafFileSpec recipe;
    recipe.model = "FinePix S5500";
    recipe.frames = {frame};
    recipe.previewWidth = 160;
    recipe.previewHeight = 120;
    const std::string path = dir + "/" + name;
    return WriteRaf(path, recipe) ? path : std::string();
}

std::string WriteCheckerRaf(const std::string& dir, const std::string& name, int cell)
{
    PlacementCase checker;
    checker.name = "checker";
    checker.model = "FinePix S3Pro";
    checker.formatCode = "2002"; // one frame
    checker.scene = [cell](int, int row, int column, int colour) {
        const bool light = ((row / cell) + (column / cell)) % 2 == 0;
        // Grey under the camera's daylight preset: raw R and B below G.
        const float g = light ? 9000.0f : 1200.0f;
        return uint16_t(colour == 1 ? g : g * 0.7f);
    };
    PlacementPrediction placed;
    RafFileSpec recipe = PlacementRecipe(checker, placed);
    recipe.previewWidth = 160;
    recipe.previewHeight = 106;
    const std::string path = dir + "/" + name;
    return WriteRaf(path, recipe) ? path : std::string();
}

std::string SampleRafPath(const std::string& dir)
{
    for (const std::string& candidate : {std::string(VELMO_BINARY_DIR) + "/velmo-sample.RAF",
                                         std::string(VELMO_SOURCE_DIR) + "/build/release/velmo-sample.RAF"})
        if (std::filesystem::exists(candidate))
            return candidate;

    return WriteSceneRaf(dir, "velmo-sample.RAF", 1728);
}

void DragInView(CVelmoView& view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers)
{
    QWidget* w = view.viewport();
    QTest::mousePress(w, Qt::LeftButton, modifiers, from);
    for (const QPoint at : {(from + to) / 2, to}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton, Qt::LeftButton,
                         modifiers);
        QCoreApplication::sendEvent(w, &move);
    }
    QTest::mouseRelease(w, Qt::LeftButton, modifiers, to);
}

} // namespace velmo::test
