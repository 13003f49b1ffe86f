// Saving the result with its JPEG copy.
#include <QDir>

#include "jpeg/name_rule.h"
#include "jpeg/save_as_jpeg.h"
#include "jpeg/save_in_format.h"
#include "jpeg/upload_copy.h"
#include "picture/errors.h"
#include "picture/ui.h"
#include "workspace/form1.h"

namespace lanxi {

void Form1::Command3_Click() {
    CommonDialog1.Filter = kFileFilter;
    CommonDialog1.ShowSave(hWnd());
    CommonDialog1.Flags = 14;
    const QString chosen = CommonDialog1.FileName;
    if (chosen.isEmpty() || !IsLoaded()) {
        // Cancelled, or the window went while the dialog was up, and the result with it.
        return;
    }

    // The result is what the right frame shows: its picture and everything painted over it.
    // Both files are made from these pixels, so the copy never inherits the losses of a JPEG
    // written under the chosen name.
    StdPicture result;
    QString reason;
    try {
        result = Picture1->Image();
    } catch (const Error& e) {
        reason = e.message();
    }
    if (!reason.isEmpty() || !SaveInFormatOfName(result, chosen, &reason)) {
        // Nothing was written, so there is nothing to make a copy of.
        MsgBox(hWnd(),
               QStringLiteral("无法保存图片文件：\n%1\n\n原因：%2")
                   .arg(QDir::toNativeSeparators(chosen), reason),
               vbExclamation);
        return;
    }
    Picture1->setPicture(result);

    const Boolean compressed = SaveAsJpeg(Picture1->Picture(), YsName(chosen), kUploadCopy.quality);
    MsgBox(hWnd(), compressed ? QStringLiteral("文件保存并再次压缩成功！")
                              : QStringLiteral("文件保存完成，但文件再次压缩失败！"));
}

}  // namespace lanxi
