// "Batch convert": a list of RAF files converted one after the other with
// the current output settings, each optionally through its parameter file
// and overridden in rotation, sharpness and white balance, into the input's
// folder or an output folder. The run goes on a thread of its own
// (BatchRunner, with a document of its own), so the window stays responsive
// and shows the progress; "&Abort" stops between and within files. Esc or
// closing the window during a run only asks for the abort, and the dialog
// closes once the run has stopped. Results are listed as "Done:path",
// "Err:path" and "Aborted.".
#pragma once

#include "document/BatchConvert.h"
#include "platform/gui/HeldButton.h"
#include "platform/gui/ThreadHandOff.h"

#include <QDialog>
#include <QImage>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace velmo {

class CVelmoDoc;

// --- The dialog's rules, without widgets ----------------------------------------
// The three override lists: rotation, sharpness and the white-balance modes
// of the current "UseRafWB" (its numbering is the record's).
std::vector<std::string> RotationChoices();
std::vector<std::string> SharpnessChoices();
std::vector<std::string> WhiteBalanceChoices(bool useRafWB);
// The output folder's text: the folder, or "<Same as input>".
std::string OutputDirText(const std::string& outputDir);
// A result line: "Done:" or "Err:" and the input.
std::string BatchResultLine(bool done, const std::string& input);
// Whether the thumbnail of path is decoded: a ".RAF" name (any case).
bool HasRafExtension(const std::string& path);

class CBatchDlg : public QDialog {
public:
    // doc: the user's document, whose settings each run takes.
    explicit CBatchDlg(CVelmoDoc& doc, QWidget* parent = nullptr);
    // Stops a run and waits for it; writes "BatchOutputDir".
    ~CBatchDlg() override;

    int DoModal() { return exec(); }

    // Members as the controls show them (UpdateData).
    std::string outputDir;
    int sharpnessIndex = 1;
    int rotationIndex = 0;
    int whiteBalanceIndex = 0;
    int overrideRotation = 0;
    int overrideSharpness = 0;
    int overrideWhiteBalance = 0;
    int showThumbnail = 1;
    int useParams = 0;
    bool UpdateData(bool saveAndValidate);

    // The folder chooser of "..." (title, current folder) -> chosen folder or
    // "" when cancelled; tests replace it.
    std::function<std::string(QWidget* parent, const std::string& title, const std::string& current)> chooseFolder;
    // Called on "&Start", on this thread: the crop each file of the run is
    // saved with (the window's frame as it is then); unset or returning an
    // unset callback, files are saved whole.
    std::function<std::function<BatchCrop(const CVelmoDoc&, int)>()> takeCrop;

    // Commands.
    void AddInputs(const std::vector<std::string>& paths);
    void OnAddFiles();
    void OnRemove();
    void OnRemoveAll();
    void OnStart();
    void OnAbort();
    void OnBrowseOutputDir();
    void OnSameAsInput();

    bool Running() const { return running; }
    // Lines of the two lists.
    std::vector<std::string> Inputs() const;
    std::vector<std::string> Results() const;
    // The thumbnail shown (black without one).
    const QImage& Thumbnail() const { return thumbnail; }

    QListWidget* InputList() const { return inputList; }
    QListWidget* ResultList() const { return resultList; }
    QPushButton* StartButton() const { return startButton; }
    HeldButton* AbortButton() const { return abortButton; }
    QPushButton* CloseButton() const { return closeButton; }
    QPushButton* AddButton() const { return addButton; }
    QPushButton* RemoveButton() const { return removeButton; }
    QPushButton* RemoveAllButton() const { return removeAllButton; }
    QPushButton* BrowseButton() const { return browseButton; }
    QPushButton* SameAsInputButton() const { return sameAsInputButton; }
    QLineEdit* OutputDirEdit() const { return outputDirEdit; }
    QComboBox* RotationCombo() const { return rotationCombo; }
    QComboBox* SharpnessCombo() const { return sharpnessCombo; }
    QComboBox* WhiteBalanceCombo() const { return whiteBalanceCombo; }
    QCheckBox* RotationCheck() const { return rotationCheck; }
    QCheckBox* SharpnessCheck() const { return sharpnessCheck; }
    QCheckBox* WhiteBalanceCheck() const { return whiteBalanceCheck; }
    QCheckBox* UseParamsCheck() const { return useParamsCheck; }
    QCheckBox* ThumbnailCheck() const { return thumbnailCheck; }
    QLabel* ThumbnailStatic() const { return thumbnailStatic; }
    QLabel* StatusStatic() const { return statusStatic; }
    QProgressBar* ProgressBar() const { return progress; }

    // Esc and the Close button; during a run they ask for the abort and the
    // dialog closes once it has stopped.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnInitDialog();
    void EnableCombos();
    void EnableControls();
    void AddLine(QListWidget* list, const std::string& text);
    void ShowThumbnail();
    // Runner events, delivered on the user-interface thread.
    void OnFileStarted(size_t index, const std::string& input);
    void OnProgress(int percent, const std::string& label);
    void OnFileFinished(const BatchFileResult& result);
    void OnFinished(bool aborted);

    CVelmoDoc& doc;
    // Declared before the runner: destroyed after its thread has ended.
    ThreadHandOff handOff;
    BatchRunner runner;
    bool running = false;
    bool closeWhenStopped = false;
    size_t runFiles = 0; // the files of the run going on
    std::string currentInput;
    QImage thumbnail;

    QListWidget* inputList = nullptr;
    QListWidget* resultList = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* removeAllButton = nullptr;
    QPushButton* startButton = nullptr;
    HeldButton* abortButton = nullptr; // shown pressed once asked
    QPushButton* closeButton = nullptr;
    QPushButton* browseButton = nullptr;
    QPushButton* sameAsInputButton = nullptr;
    QLineEdit* outputDirEdit = nullptr;
    QComboBox* rotationCombo = nullptr;
    QComboBox* sharpnessCombo = nullptr;
    QComboBox* whiteBalanceCombo = nullptr;
    QCheckBox* rotationCheck = nullptr;
    QCheckBox* sharpnessCheck = nullptr;
    QCheckBox* whiteBalanceCheck = nullptr;
    QCheckBox* useParamsCheck = nullptr;
    QCheckBox* thumbnailCheck = nullptr;
    QLabel* thumbnailStatic = nullptr;
    QLabel* statusStatic = nullptr;
    QProgressBar* progress = nullptr;
};

} // namespace velmo
