#pragma once

#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "compress/batch_rows.h"
#include "upload/upload_copy.h"

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
    // The site's limits the copy is fitted to; none: the upload copy at quality 80.
    SiteLimits limits{};
    // The target is the JPEG beside a source that is no JPEG (a BMP, written over the sources):
    // no "_YS" name, so a file standing there is nobody's copy and is never replaced.
    bool sibling = false;
    // The copy is made in memory and its write foreseen, nothing written: the row tells what a
    // run would do.
    bool dryRun = false;
    friend bool operator==(const BatchJob&, const BatchJob&) = default;
};

// Where a row's file goes: beside it under its "_YS." name, or, when overwriting, in its own
// place (a source whose name is no JPEG name, a BMP say, keeps its file and gets a JPEG sibling
// whose name ends in "jpg").
BatchJob PlanRow(const BatchRow& row, bool overwrite, SitePreset preset = SitePreset::Unlimited);
// The jobs of every row, in list order.
std::vector<BatchJob> PlanBatch(const BatchList& rows, bool overwrite,
                                SitePreset preset = SitePreset::Unlimited);

// Why each row is refused before anything is written (empty for a row that may run). A row
// writes only its own source (when it replaces it) or a file nobody named; it is refused when
// its target is another row's source, a file an earlier row writes (the earlier row keeps it,
// unless that row will be refused for its own file: unreadable, or of a format no copy is made
// from, which is then its refusal), or, for a sibling, any file standing there; and when its name
// cannot be the name of the file it was listed for (a name the system's encoding could not show).
// Files are compared as the system compares them: letter case counts only where the system's names
// tell it apart, and two names of one existing file are one file. Asks the disk about every row:
// not for the user-interface thread.
std::vector<QString> PlanRefusals(const std::vector<BatchJob>& jobs);

// How one row went.
struct RowResult {
    bool written = false;
    QString reason{};  // why not, in Chinese, when not written
    // Ended unfinished by a stop request: counted with the rows never reached.
    bool stopped = false;
    std::int64_t bytesBefore = 0;           // the source's size
    std::int64_t bytesAfter = 0;            // the written file's size
    int quality = 0;                        // the written file's JPEG quality
    QString note{};                         // what the user should know of a written copy
    QSize pixelsBefore{};                   // the source's picture, upright
    QSize pixelsAfter{};                    // the written file's
    bool replaced = false;                  // the written file took the place of one standing there
    Reduction reduction = Reduction::Area;  // what brought the source to the written pixels
};

// What the run did, for the closing message.
struct BatchSummary {
    struct Failure {
        QString name;  // the row's file name
        QString reason;
    };
    using Note = Failure;
    int total = 0;        // rows in the list
    int written = 0;      // files written
    int unprocessed = 0;  // rows never reached, or cut short, because the user stopped the run
    std::vector<Failure> failures;
    std::vector<Note> notes;       // of the rows written
    std::int64_t bytesBefore = 0;  // of the rows written: their sources' sizes
    std::int64_t bytesAfter = 0;   // and their copies'
    bool fitted = false;           // the rows were fitted to the site's limits
};

// Sums up a run: one entry per job, empty for a row that was never reached.
BatchSummary Summarize(const std::vector<BatchJob>& jobs,
                       const std::vector<std::optional<RowResult>>& results);

// The closing message: exactly "文件压缩并保存完毕！" when every row was written; otherwise how
// many were written, the rows that were not with their reasons (at most `maxListed`, then a
// count of the rest) and, after a stop, how many were left undone. A run fitted to the site's
// limits also tells the bytes of the written rows before and after, and the written rows that
// came with a note (a picture smaller than an avatar's side).
QString ClosingMessage(const BatchSummary& summary, int maxListed = 10);

}  // namespace lanxi
