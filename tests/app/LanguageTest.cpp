// Languages: the files beside the program in the "&Language" menu, a chosen
// language's texts with English where it has none, the fall-back to English,
// the shipped German translation (screenshots of the main window, the About
// box and the parameter palettes in it) and the About box's texts.
#include "app/AboutDlg.h"
#include "app/palettes/HistogramBar.h"
#include "app/palettes/LensPanel.h"
#include "app/palettes/ParamBar.h"
#include "app/palettes/ParamTabBar.h"
#include "app/VelmoView.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogText.h"
#include "platform/gui/QtMenus.h"
#include "platform/gui/QtMessageBoxHost.h"
#include "platform/gui/StatusProgress.h"
#include "res/LanguageFile.h"
#include "res/MenuMnemonics.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "tests/app/AppTest.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/dialogs/DialogTestUtil.h"

#include <QApplication>
#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace velmo::test {

namespace {

// A program in a temporary folder with language files beside it.
struct LanguageFolder {
    TempDir dir;
    std::string program = dir.File("velmo");

    void Write(const std::string& name, const std::string& contents) const
    {
        std::ofstream(dir.File(name), std::ios::binary) << contents;
    }
    // velmoXXXX.lang with this build's stamp, a name and further lines.
    void WriteLanguage(int langId, const std::string& name, const std::string& lines = {}) const
    {
        Write(std::filesystem::path(LanguageFilePath(program, langId)).filename().string(),
              std::string("string 100 = ") + EnglishString(IDS_BUILD_STAMP) + "\nstring 215 = " + name + "\n" + lines);
    }
};

QMenu* FindMenu(const QList<QAction*>& actions, const QString& title)
{
    for (QAction* a : actions) {
        QMenu* sub = a->menu();
        if (sub == nullptr)
            continue;
        if (sub->title() == title)
            return sub;
        if (QMenu* found = FindMenu(sub->actions(), title))
            return found;
    }
    return nullptr;
}

// The "&Language" menu's items after its update, as text and checked state.
QStringList LanguageMenu(AppRun& run)
{
    QMenu* menu = FindMenu(run.Frame().menuBar()->actions(), StringText(IDS_POPUP_LANGUAGE));
    if (menu == nullptr)
        return {};
    emit menu->aboutToShow();
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isChecked() ? "[x] " : "[ ] ") + a->text();
    return items;
}

// Runs open, which shows a modal dialog; inspect sees it while it shows,
// then it is closed.
bool WithModalDialog(const std::function<void()>& open, const std::function<void(QDialog&)>& inspect)
{
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        poll.stop();
        seen = true;
        inspect(*dialog);
        dialog->accept();
    });
    poll.start();
    open();
    return seen;
}

// Every label and button shows its whole text.
void ExpectNothingClipped(QWidget& dialog)
{
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (!w->isVisible() || (qobject_cast<QLabel*>(w) == nullptr && qobject_cast<QPushButton*>(w) == nullptr))
            continue;
        const QSize hint = w->sizeHint();
        QVERIFY2(w->width() >= hint.width() && w->height() >= hint.height(),
                 qPrintable(QStringLiteral("'%1' is %2x%3, needs %4x%5")
                                .arg(w->accessibleName())
                                .arg(w->width())
                                .arg(w->height())
                                .arg(hint.width())
                                .arg(hint.height())));
    }
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(dialog.width() <= screen.width() && dialog.height() <= screen.height());
}

QString Shot(const QString& name)
{
    return QStringLiteral(VELMO_BINARY_DIR "/") + name;
}

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT

