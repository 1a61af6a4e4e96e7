// velmo [FILE]: the RAW developer's main window, opening FILE when given.
#include "app/VelmoApp.h"
#include "platform/gui/ProcessLauncher.h"

#include <QApplication>
#include <QStringList>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // Parameter files write floats with a point whatever the user's locale:
    // the numeric locale stays "C" (Qt sets the locale from the environment).
    setenv("LC_NUMERIC", "C", 1);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("velmo"));
    QApplication::setOrganizationName(QStringLiteral("ORBEK"));

    std::vector<std::string> arguments;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i)
        arguments.push_back(args[i].toStdString());

    velmo::QtProcessLauncher launcher;
    velmo::CVelmoApp::Options options;
    options.launcher = &launcher;
    velmo::CVelmoApp app(options);
    if (!app.InitInstance(arguments)) {
        app.Shutdown();
        return 1;
    }
    application.exec();
    return app.Shutdown();
}
