#include "compress/command_line.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include "compress/batch_plan.h"
#include "compress/batch_run.h"
#include "upload/upload_copy.h"

namespace lanxi {
namespace {

const QString kCompress = QStringLiteral("compress");

QString usage() {
    QStringList keys;
    for (const PresetDescription& p : SitePresets()) {
        if (!p.key.isEmpty()) {
            keys << p.key;
        }
    }
    QString text = QStringLiteral(
                       "用法：lanxi-pictool compress [--preset %1] [--overwrite] 文件...\n"
                       "  把每个 BMP 或 JPEG 文件压缩为 JPEG，写在原文件旁边（名字加“_YS”）。\n"
                       "  --overwrite  覆盖原文件（BMP 文件在旁边另存为 .jpg）\n"
                       "  --preset     按岚溪文坊的要求压缩：\n")
                       .arg(keys.join(QLatin1Char('|')));
    for (const PresetDescription& p : SitePresets()) {
        if (!p.key.isEmpty()) {
            text += QStringLiteral("                 %1  %2\n").arg(p.key, -11).arg(p.caption);
        }
    }
    text += QStringLiteral(
        "  不加 --preset 时以质量 80 压缩，尺寸不变。\n"
        "  退出码：0 全部写入，1 有文件没有写入，2 用法错误。\n");
    return text;
}

int usageError(QTextStream& err, const QString& what) {
    err << QStringLiteral("lanxi-pictool：%1\n").arg(what) << usage();
    err.flush();
    return 2;
}

}  // namespace

bool IsCommand(const QStringList& arguments) {
    return !arguments.isEmpty() && arguments.first() == kCompress;
}

int RunCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (!IsCommand(arguments)) {
        return usageError(err, QStringLiteral("不认识的命令“%1”").arg(arguments.value(0)));
    }
    SitePreset preset = SitePreset::Unlimited;
    bool overwrite = false;
    QStringList files;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (optionsEnded || !a.startsWith(QLatin1String("--"))) {
            files << a;
        } else if (a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (a == QLatin1String("--help")) {
            out << usage();
            out.flush();
            return 0;
        } else if (a == QLatin1String("--overwrite")) {
            overwrite = true;
        } else if (a == QLatin1String("--preset") || a.startsWith(QLatin1String("--preset="))) {
            const QString key = a.contains(QLatin1Char('='))
                                    ? a.section(QLatin1Char('='), 1)
                                    : (++i < arguments.size() ? arguments.at(i) : QString());
            const auto& all = SitePresets();
            const auto found = std::find_if(all.begin(), all.end(), [&key](const auto& p) {
                return !p.key.isEmpty() && p.key == key;
            });
            if (found == all.end()) {
                return usageError(err, QStringLiteral("不认识的预设“%1”").arg(key));
            }
            preset = found->preset;
        } else {
            return usageError(err, QStringLiteral("不认识的选项“%1”").arg(a));
        }
    }
    if (files.isEmpty()) {
        return usageError(err, QStringLiteral("没有给出文件"));
    }

    // Every file is a row, also two of one name in different folders.
    std::vector<BatchJob> jobs;
    for (const QString& file : files) {
        const QFileInfo info(file);
        jobs.push_back(PlanRow({info.fileName(), QDir::toNativeSeparators(info.absolutePath())},
                               overwrite, preset));
    }
    BatchRun run(jobs);
    QEventLoop loop;
    QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit);
    run.Start();
    if (run.IsRunning()) {
        loop.exec();
    }

    // In the order the files were given, whatever order they ran in.
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const std::optional<RowResult>& r = run.results()[i];
        out << QDir::toNativeSeparators(files.at(qsizetype(i))) << QStringLiteral("\t");
        if (r && r->written) {
            out << QStringLiteral("%1 字节\t质量 %2\t%3\n")
                       .arg(r->bytesAfter)
                       .arg(r->quality)
                       .arg(QDir::toNativeSeparators(jobs[i].target));
        } else {
            out << QStringLiteral("失败：%1\n").arg(r ? r->reason : QStringLiteral("没有处理"));
        }
    }
    const BatchSummary summary = run.Summary();
    out << QStringLiteral("共 %1 个文件，已写入 %2 个，失败 %3 个；写入前共 %4，写入后共 %5。\n")
               .arg(summary.total)
               .arg(summary.written)
               .arg(summary.total - summary.written)
               .arg(summary.bytesBefore)
               .arg(summary.bytesAfter);
    out.flush();
    return summary.written == summary.total ? 0 : 1;
}

}  // namespace lanxi
