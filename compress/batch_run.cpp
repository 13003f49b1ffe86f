#include "compress/batch_run.h"

#include <QFileInfo>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

#include "codec/picture_probe.h"
#include "system/machine.h"
#include "system/safe_file.h"
#include "upload/upload_copy.h"

namespace lanxi {

RowResult CompressFile(const BatchJob& job, const Stop* stop) {
    const RowResult stopped{false, QStringLiteral("已停止"), true};
    SourceFacts source;
    const FittedCopy copy = MakeUploadCopyOfFile(job.source, job.limits, stop, &source);
    if (copy.stopped) {
        return stopped;
    }
    if (!copy.fits()) {
        return {false, copy.reason};
    }
    const AtLink atLink = job.overSource ? AtLink::WriteThrough : AtLink::Replace;
    const QFileInfo target(job.target);
    const bool standing = target.exists() || target.isSymLink();
    QString reason;
    bool written = false;
    if (job.dryRun) {
        reason = ForeseenWriteFailure(job.target, atLink, copy.bytes);
        written = reason.isEmpty();
    } else {
        written = WriteUploadCopy(copy, job.target, &reason, atLink, job.source);
    }
    if (!written) {
        if (Stop::Requested(stop)) {
            return stopped;
        }
        return {false, QStringLiteral("无法写入“%1”，%2").arg(target.fileName(), reason)};
    }
    RowResult result{true};
    // What was read and what was written, not what the names hold afterwards.
    result.bytesBefore = source.bytes;
    result.bytesAfter = copy.bytes;
    result.quality = copy.quality;
    result.note = copy.note;
    result.pixelsBefore = source.pixels;
    result.pixelsAfter = copy.size;
    result.replaced = standing;
    result.reduction = copy.reduction;
    return result;
}

std::int64_t DefaultMemoryBudget() {
    return UsableMemoryBytes() / 4;
}

BatchRun::BatchRun(std::vector<BatchJob> jobs, QObject* parent, int workers,
                   std::int64_t memoryBudget)
    : QObject(parent),
      jobs_(std::move(jobs)),
      results_(jobs_.size()),
      workers_(std::max(1, workers > 0 ? workers : QThread::idealThreadCount())),
      memoryBudget_(memoryBudget > 0 ? memoryBudget : DefaultMemoryBudget()) {
    pool_.setMaxThreadCount(workers_);
}

BatchRun::~BatchRun() {
    stopRequested_ = true;
    stop_.request();
    for (QFutureWatcherBase* watcher : findChildren<QFutureWatcherBase*>()) {
        watcher->disconnect(this);
    }
    pool_.waitForDone();
}

void BatchRun::Start() {
    if (running_ || jobs_.empty()) {
        return;
    }
    running_ = true;
    // Which rows wait for which, and how large their sources are, ask the disk about every row:
    // on a long list or a slow disk that takes a while, which the progress spends on show.
    auto* watcher = new QFutureWatcher<Order>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        ordered(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&pool_, [jobs = jobs_] {
        return Order{RowPrerequisites(jobs), RowSizes(jobs), PlanRefusals(jobs)};
    }));
}

void BatchRun::Stop() {
    stopRequested_ = true;
    stop_.request();
}

void BatchRun::ordered(const Order& order) {
    scheduler_.emplace(order.prerequisites, order.sizes,
                       std::vector<qint64>(jobs_.size(), RowScheduler::kUnknown));
    for (std::size_t i = 0; i < order.refusals.size(); ++i) {
        if (!order.refusals[i].isEmpty()) {
            const int row = int(i);
            results_[i] = RowResult{false, order.refusals[i]};
            scheduler_->Drop(row);
            emit rowStarted(row);
            ++done_;
            emit rowFinished(row);
        }
    }
    fill();
}

void BatchRun::fill() {
    // A row's start is reported before it goes, and a listener may stop the run there.
    while (!stopRequested_ && inFlight_ < workers_) {
        // With nothing in flight any row may go, however large: it then runs alone.
        const int next =
            scheduler_->Next(inFlight_ == 0 ? std::numeric_limits<qint64>::max()
                                            : std::max<qint64>(0, memoryBudget_ - memoryInFlight_));
        if (next < 0) {
            break;
        }
        if (scheduler_->Memory(next) == RowScheduler::kUnknown) {
            // The headers of the rows whose turn comes next are read together, as many as there
            // are workers, so that the rows start in their turn and the workers fill at once.
            if (learning_) {
                scheduler_->Learnt(next, RowScheduler::kUnknown);
                break;
            }
            std::vector<int> rows{next};
            while (int(rows.size()) < workers_) {
                const int more = scheduler_->Next();
                if (more < 0) {
                    break;
                }
                if (scheduler_->Memory(more) != RowScheduler::kUnknown) {
                    scheduler_->Learnt(more, scheduler_->Memory(more));  // back in its turn
                    break;
                }
                rows.push_back(more);
            }
            learn(rows);
            break;
        } else {
            launch(next);
        }
    }
    if (inFlight_ == 0) {
        end();
    }
}

void BatchRun::end() {
    if (running_) {
        running_ = false;
        emit finished();
    }
}

void BatchRun::learn(const std::vector<int>& rows) {
    ++inFlight_;
    learning_ = true;
    using Footprints = std::vector<PictureFootprint>;
    auto* watcher = new QFutureWatcher<Footprints>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, rows, watcher] {
        watcher->deleteLater();
        --inFlight_;
        learning_ = false;
        const Footprints footprints = watcher->result();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int index = rows[i];
            if (footprints[i].refusal.isEmpty()) {
                scheduler_->Learnt(index, footprints[i].memoryBytes);
                continue;
            }
            // The decoder would refuse it with the same words; its file is not read.
            results_[std::size_t(index)] =
                RowResult{false, QStringLiteral("无法读出图片，%1").arg(footprints[i].refusal)};
            emit rowStarted(index);
            scheduler_->Finished(index);
            ++done_;
            emit rowFinished(index);
        }
        fill();
    });
    std::vector<QString> sources;
    for (int index : rows) {
        sources.push_back(jobs_[std::size_t(index)].source);
    }
    watcher->setFuture(QtConcurrent::run(&pool_, [sources] {
        Footprints footprints;
        for (const QString& source : sources) {
            footprints.push_back(ProbePictureFile(source));
        }
        return footprints;
    }));
}

void BatchRun::launch(int index) {
    ++inFlight_;
    memoryInFlight_ += scheduler_->Memory(index);
    peakMemory_ = std::max(peakMemory_, memoryInFlight_);
    emit rowStarted(index);
    auto* watcher = new QFutureWatcher<RowResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, index, watcher] { landed(index, watcher); });
    watcher->setFuture(QtConcurrent::run(&pool_, CompressFile, jobs_[std::size_t(index)], &stop_));
}

void BatchRun::landed(int index, QFutureWatcher<RowResult>* watcher) {
    results_[std::size_t(index)] = watcher->result();
    watcher->deleteLater();
    scheduler_->Finished(index);
    memoryInFlight_ -= scheduler_->Memory(index);
    --inFlight_;
    ++done_;
    emit rowFinished(index);
    fill();
}

}  // namespace lanxi
