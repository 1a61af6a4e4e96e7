#include "app/dialogs/BatchDlg.h"

#include "app/dialogs/FileDialogs.h"
#include "app/dialogs/RafPreview.h"
#include "document/VelmoDoc.h"
#include "platform/core/SettingsStore.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogFont.h"
#include "platform/gui/DialogText.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>

namespace velmo {

namespace {

constexpr char kSettings[] = "Settings";
constexpr char kOutputDirKey[] = "BatchOutputDir";
constexpr char kRawFilter[] = "CCDRAW(*.RAF)|*.RAF||";

std::vector<std::string> ListOf(unsigned stringId)
{
    std::vector<std::string> list;
    LoadStringList(stringId, &list);
    return list;
}

void FillCombo(QComboBox* combo, const std::vector<std::string>& items)
{
    combo->clear();
    for (const std::string& item : items)
        combo->addItem(QString::fromStdString(item));
}

QString FromStd(const std::string& s) { return QString::fromStdString(s); }

std::string DefaultChooseFolder(QWidget* parent, const std::string& title, const std::string& current)
{
    // Qt's own dialog, as for the file dialogs: the same on every desktop
    // and usable offscreen.
    const QString folder = QFileDialog::getExistingDirectory(
        parent, FromStd(title), FromStd(current), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    return folder.toStdString();
}

} // namespace

std::vector<std::string> RotationChoices() { return ListOf(IDS_ROTATION_CHOICES); }
std::vector<std::string> SharpnessChoices() { return ListOf(IDS_SHARPNESS_CHOICES); }

std::vector<std::string> WhiteBalanceChoices(bool useRafWB)
{
    return ListOf(useRafWB ? IDS_WB_PRESETS : IDS_WB_PRESETS_OLD);
}

std::string OutputDirText(const std::string& outputDir)
{
    return outputDir.empty() ? LoadString(IDS_SAME_AS_INPUT) : outputDir;
}

std::string BatchResultLine(bool done, const std::string& input)
{
    return LoadString(done ? IDS_BATCH_DONE : IDS_BATCH_ERR) + ":" + input;
}

bool HasRafExtension(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".RAF";
}

CBatchDlg::CBatchDlg(CVelmoDoc& document, QWidget* parent) : QDialog(parent), doc(document)
{
    setObjectName(QStringLiteral("BatchDlg"));
    ApplyDialogFont(this);
    setWindowTitle(DialogTitle(IDD_BATCH));
    setAcceptDrops(true);
    chooseFolder = DefaultChooseFolder;
    outputDir = Settings().GetProfileString(kSettings, kOutputDirKey, "");

    auto setUp = [this]<class Button>(Button* b, unsigned id, unsigned tip) {
        SetControlCaption(b, IDD_BATCH, id);
        SetControlTips(b, tip);
        b->setAutoDefault(false);
        return b;
    };
    auto button = [&](unsigned id, unsigned tip) { return setUp(new QPushButton(this), id, tip); };
    auto check = [this](unsigned id, unsigned tip) {
        auto* c = new AutoCheckBox(QString(), false, this);
        SetControlCaption(c, IDD_BATCH, id);
        SetControlTips(c, tip);
        return c;
    };
    auto combo = [this](unsigned id, QCheckBox* caption, unsigned tip) {
        auto* c = new QComboBox(this);
        SetControlId(c, id);
        c->setAccessibleName(PlainCaption(caption->text()));
        SetControlTips(c, tip);
        return c;
    };
    auto label = [this](unsigned id) {
        auto* l = new QLabel(this);
        SetControlCaption(l, IDD_BATCH, id);
        return l;
    };

    // The inputs, with their buttons and the caret item's thumbnail.
    QLabel* dropLabel = label(IDC_BATCH_DROP_LABEL);
    inputList = new QListWidget(this);
    SetControlId(inputList, IDC_BATCH_INPUTS);
    inputList->setAccessibleName(PlainCaption(dropLabel->text()));
    SetControlTips(inputList, IDS_TIP_BATCH_INPUTS);
    inputList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    inputList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    inputList->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
    inputList->setMinimumHeight(fontMetrics().height() * 8);
    dropLabel->setBuddy(inputList);
    addButton = button(IDC_BATCH_ADD_FILES, IDS_TIP_BATCH_ADD_FILES);
    removeButton = button(IDC_BATCH_REMOVE, IDS_TIP_BATCH_REMOVE);
    removeAllButton = button(IDC_BATCH_REMOVE_ALL, IDS_TIP_BATCH_REMOVE_ALL);

    // 4:3 like the cameras' previews, sized by the font.
    const int thumbHeight = fontMetrics().height() * 7;
    thumbnailStatic = new QLabel(this);
    SetControlCaption(thumbnailStatic, IDD_BATCH, IDC_BATCH_THUMBNAIL);
    thumbnailStatic->setText(QString());
    SetControlTips(thumbnailStatic, IDS_TIP_BATCH_THUMBNAIL);
    thumbnailStatic->setFixedSize(thumbHeight * 4 / 3, thumbHeight);
    thumbnailCheck = check(IDC_BATCH_THUMBNAIL_CHECK, IDS_TIP_BATCH_THUMBNAIL_CHECK);

    // The overrides.
    auto* overrides = new QGroupBox(this);
    SetControlCaption(overrides, IDD_BATCH, IDC_BATCH_OVERRIDE_GROUP);
    rotationCheck = check(IDC_BATCH_ROTATE, IDS_TIP_BATCH_ROTATE);
    sharpnessCheck = check(IDC_BATCH_SHARPNESS, IDS_TIP_BATCH_SHARPNESS);
    whiteBalanceCheck = check(IDC_BATCH_WHITE_BALANCE, IDS_TIP_BATCH_WHITE_BALANCE);
    rotationCombo = combo(IDC_BATCH_ROTATION_COMBO, rotationCheck, IDS_TIP_BATCH_ROTATE);
    sharpnessCombo = combo(IDC_BATCH_SHARPNESS_COMBO, sharpnessCheck, IDS_TIP_BATCH_SHARPNESS);
    whiteBalanceCombo = combo(IDC_BATCH_WB_COMBO, whiteBalanceCheck, IDS_TIP_BATCH_WHITE_BALANCE);
    useParamsCheck = check(IDC_BATCH_USE_PARAMS, IDS_TIP_BATCH_USE_PARAMS);
    auto* overrideGrid = new QGridLayout(overrides);
    overrideGrid->addWidget(rotationCheck, 0, 0);
    overrideGrid->addWidget(rotationCombo, 0, 1);
    overrideGrid->addWidget(sharpnessCheck, 1, 0);
    overrideGrid->addWidget(sharpnessCombo, 1, 1);
    overrideGrid->addWidget(whiteBalanceCheck, 2, 0);
    overrideGrid->addWidget(whiteBalanceCombo, 2, 1);
    overrideGrid->setColumnStretch(1, 1);

    // The output folder.
    QLabel* outputLabel = label(IDC_BATCH_OUTPUT_LABEL);
    outputDirEdit = new QLineEdit(this);
    SetControlId(outputDirEdit, IDC_BATCH_OUTPUT_DIR);
    outputDirEdit->setReadOnly(true);
    outputDirEdit->setAccessibleName(PlainCaption(outputLabel->text()));
    SetControlTips(outputDirEdit, IDS_TIP_BATCH_OUTPUT_DIR);
    outputLabel->setBuddy(outputDirEdit);
    browseButton = button(IDC_BATCH_BROWSE, IDS_TIP_BATCH_BROWSE);
    // "..." says little: its tip's name tells what it chooses.
    browseButton->setAccessibleName(ControlText(IDD_BATCH, IDC_BATCH_OUTPUT_LABEL).remove(QLatin1Char('&')) +
                                    QStringLiteral(" ..."));
    sameAsInputButton = button(IDC_BATCH_SAME_AS_INPUT, IDS_TIP_BATCH_SAME_AS_INPUT);

    // Results and progress.
    QLabel* resultsLabel = label(IDC_BATCH_RESULTS_LABEL);
    resultList = new QListWidget(this);
    SetControlId(resultList, IDC_BATCH_RESULTS);
    resultList->setAccessibleName(PlainCaption(resultsLabel->text()));
    SetControlTips(resultList, IDS_TIP_BATCH_RESULTS);
    resultList->setSelectionMode(QAbstractItemView::SingleSelection);
    resultList->setMinimumHeight(fontMetrics().height() * 6);
    resultsLabel->setBuddy(resultList);
    statusStatic = new QLabel(this);
    SetControlId(statusStatic, IDC_BATCH_STATUS);
    statusStatic->setTextFormat(Qt::PlainText);
    statusStatic->setMinimumWidth(fontMetrics().averageCharWidth() * 30);
    progress = new QProgressBar(this);
    SetControlCaption(progress, IDD_BATCH, IDC_BATCH_PROGRESS);
    SetControlTips(progress, IDS_TIP_BATCH_PROGRESS);
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);

