#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QThread>
#include <functional>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

#include "codec/loader.h"
#include "compress/command_line.h"
#include "tests/support/filesystems.h"
#include "tests/support/images.h"
#include "upload/upload_copy.h"

namespace lanxi {
namespace {

struct Outcome {
    int status = -1;
    QString out, err;
};

Outcome run(const QStringList& arguments) {
    Outcome o;
    QTextStream out(&o.out), err(&o.err);
    o.status = RunCommand(arguments, out, err);
    return o;
}

TEST(CommandLine, CompressesEachFileAsTheBatchWindowWouldAndSaysSoLineByLine) {
    test::TempDir dir;
    const QString photo = dir.file(QStringLiteral("照片 1.jpg"));
    const QString bmp = dir.file(QStringLiteral("图.bmp"));
    test::WriteJpeg(test::PhotoImage(1400, 1000), photo);
    test::WriteBmp(test::PatternImage(80, 60), bmp);

    Outcome o = run({"compress", "--preset", "article", photo, bmp});
    EXPECT_EQ(o.status, 0) << o.out << o.err;
    const QStringList lines = o.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << o.out;
    const QString copy = dir.file(QStringLiteral("照片 1_YS.jpg"));
    const qint64 size = QFileInfo(copy).size();
    EXPECT_LE(size, 200'000);
    EXPECT_EQ(LoadPicture(copy).size(), QSize(700, 500));
    EXPECT_TRUE(lines[0].startsWith(QDir::toNativeSeparators(photo) +
                                    QStringLiteral("\t%1 字节\t质量 ").arg(size)))
        << lines[0];
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("共 2 个文件，已写入 2 个，失败 0 个")))
        << lines[2];

    // Without a preset: the copy of quality 80; over the sources, a BMP gets a JPEG beside it.
    o = run({"compress", "--overwrite", photo, bmp, dir.file(QStringLiteral("无.jpg"))});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("图.jpg"))));
    EXPECT_TRUE(o.out.contains(QStringLiteral("无.jpg\t失败：无法读出图片，文件不存在"))) << o.out;
    EXPECT_TRUE(o.out.contains(QStringLiteral("\t质量 80\t"))) << o.out;

    // A picture smaller than an avatar's side is not enlarged, and the line says so; and that
    // the run replaced the copy the first one wrote.
    o = run({"compress", "--preset", "avatar-310", bmp});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out.contains(
        QStringLiteral("\t图片的最小边只有 60 象素，不到 310 象素，没有放大\t替换原有文件\n")))
        << o.out;
    // So is a copy that had to give up pixels below the side to meet the bytes.
    const QString strip = dir.file(QStringLiteral("长条.bmp"));
    test::WriteBmp(test::PatternImage(310, 4000), strip);
    o = run({"compress", "--preset", "avatar-310", strip});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out.contains(QStringLiteral("不到 310 象素\n"))) << o.out;

    for (const QStringList& wrong :
         {QStringList{"compress"}, QStringList{"compress", "--preset"},
          QStringList{"compress", "--preset", "banner", photo},
          QStringList{"compress", "--fast", photo}, QStringList{"convert", photo}}) {
        o = run(wrong);
        EXPECT_EQ(o.status, 2) << wrong.join(' ');
        EXPECT_TRUE(o.err.contains(QStringLiteral("用法：lanxi-pictool compress"))) << o.err;
        EXPECT_TRUE(o.out.isEmpty());
    }
}

// Every name under the folders, hidden ones included, with each file's bytes.
QMap<QString, QByteArray> snapshot(const QStringList& folders) {
    QMap<QString, QByteArray> all;
    for (const QString& folder : folders) {
        QDirIterator it(folder,
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            all.insert(info.filePath(),
                       info.isFile() ? test::ReadBytes(info.filePath()) : "folder");
        }
    }
    return all;
}

