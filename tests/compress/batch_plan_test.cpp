// The rules of a batch without a window: the list's rows, the plan of each row's source and
// target, and the closing message.
#include <gtest/gtest.h>

#include <QDir>

#include <QFile>
#include <QRegularExpression>

#include "compress/batch_plan.h"
#include "tests/support/images.h"
#include "tests/support/printers.h"

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace lanxi {
namespace {

QString N(const QString& path) {
    return QDir::toNativeSeparators(path);
}

TEST(BatchPlan, NamesEachRowsTarget) {
    struct Case {
        const char* name;
        const char* directory;
        bool overwrite;
        const char* target;
    } cases[] = {
        {"a.jpg", "/pics", false, "/pics/a_YS.jpg"},
        {"a.bmp", "/pics", false, "/pics/a_YS.jpg"},
        {"a.Bmp", "/pics", false, "/pics/a_YS.jpg"},
        {"a.jpeg", "/pics", false, "/pics/a_YS.jpeg"},
        {"a.b.jpg", "/pics", false, "/pics/a_YS.b_YS.jpg"},
        // A dot in the directory's name stays: the copy goes beside its source.
        {"a.jpg", "/my.pics", false, "/my.pics/a_YS.jpg"},
        {"a.jpg", "/", false, "/a_YS.jpg"},
        {"照片.JPG", "/相册 2024", false, "/相册 2024/照片_YS.JPG"},
        {"a.JPG", "/pics", true, "/pics/a.JPG"},
        {"a.jpeg", "/pics", true, "/pics/a.jpeg"},
        {"a.BMP", "/pics", true, "/pics/a.jpg"},
        {"a.b.bmp", "/pics", true, "/pics/a.b.jpg"},
    };
    for (const Case& c : cases) {
        const BatchRow row{QString::fromUtf8(c.name), N(QString::fromUtf8(c.directory))};
        const BatchJob job = PlanRow(row, c.overwrite);
        const QString source = QString::fromUtf8(c.directory) +
                               (QString::fromUtf8(c.directory).endsWith('/') ? "" : "/") +
                               QString::fromUtf8(c.name);
        EXPECT_EQ(job.source, N(source)) << c.name;
        EXPECT_EQ(job.target, N(QString::fromUtf8(c.target))) << c.name << " " << c.overwrite;
    }
}

TEST(BatchPlan, KeepsListOrderAndEachRowsDirectory) {
    BatchList list;
    list.add({QStringLiteral("b.jpg"), N(QStringLiteral("/one"))});
    list.add({QStringLiteral("a.bmp"), N(QStringLiteral("/two"))});
    const std::vector<BatchJob> plan = PlanBatch(list, false);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0], (BatchJob{N("/one/b.jpg"), N("/one/b_YS.jpg")}));
    EXPECT_EQ(plan[1], (BatchJob{N("/two/a.bmp"), N("/two/a_YS.jpg")}));
    EXPECT_TRUE(PlanBatch(BatchList{}, true).empty());
}

