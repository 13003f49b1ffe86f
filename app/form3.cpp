#include "app/form3.h"

#include "picture/ui.h"

namespace lanxi {
namespace {

VbLabel* label(QWidget* parent, int index, const QString& text, int left, int top, int width,
               int height) {
    auto* l = DesignControl<VbLabel>(parent, QStringLiteral("Label1(%1)").arg(index), left, top,
                                     width, height);
    l->setWordWrap(true);
    l->setCaption(text);
    return l;
}

}  // namespace

Form3::Form3(QObject* parent) : Form(QStringLiteral("Form3"), parent) {}

void Form3::BuildControls(QWidget* w) {
    w->setWindowTitle(QStringLiteral("图片剪切、缩小、压缩小工具----岚溪文坊专用"));
    setClientSizeTwips(w, 6315, 4035);

    Command2 =
        DesignButton(w, QStringLiteral("Command2"),
                     QStringLiteral("图片文件大小（容量）压缩（尺寸不变）"), 240, 360, 3735, 495);
    Command1 = DesignButton(w, QStringLiteral("Command1"),
                            QStringLiteral("图片尺寸（宽、高）减小、截剪"), 240, 960, 3735, 495);
    Command4 = DesignButton(w, QStringLiteral("Command4"), QStringLiteral("进入：岚溪文坊"), 4200,
                            360, 1815, 495);
    Command3 =
        DesignButton(w, QStringLiteral("Command3"), QStringLiteral("退  出"), 4200, 960, 1815, 495);

    Shape1 = new ShapeRect(w);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setLeft(240);
    Shape1->setTop(1680);
    Shape1->setWidth(5775);
    Shape1->setHeight(2175);
    Shape1->setBorderColor(QColor(255, 128, 0));

    Label1[0] = label(w, 0, QStringLiteral("岚溪文坊图片上传要求说明："), 480, 1920, 2520, 180);
    Label1[0]->setForeColor(QColor(0, 0, 255));
    Label1[1] = label(w, 1,
                      QStringLiteral("1.文章中插入图片尺寸：宽度不能大于700象素，高度不限；图片"
                                     "    容量大小不能大于200kb；"),
                      480, 2280, 5250, 420);
    Label1[2] = label(w, 2,
                      QStringLiteral("2.头徵形象图片：原图片要少于200kb，建议通过本软件处理后："
                                     "   图片最小边为210象素或310象素"),
                      480, 2760, 5175, 420);
    Label1[3] = label(w, 3,
                      QStringLiteral("3.身份证图片每张容量大小不能大于100kb，周边多余空白可以剪"
                                     "   切掉。"),
                      480, 3240, 5130, 420);

    QWidget::setTabOrder(Command1, Command2);
    QWidget::setTabOrder(Command2, Command3);
    QWidget::setTabOrder(Command3, Command4);
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
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
    ShellOpen(hWnd(), HomePageAddress());
}

}  // namespace lanxi
