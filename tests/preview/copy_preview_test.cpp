// The preview window on its own: the copy's pixels as they are, the comparison while a key or the
// button is held, the views and the moves, the copies read from their files, and what a screen
// reader is told.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include "codec/loader.h"
#include "preview/copy_preview.h"
#include "tests/support/accessibility.h"
#include "tests/support/images.h"
#include "upload/upload_copy.h"

namespace lanxi {
namespace {

// What the canvas shows on the screen now.
QImage onScreen(PreviewCanvas* canvas) {
    return canvas->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void mouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held,
                  Qt::NoModifier);
    QApplication::sendEvent(widget, &e);
}

// A photograph reduced for an article: at 100 % the window shows the decoded file's pixels, one
// for one; while the space bar or the left button is held, the same part of the picture before
// compression at the copy's pixels, reduced as the copy was; a drag and the arrow keys move the
// view, "适合窗口" shows the whole copy, and a reader hears each change and finds every control
// named.
TEST(CopyPreview, ShowsTheCopysPixelsAndWhileHeldWhatItWasMadeFrom) {
    const DrawnImage picture = DrawnImage::Of(StdPicture(test::PhotoImage(2400, 1800)));
    const SiteLimits limits = Describe(SitePreset::Article).limits;
    const PreviewedCopy copy = PreviewOf(MakeUploadCopy(picture, limits), picture, limits);
    ASSERT_TRUE(copy.failure.isEmpty()) << copy.failure;
    ASSERT_EQ(copy.pixels.size(), QSize(700, 525));
    // What the copy was encoded from: reduced as fitted copies are, not as the result averages.
    const QImage before = picture.scaled({700, 525}).image(kFittedReduction).image();
    ASSERT_GT(test::MaxDifference(before, picture.scaled({700, 525}).image().image()), 2);

    test::ReaderEvents reader;
    QWidget owner;
    auto* preview = new CopyPreview(&owner);
    preview->resize(520, 460);
    preview->show();
    reader.SilentChanges(preview);
    preview->ShowCopy(copy);
    PreviewCanvas* canvas = preview->Canvas();
    QApplication::processEvents();
    const QString info = preview->findChild<VbLabel*>(QStringLiteral("info"))->Caption();
    EXPECT_EQ(info, QStringLiteral("上传副本：%1 KB（%2 字节），质量 %3，700 × 525 像素")
                        .arg((copy.bytes + 999) / 1000)
                        .arg(QLocale(QLocale::Chinese).toString(qlonglong(copy.bytes)))
                        .arg(copy.quality));
    const auto showsCopy = [&] {
        return onScreen(canvas) == copy.pixels.image().copy(canvas->visibleArea());
    };
    const auto showsBefore = [&] {
        return test::MaxDifference(onScreen(canvas), before.copy(canvas->visibleArea())) <= 2;
    };
    ASSERT_LT(canvas->viewport()->width(), 700);
    EXPECT_TRUE(showsCopy());
    EXPECT_EQ(reader.SilentChanges(preview), QStringList());

    canvas->setFocus();
    QTest::keyPress(canvas, Qt::Key_Space);
    EXPECT_TRUE(canvas->comparing());
    EXPECT_TRUE(showsBefore());
    EXPECT_FALSE(showsCopy());
    QTest::keyRelease(canvas, Qt::Key_Space);
    EXPECT_FALSE(canvas->comparing());
    EXPECT_TRUE(showsCopy());
    EXPECT_EQ(reader.SilentChanges(preview), QStringList());

    // A drag with the left button shows what the copy was made from as long as it is held, and
    // moves the view with it.
    const QRect start = canvas->visibleArea();
    QWidget* port = canvas->viewport();
    mouse(port, QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton, Qt::LeftButton);
    mouse(port, QEvent::MouseMove, {100, 150}, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(showsBefore());
    mouse(port, QEvent::MouseButtonRelease, {100, 150}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(canvas->visibleArea().topLeft(), start.topLeft() + QPoint(100, 50));
    EXPECT_TRUE(showsCopy());
    QTest::keyClick(canvas, Qt::Key_Left);
    EXPECT_EQ(canvas->visibleArea().left(), start.left() + 100 - 24);
    EXPECT_TRUE(showsCopy());

    QTest::mouseClick(preview->findChild<QPushButton*>(QStringLiteral("fit")), Qt::LeftButton);
    EXPECT_LT(canvas->scale(), 1.0);
    EXPECT_EQ(canvas->visibleArea(), QRect(0, 0, 700, 525));
    EXPECT_TRUE(preview->findChild<VbLabel*>(QStringLiteral("mode"))
                    ->Caption()
                    .startsWith(QStringLiteral("显示：压缩后，适合窗口（")));
    const QImage fitted = onScreen(canvas);
    QTest::keyPress(canvas, Qt::Key_Space);
    EXPECT_LT(test::MeanDifference(onScreen(canvas), fitted), 4.0) << "the same place, reduced";
    EXPECT_TRUE(preview->findChild<VbLabel*>(QStringLiteral("mode"))
                    ->Caption()
                    .startsWith(QStringLiteral("显示：压缩前，适合窗口（")));
    QTest::keyRelease(canvas, Qt::Key_Space);
    EXPECT_EQ(reader.SilentChanges(preview), QStringList());
    EXPECT_EQ(test::UnnamedControls(preview), QStringList());

    // Escape closes the window, which goes with its owner anyway.
    QPointer<CopyPreview> gone = preview;
    QTest::keyClick(canvas, Qt::Key_Escape);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
}

// A written copy is read back from its file, and compared with its source as the source is on
// the disk; a copy that replaced its source has nothing to be compared with, and a file that
// cannot be read is named with the reason.
TEST(CopyPreview, ACopyReadFromItsFileIsComparedWithItsSourceWhereThereIsOne) {
    test::TempDir dir;
    const QString source = dir.file(QStringLiteral("照片.jpg"));
    const QString copy = dir.file(QStringLiteral("照片_YS.jpg"));
    test::WriteJpeg(test::PhotoImage(3000, 2250), source);
    const FittedCopy made = MakeUploadCopyOfFile(source, Describe(SitePreset::Article).limits);
    ASSERT_TRUE(WriteUploadCopy(made, copy, nullptr));

    PreviewedCopy read = PreviewOfFiles(copy, source, made.quality, made.reduction);
    EXPECT_EQ(read.failure, QString());
    EXPECT_EQ(read.pixels.image(), LoadPicture(copy).image());
    EXPECT_EQ(read.bytes, made.bytes);
    EXPECT_EQ(read.name, QStringLiteral("照片_YS.jpg"));
    EXPECT_EQ(read.note, QString());
    // Decoded at a reduced scale: no more than the comparison needs.
    EXPECT_LT(read.before.size().width(), 3000);
    EXPECT_GE(read.before.size().width(), 2 * 700);
    EXPECT_LT(
        test::MeanDifference(read.before.scaled({700, 525}).image().image(), read.pixels.image()),
        6.0);

    read = PreviewOfFiles(copy, copy, made.quality, made.reduction);
    EXPECT_TRUE(read.before.size().isEmpty());
    EXPECT_EQ(read.note, QStringLiteral("副本已替换了原文件，没有压缩前的图片可以对比"));
    QFile::remove(source);
    read = PreviewOfFiles(copy, source, made.quality, made.reduction);
    EXPECT_FALSE(read.pixels.isEmpty());
    EXPECT_TRUE(read.note.startsWith(QStringLiteral("无法读出原文件“照片.jpg”（文件不存在）")))
        << read.note;
    read = PreviewOfFiles(source, copy, made.quality, made.reduction);
    EXPECT_TRUE(read.pixels.isEmpty());
    EXPECT_EQ(read.failure, QStringLiteral("无法读出副本“照片.jpg”：文件不存在"));

    // In the window: read away from the user-interface thread, then shown; nothing to compare.
    QWidget owner;
    auto* preview = new CopyPreview(&owner);
    preview->show();
    preview->ShowFiles(copy, copy, made.quality, made.reduction);
    EXPECT_TRUE(preview->Loading());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !preview->Loading(); }, 30'000));
    EXPECT_EQ(preview->Canvas()->copy().size(), QSize(700, 525));
    EXPECT_FALSE(preview->Canvas()->canCompare());
    QTest::keyPress(preview->Canvas(), Qt::Key_Space);
    EXPECT_FALSE(preview->Canvas()->comparing());
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("上传副本预览：照片_YS.jpg--岚溪文坊"));
}

}  // namespace
}  // namespace lanxi
