// Saving the result with its JPEG copy.
#include <QDir>

#include "base/errors.h"
#include "forms/ui.h"
#include "upload/name_rule.h"
#include "upload/save_in_format.h"
#include "upload/upload_copy.h"
#include "workspace/form1.h"

namespace lanxi {

void Form1::Command3_Click() {
    CommonDialog1.Filter = kFileFilter;
    CommonDialog1.ShowSave(window());
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
        MsgBox(window(),
               QStringLiteral("无法保存图片文件：\n%1\n\n原因：%2")
                   .arg(QDir::toNativeSeparators(chosen), reason),
               vbExclamation);
        return;
    }
    // The readout's estimate is this very copy when nothing has changed since it was made (and
    // it kept the file: the default copy is only measured); both are made from what the frame
    // draws, at the copy's pixels.
    const std::optional<FittedCopy> estimated = Estimating() ? std::nullopt : estimate_.Latest();
    const DrawnImage drawing = Picture1->Drawing();
    const SiteLimits limits = Describe(Preset()).limits;
    Picture1->setPicture(result);

    // Quality 80 at the result's pixels by default; with a preset, the quality (and if need be
    // the size) that fits its limits.
    const FittedCopy copy =
        estimated && !estimated->jpeg.isEmpty() ? *estimated : MakeUploadCopy(drawing, limits);
    QString why = copy.reason;
    if (WriteUploadCopy(copy, YsName(chosen), &why)) {
        MsgBox(window(), limits.any() ? QStringLiteral("文件保存并再次压缩成功！\n上传副本：%1")
                                            .arg(CopyDescription(copy, result.size()))
                                      : QStringLiteral("文件保存并再次压缩成功！"));
    } else {
        MsgBox(window(), QStringLiteral("文件保存完成，但文件再次压缩失败！\n原因：%1").arg(why),
               limits.any() ? vbExclamation : vbOKOnly);
    }
}

}  // namespace lanxi
