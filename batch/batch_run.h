#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <optional>
#include <vector>

#include "batch/batch_order.h"
#include "batch/batch_plan.h"

namespace lanxi {

// One row of a batch: loads the source and writes it to the target as a JPEG of quality 80.
// The picture lives only for the length of the call. Safe to call from any thread; never
// throws: a failure comes back as a result with its reason.
RowResult CompressFile(const BatchJob& job);

// Why a JPEG could not be written at `target`, as far as can be told once it has failed.
QString WriteFailureReason(const QString& target);

// Carries out the jobs of a batch away from the user-interface thread, on one worker per core,
// and reports each row as it starts and ends. The largest files go first (see RowScheduler),
// but rows that share a file keep their list order (see RowPrerequisites), so the files end as
// a run in list order would leave them. Each worker holds one picture at a time, whatever the
// length of the list. The object belongs to the user-interface thread and its signals arrive
// there, so the windows stay alive meanwhile.
class BatchRun : public QObject {
    Q_OBJECT
  public:
    // `workers` rows at most run at once; 0 gives one per core.
    explicit BatchRun(std::vector<BatchJob> jobs, QObject* parent = nullptr, int workers = 0);
    // Stops the run and waits for the rows in flight.
    ~BatchRun() override;

    // Starts the first rows. With no jobs the run is over at once (finished is not raised).
    void Start();
    // No further row starts; the rows in flight are finished and reported.
    void Stop();
    bool IsRunning() const { return running_; }
    bool StopRequested() const { return stopRequested_; }
    int Workers() const { return workers_; }
    // Rows finished so far.
    int Done() const { return done_; }
    // Rows started and not yet finished.
    int InFlight() const { return inFlight_; }
    const std::vector<BatchJob>& jobs() const { return jobs_; }
    // One entry per job; empty until the row has run.
    const std::vector<std::optional<RowResult>>& results() const { return results_; }
    BatchSummary Summary() const { return Summarize(jobs_, results_); }

  signals:
    void rowStarted(int index);
    void rowFinished(int index);
    void finished();

  private:
    // Starts rows while a worker is free and a row may go.
    void fill();
    void launch(int index);
    void landed(int index, QFutureWatcher<RowResult>* watcher);

    std::vector<BatchJob> jobs_;
    std::vector<std::optional<RowResult>> results_;
    RowScheduler scheduler_;
    int workers_;
    QThreadPool pool_;
    int inFlight_ = 0;
    int done_ = 0;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace lanxi
