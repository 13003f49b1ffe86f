#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

#include "compress/batch_plan.h"
#include "compress/batch_run.h"

namespace lanxi {

// One batch run as the batch window holds it: the run on its workers, the progress naming a
// file in flight, the window kept alive for as long as the run stands on it, and the closing
// message. The window's handler plans the rows and starts it.
class BatchSession : public QObject {
    Q_OBJECT
  public:
    // A session for `jobs`, shown over `window`: a progress dialog modal to it while the rows
    // run, then the closing message. Without a window only the message is shown.
    BatchSession(std::vector<BatchJob> jobs, QWidget* window, int workers = 0);
    ~BatchSession() override;

    // Runs the rows to their end, the user interface going on meanwhile. False when the window
    // was closed meanwhile (see WindowClosed): nothing more may be done with it then, and it
    // is deleted once this handler has returned.
    bool Run();
    // The closing message, over the window.
    void Tell();

    BatchRun& run() { return run_; }
    // The file the progress names: of the rows in flight, the one started last; empty when
    // none is.
    QString FileInFlight() const;

  public slots:
    void Stop();
    // The window was closed during the run (the program is ending): the run stops, and no
    // message will be shown.
    void WindowClosed();

  signals:
    // The progress shows and the first rows are about to start.
    void started();
    // After every start and every end of a row: the rows done and FileInFlight().
    void progressed(int done, const QString& fileInFlight);

  private:
    BatchRun run_;
    QPointer<QWidget> window_;
    std::vector<int> inFlight_;  // in the order they started
    bool windowClosed_ = false;
};

}  // namespace lanxi
