// The frame under a real window manager: the floating layout and the turn to
// portrait, on a 1600 x 1000 and a 1280 x 800 screen. The offscreen platform
// cannot show these: it has no window decorations, and it answers a move or
// a resize at once, where a window manager answers later and adds its frame.
//
// WindowManagerTest starts its own Xvfb with openbox for each screen and runs
// this executable's OnWindowManagerTest on it (the xcb platform); it skips
// when Xvfb or openbox is not installed. OnWindowManagerTest skips anywhere
// else. Screenshots: velmo-float-palettes-WxH.png and velmo-portrait-WxH.png
// in the build folder.
#include "app/palettes/PaletteDock.h"
#include "app/VelmoView.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <map>

namespace velmo::test {

namespace {

constexpr const char* kScreenVariable = "VELMO_WM_SCREEN";

QString Describe(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.left()).arg(r.top()).arg(r.width()).arg(r.height());
}

// Lets the window manager answer: events run until nothing has moved for a
// while (or the time is up).
void Settle(const std::vector<const QWidget*>& watched, int quietMs = 400, int limitMs = 5000)
{
    auto geometries = [&watched] {
        std::vector<QRect> g;
        for (const QWidget* w : watched)
            g.push_back(w->frameGeometry());
        return g;
    };
    QElapsedTimer clock;
    clock.start();
    std::vector<QRect> last = geometries();
    qint64 stableSince = 0;
    while (clock.elapsed() < limitMs) {
        ProcessEvents(50);
        const std::vector<QRect> now = geometries();
        if (now != last) {
            last = now;
            stableSince = clock.elapsed();
        } else if (clock.elapsed() - stableSince >= quietMs) {
            return;
        }
    }
}

void SaveScreen(const QString& name)
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        screen->grabWindow(0).save(QStringLiteral(VELMO_BINARY_DIR "/") + name);
}

} // namespace

// Runs only on the screen WindowManagerTest starts.
class OnWindowManagerTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || qEnvironmentVariableIsEmpty(kScreenVariable))
            QSKIP("runs on the screen with a window manager that WindowManagerTest starts");
    }

    void FloatingPalettesLieSideBySideOnTheScreenAtTheirDockedSize()
    {
        const QString tag = qEnvironmentVariable(kScreenVariable);
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "DSCF0010.RAF")};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const unsigned ids[] = {ID_VIEW_PARAMTAB, ID_VIEW_HISTOGRAM, ID_VIEW_MAGNIFIER, ID_VIEW_CURVE, ID_VIEW_EXIF};
        std::vector<const QWidget*> watched = {&frame};
        for (const unsigned id : ids)
            watched.push_back(frame.Palette(id));
        Settle(watched);
        std::map<unsigned, QSize> docked;
        for (const unsigned id : ids) {
            QVERIFY(!frame.Palette(id)->isFloating() && frame.Palette(id)->isVisible());
            docked[id] = frame.Palette(id)->size();
        }

        frame.ExecuteCommand(ID_FLOAT_PALETTES);
        Settle(watched);
        SaveScreen(QStringLiteral("velmo-float-palettes-%1.png").arg(tag));
        const QRect screen = frame.screen()->availableGeometry();
        for (const unsigned id : ids) {
            const CPaletteDock* p = frame.Palette(id);
            const QByteArray what = (p->objectName() + QLatin1Char(' ') + Describe(p->frameGeometry()) +
                                     QStringLiteral(" docked %1x%2").arg(docked[id].width()).arg(docked[id].height()))
                                        .toUtf8();
            QVERIFY2(p->isFloating() && p->isVisible(), what);
            QVERIFY2(screen.contains(p->frameGeometry()), what);
            QVERIFY2(p->width() >= docked[id].width() && p->height() >= docked[id].height(), what);
            for (const unsigned other : ids)
                if (other != id)
                    QVERIFY2(!p->frameGeometry().intersects(frame.Palette(other)->frameGeometry()),
                             what + " over " + frame.Palette(other)->objectName().toUtf8());
        }
        QVERIFY2(screen.contains(frame.frameGeometry()), qPrintable(Describe(frame.frameGeometry())));
    }

    void PortraitFrameStaysOnTheScreenWithItsDecorations()
    {
        const QString tag = qEnvironmentVariable(kScreenVariable);
        TempDir dir;
        AppRun::Setup setup;
        setup.arguments = {WriteSmallRaf(dir.path(), "DSCF0011.RAF")};
        AppRun run(setup);
        CMainFrame& frame = run.Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        Settle({&frame});
        const QRect screen = frame.screen()->availableGeometry();
        // The window manager's frame is known: the decorations count.
        QVERIFY(frame.frameGeometry().height() > frame.geometry().height());
        // Low on the screen, as a user may leave it.
        const QRect before = frame.frameGeometry();
        frame.move(before.left(), std::max(screen.top(), screen.bottom() + 1 - before.height() - 10));
        Settle({&frame});
        QVERIFY2(screen.contains(frame.frameGeometry()), qPrintable(Describe(frame.frameGeometry())));

        frame.ExecuteCommand(ID_ROTATE_RIGHT);
        Settle({&frame});
        SaveScreen(QStringLiteral("velmo-portrait-%1.png").arg(tag));
        QVERIFY(frame.GetActiveView()->DisplayHeight() > frame.GetActiveView()->DisplayWidth());
        QVERIFY2(screen.contains(frame.frameGeometry()),
                 qPrintable(Describe(frame.frameGeometry()) + QStringLiteral(" on ") + Describe(screen)));

        frame.ExecuteCommand(ID_ROTATE_NONE);
        Settle({&frame});
        QVERIFY2(screen.contains(frame.frameGeometry()), qPrintable(Describe(frame.frameGeometry())));
    }
};

