// The strip for the site's limits: the readout follows the result, a preset shapes the result
// and fits the copy the save writes, and a file dropped on the window opens.
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "codec/loader.h"
#include "compress/batch_run.h"
#include "compress/command_line.h"
#include "tests/support/accessibility.h"
#include "tests/support/jpeg_info.h"
#include "tests/workspace/workspace_fixture.h"
#include "upload/name_rule.h"

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

// The batch, the command line, the save and the readout make the same copy of the same picture:
// the same pixels, reduced the one way fitted copies are, and so the same bytes.
TEST_F(StripTest, APresetShapesTheResultAndTheSaveWritesACopyWithinItsLimit) {
    const QString source = pictureFile(test::PhotoImage(1600, 1200));
    open(source);
    choose(SitePreset::Article);
    EXPECT_EQ(readouts(), QStringList({"700", "525"})) << "as a fixed width of 700 would";
    const QString shown = readout();
    EXPECT_TRUE(shown.contains(QStringLiteral("（质量"))) << shown;
    const QByteArray remade =
        MakeUploadCopy(form.Picture1->Drawing(), Describe(SitePreset::Article).limits).jpeg;

    ui.messages.clear();
    ui.answer(dir.file(QStringLiteral("文章.bmp")));
    Click(form.Command3);
    const QString copy = dir.file(QStringLiteral("文章_YS.jpg"));
    EXPECT_LE(QFileInfo(copy).size(), 200'000);
    EXPECT_EQ(LoadPicture(copy).size(), QSize(700, 525));
    const QByteArray saved = test::ReadBytes(copy);
    EXPECT_EQ(saved, remade) << "the readout's copy is the one made at the save";
    const QString batch = dir.file(QStringLiteral("批量_YS.jpg"));
    ASSERT_TRUE(CompressFile({source, batch, false, Describe(SitePreset::Article).limits}).written);
    EXPECT_EQ(test::ReadBytes(batch), saved) << "the batch's copy";
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    ASSERT_EQ(RunCommand({"compress", "--preset", "article", source}, outStream, errStream), 0)
        << out << err;
    EXPECT_EQ(test::ReadBytes(dir.file(QStringLiteral("图片_YS.jpg"))), saved)
        << "the command line's copy";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(
        ui.messages[0].text.startsWith(QStringLiteral("文件保存并再次压缩成功！\n上传副本：")));
    // The message and the readout tell the same copy: it was the readout's.
    EXPECT_TRUE(ui.messages[0].text.endsWith(shown.mid(shown.indexOf(QStringLiteral("：")) + 1)));
    // The fitted encoder's file: jpegli gives each chroma channel its own table.
    EXPECT_EQ(test::InspectJpeg(test::ReadBytes(copy)).quantTables.size(), 3u);

    // A picture already within the preset's pixels is not enlarged, and the copy is within
    // the identity card's 100 kb.
    choose(SitePreset::IdCard);
    EXPECT_EQ(readouts(), QStringList({"700", "525"}));
    EXPECT_TRUE(readout().contains(QStringLiteral("（质量")));
}

// A user without a mouse: Tab to "打开图片" and Enter, the arrows and Enter on the left frame for
// the crop, an arrow in the preset box, Tab to "保存缩放图片" and Space. A screen reader hears
// every control by its name and every change of what the frames and readouts show; the files
// are the bytes the mouse makes with the same choices, through the same steps.
TEST_F(StripTest, TheKeyboardAloneMakesTheFilesTheMouseMakesAndAReaderHearsItAll) {
    const QString picture = pictureFile(test::PhotoImage(1200, 900), QStringLiteral("照片.bmp"));
    test::ReaderEvents reader;
    const auto told = [&] {
        readout();  // the copy's readout is worked out first
        return reader.SilentChanges(form.window());
    };
    const auto answerSave = [&](const char* folder) {
        QDir(dir.path()).mkdir(QString::fromUtf8(folder));
        ui.answer(dir.file(QString::fromUtf8(folder) + QStringLiteral("/结果.bmp")));
    };
    told();
    ASSERT_TRUE(tabTo(form.Command5));
    ui.answer(picture);
    key(Qt::Key_Return);
    EXPECT_EQ(told(), QStringList());
    ASSERT_TRUE(tabTo(form.Picture2));
    key(Qt::Key_Down);                       // (300, 225), 600 x 450
    key(Qt::Key_Left, Qt::ControlModifier);  // (290, 225)
    key(Qt::Key_Right, Qt::ShiftModifier);   // 601 x 450
    EXPECT_EQ(reader.Count(form.Label1[2], QAccessible::ValueChanged), 2) << "shown, then sized";
    EXPECT_EQ(told(), QStringList());
    const auto heard = [](QWidget* control) {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Description);
    };
    EXPECT_TRUE(heard(form.Picture2)
                    .startsWith(QStringLiteral(
                        "1200 × 900 像素；裁剪框 601 × 450 像素，左上角 (290, 225)；")));
    key(Qt::Key_Return);
    ASSERT_TRUE(tabTo(form.Combo1));
    key(Qt::Key_Down);
    EXPECT_EQ(told(), QStringList());
    EXPECT_EQ(heard(form.Picture1), QStringLiteral("601 × 450 像素"));
    EXPECT_EQ(test::UnnamedControls(form.window()), QStringList());
    ASSERT_TRUE(tabTo(form.Command3));
    answerSave("键盘");
    key(Qt::Key_Space);
    const QStringList keyboard = ui.messageTexts() << form.History().UndoName();

    form.Unload();
    form.Show();
    ui.messages.clear();
    open(picture);
    drag(form.Picture2, {290, 225}, {891, 675});
    choose(SitePreset::Article);
    readout();
    answerSave("鼠标");
    Click(form.Command3);
    EXPECT_EQ(ui.messageTexts() << form.History().UndoName(), keyboard);
    for (const QString& name : {QStringLiteral("/结果.bmp"), QStringLiteral("/结果_YS.jpg")}) {
        const QByteArray mouse = test::ReadBytes(dir.file(QStringLiteral("鼠标") + name));
        EXPECT_FALSE(mouse.isEmpty());
        EXPECT_EQ(test::ReadBytes(dir.file(QStringLiteral("键盘") + name)), mouse);
    }
    EXPECT_EQ(LoadPicture(dir.file(QStringLiteral("鼠标/结果.bmp"))).size(), QSize(601, 450));
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

    // The save dialog that follows asks before it replaces a file, as after the open dialog,
    // and a "no" replaces nothing.
    const QString existing = pictureFile(test::PatternImage(30, 20), QStringLiteral("已有.bmp"));
    const QByteArray before = test::ReadBytes(existing);
    ui.replaceExisting = false;
    ui.answer(existing);
    Click(form.Command3);
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].flags, 14);
    EXPECT_EQ(ui.replaceQuestions, 1);
    EXPECT_EQ(test::ReadBytes(existing), before);
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("已有_YS.jpg"))));
}

