// Any arguments given to the command line, and the plan made of the files they name: parsing
// never crashes or hangs; every row the plan lets run writes a file whose name says JPEG, in its
// source's folder, that no other row writes and that is no other row's source.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <cstddef>
#include <cstdint>

#include "compress/batch_order.h"
#include "compress/batch_plan.h"
#include "compress/command_line.h"
#include "upload/name_rule.h"

namespace {

// One file as the plan tells files apart (the paths here lead to no links).
QString same(const QString& path) {
#ifdef Q_OS_WIN
    return lanxi::FileKey(path);
#else
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
#endif
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Arguments separated by zero bytes, as a program receives them.
    QStringList arguments = {QStringLiteral("compress")};
    for (const QByteArray& part :
         QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size))
             .split('\0')) {
        arguments << QString::fromUtf8(part);
    }
    const lanxi::Command command = lanxi::ParseCommand(arguments);
    if (!command.error.isEmpty() || command.help) {
        return 0;
    }
    std::vector<lanxi::BatchJob> jobs;
    for (const QString& file : command.files) {
        jobs.push_back(lanxi::PlanRow(lanxi::CommandRow(file), command.overwrite, command.preset));
        if (lanxi::ReportName(file).contains(QLatin1Char('\n'))) {
            __builtin_trap();  // a name would break the report's lines
        }
    }
    const std::vector<QString> refusals = lanxi::PlanRefusals(jobs);
    QSet<QString> targets, sources;
    for (const lanxi::BatchJob& job : jobs) {
        sources.insert(same(job.source));
    }
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const lanxi::BatchJob& job = jobs[i];
        if (!refusals[i].isEmpty()) {
            continue;
        }
        const QString target = same(job.target);
        if (!lanxi::HasJpegEnding(job.target) ||
            QFileInfo(job.target).absolutePath() != QFileInfo(job.source).absolutePath() ||
            targets.contains(target) || (!job.overSource && sources.contains(target))) {
            __builtin_trap();
        }
        targets.insert(target);
    }
    return 0;
}