// A dry run tells, line for line, what the run itself then reports (the copies written with their
// bytes and quality, a copy that replaces a file, a file that already fits, collisions, refusals
// and writes that cannot succeed), with the same exit status; and it writes nothing at all.
TEST(CommandLine, ADryRunReportsTheLinesOfTheRealRunAndWritesNothing) {
    struct Case {
        QStringList options;
        std::function<QStringList(test::TempDir&)> files;  // makes the files, gives the names
        QStringList expected;                              // what some lines must hold
    };
    const QByteArray photo = test::JpegBytes(test::PhotoImage(1400, 1000));
    const QImage small = test::SmoothImage(600, 400);
    const std::vector<Case> cases = {
        {{"--preset", "article"},
         [&](test::TempDir& dir) {
             test::WriteBytes(photo, dir.file(QStringLiteral("照片.jpg")));
             test::WriteJpeg(small, dir.file(QStringLiteral("小图.jpg")), 90);
             test::WriteBytes(photo, dir.file(QStringLiteral("旧.jpg")));
             test::WriteBytes("an older copy", dir.file(QStringLiteral("旧_YS.jpg")));
             test::WriteBytes(photo, dir.file(QStringLiteral("挡住.jpg")));
             QDir(dir.path()).mkdir(QStringLiteral("挡住_YS.jpg"));
             test::WriteBytes(QByteArray("GIF89a\x01\0\x01\0\0\0\0;", 14),
                              dir.file(QStringLiteral("动画.gif")));
             return QStringList{
                 dir.file(QStringLiteral("照片.jpg")), dir.file(QStringLiteral("小图.jpg")),
                 dir.file(QStringLiteral("旧.jpg")),   dir.path() + QStringLiteral("/./照片.jpg"),
                 dir.file(QStringLiteral("挡住.jpg")), dir.file(QStringLiteral("动画.gif")),
                 dir.file(QStringLiteral("没有.jpg"))};
         },
         {QStringLiteral("\t质量 96\t"), QStringLiteral("旧_YS.jpg\t替换原有文件"),
          QStringLiteral("失败：和“照片.jpg”要写到同一个文件“照片_YS.jpg”"),
          QStringLiteral("失败：无法写入“挡住_YS.jpg”，已有同名的文件夹"),
          QStringLiteral("失败：这是 GIF 图片"), QStringLiteral("失败：无法读出图片，文件不存在")}},
        {{"--overwrite"},
         [&](test::TempDir& dir) {
             test::WriteBmp(small, dir.file(QStringLiteral("a.bmp")));
             test::WriteBytes(photo, dir.file(QStringLiteral("a.jpg")));
             test::WriteBmp(small, dir.file(QStringLiteral("b.bmp")));
             test::WriteBytes(photo, dir.file(QStringLiteral("b.jpg")));
             EXPECT_TRUE(small.save(dir.file(QStringLiteral("c.png"))));
             return QStringList{
                 dir.file(QStringLiteral("a.bmp")), dir.file(QStringLiteral("a.jpg")),
                 dir.file(QStringLiteral("b.bmp")), dir.file(QStringLiteral("c.png"))};
         },
         {QStringLiteral("失败：会覆盖列表中的另一个文件“a.jpg”"),
          QStringLiteral("a.jpg\t替换原有文件"), QStringLiteral("失败：旁边已有文件“b.jpg”"),
          QStringLiteral("c.jpg\n")}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        QStringList files = c.files(dir);
        // A folder no file can be written in, where the system allows making one.
        test::ReadOnlyDirectory locked;
        test::WriteBytes(photo, locked.file(QStringLiteral("锁.jpg")));
        const bool lockedToo = locked.lock();
        if (lockedToo) {
            files << locked.file(QStringLiteral("锁.jpg"));
        }
        const QStringList folders = {dir.path(), locked.path()};
        const QMap<QString, QByteArray> before = snapshot(folders);

        const Outcome dry = run(QStringList{"compress", "--dry-run"} + c.options + files);
        EXPECT_EQ(snapshot(folders), before) << c.options.join(' ');
        const Outcome real = run(QStringList{"compress"} + c.options + files);
        EXPECT_NE(snapshot(folders), before) << c.options.join(' ');

        EXPECT_EQ(dry.status, 1);
        EXPECT_EQ(real.status, dry.status);
        QStringList dryLines = dry.out.split('\n', Qt::SkipEmptyParts);
        QStringList realLines = real.out.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(dryLines.size(), files.size() + 1) << dry.out;
        EXPECT_TRUE(dryLines.takeLast().startsWith(QStringLiteral("试运行，没有写入任何文件：")));
        EXPECT_TRUE(realLines.takeLast().startsWith(QStringLiteral("共 ")));
        EXPECT_EQ(dryLines, realLines);
        for (const QString& expected : c.expected) {
            EXPECT_TRUE(real.out.contains(expected)) << expected << "\n" << real.out;
        }
        if (lockedToo) {
            EXPECT_TRUE(realLines.last().contains(QStringLiteral("\t失败：无法写入“锁")) &&
                        realLines.last().endsWith(QStringLiteral("”，磁盘是只读的")))
                << realLines.last();
        }
    }
    // Every file written: a dry run says so as the run would.
    test::TempDir dir;
    test::WriteBytes(photo, dir.file(QStringLiteral("一.jpg")));
    EXPECT_EQ(run({"compress", "--dry-run", dir.file(QStringLiteral("一.jpg"))}).status, 0);
    EXPECT_EQ(test::DirectoryEntries(dir.path()), QStringList{QStringLiteral("一.jpg")});
}

#ifdef Q_OS_UNIX
TEST(CommandLine, TheProgramRunsACommandWithoutADisplay) {
    test::TempDir dir;
    test::WriteJpeg(test::SmoothImage(64, 48), dir.file(QStringLiteral("a.jpg")));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(LANXI_PROGRAM), {"compress", dir.file(QStringLiteral("a.jpg"))});
    ASSERT_TRUE(program.waitForFinished(60'000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("a_YS.jpg"))));
}

// The real program on names a careless user or an attacker gives it: every file is one line of
// the report, and nothing is written that nobody named.
TEST(CommandLine, HostileNamesAreReportedOneLineEachAndNothingUnnamedIsWritten) {
    test::TempDir dir;
    const auto in = [&dir](const QString& name) { return dir.file(name); };
    const QByteArray photo = test::JpegBytes(test::SmoothImage(64, 48));
    for (const QString& name :
         {QStringLiteral("行\n换.jpg"), QStringLiteral("制\t表.jpg"), QStringLiteral("-减号.jpg"),
          QStringLiteral("--overwrite"), QStringLiteral("a.jpg"), QStringLiteral("b\uFFFD.jpg")}) {
        test::WriteBytes(photo, in(name));
    }
    test::WriteBmp(test::PatternImage(16, 12), in(QStringLiteral("a.bmp")));
    ASSERT_TRUE(test::SmoothImage(20, 10).save(in(QStringLiteral("logo.png"))));
    test::WriteBytes(QByteArray("GIF89a\x01\0\x01\0\x80\0\0\0\0\0\xff\xff\xff!\xf9\x04\x01\0\0\0\0,"
                                "\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;",
                                43),
                     in(QStringLiteral("anim.gif")));
    // Two pictures of formats no copy is made from, whose copies would share a name, and a name
    // that leaves no room for the temporary file the write over it goes through.
    ASSERT_TRUE(test::SmoothImage(20, 10).save(in(QStringLiteral("short.ppm")), "ppm"));
    ASSERT_TRUE(test::SmoothImage(20, 10).save(in(QStringLiteral("short.pgm")), "pgm"));
    const QString longName = QString(83, QChar(0x957f)) + QStringLiteral(".jpg");
    test::WriteBytes(photo, in(longName));
    // A name that is no UTF-8 (b\xff.jpg), beside a file whose name shows the same.
    const QByteArray raw = QFile::encodeName(dir.path()) + "/b\xff.jpg";
    test::WriteBytes(photo, QFile::decodeName(raw));
    const QByteArray unrelated = test::ReadBytes(in(QStringLiteral("a.jpg")));
    const QByteArray lookalike = test::ReadBytes(in(QStringLiteral("b\uFFFD.jpg")));

    QProcess program;
    program.setWorkingDirectory(dir.path());
    // The shell passes the name's bytes as they are, which QProcess cannot.
    program.start(
        QStringLiteral("sh"),
        {"-c",
         "exec \"$0\" compress --overwrite -- \"$1\" \"$2\" \"$3\" \"$4\" a.bmp logo.png "
         "anim.gif \"$(printf 'b\\377.jpg')\" short.ppm short.pgm \"$5\"",
         QStringLiteral(LANXI_PROGRAM), QStringLiteral("行\n换.jpg"), QStringLiteral("制\t表.jpg"),
         QStringLiteral("-减号.jpg"), QStringLiteral("--overwrite"), longName});
    ASSERT_TRUE(program.waitForFinished(60'000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    EXPECT_EQ(program.exitCode(), 1) << out.toStdString();
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 12) << out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("行\\n换.jpg\t"))) << lines[0];
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("制\\t表.jpg\t"))) << lines[1];
    for (const QString& line : lines.mid(0, 3)) {
        EXPECT_EQ(line.count('\t'), 4) << line << " (written over itself)";
        EXPECT_TRUE(line.endsWith(QStringLiteral("\t替换原有文件"))) << line;
    }
    EXPECT_EQ(lines[3].count('\t'), 3) << lines[3] << " (a new JPEG beside it)";
    EXPECT_TRUE(lines[4].contains(QStringLiteral("失败：旁边已有文件“a.jpg”"))) << lines[4];
    EXPECT_TRUE(lines[5].endsWith(QStringLiteral("logo.jpg"))) << lines[5];
    EXPECT_TRUE(lines[6].contains(QStringLiteral("失败：这是 GIF 图片"))) << lines[6];
    EXPECT_TRUE(lines[7].contains(QStringLiteral("失败：文件名中有无法识别的字符"))) << lines[7];
    EXPECT_TRUE(lines[8].contains(QStringLiteral("失败：这是 PPM 图片"))) << lines[8];
    EXPECT_TRUE(lines[9].contains(QStringLiteral("失败：这是 PGM 图片"))) << lines[9];
    EXPECT_TRUE(lines[10].contains(QStringLiteral("失败：无法写入"))) << lines[10];
    EXPECT_TRUE(lines[10].contains(QStringLiteral("文件名太长"))) << lines[10];
    EXPECT_EQ(test::ReadBytes(in(longName)), photo);
    EXPECT_EQ(test::ReadBytes(in(QStringLiteral("a.jpg"))), unrelated);
    EXPECT_EQ(test::ReadBytes(in(QStringLiteral("b\uFFFD.jpg"))), lookalike);
    EXPECT_EQ(test::ReadBytes(QFile::decodeName(raw)), photo);
    EXPECT_TRUE(test::ReadBytes(in(QStringLiteral("logo.png"))).startsWith("\x89PNG"));
    EXPECT_EQ(LoadPicture(in(QStringLiteral("logo.jpg"))).size(), QSize(20, 10));
}

