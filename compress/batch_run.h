#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/stop.h"
#include "compress/batch_order.h"
#include "compress/batch_plan.h"

namespace lanxi {

// One row of a batch: the upload copy of the source (upload/upload_copy.h) written to the
// target. The picture lives only for the length of the call. A picture whose data is damaged is
// not written (its source stays as it is). With `stop`, the row ends soon after a stop is
// requested, as stopped, writing nothing. A dry run's row writes nothing either: its result is
// the one the write would give, a failure foreseen where it can be known without writing. Safe
// to call from any thread; never throws: a failure comes back as a result with its reason.
RowResult CompressFile(const BatchJob& job, const Stop* stop = nullptr);

// The memory the rows in flight may hold together by default: a quarter of what the machine
// has (UsableMemoryBytes), so that a list of pictures that decode to gigabytes each cannot
// take the machine's memory whatever the number of cores.
std::int64_t DefaultMemoryBudget();

// Carries out the jobs of a batch away from the user-interface thread, on one worker per core,
// and reports each row as it starts and ends. Everything that touches the disk runs on the
// workers: first which rows are refused (PlanRefusals), which rows wait for which
// (RowPrerequisites) and the sources' sizes (RowSizes), then each row's header, read when a worker
// reaches the row (ProbePictureFile), then the row. The largest files go first (see RowScheduler),
// but rows that share a file keep their list order, so the files end as a run in list order would
// leave them. A row starts only while the memory of the rows in flight, as their headers tell it,
// stays within the budget; a row larger than the whole budget runs alone. The object belongs to the
// user-interface thread and its signals arrive there, so the windows stay alive meanwhile.
class BatchRun : public QObject {
    Q_OBJECT
  public:
    // `workers` rows at most run at once; 0 gives one per core. `memoryBudget` 0 gives
    // DefaultMemoryBudget().
    explicit BatchRun(std::vector<BatchJob> jobs, QObject* parent = nullptr, int workers = 0,
                      std::int64_t memoryBudget = 0);
    // Stops the run and waits for the work in flight, which ends at once.
    ~BatchRun() override;

    // Starts the run and returns at once. With no jobs the run is over at once (finished is not
    // raised).
    void Start();
    // No further row starts, and the rows in flight end unfinished (within a fraction of a
    // second) and are reported as stopped.
    void Stop();
    bool IsRunning() const { return running_; }
    // Rows finished so far.
    int Done() const { return done_; }
    // Rows started and not yet finished.
    int InFlight() const { return inFlight_; }
    // The most memory the rows in flight held together at any time, by their footprints.
    std::int64_t PeakMemoryInFlight() const { return peakMemory_; }
    const std::vector<BatchJob>& jobs() const { return jobs_; }
    // One entry per job; empty until the row has run.
    const std::vector<std::optional<RowResult>>& results() const { return results_; }
    BatchSummary Summary() const { return Summarize(jobs_, results_); }

  signals:
    void rowStarted(int index);
    void rowFinished(int index);
    void finished();

  private:
    struct Order {
        std::vector<std::vector<int>> prerequisites;
        std::vector<qint64> sizes;
        std::vector<QString> refusals;
    };
    void ordered(const Order& order);
    // Starts work while a worker is free and a row may go.
    void fill();
    void learn(const std::vector<int>& rows);
    void launch(int index);
    void landed(int index, QFutureWatcher<RowResult>* watcher);
    void end();

    std::vector<BatchJob> jobs_;
    std::vector<std::optional<RowResult>> results_;
    std::optional<RowScheduler> scheduler_;
    int workers_;
    QThreadPool pool_;
    std::int64_t memoryBudget_;
    std::int64_t memoryInFlight_ = 0;
    std::int64_t peakMemory_ = 0;
    lanxi::Stop stop_;
    int inFlight_ = 0;       // rows and header reads on the workers
    bool learning_ = false;  // a header is being read
    int done_ = 0;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace lanxi
