#include "batch/form2.h"

namespace lanxi {

Form2::Form2(QObject* parent) : Form(QStringLiteral("Form2"), parent) {}

void Form2::BuildControls(QWidget* w) {
    w->setWindowTitle(QStringLiteral("批量压缩bmp和jpg图像文件--岚溪文坊"));
    setClientSizeTwips(w, 7560, 6090);
}

}  // namespace lanxi
