#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "batch/batch_list.h"
#include "batch/batch_results.h"
#include "forms/controls.h"
#include "forms/file_lists.h"
#include "forms/form.h"
#include "upload/upload_copy.h"

namespace lanxi {

class BatchRun;

// The batch window: BMP and JPEG files (and, when asked, the other pictures it reads) picked in a
// drive, directory and file browser are collected into a list, and the run re-encodes each of them
// as a JPEG of quality 80, beside the file under its "_YS." name or, when asked, in its place.
class Form2 : public Form {
    Q_OBJECT
  public:
    explicit Form2(QObject* parent = nullptr);
    ~Form2() override;

    // The names the window's remembered choices are kept under (see Remembered).
    static constexpr char kRememberedFolder[] = "batch/browserFolder";
    static constexpr char kRememberedPreset[] = "batch/preset";
    static constexpr char kRememberedFormats[] = "batch/format";

    // Controls, valid while the window is loaded (see Control).
    Control<DriveListBox> Drive1{this, "Drive1"};
    Control<DirListBox> Dir1{this, "Dir1"};
    Control<FileListBox> File1{this, "File1"};
    Control<BatchListBox> List1{this, "List1"};
    Control<QPushButton> Command1{this, "Command1"};  // start compressing
    Control<QPushButton> Command2{this, "Command2"};  // close
    Control<QPushButton> Command3{this, "Command3"};  // delete the selected rows
    Control<QPushButton> Command4{this, "Command4"};  // clear
    Control<QCheckBox> Check1{this, "Check1"};        // overwrite the sources
    Control<VbLabel> Label1{this, "Label1"};          // the red notice
    // The strip below the designed area.
    Control<VbLabel> Label2{this, "Label2"};    // "上传要求："
    Control<QComboBox> Combo1{this, "Combo1"};  // the site's limits every file is fitted to
    Control<QCheckBox> Check2{this,
                              "Check2"};  // the browser lists every picture, not only BMP and JPEG
    Control<QPushButton> Command5{this, "Command5"};  // the results of the last run

    // Event handlers.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Check2_Click();
    // Shows what the last run did with each file, until the next run.
    void Command5_Click();
    // Files and folders dropped on the list become rows, each remembering its directory: a file
    // of any format the program reads, and a folder's own files (not its subfolders') that the
    // browser would list.
    void List1_DragDrop(const QStringList& paths);

    // Compresses what a file manager's right-click handed over, as a user would by listing it
    // and pressing "开始压缩并保存" with `preset` chosen: the window shows with the list made of
    // the files (a folder gives its own files of every format the program reads, as the browser
    // lists them with Check2 ticked), the run starts at once, always beside the sources, and
    // ends with the closing message. Without paths the window only shows, the preset chosen.
    // The choices the user makes in the strip are remembered; these are not.
    void CompressHandedOver(const QStringList& paths, SitePreset preset);

    // The preset chosen in the strip (Unlimited while the window is not loaded).
    SitePreset Preset() const;

    // How many files a run compresses at once; 0 gives one per core.
    int RunWorkers = 0;

    // The browser's pattern: the designed BMP and JPEG files, or every picture with Check2.
    QString Pattern() const;
    // The results list of Command5 while it is open, else null.
    BatchResults* Results() const { return results_; }

  signals:
    // A run has started; its rows are reported by the run itself.
    void runStarted(lanxi::BatchRun* run);

  protected:
    void BuildControls(QWidget* window) override;
    void Form_Load() override;

  private:
    void rememberFolder();
    // A run has ended: what it did is kept for Command5 until the next run starts.
    void keepResults(const BatchRun& run);
    void forgetResults();
    // Adds the folder's own files that match the pattern, as the browser lists them.
    void addFolder(const QString& folder, const QString& pattern);

    std::vector<BatchJob> lastJobs_;
    std::vector<std::optional<RowResult>> lastResults_;
    QPointer<BatchResults> results_;
};

}  // namespace lanxi