    startButton = button(IDC_BATCH_START, IDS_TIP_BATCH_START);
    startButton->setDefault(true);
    startButton->setAutoDefault(true);
    // Pressed once asked, and still a button, not a toggle.
    abortButton = setUp(new HeldButton(this), IDC_BATCH_ABORT, IDS_TIP_BATCH_ABORT);
    closeButton = button(IDC_CANCEL, IDS_TIP_BATCH_CLOSE);

    // Layout: inputs with their buttons on the left, thumbnail and
    // overrides on the right; output folder, results, progress and the run
    // buttons below.
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(addButton);
    listButtons->addWidget(removeButton);
    listButtons->addWidget(removeAllButton);
    listButtons->addStretch(1);
    auto* inputColumn = new QVBoxLayout;
    inputColumn->addWidget(dropLabel);
    inputColumn->addWidget(inputList, 1);
    inputColumn->addLayout(listButtons);
    auto* sideColumn = new QVBoxLayout;
    sideColumn->addWidget(thumbnailStatic, 0, Qt::AlignHCenter);
    sideColumn->addWidget(thumbnailCheck);
    sideColumn->addWidget(overrides);
    sideColumn->addWidget(useParamsCheck);
    sideColumn->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(inputColumn, 1);
    top->addLayout(sideColumn);

    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(outputLabel);
    outputRow->addWidget(outputDirEdit, 1);
    outputRow->addWidget(browseButton);
    outputRow->addWidget(sameAsInputButton);

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(statusStatic, 1);
    progressRow->addWidget(progress, 1);

