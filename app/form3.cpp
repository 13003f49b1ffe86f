#include "app/form3.h"

#include "app/form3_design.h"
#include "app/identity.h"
#include "forms/ui.h"

namespace lanxi {
Form3::Form3(QObject* parent) : Form(QStringLiteral("Form3"), parent) {}

void Form3::BuildControls(QWidget* w) {
    w->setWindowTitle(QStringLiteral("图片剪切、缩小、压缩小工具----岚溪文坊专用"));
    setClientSizeTwips(w, 6315, 4035);

    BuildFromDesign(w, {Form3Design()});
    Command1->setFocus();

    On(Command1, &QPushButton::clicked, &Form3::Command1_Click);
    On(Command2, &QPushButton::clicked, &Form3::Command2_Click);
    On(Command3, &QPushButton::clicked, &Form3::Command3_Click);
    On(Command4, &QPushButton::clicked, &Form3::Command4_Click);
}

void Form3::Command1_Click() {
    if (showWorkspace) {
        showWorkspace();
    }
}

void Form3::Command2_Click() {
    if (showBatchWindow) {
        showBatchWindow();
    }
}

void Form3::Command3_Click() {
    if (endProgram) {
        endProgram();
    }
}

void Form3::Command4_Click() {
    ShellOpen(window(), HomePageAddress());
}

}  // namespace lanxi
