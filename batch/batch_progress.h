#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "forms/controls.h"

namespace lanxi {

// The progress of a batch run, modal to the batch window only: how many files are done of how
// many, the file being compressed, and a button that stops the run at once.
// Closing the dialog asks for the stop too; the dialog goes when the run has ended.
class BatchProgress : public QDialog {
    Q_OBJECT
  public:
    BatchProgress(QWidget* window, int total);

    // Shows that `done` files are finished and `current` is being compressed.
    void setRow(int done, const QString& current);
    // Shows that the run stops once the current file is done.
    void setStopping();

  signals:
    void stopRequested();

  protected:
    void reject() override;

  private:
    int total_;
    VbLabel* count_;  // a readout: readers hear each file done
    QLabel* file_;
    QProgressBar* bar_;
    QPushButton* stop_;
};

}  // namespace lanxi
