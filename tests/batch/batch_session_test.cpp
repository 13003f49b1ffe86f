#include <gtest/gtest.h>

#include <QFileInfo>

#include "batch/batch_session.h"
#include "tests/support/images.h"
#include "tests/support/scripted_ui.h"

namespace lanxi {
namespace {

// Without a window: every start and end of a row is shown once, naming the file started last
// among those still in flight, and the closing message comes once, at the end.
TEST(BatchSession, ShowsTheFileStartedLastStillInFlightAndTellsOnceAtTheEnd) {
    test::ScriptedUi ui;
    test::TempDir dir;
    std::vector<BatchJob> jobs;
    for (int i = 0; i < 9; ++i) {
        const QString source = dir.file(QStringLiteral("图%1.jpg").arg(i));
        test::WriteJpeg(test::SmoothImage(i % 3 == 0 ? 900 : 60, 400), source);
        jobs.push_back({source, dir.file(QStringLiteral("图%1_YS.jpg").arg(i))});
    }
    BatchSession session(jobs, nullptr, 3);
    QStringList shown, expected;
    std::vector<int> inFlight;  // replayed from the run's own reports
    QObject::connect(&session, &BatchSession::progressed,
                     [&](int, const QString& file) { shown << file; });
    const auto expect = [&] {
        expected << (inFlight.empty()
                         ? QString()
                         : QFileInfo(jobs[std::size_t(inFlight.back())].source).fileName());
    };
    QObject::connect(&session.run(), &BatchRun::rowStarted, [&](int row) {
        inFlight.push_back(row);
        expect();
    });
    QObject::connect(&session.run(), &BatchRun::rowFinished, [&](int row) {
        std::erase(inFlight, row);
        expect();
    });

    EXPECT_TRUE(session.Run());
    EXPECT_EQ(shown.size(), 18);
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(ui.messages.empty()) << "nothing is told before Tell";
    session.Tell();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("文件压缩并保存完毕！"));
}

}  // namespace
}  // namespace lanxi
