// The strip below the designed area: the site's limits the upload copy is fitted to, and what
// that copy of the result would weigh, kept up to date away from the user-interface thread.
#include <QTimer>

#include "picture/ui.h"
#include "workspace/form1.h"
#include "workspace/scaling.h"

namespace lanxi {

SitePreset Form1::Preset() const {
    return PresetAt(Combo1 ? Combo1->currentIndex() : 0);
}

void Form1::Combo1_Click() {
    // The result takes the preset's pixels as a fixed-size step to them would.
    const QSize pixels(int(Picture1->Width() / kTwipsPerPixel),
                       int(Picture1->Height() / kTwipsPerPixel));
    if (Command1->isEnabled()) {
        if (const std::optional<SizingInputs> inputs =
                PresetSizingInputs(Describe(Preset()).limits, pixels)) {
            showResult(NextResultSize(sizingState(*this), *inputs, kEnlargeFactor));
        }
    }
    estimateCopy();
}

void Form1::estimateCopy() {
    if (estimateDue_) {
        return;
    }
    estimateDue_ = true;
    if (Label3 && Command3->isEnabled()) {
        Label3->setForeColor(QColor(128, 128, 128));
        Label3->setCaption(QStringLiteral("上传副本：正在计算…"));
    }
    // Once the current event is done: a click that changes the result several times asks once.
    QTimer::singleShot(0, this, [this] {
        estimateDue_ = false;
        if (Picture1 && Command3->isEnabled()) {
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
}

}  // namespace lanxi
