#include "compress/batch_order.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace lanxi {

QString FileKey(const QString& path) {
    const QFileInfo info(path);
    const QString directory = info.absolutePath();
    const QString resolved = QFileInfo(directory).canonicalFilePath();
    const QString full = QDir::cleanPath((resolved.isEmpty() ? directory : resolved) +
                                         QLatin1Char('/') + info.fileName());
    return full.normalized(QString::NormalizationForm_C).toCaseFolded();
}

std::vector<std::vector<int>> RowPrerequisites(const std::vector<BatchJob>& jobs) {
    // What the rows so far did to one file.
    struct Use {
        int writer = -1;           // the last row that wrote it
        std::vector<int> readers;  // the rows that read it since
    };
    QHash<QString, Use> uses;
    std::vector<std::vector<int>> prerequisites(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const int row = int(i);
        const QString source = FileKey(jobs[i].source);
        const QString target = FileKey(jobs[i].target);
        std::vector<int>& after = prerequisites[i];
        if (const auto it = uses.constFind(source); it != uses.cend() && it->writer >= 0) {
            after.push_back(it->writer);
        }
        if (const auto it = uses.constFind(target); it != uses.cend()) {
            if (it->writer >= 0) {
                after.push_back(it->writer);
            }
            after.insert(after.end(), it->readers.begin(), it->readers.end());
        }
        std::sort(after.begin(), after.end());
        after.erase(std::unique(after.begin(), after.end()), after.end());

        uses[source].readers.push_back(row);
        Use& written = uses[target];
        written.writer = row;
        written.readers.clear();  // later writers wait for this row, which waited for them
    }
    return prerequisites;
}

std::vector<qint64> RowSizes(const std::vector<BatchJob>& jobs) {
    std::vector<qint64> sizes;
    sizes.reserve(jobs.size());
    for (const BatchJob& job : jobs) {
        sizes.push_back(QFileInfo(job.source).size());
    }
    return sizes;
}

RowScheduler::RowScheduler(const std::vector<std::vector<int>>& prerequisites,
                           std::vector<qint64> costs, std::vector<qint64> memory)
    : dependents_(prerequisites.size()),
      unfinished_(prerequisites.size()),
      costs_(std::move(costs)),
      memory_(std::move(memory)),
      dropped_(prerequisites.size(), false),
      waiting_(int(prerequisites.size())) {
    costs_.resize(prerequisites.size(), 0);
    memory_.resize(prerequisites.size(), 0);
    for (std::size_t row = 0; row < prerequisites.size(); ++row) {
        unfinished_[row] = int(prerequisites[row].size());
        for (int before : prerequisites[row]) {
            dependents_[std::size_t(before)].push_back(int(row));
        }
        if (unfinished_[row] == 0) {
            ready(int(row));
        }
    }
}

void RowScheduler::ready(int row) {
    ready_.push({costs_[std::size_t(row)], -row});
}

int RowScheduler::Next(qint64 memoryAvailable) {
    // Rows too large for now are set aside and put back, in their turn for later.
    std::vector<std::pair<qint64, int>> tooLarge;
    int row = -1;
    while (!ready_.empty()) {
        const auto top = ready_.top();
        ready_.pop();
        if (dropped_[std::size_t(-top.second)]) {
            continue;
        }
        const qint64 memory = memory_[std::size_t(-top.second)];
        if (memory == kUnknown || memory <= memoryAvailable) {
            row = -top.second;
            break;
        }
        tooLarge.push_back(top);
    }
    for (const auto& entry : tooLarge) {
        ready_.push(entry);
    }
    if (row >= 0) {
        --waiting_;
    }
    return row;
}

void RowScheduler::Learnt(int row, qint64 memory) {
    memory_[std::size_t(row)] = memory;
    ++waiting_;
    ready(row);
}

void RowScheduler::Drop(int row) {
    if (!dropped_[std::size_t(row)]) {
        dropped_[std::size_t(row)] = true;
        --waiting_;
        Finished(row);
    }
}

void RowScheduler::Finished(int row) {
    for (int later : dependents_[std::size_t(row)]) {
        if (--unfinished_[std::size_t(later)] == 0) {
            ready(later);
        }
    }
}

}  // namespace lanxi