// Ctrl+C (or a termination request) stops the run as the window's "停止" does: the rows in
// flight end unfinished and leave no temporary file, the report still comes, and the status
// says not everything was written. A report that cannot be written is an error too.
TEST(CommandLine, AnInterruptStopsTheRunAndAReportThatCannotBeWrittenFails) {
    test::TempDir dir;
    const QByteArray large = test::JpegBytes(test::PhotoImage(4000, 3000), 90);
    QStringList arguments = {"compress"};
    for (int i = 0; i < 12; ++i) {
        test::WriteBytes(large, dir.file(QStringLiteral("大%1.jpg").arg(i)));
        arguments << dir.file(QStringLiteral("大%1.jpg").arg(i));
    }
    QProcess program;
    program.start(QStringLiteral(LANXI_PROGRAM), arguments);
    ASSERT_TRUE(program.waitForStarted());
    QThread::msleep(600);
    ::kill(pid_t(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(60'000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1) << out.toStdString();
    EXPECT_EQ(out.count('\n'), 13) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("失败：已停止"))) << out.toStdString();
    EXPECT_TRUE(out.trimmed().endsWith(QStringLiteral("已停止。"))) << out.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList({".lanxi-*"}, QDir::Files | QDir::Hidden).isEmpty());

    QProcess full;
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(QStringLiteral(LANXI_PROGRAM), {"compress", arguments.at(1)});
    ASSERT_TRUE(full.waitForFinished(60'000));
    EXPECT_EQ(full.exitCode(), 3);
}
#endif

}  // namespace
}  // namespace lanxi
