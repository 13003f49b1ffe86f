#pragma once

#include <QCheckBox>
#include <QPushButton>

#include "batch/batch_list.h"
#include "batch/browser.h"
#include "picture/controls.h"
#include "picture/form.h"
#include "picture/picture_frame.h"

namespace lanxi {

class BatchRun;

// The batch window: BMP and JPEG files picked in a drive, directory and file browser are
// collected into a list, and the run re-encodes each of them as a JPEG of quality 80, beside
// the file under its "_YS." name or, when asked, in its place.
class Form2 : public Form {
    Q_OBJECT
  public:
    explicit Form2(QObject* parent = nullptr);
    ~Form2() override;

    // Controls, valid while the window is loaded.
    DriveListBox* Drive1 = nullptr;
    DirListBox* Dir1 = nullptr;
    FileListBox* File1 = nullptr;
    BatchListBox* List1 = nullptr;
    QPushButton* Command1 = nullptr;   // start compressing
    QPushButton* Command2 = nullptr;   // close
    QPushButton* Command3 = nullptr;   // delete the selected rows
    QPushButton* Command4 = nullptr;   // clear
    QCheckBox* Check1 = nullptr;       // overwrite the sources
    VbLabel* Label1 = nullptr;         // the red notice
    PictureFrame* Picture1 = nullptr;  // hidden work frame

    // Event handlers.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    // How many files a run compresses at once; 0 gives one per core.
    int RunWorkers = 0;

    // The run in progress, while one is (for tests and for the progress dialog).
    BatchRun* CurrentRun() const { return run_; }

    static const QString kPattern;

  signals:
    // A run has started; its rows are reported by the run itself.
    void runStarted(lanxi::BatchRun* run);

  protected:
    void BuildControls(QWidget* window) override;
    void Form_Load() override;

  private:
    BatchRun* run_ = nullptr;
};

}  // namespace lanxi
