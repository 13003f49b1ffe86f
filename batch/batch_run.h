#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <optional>
#include <vector>

#include "batch/batch_plan.h"

namespace lanxi {

// One row of a batch: loads the source and writes it to the target as a JPEG of quality 80.
// The picture lives only for the length of the call. Safe to call from any thread; never
// throws: a failure comes back as a result with its reason.
RowResult CompressFile(const BatchJob& job);

// Why a JPEG could not be written at `target`, as far as can be told once it has failed.
QString WriteFailureReason(const QString& target);

// Carries out the jobs of a batch away from the user-interface thread, in list order, one row
// after the other, and reports each row as it starts and ends. The object belongs to the
// user-interface thread and its signals arrive there, so the windows stay alive meanwhile.
class BatchRun : public QObject {
    Q_OBJECT
  public:
    explicit BatchRun(std::vector<BatchJob> jobs, QObject* parent = nullptr);
    // Stops the run and waits for the row in flight.
    ~BatchRun() override;

    // Starts the first row. With no jobs the run is over at once (finished is not raised).
    void Start();
    // No further row starts; the one in flight is finished and reported.
    void Stop();
    bool IsRunning() const { return running_; }
    bool StopRequested() const { return stopRequested_; }
    // Rows finished so far.
    int Done() const { return done_; }
    const std::vector<BatchJob>& jobs() const { return jobs_; }
    // One entry per job; empty until the row has run.
    const std::vector<std::optional<RowResult>>& results() const { return results_; }
    BatchSummary Summary() const { return Summarize(jobs_, results_); }

  signals:
    void rowStarted(int index);
    void rowFinished(int index);
    void finished();

  private:
    void launch(std::size_t index);
    void landed();

    QThreadPool pool_;
    QFutureWatcher<RowResult> watcher_;
    std::vector<BatchJob> jobs_;
    std::vector<std::optional<RowResult>> results_;
    std::size_t current_ = 0;
    int done_ = 0;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace lanxi
