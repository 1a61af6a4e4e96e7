// "Jpeg options" with real events: the quality edit and slider stay in step,
// a quality outside 1..100 is refused with the range message (through the
// message interface, so nothing blocks), and OK stores what is shown.
#include "app/dialogs/JpegOptionsDlg.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/TrackBar.h"
#include "res/ResourceIds.h"
#include "tests/app/AppTest.h"
#include "tests/app/dialogs/DialogTestUtil.h"
#include "tests/support/TestEnv.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace velmo::test {

namespace {

void TypeQuality(CJpegOptionsDlg& dialog, const QString& text)
{
    QLineEdit* edit = dialog.QualityEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void ClickButton(CJpegOptionsDlg& dialog, unsigned id)
{
    QTest::mouseClick(qobject_cast<QPushButton*>(FindControl(&dialog, id)), Qt::LeftButton);
}

} // namespace

class JpegOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void EditAndSliderStayInStep()
    {
        RecordingMessages messages;
        CJpegOptionsDlg dialog;
        dialog.quality = 85;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.QualityEdit()->text(), QStringLiteral("85"));
        QCOMPARE(dialog.QualitySlider()->value(), 85);
        QCOMPARE(dialog.QualitySlider()->minimum(), 1);
        QCOMPARE(dialog.QualitySlider()->maximum(), 100);

        TypeQuality(dialog, QStringLiteral("73"));
        QCOMPARE(dialog.QualitySlider()->value(), 73);
        QCOMPARE(dialog.quality, 73);

        TrackBar* slider = dialog.QualitySlider();
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_End);
        QCOMPARE(dialog.QualityEdit()->text(), QStringLiteral("100"));
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(dialog.QualityEdit()->text(), QStringLiteral("1"));
        for (int i = 0; i < 3; ++i) // a page is a fifth of the range
            QTest::keyClick(slider, Qt::Key_PageDown);
        QCOMPARE(dialog.QualityEdit()->text(), QStringLiteral("58"));
        for (int i = 0; i < 15; ++i)
            QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(dialog.QualityEdit()->text(), QStringLiteral("73"));
        QCOMPARE(dialog.quality, 73);

        ClickButton(dialog, IDC_OK);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.quality, 73);
        QCOMPARE(dialog.progressive, 0);
        QVERIFY(messages.calls.empty());
    }

    void ZeroIsRefusedWithTheRangeMessage()
    {
        RecordingMessages messages;
        CJpegOptionsDlg dialog;
        dialog.quality = 85;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        TypeQuality(dialog, QStringLiteral("0"));
        QCOMPARE(messages.calls.size(), size_t(1));
        QCOMPARE(messages.calls[0].text, std::string("Please enter an integer between 1 and 100."));
        QCOMPARE(dialog.QualitySlider()->value(), 85);
        QCOMPARE(dialog.QualityEdit()->selectedText(), QStringLiteral("0"));

        // OK is refused as long as the edit holds it.
        ClickButton(dialog, IDC_OK);
        QVERIFY(dialog.isVisible());
        QCOMPARE(messages.calls.size(), size_t(2));
        QCOMPARE(messages.calls[1].text, messages.calls[0].text);
        // Each keystroke is read: "1" and "10" move the slider, "101" is refused.
        TypeQuality(dialog, QStringLiteral("101"));
        QCOMPARE(messages.calls.size(), size_t(3));
        QCOMPARE(dialog.QualitySlider()->value(), 10);
        QCOMPARE(dialog.QualityEdit()->text(), QStringLiteral("101"));

        // The slider's position wins over the refused text, without a message.
        TrackBar* slider = dialog.QualitySlider();
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Left);
        QCOMPARE(dialog.QualityEdit()->text(), QStringLiteral("9"));
        QCOMPARE(messages.calls.size(), size_t(3));

        TypeQuality(dialog, QStringLiteral("42"));
        ClickButton(dialog, IDC_OK);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.quality, 42);
    }

    void EmptiedEditIsRefusedOnlyAtOk()
    {
        RecordingMessages messages;
        CJpegOptionsDlg dialog;
        dialog.quality = 85;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLineEdit* edit = dialog.QualityEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QVERIFY(messages.calls.empty());
        ClickButton(dialog, IDC_OK);
        QVERIFY(dialog.isVisible());
        QCOMPARE(messages.calls.size(), size_t(1));
        QCOMPARE(messages.calls[0].text, std::string("Please enter an integer."));
    }

    void ProgressiveIsKeptWhileTheSliderMoves()
    {
        CJpegOptionsDlg dialog;
        dialog.quality = 90;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        ClickCheckBox(*dialog.ProgressiveCheck());
        dialog.QualitySlider()->setFocus();
        QTest::keyClick(dialog.QualitySlider(), Qt::Key_Right);
        QVERIFY(dialog.ProgressiveCheck()->isChecked());
        ClickButton(dialog, IDC_OK);
        QCOMPARE(dialog.quality, 91);
        QCOMPARE(dialog.progressive, 1);
    }

    void CancelLeavesTheCallersValues()
    {
        int quality = 85;
        int progressive = 1;
        bool answered = false;
        WhenModal<CJpegOptionsDlg>(
            [](CJpegOptionsDlg& dialog) {
                QCOMPARE(dialog.QualityEdit()->text(), QStringLiteral("85"));
                QVERIFY(dialog.ProgressiveCheck()->isChecked());
                TypeQuality(dialog, QStringLiteral("30"));
                ClickButton(dialog, IDC_CANCEL);
            },
            &answered);
        QVERIFY(!RunJpegOptionsDialog(nullptr, quality, progressive));
        QVERIFY(answered);
        QCOMPARE(quality, 85);
        QCOMPARE(progressive, 1);
    }

    void ControlsHaveTheirCaptionsAsNames()
    {
        CJpegOptionsDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Jpeg options"));
        QCOMPARE(dialog.QualityEdit()->accessibleName(), QStringLiteral("Quality"));
        QCOMPARE(dialog.QualitySlider()->accessibleName(), QStringLiteral("Quality"));
        QCOMPARE(dialog.ProgressiveCheck()->accessibleName(), QStringLiteral("Progressive"));
        QCOMPARE(dialog.ProgressiveCheck()->text(), QStringLiteral("Progressive"));
        for (unsigned id : {IDC_JPEG_QUALITY_EDIT, IDC_JPEG_QUALITY_SLIDER, IDC_JPEG_PROGRESSIVE, IDC_OK, IDC_CANCEL}) {
            QWidget* control = FindControl(&dialog, id);
            QVERIFY(control != nullptr);
            QVERIFY(!control->accessibleName().isEmpty());
        }
        for (unsigned id : {IDC_JPEG_QUALITY_EDIT, IDC_JPEG_QUALITY_SLIDER, IDC_JPEG_PROGRESSIVE})
            QVERIFY(!FindControl(&dialog, id)->toolTip().isEmpty());
    }
};

VELMO_APP_TEST(JpegOptionsTest);

} // namespace velmo::test

#include "JpegOptionsTest.moc"