    auto* runButtons = new QHBoxLayout;
    runButtons->addStretch(1);
    runButtons->addWidget(startButton);
    runButtons->addWidget(abortButton);
    runButtons->addWidget(closeButton);

    auto* column = new QVBoxLayout(this);
    column->addLayout(top, 1);
    column->addLayout(outputRow);
    column->addWidget(resultsLabel);
    column->addWidget(resultList, 1);
    column->addLayout(progressRow);
    column->addLayout(runButtons);
    column->setSizeConstraint(QLayout::SetMinimumSize);

    connect(addButton, &QPushButton::clicked, this, [this] { OnAddFiles(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { OnRemove(); });
    connect(removeAllButton, &QPushButton::clicked, this, [this] { OnRemoveAll(); });
    connect(startButton, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(abortButton, &QPushButton::clicked, this, [this] { OnAbort(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(browseButton, &QPushButton::clicked, this, [this] { OnBrowseOutputDir(); });
    connect(sameAsInputButton, &QPushButton::clicked, this, [this] { OnSameAsInput(); });
    for (QCheckBox* c : {rotationCheck, sharpnessCheck, whiteBalanceCheck})
        connect(c, &QCheckBox::clicked, this, [this] {
            UpdateData(true);
            EnableCombos();
        });
    connect(thumbnailCheck, &QCheckBox::clicked, this, [this] {
        UpdateData(true);
        if (showThumbnail)
            ShowThumbnail();
    });
    connect(inputList, &QListWidget::currentRowChanged, this, [this] { ShowThumbnail(); });

    OnInitDialog();
}

CBatchDlg::~CBatchDlg()
{
    // Never destroyed under a running batch: the run is stopped first.
    runner.Abort();
    runner.Wait();
    Settings().WriteProfileString(kSettings, kOutputDirKey, outputDir);
}

void CBatchDlg::OnInitDialog()
{
    FillCombo(rotationCombo, RotationChoices());
    FillCombo(sharpnessCombo, SharpnessChoices());
    // The numbering of the white-balance mode follows "UseRafWB".
    FillCombo(whiteBalanceCombo, WhiteBalanceChoices(doc.Edit().UseRafWB()));
    thumbnail = QImage(thumbnailStatic->width(), thumbnailStatic->height(), QImage::Format_RGB888);
    thumbnail.fill(Qt::black);
    thumbnailStatic->setPixmap(QPixmap::fromImage(thumbnail));
    UpdateData(false);
    EnableCombos();
    EnableControls();
}

bool CBatchDlg::UpdateData(bool saveAndValidate)
{
    auto exchangeCheck = [saveAndValidate](QCheckBox* c, int& value) {
        if (saveAndValidate)
            value = c->isChecked() ? 1 : 0;
        else
            c->setChecked(value != 0);
    };
    auto exchangeCombo = [saveAndValidate](QComboBox* c, int& value) {
        if (saveAndValidate)
            value = std::max(0, c->currentIndex());
        else
            c->setCurrentIndex(std::clamp(value, 0, std::max(0, c->count() - 1)));
    };
    exchangeCheck(rotationCheck, overrideRotation);
    exchangeCheck(sharpnessCheck, overrideSharpness);
    exchangeCheck(whiteBalanceCheck, overrideWhiteBalance);
    exchangeCheck(thumbnailCheck, showThumbnail);
    exchangeCheck(useParamsCheck, useParams);
    exchangeCombo(rotationCombo, rotationIndex);
    exchangeCombo(sharpnessCombo, sharpnessIndex);
    exchangeCombo(whiteBalanceCombo, whiteBalanceIndex);
    if (!saveAndValidate) {
        // The folder's text only goes to the control.
        outputDirEdit->setText(FromStd(OutputDirText(outputDir)));
        sameAsInputButton->setEnabled(!running && !outputDir.empty());
    }
    return true;
}

void CBatchDlg::EnableCombos()
{
    rotationCombo->setEnabled(!running && overrideRotation != 0);
    sharpnessCombo->setEnabled(!running && overrideSharpness != 0);
    whiteBalanceCombo->setEnabled(!running && overrideWhiteBalance != 0);
}

void CBatchDlg::EnableControls()
{
    for (QWidget* w : std::initializer_list<QWidget*>{startButton, closeButton, addButton, removeButton,
                                                      removeAllButton, browseButton, rotationCheck, sharpnessCheck,
                                                      whiteBalanceCheck, useParamsCheck})
        w->setEnabled(!running);
    sameAsInputButton->setEnabled(!running && !outputDir.empty());
    abortButton->setEnabled(running);
    if (!running)
        abortButton->SetHeld(false);
    EnableCombos();
}

void CBatchDlg::AddLine(QListWidget* list, const std::string& text)
{
    list->addItem(FromStd(text));
}

std::vector<std::string> CBatchDlg::Inputs() const
{
    std::vector<std::string> lines;
    for (int i = 0; i < inputList->count(); ++i)
        lines.push_back(inputList->item(i)->text().toStdString());
    return lines;
}

std::vector<std::string> CBatchDlg::Results() const
{
    std::vector<std::string> lines;
    for (int i = 0; i < resultList->count(); ++i)
        lines.push_back(resultList->item(i)->text().toStdString());
    return lines;
}

void CBatchDlg::AddInputs(const std::vector<std::string>& paths)
{
    // The list being converted is fixed until the run ends.
    if (running)
        return;
    for (const std::string& path : paths)
        if (!path.empty())
            AddLine(inputList, path);
    if (inputList->currentRow() < 0 && inputList->count() > 0)
        inputList->setCurrentRow(0);
}

void CBatchDlg::OnAddFiles()
{
    FileDialogSetup setup;
    setup.filter = kRawFilter;
    setup.defaultExtension = ".RAF";
    setup.multiSelect = true;
    AddInputs(ChooseRawFiles(this, setup));
}

void CBatchDlg::OnRemove()
{
    if (running)
        return;
    for (QListWidgetItem* item : inputList->selectedItems())
        delete inputList->takeItem(inputList->row(item));
    ShowThumbnail();
}

void CBatchDlg::OnRemoveAll()
{
    if (running)
        return;
    inputList->clear();
    ShowThumbnail();
}

void CBatchDlg::ShowThumbnail()
{
    if (!showThumbnail)
        return;
    thumbnail.fill(Qt::black);
    const QListWidgetItem* item = inputList->currentItem();
    const std::string path = item != nullptr ? item->text().toStdString() : std::string();
    if (!path.empty() && HasRafExtension(path) && QFileInfo(FromStd(path)).isFile()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const RafPreview preview = ReadRafPreview(path, thumbnail.width(), thumbnail.height(), true);
        QApplication::restoreOverrideCursor();
        if (preview.picture)
            thumbnail = QImage(preview.pixels.data(), thumbnail.width(), thumbnail.height(), thumbnail.width() * 3,
                               QImage::Format_BGR888)
                            .convertToFormat(QImage::Format_RGB888);
    }
    thumbnailStatic->setPixmap(QPixmap::fromImage(thumbnail));
}

void CBatchDlg::OnBrowseOutputDir()
{
    const std::string chosen = chooseFolder(this, LoadString(IDS_SELECT_OUTPUT_FOLDER), outputDir);
    if (!chosen.empty())
        outputDir = chosen;
    UpdateData(false);
}

void CBatchDlg::OnSameAsInput()
{
    outputDir.clear();
    UpdateData(false);
    outputDirEdit->setFocus();
}

void CBatchDlg::OnStart()
{
    if (running)
        return;
    UpdateData(true);
    const std::vector<std::string> inputs = Inputs();
    if (inputs.empty())
        return;

    BatchOptions options;
    options.outputDir = outputDir;
    options.useParams = useParams != 0;
    options.overrideSharpness = overrideSharpness != 0;
    options.sharpness = sharpnessIndex;
    options.overrideRotation = overrideRotation != 0;
    options.rotation = Rotation(rotationIndex);
    options.overrideWhiteBalance = overrideWhiteBalance != 0;
    options.whiteBalance = whiteBalanceIndex;
    if (takeCrop)
        options.crop = takeCrop();

    // The runner's events come on its thread; each is handed to this
    // dialog's thread (and dropped if the dialog is gone).
    BatchRunner::Events events;
    events.fileStarted = [this](size_t index, const std::string& input) {
        handOff.Post([this, index, input] { OnFileStarted(index, input); });
    };
    events.progress = [this](int percent, const std::string& label) {
        handOff.Post([this, percent, label] { OnProgress(percent, label); });
    };
    events.fileFinished = [this](const BatchFileResult& result) {
        handOff.Post([this, result] { OnFileFinished(result); });
    };
    events.finished = [this](bool aborted) { handOff.Post([this, aborted] { OnFinished(aborted); }); };

    running = true;
    runFiles = inputs.size();
    closeWhenStopped = false;
    EnableControls();
    progress->setValue(0);
    statusStatic->clear();
    if (!runner.Start(doc, inputs, options, std::move(events))) {
        running = false;
        EnableControls();
    }
}

void CBatchDlg::OnAbort()
{
    if (!running)
        return;
    abortButton->SetHeld(true);
    statusStatic->setText(FromStd(LoadString(IDS_ABORTING)));
    runner.Abort();
}

void CBatchDlg::OnFileStarted(size_t index, const std::string& input)
{
    currentInput = input;
    progress->setValue(0);
    // Which file, and how far down this run's list (the results of earlier
    // runs are not part of it).
    const QString text = FromStd(LoadString(IDS_BATCH_FILE_PROGRESS))
                             .arg(QFileInfo(FromStd(input)).fileName())
                             .arg(qulonglong(index + 1))
                             .arg(qulonglong(runFiles));
    if (!abortButton->Held())
        statusStatic->setText(text);
}

void CBatchDlg::OnProgress(int percent, const std::string& /*label*/)
{
    if (percent >= 0)
        progress->setValue(std::clamp(percent, 0, 100));
}

void CBatchDlg::OnFileFinished(const BatchFileResult& result)
{
    // The list's first entry is the file that ended.
    if (inputList->count() > 0)
        delete inputList->takeItem(0);
    AddLine(resultList, BatchResultLine(result.outcome == BatchOutcome::Done, result.input));
    // Why a file failed, where the line is.
    if (!result.message.empty())
        resultList->item(resultList->count() - 1)->setToolTip(FromStd(result.message));
    resultList->scrollToBottom();
    progress->setValue(100);
}

void CBatchDlg::OnFinished(bool /*aborted*/)
{
    runner.Wait();
    if (inputList->count() > 0)
        AddLine(resultList, LoadString(IDS_BATCH_ABORTED));
    resultList->scrollToBottom();
    running = false;
    currentInput.clear();
    statusStatic->clear();
    progress->setValue(0);
    EnableControls();
    ShowThumbnail();
    if (closeWhenStopped)
        QDialog::reject();
}

void CBatchDlg::reject()
{
    if (running) {
        closeWhenStopped = true;
        OnAbort();
        return;
    }
    QDialog::reject();
}

void CBatchDlg::closeEvent(QCloseEvent* event)
{
    if (running) {
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}

void CBatchDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (!running && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CBatchDlg::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    AddInputs(paths);
    QApplication::restoreOverrideCursor();
    event->acceptProposedAction();
}

} // namespace velmo
