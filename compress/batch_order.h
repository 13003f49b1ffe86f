#pragma once

#include <QString>
#include <limits>
#include <queue>
#include <utility>
#include <vector>

#include "compress/batch_plan.h"

// Which rows of a batch may run side by side. Rows that share no file run in any order; a row
// that reads or writes a file an earlier row writes, or writes a file an earlier row reads,
// waits for that row. So every file ends as a run in list order would leave it, and no row
// reads a file another row is still writing.
namespace lanxi {

// The name under which a path is compared with the others: absolute, cleaned, its directory's
// links resolved where it exists, and folded to one letter case and one Unicode form. Folding
// may take two different files for one (on a file system that tells case apart), which only
// costs a little parallelism; the opposite mistake could mix up two rows' files (a camera's
// memory card ignores letter case).
QString FileKey(const QString& path);

// For each row, the earlier rows it must wait for: the last earlier row that writes its source;
// the last earlier row that writes its target, and every row since then that reads it. The
// lists are ascending; waiting is transitive, so a row lists only its nearest predecessors
// per file.
std::vector<std::vector<int>> RowPrerequisites(const std::vector<BatchJob>& jobs);

// The size in bytes of each row's source (0 when it has none): it measures the row's work, as
// decoding takes time in step with the compressed size.
std::vector<qint64> RowSizes(const std::vector<BatchJob>& jobs);

// Hands out the rows of a batch as their prerequisites are met, the costliest ready row first
// and rows of equal cost in list order. Starting the large files early keeps a big one from
// being left to run alone at the end while the other workers wait. Not thread-safe: the run's
// owner calls it from one thread.
class RowScheduler {
  public:
    // Without costs (or with fewer than rows), rows go in list order; without memory figures,
    // every row needs none. A figure of kUnknown is learnt later (see Learnt).
    explicit RowScheduler(const std::vector<std::vector<int>>& prerequisites,
                          std::vector<qint64> costs = {}, std::vector<qint64> memory = {});
    static constexpr qint64 kUnknown = -1;

    // The row to start now: of the rows not yet handed out whose prerequisites have all
    // finished and whose memory is unknown or at most `memoryAvailable`, the costliest, then the
    // earliest; -1 when there is none just now.
    int Next(qint64 memoryAvailable = std::numeric_limits<qint64>::max());
    // The memory a row holds while it runs; kUnknown until it is learnt.
    qint64 Memory(int row) const { return memory_[std::size_t(row)]; }
    // A row handed out only to learn its memory is given back with it, ready again in its turn.
    void Learnt(int row, qint64 memory);
    // The row handed out by Next() has finished (written or not: either way its turn is over).
    void Finished(int row);
    // A row that will not run: it is never handed out, and the rows after it go as if it had
    // finished.
    void Drop(int row);
    // Rows not yet handed out.
    int Waiting() const { return waiting_; }

  private:
    void ready(int row);

    std::vector<std::vector<int>> dependents_;
    std::vector<int> unfinished_;  // per row, prerequisites not yet finished
    std::vector<qint64> costs_;
    std::vector<qint64> memory_;
    std::vector<bool> dropped_;
    // Ready rows by cost, then by the earlier index (stored negated).
    std::priority_queue<std::pair<qint64, int>> ready_;
    int waiting_ = 0;
};

}  // namespace lanxi
