// The strip below the designed area: the site's limits the upload copy is fitted to, and what
// that copy of the result would weigh, kept up to date away from the user-interface thread.
#include <QTimer>

#include "base/errors.h"
#include "forms/ui.h"
#include "workspace/form1.h"
#include "workspace/scaling.h"

namespace lanxi {

bool Form1::hasPicture() const {
    return Picture2 && !Picture2->Picture().isEmpty();
}

SitePreset Form1::Preset() const {
    return PresetAt(Combo1 ? Combo1->currentIndex() : 0);
}

void Form1::Combo1_Click() {
    step([&] {
        sizeToPreset();
        return QStringLiteral("上传要求：%1").arg(Describe(Preset()).caption);
    });
    estimateCopy();
}

void Form1::sizeToPreset() {
    // The result is brought within the preset's pixels, its proportions kept and never
    // enlarged. After a crop the result is the crop the user chose, and it is what shrinks;
    // otherwise the preset's size is a fixed size, painted from the left picture as a click
    // with that size typed in would paint it.
    if (hasPicture()) {
        const QSize pixels(Picture1->insideWidth(), Picture1->insideHeight());
        const QSize target = LimitedSize(Describe(Preset()).limits, pixels);
        const SizingInputs fixed{target.width() * kTwipsPerPixel, target.height() * kTwipsPerPixel};
        if (target == pixels) {
            // Within the limits already.
        } else if (SelectionMade != kFalse) {
            ResumeNext guard;
            guard([&] { Picture1->Stretch(float(fixed.width), float(fixed.height)); });
            guard([&] { Label1[2]->setCaption(SizeReadout(Picture1->Width())); });
            guard([&] { Label1[4]->setCaption(SizeReadout(Picture1->Height())); });
        } else {
            showResult(NextResultSize(sizingState(*this), fixed, kEnlargeFactor));
        }
    }
}

void Form1::estimateCopy() {
    if (estimateDue_) {
        return;
    }
    estimateDue_ = true;
    if (Label3 && hasPicture()) {
        Label3->setForeColor(QColor(128, 128, 128));
        Label3->setCaption(QStringLiteral("上传副本：正在计算…"));
    }
    if (preview_) {
        preview_->ShowPending();
    }
    // Once the current event is done: a click that changes the result several times asks once.
    QTimer::singleShot(0, this, [this] {
        estimateDue_ = false;
        if (hasPicture()) {
            estimate_.Request(Picture1->Drawing(), Describe(Preset()).limits);
        } else if (Label3) {
            Label3->setCaption(QStringLiteral("上传副本：—"));
        }
    });
}

void Form1::showCopy() {
    const std::optional<FittedCopy>& copy = estimate_.Latest();
    if (!Label3 || !copy || estimateDue_) {
        return;  // the window has gone, or a newer estimate is on its way
    }
    if (copy->fits()) {
        Label3->setForeColor(QColor(0, 0, 0));
        const QSize result(int(Picture1->Width() / kTwipsPerPixel),
                           int(Picture1->Height() / kTwipsPerPixel));
        Label3->setCaption(QStringLiteral("上传副本：%1").arg(CopyDescription(*copy, result)));
    } else {
        Label3->setForeColor(QColor(255, 0, 0));
        Label3->setCaption(QStringLiteral("上传副本：无法压缩到%1以内（%2）")
                               .arg(SiteBytes(Describe(Preset()).limits.maxBytes), copy->reason));
    }
    showPreview();  // last: it may ask for the copy's file, which sets the copy aside
}

}  // namespace lanxi
