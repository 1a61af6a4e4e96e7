// "Processing...": the percent and its text, clamped; Cancel, Esc and the
// close button only ask to stop: the window says "Aborting, Please wait.",
// greys its button and stays open until its user closes it.
#include "app/dialogs/ProcessingDlg.h"
#include "tests/app/AppTest.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace velmo::test {

class ProcessingDlgTest : public QObject {
    Q_OBJECT

private slots:
    void ProgressShowsThePercentClamped()
    {
        CProcessingDlg dialog("Auto chrmatic correction", nullptr);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.isModal());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Processing..."));
        QCOMPARE(dialog.TextStatic()->text(), QStringLiteral("Auto chrmatic correction"));
        QCOMPARE(dialog.ProgressBar()->value(), 0);
        const struct {
            int percent;
            int shown;
        } cases[] = {{40, 40}, {100, 100}, {150, 100}, {-5, 0}, {7, 7}};
        for (const auto& c : cases) {
            dialog.SetProgress(c.percent);
            QCOMPARE(dialog.ProgressBar()->value(), c.shown);
            QCOMPARE(dialog.TextStatic()->text(), QStringLiteral("Processing %1%").arg(c.shown));
        }
        QCOMPARE(dialog.cancelRequested, 0);
    }

    void CancelAsksToStopAndStaysOpen()
    {
        for (int way = 0; way < 3; ++way) {
            CProcessingDlg dialog("", nullptr);
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.SetProgress(30);
            if (way == 0)
                QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
            else if (way == 1)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
            QCOMPARE(dialog.cancelRequested, 1);
            QCOMPARE(dialog.TextStatic()->text(), QStringLiteral("Aborting, Please wait."));
            QVERIFY(!dialog.CancelButton()->isEnabled());
            QTest::qWait(20);
            QVERIFY(dialog.isVisible());
            // Its user reports once more before it sees the request.
            dialog.SetProgress(60);
            QCOMPARE(dialog.ProgressBar()->value(), 60);
            QCOMPARE(dialog.TextStatic()->text(), QStringLiteral("Aborting, Please wait."));
        }
    }
};

VELMO_APP_TEST(ProcessingDlgTest);

} // namespace velmo::test

#include "ProcessingDlgTest.moc"
