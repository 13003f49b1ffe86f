#pragma once

#include "tests/support/filesystems.h"
#include "tests/support/jpeg_info.h"
#include "tests/workspace/workspace_fixture.h"
#include "upload/save_as_jpeg.h"

namespace lanxi::test {

inline const QString kSavedAndCompressed = QStringLiteral("文件保存并再次压缩成功！");
inline const QString kSavedNotCompressed = QStringLiteral("文件保存完成，但文件再次压缩失败！");

// A workspace with a picture opened and a result in the right frame whose drawn image differs
// from its assigned picture (something is painted over it).
class SaveTest : public WorkspaceTest {
  protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        openPicture(PatternImage(120, 90));
        form.Picture1->setPicture(StdPicture(SmoothImage(160, 100)));
        form.Picture1->PaintPicture(StdPicture(PatternImage(40, 30)), 0, 0, 80, 60, 0, 0, 40, 30);
        drawn = form.Picture1->Image().image();
        ASSERT_NE(drawn, form.Picture1->Picture().image());
        ui.messages.clear();
        ui.dialogs.clear();
    }

    // Presses "保存缩放图片" and answers the dialog with `path`.
    void save(const QString& path) {
        ui.answer(path);
        Click(form.Command3);
    }

    // The bytes SaveAsJpeg makes of the result: the copy must be exactly these.
    QByteArray compressedResult() {
        const QString path = other.file(QStringLiteral("参照.jpg"));
        EXPECT_EQ(SaveAsJpeg(StdPicture(drawn), path, 80), kTrue);
        return ReadBytes(path);
    }

    QImage drawn;  // the right frame's drawn image before the save
    TempDir other;
};

}  // namespace lanxi::test
