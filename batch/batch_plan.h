#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "batch/batch_list.h"

// What a batch run does with each row, and what it tells the user at the end. Plain functions:
// the window builds the plan, the engine carries it out, the window shows the summary.
namespace lanxi {

// One row's work: the file read and the file written, as the upload copy (jpeg/upload_copy.h).
struct BatchJob {
    QString source;
    QString target;
    // The target is the source itself (a JPEG compressed in its own place): the user asked for
    // that file to be replaced, so a link there is written through like an editor would. Every
    // other target is a name the run made up, and a link there is replaced instead.
    bool overSource = false;
    friend bool operator==(const BatchJob&, const BatchJob&) = default;
};

// Where a row's file goes: beside it under its "_YS." name, or, when overwriting, in its own
// place (a BMP keeps its file and gets a JPEG sibling whose name ends in "jpg").
BatchJob PlanRow(const BatchRow& row, bool overwrite);
// The jobs of every row, in list order.
std::vector<BatchJob> PlanBatch(const BatchList& rows, bool overwrite);

// How one row went.
struct RowResult {
    bool written = false;
    QString reason;  // why not, in Chinese, when not written
    // Ended unfinished by a stop request: counted with the rows never reached.
    bool stopped = false;
};

// What the run did, for the closing message.
struct BatchSummary {
    struct Failure {
        QString name;  // the row's file name
        QString reason;
    };
    int total = 0;        // rows in the list
    int written = 0;      // files written
    int unprocessed = 0;  // rows never reached, or cut short, because the user stopped the run
    std::vector<Failure> failures;
};

// Sums up a run: one entry per job, empty for a row that was never reached.
BatchSummary Summarize(const std::vector<BatchJob>& jobs,
                       const std::vector<std::optional<RowResult>>& results);

// The closing message: exactly "文件压缩并保存完毕！" when every row was written; otherwise how
// many were written, the rows that were not with their reasons (at most `maxListed`, then a
// count of the rest) and, after a stop, how many were left undone.
QString ClosingMessage(const BatchSummary& summary, int maxListed = 10);
// The message box style for it: no icon when all went well.
int ClosingMessageStyle(const BatchSummary& summary);

}  // namespace lanxi
