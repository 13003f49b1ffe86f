#include "workspace/form1.h"

#include <QDir>

#include "picture/errors.h"
#include "picture/ui.h"

namespace lanxi {

const QString Form1::kTitle = QStringLiteral("岚溪文坊图片处理专用");
const QString Form1::kFileFilter = QStringLiteral("JPG文件(*.jpg)|*.jpg|BMP文件(*.bmp)|*.bmp");

namespace {

PictureFrame* frame(QWidget* parent, const char* name, int left, int top, int width, int height,
                    int border) {
    auto* f = new PictureFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setBorderStyle(border);
    f->Move(float(left), float(top));
    f->setWidth(float(width));
    f->setHeight(float(height));
    f->setFocusPolicy(Qt::StrongFocus);
    return f;
}

VbLabel* label(QWidget* parent, int index, const QString& text, int left, int top, int width,
               int height) {
    auto* l = DesignControl<VbLabel>(parent, QStringLiteral("Label1(%1)").arg(index), left, top,
                                     width, height);
    l->setAutoSize(true);
    l->setCaption(text);
    return l;
}

QLineEdit* textBox(QWidget* parent, const char* name, int left, int top, int width, int height,
                   const QString& tip) {
    auto* t = DesignControl<QLineEdit>(parent, QString::fromLatin1(name), left, top, width, height);
    t->setText(QStringLiteral("0"));
    t->setAlignment(Qt::AlignCenter);
    t->setToolTip(tip);
    t->setTextMargins(0, 0, 0, 0);
    t->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
    return t;
}

}  // namespace

Form1::Form1(QObject* parent) : Form(QStringLiteral("Form1"), parent) {}

void Form1::BuildControls(QWidget* w) {
    w->setWindowTitle(QStringLiteral("图片截剪、缩放、批量压缩小工具--岚溪文坊"));
    setClientSizeTwips(w, 16785, 9825);

    // The left pane lies beneath every other control: a large left picture is hidden behind
    // the right pane, the strip and the buttons.
    Picture4 = frame(w, "Picture4", 120, 120, 16575, 9615, 1);
    Picture2 = frame(Picture4->inside(), "Picture2", 240, 120, 4215, 4215, 0);
    Shape1 = new ShapeRect(Picture2->inside());
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setLeft(600);
    Shape1->setTop(480);
    Shape1->setWidth(1575);
    Shape1->setHeight(1335);
    Shape1->setBorderStyle(3);

    Picture3 = frame(w, "Picture3", 9480, 120, 6855, 7215, 1);
    Picture1 = frame(Picture3->inside(), "Picture1", 0, 0, 2055, 1815, 0);
    Picture1->setAutoSize(true);

    Picture5 = frame(w, "Picture5", 9480, 7440, 7215, 375, 0);
    QWidget* strip = Picture5->inside();
    Label1[0] = label(strip, 0, QStringLiteral("图片大小(象素)："), 0, 120, 1440, 180);
    Label1[1] = label(strip, 1, QStringLiteral("宽"), 1440, 120, 180, 180);
    Label1[2] = label(strip, 2, QStringLiteral("0"), 1680, 120, 90, 180);
    Label1[3] = label(strip, 3, QStringLiteral("高"), 2280, 120, 180, 180);
    Label1[4] = label(strip, 4, QStringLiteral("0"), 2520, 120, 90, 180);
    Label1[5] = label(strip, 5, QStringLiteral("缩放为固定尺寸："), 3120, 120, 1440, 180);
    Label1[6] = label(strip, 6, QStringLiteral("宽"), 4560, 120, 180, 180);
    Text1 = textBox(strip, "Text1", 4800, 120, 735, 270,
                    QStringLiteral("如果只指定宽，不指定高，则以宽为比例，自动缩放高。"));
    Label1[7] = label(strip, 7, QStringLiteral("高"), 5640, 120, 180, 180);
    Text2 = textBox(strip, "Text2", 5880, 120, 735, 270,
                    QStringLiteral("如果只指定高，不指定宽，则以高为比例，自动缩放宽。"));
    Command12 = DesignButton(strip, QStringLiteral("Command12"), QStringLiteral("取消"), 6600, 120,
                             495, 255, true);

    Command5 = DesignButton(w, QStringLiteral("Command5"), QStringLiteral("打开图片"), 9480, 7920,
                            1815, 495, true);
    Command2 = DesignButton(w, QStringLiteral("Command2"), QStringLiteral("缩小（对左图）"), 11400,
                            7920, 2175, 495, false);
    Command1 = DesignButton(w, QStringLiteral("Command1"), QStringLiteral("放大（对左图）"), 13560,
                            7920, 1695, 495, false);
    Command8 = DesignButton(w, QStringLiteral("Command8"), QStringLiteral("缩放复位"), 15240, 7920,
                            1335, 495, false);
    Command6 = DesignButton(w, QStringLiteral("Command6"), QStringLiteral("左框恢复打开原图"), 9480,
                            8520, 1815, 495, false);
    Command4 = DesignButton(w, QStringLiteral("Command4"), QStringLiteral("向左复制"), 11400, 8520,
                            1095, 495, false);
    Command10 = DesignButton(w, QStringLiteral("Command10"), QStringLiteral("向右复制"), 12480,
                             8520, 1095, 495, false);
    Command3 = DesignButton(w, QStringLiteral("Command3"), QStringLiteral("保存缩放图片"), 13560,
                            8520, 1695, 495, false);
    Command7 = DesignButton(w, QStringLiteral("Command7"), QStringLiteral("关闭"), 15240, 8520,
                            1335, 495, true);
    Command11 = DesignButton(w, QStringLiteral("Command11"), QStringLiteral("批量压缩jpg文件"),
                             9480, 9120, 1815, 495, true);
    Command9 = DesignButton(w, QStringLiteral("Command9"), QStringLiteral("进入：岚溪文坊"), 11400,
                            9120, 5175, 495, true);

    // The dialog and clip components start from their design state with the window.
    CommonDialog1 = CommonDialog{};
    PictureClip1 = PictureClip{};

    QWidget* order[] = {Command1, Command2, Command3,  Picture3,  Picture1, Picture4, Picture2,
                        Command4, Command5, Command6,  Command7,  Command8, Command9, Picture5,
                        Text1,    Text2,    Command10, Command11, Command12};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

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