// Whatever steps came before, a preset brings the result as it shows within the preset's
// pixels: a crop stays the crop, nothing is enlarged, and the rule holds for every order.
TEST_F(StripTest, APresetMeetsItsRuleAfterAnyStepsAndKeepsTheCrop) {
    const QImage picture = test::SmoothImage(1200, 900);
    const QRect cut(100, 100, 500, 500);
    enum Step { Crop, Zoom, Reset, Fixed, Stretched, Article, Avatar310, Avatar210 };
    struct Case {
        std::vector<Step> steps;
        QSize size;   // the result's pixels after the last step
        QRect shows;  // the part of the picture it shows
    };
    const QRect whole = picture.rect();
    const std::vector<Case> cases = {
        {{Crop, Avatar210}, {210, 210}, cut},
        {{Zoom, Crop, Avatar310}, {310, 310}, cut},
        {{Article, Crop, Avatar210}, {210, 210}, cut},
        {{Crop, Article}, {500, 500}, cut},
        {{Crop, Zoom, Avatar210}, {280, 210}, whole},  // the first zoom after a crop starts anew
        {{Reset, Avatar210}, {280, 210}, whole},
        {{Fixed, Article}, {700, 525}, whole},
        {{Stretched, Avatar210}, {210, 700}, whole},
        {{Stretched, Article, Avatar310}, {300, 1000}, whole},  // never enlarged
    };
    for (const Case& c : cases) {
        form.Unload();
        form.Show();
        openPicture(picture);
        choose(SitePreset::Unlimited);
        for (const Step step : c.steps) {
            switch (step) {
                case Crop:
                    drag(form.Picture2, cut.topLeft(), cut.topLeft() + QPoint(500, 500));
                    break;
                case Zoom:
                    setInputs("0", "0");
                    Click(form.Command1);
                    break;
                case Reset:
                    Click(form.Command8);
                    break;
                case Fixed:
                    setInputs("0", "1000");
                    Click(form.Command1);
                    break;
                case Stretched:  // a landscape picture stretched upright
                    setInputs("300", "1000");
                    Click(form.Command1);
                    break;
                case Article:
                    choose(SitePreset::Article);
                    break;
                case Avatar310:
                    choose(SitePreset::Avatar310);
                    break;
                case Avatar210:
                    choose(SitePreset::Avatar210);
                    break;
            }
        }
        const int caseNumber = int(&c - cases.data());
        const QImage shown = form.Picture1->Image().image();
        EXPECT_EQ(shown.size(), c.size) << "case " << caseNumber;
        EXPECT_EQ(readouts(),
                  QStringList({QString::number(c.size.width()), QString::number(c.size.height())}))
            << "case " << caseNumber;
        const QImage expected =
            picture.copy(c.shows).scaled(c.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(test::MeanDifference(shown.convertToFormat(QImage::Format_RGB32),
                                       expected.convertToFormat(QImage::Format_RGB32)),
                  2.0)
            << "case " << caseNumber;
    }
}

// The window closed while an estimate is being worked out: nothing reaches the freed controls
// when it lands (the sanitizer build would see it); nor the preview's, which goes with it.
TEST_F(StripTest, AWindowClosedWhileTheCopyIsWorkedOutIsLeftAlone) {
    openPicture(test::PhotoImage(2000, 1500));
    Click(form.Command17);
    Click(form.Command1);
    form.Unload();
    QApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form.Estimating(); }, 30'000));
    EXPECT_EQ(form.Label3, nullptr);
    EXPECT_EQ(form.Preview(), nullptr);
}

