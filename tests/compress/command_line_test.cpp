#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "compress/command_line.h"
#include "upload/upload_copy.h"
#include "codec/loader.h"
#include "tests/support/images.h"

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

    // Without a preset: today's copy; over the sources, a BMP gets a JPEG beside it.
    o = run({"compress", "--overwrite", photo, bmp, dir.file(QStringLiteral("无.jpg"))});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("图.jpg"))));
    EXPECT_TRUE(o.out.contains(QStringLiteral("无.jpg\t失败：无法读出图片，文件不存在"))) << o.out;
    EXPECT_TRUE(o.out.contains(QStringLiteral("\t质量 80\t"))) << o.out;

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
#endif

}  // namespace
}  // namespace lanxi
