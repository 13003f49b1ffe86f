// The batch engine without a window: the memory budget of the rows in flight, and the copies
// fitted to a preset.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFileInfo>
#include <QTransform>

#include "codec/loader.h"
#include "codec/picture_probe.h"
#include "compress/batch_run.h"
#include "tests/support/images.h"
#include "tests/support/jpeg_info.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lanxi {
namespace {

// More workers than this machine has cores, so that rows overlap in every possible way.
constexpr int kWorkers = 4;

// Files of a few hundred bytes that decode to 48 MB each, on four workers: rows start only while
// the memory of the rows in flight fits the budget, and a row larger than the whole budget
// runs alone; all are compressed either way.
TEST(BatchMemory, LargePicturesRunOnlyWhileTheirMemoryFitsTheBudget) {
    test::TempDir dir;
    std::vector<BatchJob> jobs;
    for (int i = 0; i < 4; ++i) {
        const QString source = dir.file(QStringLiteral("炸弹%1.jpg").arg(i));
        test::WriteBytes(test::ArithmeticBomb(4000, 3000), source);
        jobs.push_back({source, dir.file(QStringLiteral("炸弹%1_YS.jpg").arg(i))});
    }
    const std::int64_t each = ProbePictureFile(jobs[0].source).memoryBytes;
    ASSERT_GE(each, 4000LL * 3000 * 4);
    for (const auto& [budget, peak] :
         {std::pair{each * 5 / 2, each * 2}, std::pair{each / 2, each}}) {
        BatchRun run(jobs, nullptr, kWorkers, budget);
        QEventLoop loop;
        QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit);
        run.Start();
        loop.exec();
        EXPECT_EQ(run.Summary().written, 4) << budget;
        EXPECT_EQ(run.PeakMemoryInFlight(), peak) << budget;
    }
}

// With a preset every row is fitted: photographs, one stored on its side with a camera's 60 KB
// Exif block, and a BMP come out within the preset's pixels and bytes, upright, with no metadata
// spending the budget; a JPEG decoded at a reduced scale gives the copy a full decode gives,
// within a small error; and "不限" is today's copy, byte for byte. Each row's result tells the
// bytes and pixels of its source and of the file written, and whether it replaced one.
TEST(BatchFitting, EveryRowIsFittedAndAReducedDecodeGivesWhatAFullOneGives) {
    test::TempDir dir;
    const QImage photo = test::PhotoImage(2400, 1600);
    test::WriteJpeg(photo, dir.file(QStringLiteral("横.jpg")));
    test::WriteBytes(test::JpegWithOrientation(photo, 6, 60'000),
                     dir.file(QStringLiteral("竖.jpg")));
    test::WriteBmp(photo.scaled(900, 600), dir.file(QStringLiteral("图.bmp")));
    BatchList rows;
    for (const char* name : {"横.jpg", "竖.jpg", "图.bmp"}) {
        rows.add({QString::fromUtf8(name), dir.path()});
    }
    std::vector<std::optional<RowResult>> results;
    const auto runAll = [&results](const std::vector<BatchJob>& jobs) {
        BatchRun run(jobs, nullptr, kWorkers);
        QEventLoop loop;
        QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit);
        run.Start();
        loop.exec();
        results = run.results();
        return run.Summary();
    };
    const BatchSummary fitted = runAll(PlanBatch(rows, false, SitePreset::Article));
    EXPECT_EQ(fitted.written, 3);
    EXPECT_GT(fitted.bytesBefore, fitted.bytesAfter);
    const QSize sizes[] = {{700, 467}, {700, 1050}, {700, 467}};
    const QSize sources[] = {{2400, 1600}, {1600, 2400}, {900, 600}};
    const char* copies[] = {"横_YS.jpg", "竖_YS.jpg", "图_YS.jpg"};
    for (int i = 0; i < 3; ++i) {
        const QString copy = dir.file(QString::fromUtf8(copies[i]));
        EXPECT_LE(QFileInfo(copy).size(), 200'000) << copies[i];
        EXPECT_EQ(LoadPicture(copy).size(), sizes[i]) << copies[i];
        ASSERT_TRUE(results[i].has_value());
        const RowResult& r = *results[i];
        EXPECT_EQ(r.bytesBefore, QFileInfo(rows.at(i).path()).size()) << copies[i];
        EXPECT_EQ(r.bytesAfter, QFileInfo(copy).size()) << copies[i];
        EXPECT_EQ(r.pixelsBefore, sources[i]) << copies[i];
        EXPECT_EQ(r.pixelsAfter, sizes[i]) << copies[i];
        EXPECT_FALSE(r.replaced) << copies[i];
        for (int marker : test::InspectJpeg(test::ReadBytes(copy)).markers) {
            EXPECT_FALSE(test::IsMetadataMarker(marker)) << copies[i];
        }
    }
    const FittedCopy full = MakeUploadCopy(LoadPicture(dir.file(QStringLiteral("竖.jpg"))),
                                           Describe(SitePreset::Article).limits);
    // Both against the picture scaled straight from its pixels.
    const QImage ideal =
        Reduced(photo.transformed(QTransform().rotate(90)), QSize(700, 1050), kFittedReduction);
    const double fullError = test::MeanDifference(ideal, DecodePicture(full.jpeg).image());
    const double reducedError =
        test::MeanDifference(ideal, LoadPicture(dir.file(QStringLiteral("竖_YS.jpg"))).image());
    EXPECT_LT(reducedError, fullError + 1.0) << fullError;

    EXPECT_EQ(runAll(PlanBatch(rows, false)).written, 3);
    EXPECT_EQ(test::ReadBytes(dir.file(QStringLiteral("竖_YS.jpg"))),
              EncodeJpeg(LoadPicture(dir.file(QStringLiteral("竖.jpg"))), kUploadCopy));
    EXPECT_EQ(results[1]->pixelsBefore, sources[1]) << "a full decode tells the same";
    EXPECT_EQ(results[1]->pixelsAfter, sources[1]);
    EXPECT_TRUE(results[1]->replaced) << "the fitted copy stood there";
}

#ifdef Q_OS_UNIX
// A private picture's copy is as private as the picture, and a file written over in its place
// keeps its owner (the owner can be given away only by the administrator).
TEST(BatchRights, ACopyIsNoMoreReadableThanItsSourceAndAReplacedFileKeepsItsOwner) {
    test::TempDir dir;
    const QString source = dir.file(QStringLiteral("私人.jpg"));
    test::WriteJpeg(test::SmoothImage(64, 48), source);
    ASSERT_TRUE(QFile::setPermissions(
        source, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser));
    const BatchJob copy{source, dir.file(QStringLiteral("私人_YS.jpg"))};
    ASSERT_TRUE(CompressFile(copy).written);
    const QFile::Permissions others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    EXPECT_EQ(QFile::permissions(copy.target) & others, QFile::Permissions());

    if (::geteuid() != 0) {
        GTEST_SKIP() << "only the administrator can give a file to another user";
    }
    ASSERT_EQ(::chown(QFile::encodeName(source).constData(), 65534, 65534), 0);
    ASSERT_TRUE(CompressFile({source, source, true}).written);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(source).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(QFile::permissions(source) & others, QFile::Permissions());
}
#endif

}  // namespace
}  // namespace lanxi
