#include "tests/app/AppTestEnv.h"

#include "tests/support/RafBuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

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
    ProcessEvents();
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

std::string WriteSmallRaf(const std::string& dir, const std::string& name)
{
    const std::string path = dir + "/" + name;
    RafFileSpec recipe;
    return WriteRaf(path, recipe) ? path : std::string();
}

std::string SampleRafPath(const std::string& dir)
{
    for (const std::string& candidate : {std::string(VELMO_BINARY_DIR) + "/velmo-sample.RAF",
                                         std::string(VELMO_SOURCE_DIR) + "/build/release/velmo-sample.RAF"})
        if (std::filesystem::exists(candidate))
            return candidate;

    // A scene of sky, field, a red disc and a yellow square on a Bayer
    // sensor: G where row + column is even, R and B on alternate rows.
    constexpr int kWidth = 2304, kRows = 1728;
    std::vector<uint16_t> frame(size_t(kWidth) * kRows);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kWidth; ++c) {
            float red, green, blue;
            if (r < kRows / 2) {
                const float t = float(r) / (kRows / 2);
                red = 1500 + 1500 * t, green = 3500 + 2500 * t, blue = 9000 - 2000 * t;
            } else {
                const float t = float(r - kRows / 2) / (kRows / 2);
                red = 2500 - 800 * t, green = 7000 - 2500 * t, blue = 1500;
            }
            const float dx = float(c - 1500), dy = float(r - 620);
            if (dx * dx + dy * dy < 300.0f * 300.0f)
                red = 11000, green = 2200, blue = 1500;
            if (c >= 300 && c < 800 && r >= 900 && r < 1400)
                red = 10000, green = 9500, blue = 1500;
            if (c >= 1100 && c < 2100 && r >= 1450 && r < 1600)
                red = green = blue = 1000 + 9000 * float(c - 1100) / 1000;
            // A scene about two stops under the white level, as exposed.
            const float v = ((r + c) & 1) == 0 ? green : (r & 1) == 0 ? red : blue;
            frame[size_t(r) * kWidth + size_t(c)] = uint16_t(v * 0.25f);
        }
    RafFileSpec recipe;
    recipe.model = "FinePix S5500";
    recipe.frames = {frame};
    recipe.previewWidth = 160;
    recipe.previewHeight = 120;
    const std::string path = dir + "/velmo-sample.RAF";
    return WriteRaf(path, recipe) ? path : std::string();
}

} // namespace velmo::test
