#include "compress/batch_plan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <map>

#include "compress/batch_order.h"
#include "upload/name_rule.h"

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace lanxi {

BatchJob PlanRow(const BatchRow& row, bool overwrite, SitePreset preset) {
    const QString source = row.path();
    const QString target = overwrite ? JpegName(source) : YsName(source);
    return BatchJob{source, target, target == source, Describe(preset).limits,
                    overwrite && target != source};
}

namespace {

// One file as the system tells files apart: its path with the directory's links resolved (and,
// where names ignore letter case, folded), and for a file that exists its place on its disk.
struct SameFile {
    QString key;
    std::optional<std::pair<quint64, quint64>> id;
    bool exists = false;
};

class FileNames {
  public:
    // `throughLinks`: the file a link leads to is the file (it is read, or written through);
    // otherwise a link is a file of its own (a name whose link is replaced).
    SameFile of(const QString& path, bool throughLinks = true) {
        SameFile f;
#ifdef Q_OS_WIN
        // Names are compared, letter case ignored: links are not followed on Windows.
        Q_UNUSED(throughLinks);
        f.key = FileKey(path);
        f.exists = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
#else
        const QFileInfo info(path);
        const QString directory = info.absolutePath();
        auto found = directories_.find(directory);
        if (found == directories_.end()) {
            const QString resolved = QFileInfo(directory).canonicalFilePath();
            found = directories_.insert(directory, resolved.isEmpty() ? directory : resolved);
        }
        f.key = QDir::cleanPath(*found + QLatin1Char('/') + info.fileName());
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
            f.exists = true;
            if (!throughLinks || ::stat(QFile::encodeName(path).constData(), &st) == 0) {
                f.id = std::pair<quint64, quint64>(quint64(st.st_dev), quint64(st.st_ino));
            }
        }
#endif
        return f;
    }

  private:
    QHash<QString, QString> directories_;
};

QString fileName(const QString& path) {
    return QFileInfo(path).fileName();
}

}  // namespace

std::vector<QString> PlanRefusals(const std::vector<BatchJob>& jobs) {
    FileNames names;
    std::vector<SameFile> sources;
    QHash<QString, int> sourceKeys;
    std::map<std::pair<quint64, quint64>, int> sourceIds;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        sources.push_back(names.of(jobs[i].source));
        sourceKeys.insert(sources.back().key, int(i));
        if (sources.back().id) {
            sourceIds.emplace(*sources.back().id, int(i));
        }
    }
    std::vector<QString> refusals(jobs.size());
    QHash<QString, int> targetKeys;
    std::map<std::pair<quint64, quint64>, int> targetIds;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const BatchJob& job = jobs[i];
        QString& refusal = refusals[i];
#ifndef Q_OS_WIN
        // Bytes that are no UTF-8 were shown as U+FFFD: that name leads to another file, or none.
        if (job.source.contains(QChar(QChar::ReplacementCharacter))) {
            refusal = QStringLiteral(
                "文件名中有无法识别的字符（系统里的名字不是 UTF-8 文字），"
                "按这个名字找不到原来的文件，没有压缩");
            continue;
        }
#endif
        const SameFile target = names.of(job.target, job.overSource);
        const auto rowWith = [&](const QHash<QString, int>& keys,
                                 const std::map<std::pair<quint64, quint64>, int>& ids) {
            if (const auto it = keys.constFind(target.key); it != keys.cend()) {
                return *it;
            }
            if (target.id) {
                if (const auto it = ids.find(*target.id); it != ids.end()) {
                    return it->second;
                }
            }
            return -1;
        };
        if (!job.overSource) {
            if (const int other = rowWith(sourceKeys, sourceIds); other >= 0 && other != int(i)) {
                refusal = QStringLiteral("会覆盖列表中的另一个文件“%1”，没有压缩")
                              .arg(fileName(jobs[std::size_t(other)].source));
                continue;
            }
        }
        if (const int earlier = rowWith(targetKeys, targetIds); earlier >= 0) {
            // A row that will be refused for what it is writes nothing: it is told its own
            // reason, and the file is this row's. Asked only here, so a list without such
            // collisions reads no file before the run.
            QString& other = refusals[std::size_t(earlier)];
            if (other = SourceRefusal(jobs[std::size_t(earlier)].source); other.isEmpty()) {
                refusal =
                    QStringLiteral("和“%1”要写到同一个文件“%2”，为免互相覆盖，没有压缩这一个")
                        .arg(fileName(jobs[std::size_t(earlier)].source), fileName(job.target));
                continue;
            }
            targetKeys.remove(target.key);
            for (auto it = targetIds.begin(); it != targetIds.end();) {
                it = it->second == earlier ? targetIds.erase(it) : std::next(it);
            }
        }
        if (job.sibling && target.exists) {
            refusal = QStringLiteral("旁边已有文件“%1”，它不是这个图片的副本，没有覆盖它")
                          .arg(fileName(job.target));
            continue;
        }
        targetKeys.insert(target.key, int(i));
        if (target.id) {
            targetIds.emplace(*target.id, int(i));
        }
    }
    return refusals;
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
            if (!results[i]->note.isEmpty()) {
                s.notes.push_back({QFileInfo(jobs[i].source).fileName(), results[i]->note});
            }
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
    QString notes;
    if (!s.notes.empty()) {
        notes = QStringLiteral("\n\n以下 %1 个文件已保存，但请留意：").arg(s.notes.size());
        const std::size_t listed = std::min(s.notes.size(), std::size_t(std::max(0, maxListed)));
        for (std::size_t i = 0; i < listed; ++i) {
            notes += QStringLiteral("\n%1：%2").arg(s.notes[i].name, s.notes[i].reason);
        }
        if (listed < s.notes.size()) {
            notes += QStringLiteral("\n……另有 %1 个。").arg(s.notes.size() - listed);
        }
    }
    if (s.written == s.total) {
        return QStringLiteral("文件压缩并保存完毕！") + bytes + notes;
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
    return text + notes;
}

}  // namespace lanxi
