#include "compress/command_line.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <atomic>
#include <csignal>

#include "codec/formats.h"
#include "compress/batch_plan.h"
#include "compress/batch_run.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

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
    QString text =
        QStringLiteral(
            "用法：lanxi-pictool compress [--preset %1] [--overwrite] [--dry-run] 文件...\n"
            "  把每个 %2 图片压缩为 JPEG，写在原文件旁边，名字加“_YS”、以 .jpg 结尾\n"
            "  （a.png 写为 a_YS.jpg）；其他格式的文件不处理。\n"
            "  --overwrite  覆盖原文件；名字不以 .jpg 或 .jpeg 结尾的图片（如 BMP）保留原文件，\n"
            "               在旁边另存为 .jpg，旁边已有同名文件时不覆盖它\n"
            "  --dry-run    试运行：在内存中压缩，照常输出每个文件会写入的名字、字节数和质量，\n"
            "               或不能写入的原因，但不写入任何文件；退出码与真正运行时相同\n"
            "  --preset     按岚溪文坊的要求压缩：\n")
            .arg(keys.join(QLatin1Char('|')), ReadableFormatNames());
    for (const PresetDescription& p : SitePresets()) {
        if (!p.key.isEmpty()) {
            text += QStringLiteral("                 %1  %2\n").arg(p.key, -11).arg(p.caption);
        }
    }
    text += QStringLiteral(
        "  不加 --preset 时以质量 80 压缩，尺寸不变。\n"
        "  两个文件会写到同一个文件、或会覆盖另一个列出的文件时，后者不处理。\n"
        "  每个文件输出一行，各项以制表符分开：文件名、写入的字节数、质量、写入的文件，\n"
        "  需要留意时加一项说明，替换了已有的文件时加一项“替换原有文件”\n"
        "  （或“失败：”和原因），最后一行是总计。名字中的换行、制表符等控制字符写作\n"
        "  \\n、\\t、\\xHH，反斜杠写作 \\\\。Ctrl+C 停止压缩，已写入的文件保留。\n"
        "  退出码：0 全部写入，1 有文件没有写入或已停止，2 用法错误，3 无法输出结果。\n");
    return text;
}

int usageError(QTextStream& err, const QString& what) {
    err << QStringLiteral("lanxi-pictool：%1\n").arg(what) << usage();
    err.flush();
    return 2;
}

// Set by Ctrl+C or a termination request; the run looks at it while it waits.
std::atomic<bool> interrupted{false};

#ifdef Q_OS_WIN
BOOL WINAPI onConsoleEvent(DWORD) {
    interrupted = true;
    return TRUE;
}
#else
extern "C" void onSignal(int) {
    interrupted = true;
}
#endif

// Catches Ctrl+C and termination requests for its lifetime, as a request to stop.
class Interruption {
  public:
    Interruption() {
        interrupted = false;
#ifdef Q_OS_WIN
        ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
        struct sigaction action {};
        action.sa_handler = onSignal;
        ::sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &oldInt_);
        ::sigaction(SIGTERM, &action, &oldTerm_);
#endif
    }
    ~Interruption() {
#ifdef Q_OS_WIN
        ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
#else
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
#endif
    }
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

  private:
#ifndef Q_OS_WIN
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
#endif
};

}  // namespace

bool IsCommand(const QStringList& arguments) {
    return !arguments.isEmpty() && arguments.first() == kCompress;
}

Command ParseCommand(const QStringList& arguments) {
    Command c;
    if (!IsCommand(arguments)) {
        c.error = QStringLiteral("不认识的命令“%1”").arg(ReportName(arguments.value(0)));
        return c;
    }
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (optionsEnded || !a.startsWith(QLatin1String("--"))) {
            if (a.isEmpty()) {
                c.error = QStringLiteral("文件名不能是空的");
                return c;
            }
            c.files << a;
        } else if (a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (a == QLatin1String("--help")) {
            c.help = true;
            return c;
        } else if (a == QLatin1String("--overwrite")) {
            c.overwrite = true;
        } else if (a == QLatin1String("--dry-run")) {
            c.dryRun = true;
        } else if (const std::optional<PresetOption> option = ReadPresetOption(arguments, i)) {
            if (!option->error.isEmpty()) {
                c.error = option->error;
                return c;
            }
            c.preset = option->preset;
        } else {
            c.error = QStringLiteral("不认识的选项“%1”").arg(ReportName(a));
            return c;
        }
    }
    if (c.files.isEmpty()) {
        c.error = QStringLiteral("没有给出文件");
    }
    return c;
}

std::optional<SitePreset> PresetForKey(const QString& key) {
    for (const PresetDescription& p : SitePresets()) {
        if (!p.key.isEmpty() && p.key == key) {
            return p.preset;
        }
    }
    return std::nullopt;
}

