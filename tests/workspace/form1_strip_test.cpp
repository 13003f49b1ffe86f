// The strip for the site's limits: the readout follows the result, a preset shapes the result
// and fits the copy the save writes, and a file dropped on the window opens.
#include <QComboBox>
#include <QFileInfo>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "picture/loader.h"
#include "tests/support/jpeg_info.h"
#include "tests/workspace/workspace_fixture.h"

namespace lanxi {
namespace {

using test::Click;

class StripTest : public test::WorkspaceTest {
  protected:
    // The readout once the copy of the current result has been worked out.
    QString readout() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form.Estimating(); }, 30'000));
        return form.Label3->Caption();
    }
    // What the readout must say of the result at quality 80.
    QString quality80() const {
        const QByteArray jpeg = EncodeJpeg(form.Picture1->Image(), kUploadCopy);
        return QStringLiteral("上传副本：%1（质量80）").arg(SiteBytes(jpeg.size()));
    }
    void choose(SitePreset preset) {
        for (int i = 0; i < form.Combo1->count(); ++i) {
            if (PresetAt(i) == preset) {
                form.Combo1->setCurrentIndex(i);
                emit form.Combo1->activated(i);
            }
        }
    }
};

TEST_F(StripTest, TheReadoutFollowsOpenCropAndZoom) {
    EXPECT_EQ(form.Label3->Caption(), QStringLiteral("上传副本：—"));
    openPicture(test::PhotoImage(400, 300));
    EXPECT_EQ(readout(), quality80());
    const QString opened = form.Label3->Caption();
    drag(form.Picture2, {10, 10}, {210, 160});
    EXPECT_EQ(readout(), quality80());
    EXPECT_NE(form.Label3->Caption(), opened);
    const QString cut = form.Label3->Caption();
    Click(form.Command1);
    EXPECT_EQ(readout(), quality80());
    EXPECT_NE(form.Label3->Caption(), cut);
}

TEST_F(StripTest, APresetShapesTheResultAndTheSaveWritesACopyWithinItsLimit) {
    openPicture(test::PhotoImage(1600, 1200));
    choose(SitePreset::Article);
    EXPECT_EQ(readouts(), QStringList({"700", "525"})) << "as a fixed width of 700 would";
    const QString shown = readout();
    EXPECT_TRUE(shown.contains(QStringLiteral("（质量"))) << shown;

    ui.messages.clear();
    ui.answer(dir.file(QStringLiteral("文章.bmp")));
    Click(form.Command3);
    const QString copy = dir.file(QStringLiteral("文章_YS.jpg"));
    EXPECT_LE(QFileInfo(copy).size(), 200'000);
    EXPECT_EQ(LoadPicture(copy).size(), QSize(700, 525));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(
        ui.messages[0].text.startsWith(QStringLiteral("文件保存并再次压缩成功！\n上传副本：")));
    // The message and the readout tell the same copy: it was the readout's.
    EXPECT_TRUE(ui.messages[0].text.endsWith(shown.mid(shown.indexOf(QStringLiteral("：")) + 1)));
    EXPECT_EQ(test::InspectJpeg(test::ReadBytes(copy)).quantTables.size(), 2u);

    // A picture already within the preset's pixels is not enlarged, and the copy is within
    // the identity card's 100 kb.
    choose(SitePreset::IdCard);
    EXPECT_EQ(readouts(), QStringList({"700", "525"}));
    EXPECT_TRUE(readout().contains(QStringLiteral("（质量")));
}

TEST_F(StripTest, AFileDroppedOnTheWindowOpensAsIfChosenInTheDialog) {
    const QString path = pictureFile(test::PatternImage(90, 60), QStringLiteral("拖入 😀.bmp"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    test::Drop(form.window(), {300, 300}, &data);
    EXPECT_EQ(form.OpenedFileName, QDir::toNativeSeparators(path));
    EXPECT_EQ(form.Picture2->Picture().size(), QSize(90, 60));
    EXPECT_TRUE(form.Command3->isEnabled());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, Form1::kTitle) << "the same hint as after the dialog";
    EXPECT_TRUE(ui.dialogs.empty());
}

// The window closed while an estimate is being worked out: nothing reaches the freed controls
// when it lands (the sanitizer build would see it).
TEST_F(StripTest, AWindowClosedWhileTheCopyIsWorkedOutIsLeftAlone) {
    openPicture(test::PhotoImage(2000, 1500));
    Click(form.Command1);
    form.Unload();
    QApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form.Estimating(); }, 30'000));
    EXPECT_EQ(form.Label3, nullptr);
}

}  // namespace
}  // namespace lanxi
