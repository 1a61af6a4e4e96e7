// Widget helpers of the dialog tests: waiting for a file dialog's folder,
// clicking its items and buttons, answering a modal dialog from a timer, and
// checking that no caption is clipped.
#pragma once

#include <QApplication>
#include <QString>
#include <QTimer>

#include <functional>

class QAbstractButton;
class QAbstractItemView;
class QFileDialog;
class QWidget;

namespace velmo::test {

// The file list the dialog shows (its list or its detail view).
QAbstractItemView* ShownView(QFileDialog& dialog);
// Clicks the item of path in the dialog's file list once the folder has
// been read (false when it never shows).
bool ClickFileItem(QFileDialog& dialog, const QString& path);
// The name of the list's current item ("" when none).
QString CurrentItemName(QFileDialog& dialog);
// Clicks a check box on its box (a click beside its text does nothing).
void ClickCheckBox(QAbstractButton& box);
// Clicks the dialog's Open or Save button.
void ClickAcceptButton(QFileDialog& dialog);

// Calls answer with the modal dialog of type Dialog once it is shown (by an
// exec() the caller is about to start); the test fails when none comes.
template <class Dialog>
void WhenModal(std::function<void(Dialog&)> answer, bool* answered)
{
    *answered = false;
    auto* timer = new QTimer;
    timer->setInterval(20);
    auto* remaining = new int(250);
    QObject::connect(timer, &QTimer::timeout, [timer, remaining, answer, answered] {
        if (auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget()); dialog != nullptr &&
                                                                                   dialog->isVisible()) {
            timer->stop();
            *answered = true;
            answer(*dialog);
        } else if (--*remaining > 0) {
            return;
        } else {
            timer->stop();
        }
        timer->deleteLater();
        delete remaining;
    });
    timer->start();
}

// Every visible label, captioned button and edit of root as large as its
// content needs, and every drop-down list wide enough for each of its
// items; the names of those that are not.
QStringList ClippedControls(QWidget& root);

} // namespace velmo::test
