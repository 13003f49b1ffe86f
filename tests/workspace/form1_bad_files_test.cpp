#include <QFile>

#include "tests/support/bad_files.h"
#include "tests/support/bmp.h"
#include "tests/workspace/workspace_fixture.h"

namespace lanxi {
namespace {

using BadFileTest = test::WorkspaceTest;

// Files a user may pick that are not pictures we can open: each is refused with a message that
// names it and says why, quickly, and the window stays exactly as it was.
TEST_F(BadFileTest, EveryUnopenableFileIsNamedWithItsReasonAndChangesNothing) {
    openPicture(test::PatternImage(30, 20));
    const StdPicture opened = form.Picture2->Picture();
    const QString openedName = form.OpenedFileName;
    test::TempDir here;
    for (const test::BadFile& f : test::MakeBadFiles(here)) {
        const QString path = here.file(f.name);
        ui.messages.clear();
        open(path);
        ASSERT_EQ(ui.messages.size(), 1u) << f.name;
        EXPECT_TRUE(ui.messages[0].text.contains(QDir::toNativeSeparators(path))) << f.name;
        EXPECT_TRUE(ui.messages[0].text.contains(f.reason))
            << f.name << ": " << ui.messages[0].text;
        EXPECT_TRUE(form.Picture2->Picture() == opened) << f.name;
        EXPECT_EQ(form.OpenedFileName, openedName) << f.name;
        EXPECT_FLOAT_EQ(form.OpenedWidth, 450) << f.name;
        if (!f.special()) {
            EXPECT_EQ(test::ReadBytes(path), f.bytes) << f.name;
        }
    }
}

TEST_F(BadFileTest, UnusualButValidPicturesOpen) {
    struct Case {
        QString name;
        QByteArray bytes;
        QSize size;
        bool damaged = false;  // opened, with a word that what shows grey is lost
    } cases[] = {
        {QStringLiteral("印刷 CMYK 😀.jpg"), test::CmykJpeg(40, 30, 0, 200, 0, 0), {40, 30}},
        {QStringLiteral("其实是 PNG.jpg"), {}, {25, 15}},
        {QStringLiteral("黑白 1 位.bmp"), test::MonoBmp(), {8, 2}},
        {QStringLiteral("16 位色.bmp"), test::Rgb16Bmp(), {2, 1}},
        {QStringLiteral("损坏.jpg"),
         test::DamagedRestartMarkers(test::SmoothImage(64, 64)),
         {64, 64},
         true},
    };
    ASSERT_TRUE(test::PatternImage(25, 15).save(dir.file(cases[1].name), "png"));
    for (const Case& c : cases) {
        const QString path = dir.file(c.name);
        if (!c.bytes.isEmpty()) {
            test::WriteBytes(c.bytes, path);
        }
        ui.messages.clear();
        open(path);
        ASSERT_EQ(ui.messages.size(), c.damaged ? 2u : 1u) << c.name;
        if (c.damaged) {
            EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("损坏")));
            EXPECT_EQ(ui.messages[0].style, vbExclamation);
        }
        EXPECT_EQ(ui.messages.back().style, vbInformation) << c.name << ": " << ui.messages[0].text;
        EXPECT_EQ(form.Picture2->size(), c.size) << c.name;
        EXPECT_EQ(form.OpenedFileName, path);
    }
}

}  // namespace
}  // namespace lanxi
