#include "platform/gui/ProcessLauncher.h"

#include <QProcess>
#include <QStringList>

namespace velmo {

bool QtProcessLauncher::StartDetached(const std::string& program, const std::vector<std::string>& arguments)
{
    QStringList args;
    for (const std::string& a : arguments)
        args << QString::fromStdString(a);
    return QProcess::startDetached(QString::fromStdString(program), args);
}

} // namespace velmo
