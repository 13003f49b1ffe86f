#include "workspace/form1.h"

#include <QDir>

#include "picture/errors.h"
#include "picture/ui.h"
#include "workspace/form1_design.h"

namespace lanxi {

const QString Form1::kTitle = QStringLiteral("岚溪文坊图片处理专用");
const QString Form1::kFileFilter = QStringLiteral("JPG文件(*.jpg)|*.jpg|BMP文件(*.bmp)|*.bmp");

Form1::Form1(QObject* parent) : Form(QStringLiteral("Form1"), parent) {}

void Form1::BuildControls(QWidget* w) {
    w->setWindowTitle(QStringLiteral("图片截剪、缩放、批量压缩小工具--岚溪文坊"));
    setClientSizeTwips(w, 16785, 9825);

    BuildFromDesign(w, Form1Design());

    // The dialog and clip components start from their design state with the window.
    CommonDialog1 = CommonDialog{};
    PictureClip1 = PictureClip{};

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    connect(Command11, &QPushButton::clicked, this, [this] { Command11_Click(); });
    connect(Command12, &QPushButton::clicked, this, [this] { Command12_Click(); });
    connect(Picture1, &PictureFrame::MouseDown, this, &Form1::Picture1_MouseDown);
    connect(Picture1, &PictureFrame::MouseMove, this, &Form1::Picture1_MouseMove);
    connect(Picture2, &PictureFrame::MouseDown, this, &Form1::Picture2_MouseDown);
    connect(Picture2, &PictureFrame::MouseMove, this, &Form1::Picture2_MouseMove);
    connect(Picture2, &PictureFrame::MouseUp, this, &Form1::Picture2_MouseUp);
}

void Form1::Form_Load() {
    ResumeNext guard;
    guard([&] { Shape1->setVisible(false); });
    guard([&] { Shape1->setBorderStyle(3); });
    guard([&] { SelectDragging = kFalse; });
    guard([&] { SelectionMade = kFalse; });
    guard([&] { Picture1->setScaleMode(3); });
    guard([&] { Picture2->setScaleMode(3); });
    guard([&] { Picture1->setHeight(Picture2->Height()); });
    guard([&] { Picture1->setWidth(Picture2->Width()); });
    guard([&] { Picture1->setAutoRedraw(true); });
    guard([&] { Picture2->setAutoSize(true); });
    guard([&] { Picture2->setAutoRedraw(true); });
}

void Form1::Command12_Click() {
    Text1->setText(QStringLiteral("0"));
    Text2->setText(QStringLiteral("0"));
}

void Form1::Command7_Click() {
    Unload();
}

void Form1::Command11_Click() {
    if (showBatchWindow) {
        showBatchWindow();
    }
}

void Form1::Command9_Click() {
    ShellOpen(hWnd(), HomePageAddress());
}

}  // namespace lanxi
