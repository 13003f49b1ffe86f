// Which rows of a batch wait for which, and the scheduler that hands them out: checked on the
// naming cases that make rows share a file, and against a run in list order on random lists.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <map>
#include <random>
#include <set>

#include "compress/batch_order.h"
#include "compress/batch_plan.h"
#include "tests/support/images.h"

namespace lanxi {
namespace {

using Prerequisites = std::vector<std::vector<int>>;

std::vector<BatchJob> Plan(const QStringList& names, bool overwrite,
                           const QString& directory = QStringLiteral("/pics")) {
    std::vector<BatchJob> jobs;
    for (const QString& name : names) {
        jobs.push_back(PlanRow(BatchRow{name, directory}, overwrite));
    }
    return jobs;
}

TEST(BatchOrder, RowsThatShareAFileWaitForTheEarlierOnesAndTheOthersDoNot) {
    struct Case {
        const char* what;
        QStringList names;
        bool overwrite;
        Prerequisites expected;
    };
    const Case cases[] = {
        {"rows sharing nothing", {"a.jpg", "b.jpg", "c.bmp"}, false, {{}, {}, {}}},
        {"rows sharing nothing, overwriting", {"a.jpg", "b.jpg", "c.bmp"}, true, {{}, {}, {}}},
        {"two rows with one target", {"a.bmp", "x.jpg", "a.jpg"}, false, {{}, {}, {0}}},
        {"two rows with one target, overwriting", {"a.jpg", "a.bmp"}, true, {{}, {0}}},
        {"a source written by an earlier row", {"a.jpg", "a_YS.jpg"}, false, {{}, {0}}},
        {"a source written by an earlier row, overwriting", {"a.bmp", "a.jpg"}, true, {{}, {0}}},
        {"a target read by an earlier row", {"a_YS.jpg", "a.jpg"}, false, {{}, {0}}},
        {"three rows with one target wait in a chain",
         {"a.bmp", "a.jpg", "a.jpeg", "A.BMP"},
         true,
         {{}, {0}, {}, {1}}},
        {"a target an earlier row overwrote", {"b.jpg", "a.jpg", "b.bmp"}, true, {{}, {}, {0}}},
        {"letter case does not tell files apart", {"a.bmp", "A.JPG"}, false, {{}, {0}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RowPrerequisites(Plan(c.names, c.overwrite)), c.expected) << c.what;
    }
}

TEST(BatchOrder, AWriterWaitsForEveryRowThatReadTheFileBeforeIt) {
    // Two rows read x.jpg (each beside its own copy); the third replaces x.jpg.
    const std::vector<BatchJob> jobs = {
        {QStringLiteral("/p/x.jpg"), QStringLiteral("/p/one.jpg")},
        {QStringLiteral("/p/x.jpg"), QStringLiteral("/p/two.jpg")},
        {QStringLiteral("/p/y.bmp"), QStringLiteral("/p/x.jpg")},
        {QStringLiteral("/p/x.jpg"), QStringLiteral("/p/three.jpg")},
    };
    EXPECT_EQ(RowPrerequisites(jobs), Prerequisites({{}, {}, {0, 1}, {2}}));
}

TEST(BatchOrder, TheSameFileReachedByAnotherPathIsTheSameFile) {
    test::TempDir dir;
    const QString real = dir.file(QStringLiteral("照片"));
    ASSERT_TRUE(QDir().mkdir(real));
    const QString link = dir.file(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(real, link));
    // On Windows QFile::link makes a shortcut, a file that paths do not lead through.
    const bool pathsPassTheLink = QFileInfo(link).isDir();

    if (pathsPassTheLink) {
        EXPECT_EQ(FileKey(real + QStringLiteral("/a.jpg")),
                  FileKey(link + QStringLiteral("/a.jpg")));
    }
    EXPECT_EQ(FileKey(real + QStringLiteral("/a.jpg")),
              FileKey(real + QStringLiteral("/../照片/./a.jpg")));
    EXPECT_EQ(FileKey(real + QStringLiteral("/a.jpg")), FileKey(real + QStringLiteral("/A.JPG")));
    // Composed and decomposed forms of one name.
    EXPECT_EQ(FileKey(real + QStringLiteral("/\u00e9.jpg")),
              FileKey(real + QStringLiteral("/e\u0301.jpg")));
    EXPECT_NE(FileKey(real + QStringLiteral("/a.jpg")), FileKey(real + QStringLiteral("/b.jpg")));
    // A directory that does not exist yet still gives a stable key.
    EXPECT_EQ(FileKey(dir.file(QStringLiteral("无/a.jpg"))),
              FileKey(dir.file(QStringLiteral("无/./a.jpg"))));

    if (!pathsPassTheLink) {
        GTEST_SKIP() << "a link made here is a shortcut, not a path to the folder (Windows)";
    }
    const std::vector<BatchJob> jobs = {
        PlanRow(BatchRow{QStringLiteral("a.bmp"), real}, true),
        PlanRow(BatchRow{QStringLiteral("a.jpg"), link}, true),
    };
    EXPECT_EQ(RowPrerequisites(jobs), Prerequisites({{}, {0}}));
}

TEST(BatchOrder, TheSchedulerHandsOutTheEarliestReadyRowAndReleasesRowsAsOthersFinish) {
    RowScheduler s(Prerequisites{{}, {0}, {}, {1, 2}, {}});
    EXPECT_EQ(s.Waiting(), 5);
    EXPECT_EQ(s.Next(), 0);
    EXPECT_EQ(s.Next(), 2);
    EXPECT_EQ(s.Next(), 4);
    EXPECT_EQ(s.Next(), -1) << "row 1 waits for row 0";
    s.Finished(2);
    EXPECT_EQ(s.Next(), -1) << "row 3 waits for row 1 too";
    s.Finished(0);
    EXPECT_EQ(s.Next(), 1);
    s.Finished(4);
    s.Finished(1);
    EXPECT_EQ(s.Next(), 3);
    EXPECT_EQ(s.Next(), -1);
    EXPECT_EQ(s.Waiting(), 0);

    RowScheduler empty(Prerequisites{});
    EXPECT_EQ(empty.Next(), -1);
    EXPECT_EQ(empty.Waiting(), 0);
}

TEST(BatchOrder, TheCostliestReadyRowGoesFirstButNeverBeforeItsPrerequisites) {
    // Row 3 is the largest but waits for row 1; rows 0 and 4 cost the same.
    RowScheduler s(Prerequisites{{}, {}, {}, {1}, {}}, {5, 7, 1, 100, 5});
    EXPECT_EQ(s.Next(), 1);
    EXPECT_EQ(s.Next(), 0) << "equal costs go in list order";
    s.Finished(1);
    EXPECT_EQ(s.Next(), 3);
    EXPECT_EQ(s.Next(), 4);
    EXPECT_EQ(s.Next(), 2);
    EXPECT_EQ(s.Next(), -1);

    test::TempDir dir;
    test::WriteBytes(QByteArray(1000, 'x'), dir.file(QStringLiteral("大.jpg")));
    test::WriteBytes(QByteArray(10, 'x'), dir.file(QStringLiteral("小.jpg")));
    const std::vector<BatchJob> jobs = Plan({"小.jpg", "无.jpg", "大.jpg"}, false, dir.path());
    EXPECT_EQ(RowSizes(jobs), (std::vector<qint64>{10, 0, 1000}));
}

// Runs random lists on a simulated file system, with rows of random cost finishing in a random
// order on a random number of workers, and compares every file with what a run in list order
// leaves. A row in flight must not read a file another row in flight writes, nor two rows in flight
// write one file.
TEST(BatchOrder, RowsRunSideBySideLeaveEveryFileAsARunInListOrderDoes) {
    const QStringList pool = {"a.jpg",   "a.bmp",   "A.JPG",     "a_YS.jpg", "a_YS.bmp",
                              "a.jpeg",  "b.jpg",   "b_YS.jpg",  "b.bmp",    "a_YS_YS.jpg",
                              "c.b.jpg", "c.b.bmp", "c_YS.b.jpg"};
    std::mt19937 random(20261207);
    for (int round = 0; round < 400; ++round) {
        QStringList names = pool;
        std::shuffle(names.begin(), names.end(), random);
        names = names.mid(0, 2 + int(random() % std::uint32_t(pool.size() - 1)));
        const std::vector<BatchJob> jobs = Plan(names, random() % 2 == 0);

        // A file's content is the number of the row that wrote it (-1: the original); a row
        // writes what it read, tagged with its own number.
        using Files = std::map<QString, std::vector<int>>;
        const auto runRow = [&](Files& files, std::size_t row) {
            std::vector<int> content = files[FileKey(jobs[row].source)];
            content.push_back(int(row));
            files[FileKey(jobs[row].target)] = content;
        };
        Files inOrder;
        for (std::size_t row = 0; row < jobs.size(); ++row) {
            runRow(inOrder, row);
        }

        Files sideBySide;
        std::vector<qint64> costs;
        for (std::size_t row = 0; row < jobs.size(); ++row) {
            costs.push_back(qint64(random() % 3));
        }
        RowScheduler scheduler(RowPrerequisites(jobs), costs);
        const int workers = 1 + int(random() % 4);
        std::vector<int> inFlight;
        while (scheduler.Waiting() > 0 || !inFlight.empty()) {
            for (int row; int(inFlight.size()) < workers && (row = scheduler.Next()) >= 0;) {
                for (int other : inFlight) {
                    const BatchJob& a = jobs[std::size_t(row)];
                    const BatchJob& b = jobs[std::size_t(other)];
                    ASSERT_NE(FileKey(a.target), FileKey(b.target)) << round;
                    ASSERT_NE(FileKey(a.source), FileKey(b.target)) << round;
                    ASSERT_NE(FileKey(a.target), FileKey(b.source)) << round;
                }
                inFlight.push_back(row);
            }
            ASSERT_FALSE(inFlight.empty()) << "rows wait that can never start";
            const std::size_t pick = random() % inFlight.size();
            const int row = inFlight[pick];
            inFlight.erase(inFlight.begin() + std::ptrdiff_t(pick));
            runRow(sideBySide, std::size_t(row));
            scheduler.Finished(row);
        }
        ASSERT_EQ(sideBySide, inOrder) << names.join(' ').toStdString();
    }
}

}  // namespace
}  // namespace lanxi
