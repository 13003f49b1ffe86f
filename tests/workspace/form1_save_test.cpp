#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "codec/loader.h"
#include "tests/workspace/form1_save_fixture.h"

namespace lanxi {
namespace {

using test::Click;
using test::DirectoryEntries;
using test::InspectJpeg;
using test::ReadBytes;
using test::SaveTest;

void expectCopyAtQualityEighty(const QString& path) {
    const test::JpegInfo info = InspectJpeg(ReadBytes(path));
    ASSERT_TRUE(info.valid) << path;
    EXPECT_EQ(info.quantTables.at(0), test::StandardQuantTable(0, 80));
    EXPECT_EQ(info.sampling.at(0), std::make_pair(2, 2));
}

TEST_F(SaveTest, WritesTheDrawnImageAsBmpAndACompressedCopyBesideIt) {
    const QString chosen = dir.file(QStringLiteral("结果.bmp"));
    const QString copy = dir.file(QStringLiteral("结果_YS.jpg"));
    test::WriteBytes("an older copy", copy);  // replaced without asking
    const float width = form.Picture1->Width(), height = form.Picture1->Height();
    const float left = form.Picture1->Left(), top = form.Picture1->Top();
    const StdPicture leftPicture = form.Picture2->Picture();
    save(chosen);

    EXPECT_TRUE(ReadBytes(chosen).startsWith("BM"));
    EXPECT_EQ(LoadPicture(chosen).image(), drawn);  // the painting over the picture included
    expectCopyAtQualityEighty(copy);
    EXPECT_EQ(ReadBytes(copy), compressedResult());
    EXPECT_EQ(DirectoryEntries(dir.path()),
              (QStringList{QStringLiteral("图片.bmp"), QStringLiteral("结果.bmp"),
                           QStringLiteral("结果_YS.jpg")}));

    // The dialog, then one message with the program's title.
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].kind, FileDialogRequest::Save);
    EXPECT_EQ(ui.dialogs[0].filter, QStringLiteral("JPG文件(*.jpg)|*.jpg|BMP文件(*.bmp)|*.bmp"));
    EXPECT_EQ(ui.dialogs[0].flags, 14);
    EXPECT_EQ(form.CommonDialog1.Flags, 14);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, test::kSavedAndCompressed);
    EXPECT_EQ(ui.messages[0].style, vbOKOnly);
    EXPECT_TRUE(ui.messages[0].title.isEmpty());
    EXPECT_EQ(ui.messages[0].shownTitle(), ProgramTitle());

    // The right frame now holds the saved image as its picture; nothing else moved.
    EXPECT_EQ(form.Picture1->Picture().image(), drawn);
    EXPECT_EQ(form.Picture1->Image().image(), drawn);
    EXPECT_FLOAT_EQ(form.Picture1->Width(), width);
    EXPECT_FLOAT_EQ(form.Picture1->Height(), height);
    EXPECT_FLOAT_EQ(form.Picture1->Left(), left);
    EXPECT_FLOAT_EQ(form.Picture1->Top(), top);
    EXPECT_TRUE(form.Picture2->Picture() == leftPicture);
}

TEST_F(SaveTest, AJpegNameGetsAHighQualityJpegAndTheCopyIsMadeFromTheResultItself) {
    const std::pair<QString, QString> names[] = {
        {QStringLiteral("结果.jpg"), QStringLiteral("结果_YS.jpg")},
        {QStringLiteral("结果.JPEG"), QStringLiteral("结果_YS.JPEG")},
    };
    const QByteArray expectedCopy = compressedResult();
    for (const auto& [name, copyName] : names) {
        save(dir.file(name));
        const test::JpegInfo info = InspectJpeg(ReadBytes(dir.file(name)));
        ASSERT_TRUE(info.valid) << name;
        EXPECT_EQ(info.quantTables.at(0), test::StandardQuantTable(0, 95)) << name;
        EXPECT_EQ(info.sampling.at(1), std::make_pair(1, 1)) << name;
        EXPECT_EQ(info.sampling.at(0), std::make_pair(1, 1)) << name;
        EXPECT_LT(test::MeanDifference(LoadPicture(dir.file(name)).image(), drawn), 2.0) << name;
        // Not re-encoded from the quality 95 file: byte for byte what the result itself gives.
        EXPECT_EQ(ReadBytes(dir.file(copyName)), expectedCopy) << name;
        EXPECT_EQ(form.Picture1->Picture().image(), drawn) << name;
        EXPECT_EQ(ui.messages.back().text, test::kSavedAndCompressed);
    }
}

