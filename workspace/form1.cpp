#include "workspace/form1.h"

#include <QDir>
#include <QKeyEvent>
#include <QKeySequence>
#include <QShortcut>
#include <algorithm>
#include <array>

#include "base/errors.h"
#include "codec/formats.h"
#include "forms/remembered.h"
#include "forms/ui.h"
#include "workspace/form1_design.h"

namespace lanxi {
namespace {

constexpr QKeyCombination kUndoKeys(Qt::CTRL, Qt::Key_Z);
constexpr std::array kRedoKeys{QKeyCombination(Qt::CTRL, Qt::Key_Y),
                               QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z)};

}  // namespace

const QString Form1::kTitle = QStringLiteral("岚溪文坊图片处理专用");
const QString Form1::kFileFilter = QStringLiteral("JPG文件(*.jpg)|*.jpg|BMP文件(*.bmp)|*.bmp");
const QString Form1::kOpenFilter =
    kFileFilter + QStringLiteral("|所有支持的图片(%1)|%1").arg(EveryPictureWildcards());

Form1::Form1(QObject* parent)
    : Form(QStringLiteral("Form1"), parent),
      history_([this](const WorkspaceState& state) { setState(state); }) {
    connect(&estimate_, &CopyEstimate::ready, this, &Form1::showCopy);
    connect(&history_, &EditHistory::changed, this, &Form1::showHistory);
    // A step taken, undone or made again while the keys move the crop rectangle starts the
    // rectangle's own step anew from there (a drag holds the mouse, so nothing comes between).
    connect(&history_, &EditHistory::changed, this, [this] {
        if (SelectDragging == kFalse) {
            beforeCrop_.reset();
        }
    });
    // A closed window starts again without a picture: its steps go with it, and their pictures.
    connect(this, &Form::unloaded, this, [this] {
        beforeCrop_.reset();
        history_.Clear();
    });
}

void Form1::BuildControls(QWidget* w) {
    w->setWindowTitle(QStringLiteral("图片截剪、缩放、批量压缩小工具--岚溪文坊"));
    // The designed area, and the strip for the site's limits below it.
    setClientSizeTwips(w, kForm1Width, kForm1Height + kStripHeight);
    BuildFromDesign(w, {Form1Design(), Form1StripDesign()});
    for (const PresetDescription& p : SitePresets()) {
        Combo1->addItem(p.caption, p.key);
    }
    Remembered::Choice(Combo1, kRememberedPreset);
    AcceptDrops(w);

    // The dialog and clip components start from their design state with the window.
    CommonDialog1 = CommonDialog{};
    CommonDialog1.RememberFolderAs = kRememberedFolder;
    PictureClip1 = PictureClip{};

    Command15->setToolTip(
        QStringLiteral("找出左框图片四周颜色均匀的空白边（扫描时的白底、黑底或任何纯色），"
                       "把其余部分剪切到右框，如同用鼠标拉框剪切。"));
    Command16->setToolTip(QStringLiteral(
        "忘记记住的选择：打开和保存图片的文件夹、批量压缩浏览的文件夹、两个窗口的上传要求。"
        "下次启动时恢复为默认。"));
    Command17->setToolTip(
        QStringLiteral("在另一个窗口中显示按当前上传要求保存时的上传副本（_YS 文件）："
                       "100% 或适合窗口，按住空格键或鼠标左键对比压缩前。"));

    On(Command1, &QPushButton::clicked, &Form1::Command1_Click);
    On(Command2, &QPushButton::clicked, &Form1::Command2_Click);
    On(Command3, &QPushButton::clicked, &Form1::Command3_Click);
    On(Command4, &QPushButton::clicked, &Form1::Command4_Click);
    On(Command5, &QPushButton::clicked, &Form1::Command5_Click);
    On(Command6, &QPushButton::clicked, &Form1::Command6_Click);
    On(Command7, &QPushButton::clicked, &Form1::Command7_Click);
    On(Command8, &QPushButton::clicked, &Form1::Command8_Click);
    On(Command9, &QPushButton::clicked, &Form1::Command9_Click);
    On(Command10, &QPushButton::clicked, &Form1::Command10_Click);
    On(Command11, &QPushButton::clicked, &Form1::Command11_Click);
    On(Command12, &QPushButton::clicked, &Form1::Command12_Click);
    On(Picture1, &PictureFrame::MouseDown, &Form1::Picture1_MouseDown);
    On(Picture1, &PictureFrame::MouseMove, &Form1::Picture1_MouseMove);
    On(Picture2, &PictureFrame::MouseDown, &Form1::Picture2_MouseDown);
    On(Picture2, &PictureFrame::MouseMove, &Form1::Picture2_MouseMove);
    On(Picture2, &PictureFrame::MouseUp, &Form1::Picture2_MouseUp);
    On(Picture2, &PictureFrame::KeyDown, &Form1::Picture2_KeyDown);
    On(Combo1, &QComboBox::activated, &Form1::Combo1_Click);
    On(Command13, &QPushButton::clicked, &Form1::Command13_Click);
    On(Command14, &QPushButton::clicked, &Form1::Command14_Click);
    On(Command15, &QPushButton::clicked, &Form1::Command15_Click);
    On(Command16, &QPushButton::clicked, &Form1::Command16_Click);
    On(Command17, &QPushButton::clicked, &Form1::Command17_Click);
    // The keys every picture tool answers. In a text box they undo the typing instead.
    On(new QShortcut(kUndoKeys, w), &QShortcut::activated, &Form1::Command13_Click);
    for (const QKeyCombination keys : kRedoKeys) {
        On(new QShortcut(keys, w), &QShortcut::activated, &Form1::Command14_Click);
    }
    // A shortcut answers only while the system names the window active. After a dialog or
    // message box closes it may name none (no window manager gives the activation back), yet
    // the keys come to the window, which must answer them as the user sees it: the one in front.
    w->installEventFilter(this);
    On(this, &Form::filesDropped, &Form1::Form_DragDrop);
    connect(Picture1, &PictureFrame::DrawingChanged, this, &Form1::estimateCopy);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // A key no control took comes up to the window (a text box takes these for its typing).
    if (event->type() == QEvent::KeyPress && watched == window()) {
        const QKeyCombination keys = static_cast<QKeyEvent*>(event)->keyCombination();
        if (keys == kUndoKeys) {
            Command13_Click();
            return true;
        }
        if (std::find(kRedoKeys.begin(), kRedoKeys.end(), keys) != kRedoKeys.end()) {
            Command14_Click();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
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
    history_.Clear();
    beforeCrop_.reset();
    showHistory();
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
    ShellOpen(window(), HomePage);
}

}  // namespace lanxi
