// Helpers of the GUI tests: the program started on a settings file of its
// own with a fake process launcher and recorded message boxes, test RAF
// files, and event processing.
#pragma once

#include "app/MainFrame.h"
#include "app/VelmoApp.h"
#include "document/VelmoDoc.h"
#include "platform/core/SettingsStore.h"
#include "platform/gui/ProcessLauncher.h"
#include "tests/support/TestEnv.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmo::test {

// Records the restarts instead of starting processes.
class FakeLauncher final : public IProcessLauncher {
public:
    struct Call {
        std::string program;
        std::vector<std::string> arguments;
    };
    bool StartDetached(const std::string& program, const std::vector<std::string>& arguments) override
    {
        calls.push_back({program, arguments});
        if (onStart)
            onStart();
        return true;
    }
    std::vector<Call> calls;
    // Runs when a process would start (to look at what it would find).
    std::function<void()> onStart;
};

// Writes values into the settings file at path before the program starts.
void PresetSettings(const std::string& path, const std::function<void(SettingsStore&)>& presets);
// A value of the settings file as the next start would read it.
std::unique_ptr<FileSettingsStore> ReadSettings(const std::string& path);

// The program started as `velmo ARGS` would start.
class AppRun {
public:
    struct Setup {
        std::string settingsPath; // empty: a fresh file of this run
        std::vector<std::string> arguments;
        std::function<void(SettingsStore&)> presets;
        std::function<QRect()> desktop;
        int messageAnswer = IDOK;
        std::string programPath = "/opt/velmo/bin/velmo";
        // The desktop's file association; null: the XDG folders of the test run.
        IFileAssociationBackend* association = nullptr;
        // False: the constructor returns as soon as the program started,
        // without waiting for the command-line file.
        bool waitForOpen = true;
    };
    // Started, and the file named in the arguments opened (it waits for the
    // window to be shown), unless the setup says not to wait.
    explicit AppRun(Setup setup);
    AppRun() : AppRun(Setup{}) {}
    ~AppRun();

    bool Started() const { return started; }
    CVelmoApp& App() { return *app; }
    CMainFrame& Frame() { return *app->MainFrame(); }
    CVelmoDoc& Doc() { return *app->Document(); }
    RecordingMessages& Messages() { return messages; }
    FakeLauncher& Launcher() { return launcher; }
    const std::string& SettingsPath() const { return settingsPath; }

    // Closes the main window as the user does, then the whole shutdown.
    void Quit();
    // The shutdown after the window closed by itself (a posted close).
    void FinishShutdown();

private:
    std::unique_ptr<TempDir> ownDir;
    std::string settingsPath;
    FakeLauncher launcher;
    RecordingMessages messages;
    std::unique_ptr<CVelmoApp> app;
    bool started = false;
    bool finished = false;
};

// Lets queued calls, posted events and zero timers run.
void ProcessEvents(int milliseconds = 0);
// What the screen shows of widget w: its part of its window's backing store
// as the event loop left it (QScreen::grabWindow), not a fresh paint as
// QWidget::grab makes. Run the event loop first. RGB32.
QImage OnScreen(const QWidget* w);

// A left-button drag on the preview view's surface from `from` to `to`, with
// a move half-way (QTest's moves carry no button state for widgets).
void DragInView(CVelmoView& view, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The darkest grey level (0..255) of a picture: text drawn disabled is
// lighter than enabled text.
int DarkestGrey(const QImage& image);

// A small RAF file (FinePix S5600, a few rows) at dir/name.
std::string WriteSmallRaf(const std::string& dir, const std::string& name);
// A FinePix S5500 file (2304 samples a row) of `rows` rows with a coloured
// scene (sky, field, a red disc, a yellow square, a grey wedge) at dir/name.
std::string WriteSceneRaf(const std::string& dir, const std::string& name, int rows);
// A FinePix S3Pro file (one frame, 3:2, family 7: the previews show it
// between black bands) whose picture is a grey checkerboard of cell x cell
// pixels, at dir/name.
std::string WriteCheckerRaf(const std::string& dir, const std::string& name, int cell);
// The sample picture: the build's sample file when there is one, else a
// 2304 x 1728 scene file (WriteSceneRaf) written into dir.
std::string SampleRafPath(const std::string& dir);

} // namespace velmo::test