// Folders where rows would write files nobody named: each row that would is refused, before
// anything is written, with a reason that names the other file; the others run.
TEST(BatchPlan, RowsThatWouldWriteAFileNobodyNamedAreRefused) {
    struct Case {
        const char* what;
        QStringList files;  // in the folder; "name>target" is a link
        QStringList rows;
        bool overwrite;
        QStringList refused;  // a part of each row's reason, empty for a row that runs
    };
    const Case cases[] = {
        {"a BMP's JPEG would replace an unrelated JPEG",
         {"a.bmp", "a.jpg"},
         {"a.bmp"},
         true,
         {"旁边已有文件“a.jpg”"}},
        {"a link where a BMP's JPEG goes",
         {"a.bmp", "a.jpg>/nowhere/x.jpg"},
         {"a.bmp"},
         true,
         {"旁边已有文件“a.jpg”"}},
        {"two rows, one copy",
         {"a.bmp", "a.jpg"},
         {"a.bmp", "a.jpg"},
         false,
         {"", "和“a.bmp”要写到同一个文件“a_YS.jpg”"}},
        {"a BMP's JPEG is another row's source",
         {"a.bmp", "a.jpg"},
         {"a.bmp", "a.jpg"},
         true,
         {"会覆盖列表中的另一个文件“a.jpg”", ""}},
        {"a copy is another row's source",
         {"a.jpg", "a_YS.jpg"},
         {"a_YS.jpg", "a.jpg"},
         false,
         {"", "会覆盖列表中的另一个文件“a_YS.jpg”"}},
        {"one file listed twice",
         {"a.jpg"},
         {"a.jpg", "a.jpg"},
         true,
         {"", "和“a.jpg”要写到同一个文件“a.jpg”"}},
        {"a PNG's copy", {"shot.png", "shot.jpg"}, {"shot.png"}, false, {""}},
        {"links under copy names lead to one file",
         {"a.jpg", "b.jpg", "x.jpg", "a_YS.jpg>x.jpg", "b_YS.jpg>x.jpg"},
         {"a.jpg", "b.jpg"},
         false,
         {"", ""}},
        {"a copy over itself and a copy of it", {"a.jpg"}, {"a.jpg"}, true, {""}},
#ifdef Q_OS_WIN
        {"letter case names one file",
         {"a.jpg"},
         {"a.jpg", "A.JPG"},
         true,
         {"", "要写到同一个文件"}},
#else
        {"letter case names two files", {"a.jpg", "A.jpg"}, {"a.jpg", "A.jpg"}, false, {"", ""}},
        {"two names of one file",
         {"a.jpg", "b.jpg=a.jpg"},
         {"a.jpg", "b.jpg"},
         true,
         {"", "要写到同一个文件"}},
        {"a name the system could not show",
         {"a\uFFFD.jpg"},
         {"a\uFFFD.jpg"},
         false,
         {"无法识别的字符"}},
#endif
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        for (const QString& entry : c.files) {
            const QString name = entry.section(QRegularExpression("[>=]"), 0, 0);
            if (entry.contains('>')) {
                ASSERT_TRUE(QFile::link(entry.section('>', 1), dir.file(name))) << c.what;
            } else if (entry.contains('=')) {  // a second name of a file (not made on Windows)
#ifndef Q_OS_WIN
                ASSERT_EQ(::link(QFile::encodeName(dir.file(entry.section('=', 1))).constData(),
                                 QFile::encodeName(dir.file(name)).constData()),
                          0);
#endif
            } else {
                test::WriteBytes(test::JpegBytes(test::SmoothImage(8, 8)), dir.file(name));
            }
        }
        std::vector<BatchJob> jobs;
        for (const QString& row : c.rows) {
            jobs.push_back(PlanRow({row, N(dir.path())}, c.overwrite));
        }
        const std::vector<QString> refusals = PlanRefusals(jobs);
        ASSERT_EQ(refusals.size(), jobs.size()) << c.what;
        for (std::size_t i = 0; i < refusals.size(); ++i) {
            if (c.refused[qsizetype(i)].isEmpty()) {
                EXPECT_TRUE(refusals[i].isEmpty()) << c.what << ": " << refusals[i];
            } else {
                EXPECT_TRUE(refusals[i].contains(c.refused[qsizetype(i)]))
                    << c.what << ": " << refusals[i];
            }
        }
    }
}

TEST(BatchListRows, NamesAreUniqueByExactComparison) {
    BatchList list;
    EXPECT_TRUE(list.add({QStringLiteral("a.jpg"), QStringLiteral("/one")}));
    EXPECT_FALSE(list.add({QStringLiteral("a.jpg"), QStringLiteral("/two")}));
    EXPECT_TRUE(list.add({QStringLiteral("A.jpg"), QStringLiteral("/two")}));
    EXPECT_TRUE(list.add({QStringLiteral("a.jpg "), QStringLiteral("/two")}));
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.at(0).directory, QStringLiteral("/one"));
    EXPECT_TRUE(list.contains(QStringLiteral("A.jpg")));
    EXPECT_FALSE(list.contains(QStringLiteral("a.JPG")));
}

TEST(BatchListRows, RemovingRowsKeepsTheOthersInOrderAndFreesTheirNames) {
    BatchList list;
    for (int i = 0; i < 6; ++i) {
        list.add({QStringLiteral("r%1.jpg").arg(i), QStringLiteral("/d")});
    }
    list.remove({1, 3, 4});
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.at(0).name, QStringLiteral("r0.jpg"));
    EXPECT_EQ(list.at(1).name, QStringLiteral("r2.jpg"));
    EXPECT_EQ(list.at(2).name, QStringLiteral("r5.jpg"));
    EXPECT_FALSE(list.contains(QStringLiteral("r3.jpg")));
    EXPECT_TRUE(list.add({QStringLiteral("r3.jpg"), QStringLiteral("/e")}));
    list.remove({});
    EXPECT_EQ(list.size(), 4);
    list.clear();
    EXPECT_EQ(list.size(), 0);
    EXPECT_TRUE(list.add({QStringLiteral("r0.jpg"), QStringLiteral("/d")}));
}