private slots:
    void MenuListsTheFilesOfThisBuildAndWrapsTheDigit()
    {
        LanguageFolder folder;
        for (int i = 1; i <= 10; ++i)
            folder.WriteLanguage(0x800 + i, "Sprache " + std::to_string(i));
        // Not language files of this build: listed never.
        folder.Write("velmo04zz.lang", "string 100 = 20080221173459\nstring 215 = Müll\n");
        folder.Write("velmo412.lang", "string 100 = 20080221173459\nstring 215 = Drei Ziffern\n");
        folder.Write("velmo0413.lang", "string 100 = 20080221173458\nstring 215 = Anderer Stand\n");
        folder.Write("velmo0414.lang", "string 100 = 20080221173459\nstring 215 =\n");
        folder.Write("velmo0415.LANG", "string 100 = 20080221173459\nstring 215 = Großbuchstaben\n");
        std::filesystem::create_directory(folder.dir.File("velmo0416.lang"));
        folder.Write("other0417.lang", "string 100 = 20080221173459\nstring 215 = Fremd\n");
        folder.WriteLanguage(0x409, "English again"); // English is entry 0 already

        AppRun::Setup setup;
        setup.programPath = folder.program;
        AppRun run(setup);
        QCOMPARE(run.App().Languages().GetSize(), 11);
        const QStringList items = LanguageMenu(run);
        QCOMPARE(items.size(), 11);
        QCOMPARE(items[0], QStringLiteral("[x] &1 English"));
        QCOMPARE(items[1], QStringLiteral("[ ] &2 Sprache 1"));
        QCOMPARE(items[8], QStringLiteral("[ ] &9 Sprache 8"));
        QCOMPARE(items[9], QStringLiteral("[ ] &0 Sprache 9"));  // the tenth
        QCOMPARE(items[10], QStringLiteral("[ ] &1 Sprache 10")); // the eleventh
        // The update is repeatable: the entries replace themselves.
        QCOMPARE(LanguageMenu(run), items);
        run.Quit();

        // More files than the menu has ids: the first sixteen entries.
        for (int i = 11; i <= 20; ++i)
            folder.WriteLanguage(0x800 + i, "Sprache " + std::to_string(i));
        AppRun more(setup);
        QCOMPARE(more.App().Languages().GetSize(), 16);
        QCOMPARE(more.App().Languages()[15].langId, 0x80f);
        QCOMPARE(LanguageMenu(more).size(), 16);
    }

    void ChosenLanguageReplacesTextsAndEnglishFillsTheGaps()
    {
        LanguageFolder folder;
        folder.WriteLanguage(0x407, "Testsprache",
                             "string 216 = Ann Beispiel\n"
                             "text 1 = &Datei\n"
                             "menu 57601 = Ö&ffnen...\\tStrg+O\n"
                             "string 61232 = Jetzt %s neu starten?\n" // conversions differ: refused
                             "text 201 = Sprache %04x, Codepage %d\n"
                             "control 129 2500 = Pegel\n");
        AppRun::Setup setup;
        setup.programPath = folder.program;
        setup.presets = [](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "Language", 0x407); };
        {
            AppRun run(setup);
            QCOMPARE(run.App().CurrentLanguage(), 0x407);
            const QList<QAction*> top = run.Frame().menuBar()->actions();
            QCOMPARE(top[0]->text(), QStringLiteral("&Datei"));
            QCOMPARE(top[1]->text(), QStringLiteral("&Edit")); // not translated: English
            QCOMPARE(top[0]->menu()->actions()[1]->text(), QStringLiteral("Ö&ffnen...\tStrg+O"));
            QCOMPARE(LoadString(IDS_RESTART_LANGUAGE), std::string("To change language, restart now?"));
            QCOMPARE(LanguageMenu(run), (QStringList{"[ ] &1 English", "[x] &2 Testsprache"}));
            auto* level = dynamic_cast<CLevelCaption*>(run.Frame().findChild<QWidget*>(QStringLiteral("LevelCaption")));
            QVERIFY(level != nullptr);
            QCOMPARE(level->Text(), QStringLiteral("Pegel"));
            QCOMPARE(level->accessibleName(), QStringLiteral("Pegel"));
            // A palette's control unit naming its dialog shows the translation.
            ControlRow row;
            row.id = IDC_HISTOGRAM_LEVEL;
            row.caption = "&Level (own text)";
            row.dialogId = IDD_HISTOGRAM_BAR;
            ControlUnit unit(row);
            QCOMPARE(unit.Label()->text(), QStringLiteral("Pegel"));
            QCOMPARE(unit.Edit()->accessibleName(), QStringLiteral("Pegel"));
            row.dialogId = 0;
            QCOMPARE(ControlUnit(row).Label()->text(), QStringLiteral("&Level (own text)"));
            const AboutTexts about = MakeAboutTexts(0x40c, 1252);
            QCOMPARE(about.language, std::string("Sprache 040c, Codepage 1252"));
            QCOMPARE(about.translator, std::string("Ann Beispiel"));
        }
        // The translation belonged to that run.
        QCOMPARE(LoadString(IDS_POPUP_FILE), std::string("&File"));
    }

    void WithoutAUsableFileTheProgramRunsInEnglish()
    {
        struct Case {
            const char* name;
            int language;
            std::string stamp;
        };
        const Case cases[] = {
            {"no file for the language", 0x40c, EnglishString(IDS_BUILD_STAMP)},
            {"a file of another build", 0x407, "20080221173458"},
        };
        for (const Case& c : cases) {
            LanguageFolder folder;
            folder.Write("velmo0407.lang", "string 100 = " + c.stamp + "\nstring 215 = Deutsch\ntext 1 = &Datei\n");
            AppRun::Setup setup;
            setup.programPath = folder.program;
            setup.presets = [&c](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "Language", c.language); };
            AppRun run(setup);
            QVERIFY2(run.App().CurrentLanguage() == 1033, c.name);
            QVERIFY2(run.Frame().menuBar()->actions()[0]->text() == QStringLiteral("&File"), c.name);
            // The choice stays for when the file comes (back).
            QVERIFY2(ReadSettings(run.SettingsPath())->GetProfileInt(kSettingsSection, "Language", 0) == c.language,
                     c.name);
        }
    }

    void AboutBoxShowsTheBuildTheLanguageAndTheTranslator()
    {
        AppRun run;
        const bool shown = WithModalDialog([&] { run.Frame().ExecuteCommand(ID_APP_ABOUT); }, [&](QDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("About velmo"));
            auto text = [&dialog](unsigned id) {
                auto* label = qobject_cast<QLabel*>(FindControl(&dialog, id));
                return label != nullptr ? label->text() : QStringLiteral("(missing %1)").arg(id);
            };
            QCOMPARE(text(IDC_ABOUT_VERSION), QStringLiteral("velmo v0.4.7"));
            QCOMPARE(text(IDC_ABOUT_BUILD), QStringLiteral("build 164 : Nov  6 2009 20:26:28"));
            char language[64];
            std::snprintf(language, sizeof language, "Your default language is %04x-%d",
                          unsigned(run.App().ThreadLocaleAtStart()), 65001);
            QCOMPARE(text(IDC_ABOUT_LANGUAGE), QString::fromLatin1(language));
            QCOMPARE(text(IDC_ABOUT_TRANSLATOR), QStringLiteral("translator"));
            QCOMPARE(text(IDC_ABOUT_TRANSLATOR_LABEL), QStringLiteral("Translator"));
            QVERIFY(text(IDC_ABOUT_JPEG_LIBRARY).contains(QStringLiteral("Independent JPEG Group")));
            QVERIFY(text(IDC_ABOUT_BZIP2_LIBRARY).contains(QStringLiteral("libbz2")));
            QVERIFY(text(IDC_ABOUT_LCMS_LIBRARY).contains(QStringLiteral("LittleCMS")));
            // Every control has a name for screen readers.
            for (unsigned id : {IDC_ABOUT_VERSION, IDC_ABOUT_BUILD, IDC_ABOUT_LANGUAGE, IDC_ABOUT_TRANSLATOR,
                                IDC_ABOUT_JPEG_LIBRARY, IDC_OK})
                QVERIFY2(!FindControl(&dialog, id)->accessibleName().isEmpty(), qPrintable(QString::number(id)));
            QCOMPARE(FindControl(&dialog, IDC_OK)->accessibleName(), QStringLiteral("OK"));
            ExpectNothingClipped(dialog);
            QVERIFY(dialog.grab().save(Shot(QStringLiteral("velmo-about.png"))));
        });
        QVERIFY(shown);
    }

    void AboutBoxFitsALargeDialogFont()
    {
        AppRun::Setup setup;
        setup.presets = [](SettingsStore& s) {
            s.WriteProfileString(kSettingsSection, "FontName", "DejaVu Serif");
            s.WriteProfileInt(kSettingsSection, "FontSize", 16);
        };
        AppRun run(setup);
        const bool shown = WithModalDialog([&] { run.Frame().ExecuteCommand(ID_APP_ABOUT); }, [&](QDialog& dialog) {
            QCOMPARE(dialog.font().pointSize(), 16);
            ExpectNothingClipped(dialog);
            QVERIFY(dialog.grab().save(Shot(QStringLiteral("velmo-about-large-font.png"))));
        });
        QVERIFY(shown);
    }

    // The German file built beside the program: listed, loaded whole, and the
    // main window and the About box in German.
    void ShippedGermanTranslation()
    {
        const std::string program = VELMO_BINARY_DIR "/app/velmo";
        QVERIFY2(std::filesystem::exists(LanguageFilePath(program, 0x407)), "the build copies velmo0407.lang");
        TempDir dir;
        AppRun::Setup setup;
        setup.programPath = program;
        setup.arguments = {SampleRafPath(dir.path())};
        setup.presets = [](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "Language", 0x407); };
        AppRun run(setup);
        QCOMPARE(run.App().CurrentLanguage(), 0x407);
        QCOMPARE(LanguageMenu(run), (QStringList{"[ ] &1 English", "[x] &2 Deutsch"}));
        QStringList titles;
        for (QAction* a : run.Frame().menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"&Datei", "&Bearbeiten", "&Ansicht", "&Parameter", "A&usgabe", "Be&schnitt",
                                      "&Hilfe"}));

        CVelmoView& view = *run.Frame().GetActiveView();
        for (int i = 0; i < 200 && !view.HasFullSizeBitmap(); ++i)
            ProcessEvents(50);
        ProcessEvents(100);
        QVERIFY(!run.Frame().MessagePane()->InProgress());
        QCOMPARE(run.Frame().MessagePane()->Text(), QStringLiteral("Bereit"));
        // The File menu opened over the window, as a photographer sees it.
        QMenu* file = run.Frame().menuBar()->actions()[0]->menu();
        emit file->aboutToShow();
        QImage window = run.Frame().grab().toImage();
        const QImage menu = file->grab().toImage();
        {
            QPainter p(&window);
            p.drawImage(QPoint(run.Frame().menuBar()->geometry().left(), run.Frame().menuBar()->geometry().bottom()), menu);
        }
        QVERIFY(window.save(Shot(QStringLiteral("velmo-main-window-de.png"))));

        const bool shown = WithModalDialog([&] { run.Frame().ExecuteCommand(ID_APP_ABOUT); }, [&](QDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Info über velmo"));
            QCOMPARE(qobject_cast<QLabel*>(FindControl(&dialog, IDC_ABOUT_TRANSLATOR_LABEL))->text(),
                     QStringLiteral("Übersetzung"));
            QVERIFY(qobject_cast<QLabel*>(FindControl(&dialog, IDC_ABOUT_LANGUAGE))
                        ->text()
                        .startsWith(QStringLiteral("Ihre Standardsprache ist ")));
            ExpectNothingClipped(dialog);
            QVERIFY(dialog.grab().save(Shot(QStringLiteral("velmo-about-de.png"))));
        });
        QVERIFY(shown);
    }

    // A German run from start to a damaged file: the program's messages and
    // titles come from the language file, Qt's own dialogs and buttons from
    // Qt's German catalogue, and the status bar's progress labels are German.
    void GermanMessagesDialogsAndProgress()
    {
        TempDir dir;
        AppRun::Setup setup;
        setup.programPath = VELMO_BINARY_DIR "/app/velmo";
        setup.arguments = {SampleRafPath(dir.path())};
        setup.presets = [](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "Language", 0x407); };
        AppRun run(setup);
        QCOMPARE(run.App().CurrentLanguage(), 0x407);
        CMainFrame& frame = run.Frame();

        // A text file named like a RAF file.
        const std::string text = dir.File("x.RAF");
        std::ofstream(text) << "Einkaufsliste: Brot, Milch, Film.\n";
        QVERIFY(run.App().OpenDocumentFile(text) == nullptr);
        QCOMPARE(run.Messages().calls.size(), size_t(1));
        const std::string notRaf = run.Messages().calls[0].text;
        QCOMPARE(QString::fromStdString(notRaf), QStringLiteral("Dies ist keine FUJI-CCD-RAW-Datei."));

        // The same message and a question as the photographer sees them.
        QtMessageBoxHost boxes([&frame]() -> QWidget* { return &frame; }, QStringLiteral("velmo"));
        struct BoxCase {
            std::string text;
            unsigned type;
            QStringList buttons;
            QString file;
        };
        const BoxCase boxCases[] = {
            {notRaf, MB_OK | MB_ICONEXCLAMATION, {QStringLiteral("OK")}, QStringLiteral("velmo-message-not-raf-de.png")},
            {LoadString(IDS_RESET_ALL), MB_YESNO, {QStringLiteral("&Ja"), QStringLiteral("&Nein")},
             QStringLiteral("velmo-message-reset-all-de.png")},
        };
        for (const BoxCase& c : boxCases) {
            bool answered = false;
            QString shown;
            QStringList buttons;
            QStringList clipped;
            WhenModal<QMessageBox>(
                [&](QMessageBox& box) {
                    ProcessEvents(50);
                    shown = box.text();
                    for (QAbstractButton* b : box.buttons())
                        buttons << b->text();
                    clipped = ClippedControls(box);
                    box.grab().save(Shot(c.file));
                    box.done(QMessageBox::No);
                },
                &answered);
            boxes.Show(c.text, c.type);
            QVERIFY2(answered, qPrintable(c.file));
            QCOMPARE(shown, QString::fromStdString(c.text));
            buttons.sort();
            QStringList expected = c.buttons;
            expected.sort();
            QCOMPARE(buttons, expected);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
        }

        // The open dialogs: the crop frame's title is ours, the labels and
        // buttons Qt's.
        struct DialogCase {
            unsigned command;
            QString title;
            QString file;
        };
        const DialogCase dialogCases[] = {
            {ID_CROP_LOAD, QStringLiteral("Beschnittrahmen laden"), QStringLiteral("velmo-open-crop-frame-de.png")},
            {ID_FILE_OPEN, QStringLiteral("Öffnen"), QStringLiteral("velmo-open-dialog-de.png")},
        };
        for (const DialogCase& c : dialogCases) {
            bool answered = false;
            QString title;
            QStringList texts;
            WhenModal<QFileDialog>(
                [&](QFileDialog& dialog) {
                    ProcessEvents(100);
                    title = dialog.windowTitle();
                    for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
                        auto* l = dialog.findChild<QLabel*>(QString::fromLatin1(name));
                        texts << (l != nullptr ? l->text() : QString());
                    }
                    auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
                    for (QDialogButtonBox::StandardButton b : {QDialogButtonBox::Open, QDialogButtonBox::Cancel})
                        texts << (box != nullptr && box->button(b) != nullptr ? box->button(b)->text() : QString());
                    dialog.grab().save(Shot(c.file));
                    dialog.reject();
                },
                &answered);
            frame.ExecuteCommand(c.command);
            QVERIFY2(answered, qPrintable(c.title));
            QCOMPARE(title, c.title);
            QCOMPARE(texts, (QStringList{QStringLiteral("Suchen in:"), QStringLiteral("Datei&name:"),
                                         QStringLiteral("Dateien des Typs:"), QStringLiteral("&Öffnen"),
                                         QStringLiteral("Abbrechen")}));
        }

        // A label of the background worker, as the frame shows it.
        frame.Progress(40, "making FullPreview", 1);
        QCOMPARE(frame.MessagePane()->Text(), QStringLiteral("Vollbildvorschau erstellen 40%"));
        frame.Progress(-2, "Unzipping", -1);
        QCOMPARE(frame.MessagePane()->Text(), QStringLiteral("Entpacken"));
        frame.Progress(-1, nullptr, -1);
    }

    // Two items of one menu on the same access key: the key reaches only
    // the first. The shipped German file has none; the English texts stand
    // as the program gives them, and their clashes are listed as warnings.
    void AccessKeysOfOneMenuStayApart()
    {
        const std::optional<LanguageFile> german =
            ReadLanguageFile(LanguageFilePath(VELMO_BINARY_DIR "/app/velmo", 0x407));
        QVERIFY(german.has_value());
        const std::map<unsigned, std::string> accepted = AcceptedTranslations(german->texts, nullptr);
        auto texts = [](const std::map<unsigned, std::string>* translated) {
            return [translated](unsigned id) {
                if (translated != nullptr)
                    if (const auto found = translated->find(id); found != translated->end())
                        return found->second;
                const char* english = EnglishString(id);
                return std::string(english != nullptr ? english : "");
            };
        };
        QStringList clashes;
        for (const MnemonicClash& clash : FindMnemonicClashes(texts(&accepted)))
            clashes << QString::fromStdString(DescribeClash(clash));
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join('\n')));
        for (const MnemonicClash& clash : FindMnemonicClashes(texts(nullptr)))
            qWarning("English: %s", DescribeClash(clash).c_str());

        // The menu bar in German, as it is built: one title per key.
        AppRun::Setup setup;
        setup.programPath = VELMO_BINARY_DIR "/app/velmo";
        setup.presets = [](SettingsStore& s) { s.WriteProfileInt(kSettingsSection, "Language", 0x407); };
        AppRun run(setup);
        QCOMPARE(run.App().CurrentLanguage(), 0x407);
        QStringList keys;
        for (QAction* a : run.Frame().menuBar()->actions())
            keys << QString::fromStdString(MnemonicOf(a->text().toStdString()));
        QCOMPARE(keys, (QStringList{"d", "b", "a", "p", "u", "s", "h"}));
    }

    // The parameter palettes in German: the groups', units' and buttons'
    // captions come from the language file, their accessible names follow
    // them, and nothing is clipped, in the tabbed and the classic palette, at
    // the system font and a large dialog font.
    void ParamPalettesInGerman()
    {
        struct UnitCase {
            ParamField field;
            const char* german;
        };
        struct ControlCase {
            unsigned id;
            const char* german;
        };
        const char* groups[] = {"Drehung", "Weißabgleich", "Gradation", "SR-Mischung", "Schärfe", "Moiré"};
        const UnitCase units[] = {{ParamField::wbTempt, "Farbtemp."},   {ParamField::contrast, "Kontrast"},
                                  {ParamField::brightness, "Helligkeit"}, {ParamField::saturation, "Sättigung"},
                                  {ParamField::hue, "Farbton"},          {ParamField::sensitize, "Belichtung (LW)"},
                                  {ParamField::soften, "Weichzeichnen"}};
        const ControlCase controls[] = {{1814, "Links"}, {1202, "Lebhaft"}, {1220, "Feinabstimmung"},
                                        {IDC_SHARPNESS_HARD, "Hart"}, {ID_RESET, "&Zurücksetzen"}};

        const std::string program = VELMO_BINARY_DIR "/app/velmo";
        struct PaletteCase {
            int useOldUI;
            const char* fontName; // the dialog-font override ("": the system font)
            int fontSize;
            const char* suffix;   // of the screenshots' names
        };
        const PaletteCase cases[] = {{0, "", 0, "de"},
                                     {0, "DejaVu Serif", 14, "de-large"},
                                     {1, "", 0, "de"},
                                     {1, "DejaVu Serif", 14, "de-large"}};
        for (const PaletteCase& k : cases) {
            const int useOldUI = k.useOldUI;
            TempDir dir;
            AppRun::Setup setup;
            setup.programPath = program;
            setup.arguments = {SampleRafPath(dir.path())};
            setup.presets = [k](SettingsStore& s) {
                s.WriteProfileInt(kSettingsSection, "Language", 0x407);
                s.WriteProfileInt(kSettingsSection, "UseOldUI", k.useOldUI);
                s.WriteProfileString(kSettingsSection, "FontName", k.fontName);
                s.WriteProfileInt(kSettingsSection, "FontSize", k.fontSize);
                s.WriteProfileInt(kSettingsSection, "CurrentPane", 0);
            };
            AppRun run(setup);
            QCOMPARE(run.App().CurrentLanguage(), 0x407);
            CMainFrame& frame = run.Frame();
            frame.resize(1400, 1000);
            ProcessEvents(100);
            CPaletteDock* dock = frame.Palette(useOldUI != 0 ? ID_VIEW_PARAMS : ID_VIEW_PARAMTAB);
            QVERIFY(dock->isVisible());
            CParamControls& params = useOldUI != 0 ? dynamic_cast<CParamBar*>(dock)->Controls()
                                                   : dynamic_cast<CParamTabBar*>(dock)->Controls();
            const QString where = QString::fromUtf8(useOldUI != 0 ? "classic-" : "tabbed-") + QLatin1String(k.suffix);

            QStringList titles;
            for (QGroupBox* group : dock->widget()->findChildren<QGroupBox*>()) {
                titles << group->title();
                QCOMPARE(group->accessibleName(), PlainCaption(group->title()));
            }
            for (const char* title : groups)
                QVERIFY2(titles.contains(QString::fromUtf8(title)), qPrintable(where + ": " + titles.join('|')));
            for (const UnitCase& c : units) {
                ControlUnit* unit = params.Unit(c.field);
                QVERIFY(unit != nullptr);
                QCOMPARE(unit->Label()->text(), QString::fromUtf8(c.german));
                QCOMPARE(unit->Edit()->accessibleName(), QString::fromUtf8(c.german));
            }
            for (const ControlCase& c : controls) {
                QWidget* control = FindControl(dock->widget(), c.id);
                auto* button = qobject_cast<QAbstractButton*>(control);
                QVERIFY2(button != nullptr, c.german);
                QCOMPARE(button->text(), QString::fromUtf8(c.german));
                QCOMPARE(button->accessibleName(), PlainCaption(button->text()));
            }

            // Every page as a photographer opens it: whole captions, a screenshot each.
            auto check = [&](QWidget& root, const QString& file) {
                const QStringList clipped = ClippedControls(root);
                QVERIFY2(clipped.isEmpty(), qPrintable(where + ": " + clipped.join(QStringLiteral("; "))));
                QVERIFY(frame.grab().save(Shot(file)));
            };
            if (useOldUI != 0) {
                check(*dock->widget(), QStringLiteral("velmo-params-%1.png").arg(where));
            } else {
                auto* tabbed = dynamic_cast<CParamTabBar*>(dock);
                for (const int page : {0, 1, 2}) {
                    tabbed->ShowPage(page);
                    ProcessEvents(20);
                    check(*tabbed->Page(page), QStringLiteral("velmo-params-%1-page%2.png").arg(where).arg(page));
                }
                // The lens page's readouts of the loaded lens.
                tabbed->ShowPage(4);
                ProcessEvents(20);
                auto* lens = dynamic_cast<CLensPanel*>(tabbed->FeaturePage(FeatureKind::LensCorrection));
                QVERIFY(lens != nullptr);
                QVERIFY2(lens->ModelCaption()->text().startsWith(QStringLiteral("Modell:FinePix")),
                         qPrintable(lens->ModelCaption()->text()));
                QVERIFY2(lens->FocalLengthCaption()->text().startsWith(QStringLiteral("Brennweite:")) &&
                             lens->FocalLengthCaption()->text().endsWith(QStringLiteral("mm")),
                         qPrintable(lens->FocalLengthCaption()->text()));
                check(*tabbed->Page(4), QStringLiteral("velmo-params-%1-page4.png").arg(where));
            }
        }
    }
};

VELMO_APP_TEST(LanguageTest);

} // namespace velmo::test

#include "LanguageTest.moc"
