#include "platform/gui/QtMessageBoxHost.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace velmo {

QtMessageBoxHost::QtMessageBoxHost(std::function<QWidget*()> parentWindow, QString boxTitle)
    : parent(std::move(parentWindow)), title(std::move(boxTitle))
{
}

int QtMessageBoxHost::Show(const std::string& text, unsigned type)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return IDCANCEL;
    if (QThread::currentThread() == app->thread())
        return ShowHere(text, type);
    int answer = IDCANCEL;
    QMetaObject::invokeMethod(
        app, [&] { answer = ShowHere(text, type); }, Qt::BlockingQueuedConnection);
    return answer;
}

int QtMessageBoxHost::ShowHere(const std::string& text, unsigned type)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & 0xF0) {
    case MB_ICONSTOP: icon = QMessageBox::Critical; break;
    case MB_ICONQUESTION: icon = QMessageBox::Question; break;
    case MB_ICONEXCLAMATION: icon = QMessageBox::Warning; break;
    case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
    switch (type & 0xF) {
    case MB_OKCANCEL:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MB_YESNOCANCEL:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        defaultButton = QMessageBox::Yes;
        break;
    case MB_YESNO:
        buttons = QMessageBox::Yes | QMessageBox::No;
        defaultButton = QMessageBox::Yes;
        break;
    default:
        break;
    }
    // A question without its own icon still reads as one.
    if (icon == QMessageBox::NoIcon)
        icon = (buttons & QMessageBox::Yes) ? QMessageBox::Question : QMessageBox::Information;
    QMessageBox box(icon, title, QString::fromStdString(text), buttons, parent ? parent() : nullptr);
    box.setDefaultButton(defaultButton);
    switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
    }
}

} // namespace velmo