std::vector<BatchJob> Jobs(int n) {
    std::vector<BatchJob> jobs;
    for (int i = 0; i < n; ++i) {
        jobs.push_back(
            {QStringLiteral("/d/f%1.jpg").arg(i), QStringLiteral("/d/f%1_YS.jpg").arg(i)});
    }
    return jobs;
}

TEST(BatchClosingMessage, SaysDoneOnlyWhenEveryRowWasWritten) {
    const auto ok = std::optional<RowResult>(RowResult{true, {}});
    BatchSummary s = Summarize(Jobs(2), {ok, ok});
    EXPECT_EQ(ClosingMessage(s), QStringLiteral("文件压缩并保存完毕！"));
    s = Summarize({}, {});
    EXPECT_EQ(ClosingMessage(s), QStringLiteral("文件压缩并保存完毕！"));
    RowResult small{true};
    small.note = QStringLiteral("图片的最小边只有 60 象素，不到 310 象素，没有放大");
    s = Summarize(Jobs(2), {ok, small});
    EXPECT_EQ(ClosingMessage(s),
              QStringLiteral("文件压缩并保存完毕！\n\n以下 1 个文件已保存，但请留意："
                             "\nf1.jpg：图片的最小边只有 60 象素，不到 310 象素，没有放大"));

    s = Summarize(Jobs(3), {ok, RowResult{false, QStringLiteral("无法读出图片，文件不存在")}, ok});
    EXPECT_EQ(s.written, 2);
    EXPECT_EQ(ClosingMessage(s),
              QStringLiteral("共 3 个文件，已压缩并保存 2 个。\n\n以下 1 个文件没有保存：\n"
                             "f1.jpg：无法读出图片，文件不存在"));

    // Fitted to the site's limits: the bytes of what was written, before and after.
    std::vector<BatchJob> fitted = Jobs(3);
    for (BatchJob& job : fitted) {
        job.limits = Describe(SitePreset::Article).limits;
    }
    RowResult big{true};
    big.bytesBefore = 3'456'789;
    big.bytesAfter = 199'001;
    s = Summarize(fitted, {big, RowResult{false, QStringLiteral("无法压缩到200 KB以内")}, big});
    EXPECT_EQ(ClosingMessage(s),
              QStringLiteral("共 3 个文件，已压缩并保存 2 个。\n已保存的 2 个文件压缩前共 6.9 MB，"
                             "压缩后共 399 KB。\n\n以下 1 个文件没有保存：\n"
                             "f1.jpg：无法压缩到200 KB以内"));
}

TEST(BatchClosingMessage, ShortensALongListOfFailures) {
    std::vector<std::optional<RowResult>> results(25, RowResult{false, QStringLiteral("原因")});
    const BatchSummary s = Summarize(Jobs(25), results);
    const QString text = ClosingMessage(s, 10);
    EXPECT_TRUE(text.startsWith(QStringLiteral("共 25 个文件，已压缩并保存 0 个。")));
    EXPECT_TRUE(text.contains(QStringLiteral("f9.jpg：原因\n……另有 15 个文件没有保存。")));
    EXPECT_FALSE(text.contains(QStringLiteral("f10.jpg")));
    EXPECT_EQ(text.count(QStringLiteral("：原因")), 10);
}

TEST(BatchClosingMessage, AfterAStopSaysHowManyWereWrittenAndHowManyLeft) {
    const auto ok = std::optional<RowResult>(RowResult{true, {}});
    BatchSummary s = Summarize(Jobs(5), {ok, ok, std::nullopt, std::nullopt, std::nullopt});
    EXPECT_EQ(
        ClosingMessage(s),
        QStringLiteral("压缩已停止。共 5 个文件，已压缩并保存 2 个。\n另有 3 个文件没有处理。"));
    s = Summarize(Jobs(3), {ok, RowResult{false, QStringLiteral("磁盘空间不足")}, std::nullopt});
    EXPECT_EQ(ClosingMessage(s),
              QStringLiteral("压缩已停止。共 3 个文件，已压缩并保存 1 个。\n另有 1 个文件没有处理。"
                             "\n\n以下 1 个文件没有保存：\nf1.jpg：磁盘空间不足"));
}

}  // namespace
}  // namespace lanxi