TEST_F(SaveTest, TheCopyIsNamedByChangingTheFileNameOnly) {
    struct Case {
        QString folder, chosen, copy;
    };
    const Case cases[] = {
        // A folder with a dot keeps its name.
        {QStringLiteral("my.pics"), QStringLiteral("a.jpg"), QStringLiteral("a_YS.jpg")},
        // A name without a dot keeps its BMP and gets its own copy.
        {QStringLiteral("无点"), QStringLiteral("结果"), QStringLiteral("结果_YS.jpg")},
        {QStringLiteral("两点"), QStringLiteral("a.b.bmp"), QStringLiteral("a_YS.b_YS.jpg")},
        {QStringLiteral("大写"), QStringLiteral("a.BMP"), QStringLiteral("a_YS.jpg")},
    };
    for (const Case& c : cases) {
        const QString folder = dir.file(c.folder);
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString chosen = QDir(folder).filePath(c.chosen);
        save(chosen);
        QStringList expected{c.chosen, c.copy};
        expected.sort();
        EXPECT_EQ(DirectoryEntries(folder), expected) << c.chosen;
        EXPECT_EQ(ui.messages.back().text, test::kSavedAndCompressed) << c.chosen;
        if (c.chosen.endsWith(QLatin1String(".jpg"))) {
            EXPECT_TRUE(InspectJpeg(ReadBytes(chosen)).valid) << c.chosen;
        } else {
            EXPECT_TRUE(ReadBytes(chosen).startsWith("BM")) << c.chosen;
        }
        expectCopyAtQualityEighty(QDir(folder).filePath(c.copy));
    }
}

TEST_F(SaveTest, CancellingWritesNothingAndChangesNothing) {
    const QStringList before = DirectoryEntries(dir.path());
    const StdPicture picture = form.Picture1->Picture();
    const int paintings = form.Picture1->paintingCount();
    ui.cancel();
    Click(form.Command3);
    EXPECT_EQ(ui.dialogs.size(), 1u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(DirectoryEntries(dir.path()), before);
    EXPECT_TRUE(form.Picture1->Picture() == picture);
    EXPECT_EQ(form.Picture1->paintingCount(), paintings);
    EXPECT_EQ(form.CommonDialog1.Flags, 14);
}

TEST_F(SaveTest, ACopyThatCannotBeWrittenIsReportedAfterTheFileWasSaved) {
    const QString chosen = dir.file(QStringLiteral("结果.bmp"));
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("结果_YS.jpg"))));  // in the copy's way
    save(chosen);
    EXPECT_EQ(LoadPicture(chosen).image(), drawn);
    ASSERT_EQ(ui.messages.size(), 1u);
    // The designed words, then why on a line of their own.
    EXPECT_EQ(ui.messages[0].text,
              test::kSavedNotCompressed + QStringLiteral("\n原因：已有同名的文件夹"));
    EXPECT_EQ(ui.messages[0].style, vbOKOnly);
    EXPECT_TRUE(ui.messages[0].title.isEmpty());
    EXPECT_EQ(form.Picture1->Picture().image(), drawn);
}

TEST_F(SaveTest, SavingOverTheOpenedPictureReplacesItAndPutsTheCopyBesideIt) {
    const QString opened = form.OpenedFileName;
    const StdPicture leftPicture = form.Picture2->Picture();
    save(opened);
    EXPECT_EQ(LoadPicture(opened).image(), drawn);
    expectCopyAtQualityEighty(dir.file(QStringLiteral("图片_YS.jpg")));
    EXPECT_TRUE(form.Picture2->Picture() == leftPicture);
    EXPECT_EQ(ui.messages.back().text, test::kSavedAndCompressed);
}

#ifdef Q_OS_UNIX
// The copy's name is made by the program: a link found there is replaced and never leads the
// copy out of the folder. The name the user chose is saved through its link, as editors do.
TEST_F(SaveTest, TheCopyReplacesALinkUnderItsNameWhileTheChosenFileIsWrittenThroughItsLink) {
    test::TempDir elsewhere;
    test::WriteBytes("outside", elsewhere.file(QStringLiteral("受害.jpg")));
    test::WriteBytes("the user's", elsewhere.file(QStringLiteral("我的.bmp")));
    ASSERT_TRUE(QFile::link(elsewhere.file(QStringLiteral("我的.bmp")),
                            dir.file(QStringLiteral("结果.bmp"))));
    ASSERT_TRUE(QFile::link(elsewhere.file(QStringLiteral("受害.jpg")),
                            dir.file(QStringLiteral("结果_YS.jpg"))));
    save(dir.file(QStringLiteral("结果.bmp")));

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, test::kSavedAndCompressed);
    EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("结果.bmp"))).isSymLink());
    EXPECT_EQ(LoadPicture(elsewhere.file(QStringLiteral("我的.bmp"))).image(), drawn);
    EXPECT_FALSE(QFileInfo(dir.file(QStringLiteral("结果_YS.jpg"))).isSymLink());
    EXPECT_EQ(ReadBytes(dir.file(QStringLiteral("结果_YS.jpg"))), compressedResult());
    EXPECT_EQ(ReadBytes(elsewhere.file(QStringLiteral("受害.jpg"))), "outside");
}
#endif

}  // namespace
}  // namespace lanxi