VELMO_APP_TEST(OnWindowManagerTest);

// Starts Xvfb and openbox for each screen size and runs OnWindowManagerTest there.
class WindowManagerTest : public QObject {
    Q_OBJECT

private slots:
    void FrameUnderAWindowManager_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1600x1000") << QSize(1600, 1000);
        QTest::newRow("1280x800") << QSize(1280, 800);
    }

    void FrameUnderAWindowManager()
    {
        QFETCH(QSize, screen);
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (xvfb.isEmpty() || openbox.isEmpty())
            QSKIP("Xvfb and openbox are not installed (cmake/install-deps.sh installs them): the frame is not "
                  "checked under a window manager");

        // The X server picks a free display and tells its number on stdout.
        QProcess server;
        server.setProgram(xvfb);
        server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                             QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height())});
        server.start();
        QVERIFY2(server.waitForStarted(10000), "Xvfb does not start");
        QByteArray number;
        QElapsedTimer clock;
        clock.start();
        while (!number.contains('\n') && clock.elapsed() < 20000 && server.state() == QProcess::Running) {
            server.waitForReadyRead(200);
            number += server.readAllStandardOutput();
        }
        const QString display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        QVERIFY2(number.contains('\n'), "Xvfb tells no display number");

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        // openbox runs the start-up command once it manages the screen.
        QTemporaryDir marks;
        const QString ready = marks.filePath(QStringLiteral("ready"));
        QProcess manager;
        manager.setProcessEnvironment(env);
        manager.setProgram(openbox);
        manager.setArguments({QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
        manager.start();
        QVERIFY2(manager.waitForStarted(10000), "openbox does not start");
        clock.restart();
        while (!QFile::exists(ready) && clock.elapsed() < 20000 && manager.state() == QProcess::Running)
            QTest::qWait(50);
        const bool managed = QFile::exists(ready);

        QProcess child;
        if (managed) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.insert(QLatin1String(kScreenVariable), QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height()));
            // What the desktop's D-Bus library keeps until exit is not ours.
            const QString lsan = env.value(QStringLiteral("LSAN_OPTIONS"));
            env.insert(QStringLiteral("LSAN_OPTIONS"),
                       (lsan.isEmpty() ? QString() : lsan + QLatin1Char(':')) +
                           QStringLiteral("suppressions=" VELMO_SOURCE_DIR "/tests/lsan-xcb.supp"));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("OnWindowManagerTest")});
            child.waitForFinished(240000);
        }
        manager.terminate();
        manager.waitForFinished(5000);
        server.terminate();
        server.waitForFinished(5000);
        QVERIFY2(managed, "openbox does not manage the screen");

        const QByteArray output = child.readAll();
        std::fwrite(output.constData(), 1, size_t(output.size()), stdout);
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 "OnWindowManagerTest failed (its output above)");
        QVERIFY2(!output.contains("SKIP"), "OnWindowManagerTest skipped on the screen started for it");
    }
};

VELMO_APP_TEST(WindowManagerTest);

} // namespace velmo::test

#include "WindowManagerTest.moc"
