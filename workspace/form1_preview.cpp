// The preview of the upload copy: the readout's copy, its file decoded, in a window that follows
// the result and the preset as the readout does.
#include "workspace/form1.h"

namespace lanxi {

void Form1::Command17_Click() {
    if (!preview_) {
        preview_ = new CopyPreview(window());
        // The copies keep their files only while someone looks at them.
        connect(preview_, &QObject::destroyed, this, [this] { estimate_.setKeepFile(false); });
        estimate_.setKeepFile(true);
        showPreview();
    }
    preview_->Bring();
}

void Form1::showPreview() {
    if (!preview_) {
        return;
    }
    if (const PreviewedCopy* shown = estimate_.LatestPreview(); shown && !Estimating()) {
        preview_->ShowCopy(*shown);
    } else {
        // The copy of the result as it is now is on its way, or its file was not kept (the
        // readout's copy at quality 80 is only measured): made, or decoded, once more.
        estimateCopy();
    }
}

}  // namespace lanxi