// The preview shows the very file a save writes for the same state, decoded, at every step:
// the designed copy at quality 80, a preset's, after a crop, an undo and a redo.
TEST_F(StripTest, ThePreviewShowsTheFileASaveWritesAndFollowsEveryStep) {
    openPicture(test::PhotoImage(1600, 1200));
    Click(form.Command17);
    CopyPreview* preview = form.Preview();
    ASSERT_NE(preview, nullptr);
    const auto previewed = [&] {
        readout();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !preview->Shown().pixels.isEmpty(); }, 30'000));
        return preview->Canvas()->copy().image();
    };
    int saves = 0;
    const auto saved = [&] {
        const QString name = QStringLiteral("第%1次.bmp").arg(++saves);
        ui.answer(dir.file(name));
        Click(form.Command3);
        return LoadPicture(YsName(dir.file(name))).image();
    };
    const QImage whole = previewed();
    const std::int64_t bytes = preview->Shown().bytes;
    EXPECT_EQ(whole.size(), QSize(1600, 1200));
    EXPECT_EQ(saved(), whole);
    EXPECT_EQ(bytes, QFileInfo(YsName(dir.file(QStringLiteral("第1次.bmp")))).size());

    choose(SitePreset::Article);
    const QImage article = previewed();
    EXPECT_EQ(article.size(), QSize(700, 525));
    EXPECT_TRUE(preview->Canvas()->canCompare());
    EXPECT_EQ(saved(), article);
    // The saved result is the frame's picture now, and its copy is made from it.
    const QImage afterSave = previewed();
    EXPECT_EQ(afterSave.size(), QSize(700, 525));

    drag(form.Picture2, {100, 100}, {700, 500});
    const QImage crop = previewed();
    EXPECT_EQ(crop.size(), QSize(600, 400));
    Click(form.Command13);
    EXPECT_EQ(previewed(), afterSave) << "undone";
    Click(form.Command14);
    EXPECT_EQ(previewed(), crop) << "made again";
    choose(SitePreset::IdCard);
    const QImage card = previewed();
    EXPECT_LE(preview->Shown().bytes, 100'000);
    EXPECT_EQ(saved(), card);

    // Closed and opened again on the same state: the readout's copy is decoded, not made again.
    EXPECT_EQ(previewed(), card) << "the saved result's copy";
    const QByteArray made = form.Estimate().Latest()->jpeg;
    ASSERT_FALSE(made.isEmpty());
    preview->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(form.Preview(), nullptr);
    Click(form.Command17);
    preview = form.Preview();
    EXPECT_EQ(previewed(), card);
    EXPECT_EQ(form.Estimate().Latest()->jpeg.constData(), made.constData()) << "encoded again";

    // One preview at a time: the button brings the same window back.
    Click(form.Command17);
    EXPECT_EQ(form.Preview(), preview);
    EXPECT_EQ(form.window()->findChildren<CopyPreview*>().size(), 1);
}

}  // namespace
}  // namespace lanxi
