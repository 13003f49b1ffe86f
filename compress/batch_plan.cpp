#include "compress/batch_plan.h"

#include <QFileInfo>

#include "upload/name_rule.h"

namespace lanxi {

BatchJob PlanRow(const BatchRow& row, bool overwrite, SitePreset preset) {
    const QString source = row.path();
    const QString target = overwrite ? JpgEnding(source) : YsName(source);
    return BatchJob{source, target, target == source, Describe(preset).limits};
}

std::vector<BatchJob> PlanBatch(const BatchList& rows, bool overwrite, SitePreset preset) {
    std::vector<BatchJob> jobs;
    jobs.reserve(std::size_t(rows.size()));
    for (const BatchRow& row : rows.rows()) {
        jobs.push_back(PlanRow(row, overwrite, preset));
    }
    return jobs;
}

BatchSummary Summarize(const std::vector<BatchJob>& jobs,
                       const std::vector<std::optional<RowResult>>& results) {
    BatchSummary s;
    s.total = int(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        s.fitted = s.fitted || jobs[i].limits.any();
        if (i >= results.size() || !results[i] || results[i]->stopped) {
            ++s.unprocessed;
        } else if (results[i]->written) {
            ++s.written;
            s.bytesBefore += results[i]->bytesBefore;
            s.bytesAfter += results[i]->bytesAfter;
        } else {
            s.failures.push_back({QFileInfo(jobs[i].source).fileName(), results[i]->reason});
        }
    }
    return s;
}

QString ClosingMessage(const BatchSummary& s, int maxListed) {
    // The bytes of the written files, for a run that was fitted to the site's limits.
    const QString bytes = s.fitted && s.written > 0
                              ? QStringLiteral("\n已保存的 %1 个文件压缩前共 %2，压缩后共 %3。")
                                    .arg(s.written)
                                    .arg(SiteBytes(s.bytesBefore), SiteBytes(s.bytesAfter))
                              : QString();
    if (s.written == s.total) {
        return QStringLiteral("文件压缩并保存完毕！") + bytes;
    }
    QString text;
    if (s.unprocessed > 0) {
        text += QStringLiteral("压缩已停止。");
    }
    text += QStringLiteral("共 %1 个文件，已压缩并保存 %2 个。").arg(s.total).arg(s.written);
    text += bytes;
    if (s.unprocessed > 0) {
        text += QStringLiteral("\n另有 %1 个文件没有处理。").arg(s.unprocessed);
    }
    if (!s.failures.empty()) {
        text += QStringLiteral("\n\n以下 %1 个文件没有保存：").arg(s.failures.size());
        const std::size_t listed = std::min(s.failures.size(), std::size_t(std::max(0, maxListed)));
        for (std::size_t i = 0; i < listed; ++i) {
            text += QStringLiteral("\n%1：%2").arg(s.failures[i].name, s.failures[i].reason);
        }
        if (listed < s.failures.size()) {
            text += QStringLiteral("\n……另有 %1 个文件没有保存。").arg(s.failures.size() - listed);
        }
    }
    return text;
}

}  // namespace lanxi