std::optional<PresetOption> ReadPresetOption(const QStringList& arguments, qsizetype& i) {
    const QString& a = arguments.at(i);
    if (a != QLatin1String("--preset") && !a.startsWith(QLatin1String("--preset="))) {
        return std::nullopt;
    }
    const QString key = a.contains(QLatin1Char('='))
                            ? a.section(QLatin1Char('='), 1)
                            : (++i < arguments.size() ? arguments.at(i) : QString());
    if (const std::optional<SitePreset> preset = PresetForKey(key)) {
        return PresetOption{*preset, {}};
    }
    return PresetOption{SitePreset::Unlimited,
                        QStringLiteral("不认识的预设“%1”").arg(ReportName(key))};
}

BatchRow CommandRow(const QString& file) {
    // Joined to the current folder by hand: Qt would take a name starting with ":" for one of
    // its resources, where the system sees a file of that name.
    const bool relative = !file.startsWith(QLatin1Char('/')) && !QDir::isAbsolutePath(file);
    const QFileInfo info(QDir::cleanPath(relative || file.startsWith(QLatin1Char(':'))
                                             ? QDir::currentPath() + QLatin1Char('/') + file
                                             : file));
    return {info.fileName(), QDir::toNativeSeparators(info.absolutePath())};
}

QString ReportName(const QString& name) {
    QString text;
    text.reserve(name.size());
    for (const QChar ch : name) {
        const char16_t u = ch.unicode();
        if (u == u'\n') {
            text += QLatin1String("\\n");
        } else if (u == u'\t') {
            text += QLatin1String("\\t");
        } else if (u == u'\r') {
            text += QLatin1String("\\r");
        } else if (u < 0x20 || u == 0x7f) {
            text += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
#ifndef Q_OS_WIN
        } else if (u == u'\\') {
            // A separator on Windows, where no name holds one; elsewhere the escape's own mark.
            text += QLatin1String("\\\\");
#endif
        } else {
            text += ch;
        }
    }
    return text;
}

int RunCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const Command command = ParseCommand(arguments);
    if (command.help) {
        out << usage();
        out.flush();
        return out.status() == QTextStream::Ok ? 0 : 3;
    }
    if (!command.error.isEmpty()) {
        return usageError(err, command.error);
    }

    // Every file is a row, also two of one name in different folders.
    std::vector<BatchJob> jobs;
    for (const QString& file : command.files) {
        jobs.push_back(PlanRow(CommandRow(file), command.overwrite, command.preset));
        jobs.back().dryRun = command.dryRun;
    }
    BatchRun run(jobs);
    QEventLoop loop;
    QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit);
    const Interruption interruption;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &run, [&run] {
        if (interrupted) {
            run.Stop();
        }
    });
    watch.start(50);
    run.Start();
    if (run.IsRunning()) {
        loop.exec();
    }
    watch.stop();

    // In the order the files were given, whatever order they ran in.
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const std::optional<RowResult>& r = run.results()[i];
        out << ReportName(QDir::toNativeSeparators(command.files.at(qsizetype(i))))
            << QStringLiteral("\t");
        if (r && r->written) {
            out << QStringLiteral("%1 字节\t质量 %2\t%3")
                       .arg(r->bytesAfter)
                       .arg(r->quality)
                       .arg(ReportName(QDir::toNativeSeparators(jobs[i].target)));
            if (!r->note.isEmpty()) {
                out << QStringLiteral("\t") << r->note;
            }
            if (r->replaced) {
                out << QStringLiteral("\t替换原有文件");
            }
            out << QStringLiteral("\n");
        } else {
            out << QStringLiteral("失败：%1\n")
                       .arg(ReportName(r ? r->reason : QStringLiteral("已停止，没有处理")));
        }
    }
    const BatchSummary summary = run.Summary();
    out << (command.dryRun
                ? QStringLiteral("试运行，没有写入任何文件：共 %1 个文件，可写入 %2 个，失败 %3 "
                                 "个；写入前共 %4，写入后共 %5。%6\n")
                : QStringLiteral("共 %1 个文件，已写入 %2 个，失败 %3 个；写入前共 %4，写入后共 "
                                 "%5。%6\n"))
               .arg(summary.total)
               .arg(summary.written)
               .arg(summary.total - summary.written)
               .arg(summary.bytesBefore)
               .arg(summary.bytesAfter)
               .arg(summary.unprocessed > 0 ? QStringLiteral("已停止。") : QString());
    out.flush();
    if (out.status() != QTextStream::Ok) {
        return 3;
    }
    return summary.written == summary.total ? 0 : 1;
}

}  // namespace lanxi
