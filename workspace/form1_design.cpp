#include "workspace/form1_design.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "forms/picture_frame.h"

namespace lanxi {
namespace {

// The left pane comes first and so lies beneath every other control: a large left picture is
// hidden behind the right pane, the strip and the buttons.
// clang-format off
const ControlDesign kControls[] = {
    // name, kind, caption, {Left, Top, Width, Height} in twips, tab index, {options}
    {"Picture4", Make<PictureFrame>, "", {120, 120, 16575, 9615}, 5, {.accessibleName = "左框"}},
    {"Picture2", Make<PictureFrame>, "", {240, 120, 4215, 4215}, 6,
     {.parent = "Picture4", .borderStyle = 0, .accessibleName = "原图",
      .accessibleDescription = "方向键移动裁剪框，Shift加方向键改变大小，Ctrl每次十个像素，"
                               "Enter剪切到右框，Esc取消"}},
    // The crop rectangle.
    {"Shape1", Make<ShapeRect>, "", {600, 480, 1575, 1335}, kNoTab,
     {.parent = "Picture2", .borderStyle = 3, .accessibleName = "裁剪框"}},
    {"Picture3", Make<PictureFrame>, "", {9480, 120, 6855, 7215}, 3, {.accessibleName = "右框"}},
    // The result.
    {"Picture1", Make<PictureFrame>, "", {0, 0, 2055, 1815}, 4,
     {.parent = "Picture3", .borderStyle = 0, .autoSize = true, .accessibleName = "结果"}},
    // The size strip.
    {"Picture5", Make<PictureFrame>, "", {9480, 7440, 7215, 375}, 13,
     {.borderStyle = 0, .accessibleName = "图片大小和固定尺寸"}},
    {"Label1(0)", Make<VbLabel>, "图片大小(象素)：", {0, 120, 1440, 180}, kNoTab,
     {.parent = "Picture5", .autoSize = true}},
    {"Label1(1)", Make<VbLabel>, "宽", {1440, 120, 180, 180}, kNoTab,
     {.parent = "Picture5", .autoSize = true}},
    {"Label1(2)", Make<VbLabel>, "0", {1680, 120, 90, 180}, kNoTab,
     {.parent = "Picture5", .autoSize = true, .accessibleName = "图片宽度"}},
    {"Label1(3)", Make<VbLabel>, "高", {2280, 120, 180, 180}, kNoTab,
     {.parent = "Picture5", .autoSize = true}},
    {"Label1(4)", Make<VbLabel>, "0", {2520, 120, 90, 180}, kNoTab,
     {.parent = "Picture5", .autoSize = true, .accessibleName = "图片高度"}},
    {"Label1(5)", Make<VbLabel>, "缩放为固定尺寸：", {3120, 120, 1440, 180}, kNoTab,
     {.parent = "Picture5", .autoSize = true}},
    {"Label1(6)", Make<VbLabel>, "宽", {4560, 120, 180, 180}, kNoTab,
     {.parent = "Picture5", .autoSize = true}},
    {"Text1", Make<QLineEdit>, "0", {4800, 120, 735, 270}, 14,
     {.parent = "Picture5", .toolTip = "如果只指定宽，不指定高，则以宽为比例，自动缩放高。",
      .accessibleName = "固定宽度"}},
    {"Label1(7)", Make<VbLabel>, "高", {5640, 120, 180, 180}, kNoTab,
     {.parent = "Picture5", .autoSize = true}},
    {"Text2", Make<QLineEdit>, "0", {5880, 120, 735, 270}, 15,
     {.parent = "Picture5", .toolTip = "如果只指定高，不指定宽，则以高为比例，自动缩放宽。",
      .accessibleName = "固定高度"}},
    {"Command12", Make<QPushButton>, "取消", {6600, 120, 495, 255}, 18, {.parent = "Picture5"}},
    {"Command5", Make<QPushButton>, "打开图片", {9480, 7920, 1815, 495}, 8},
    {"Command2", Make<QPushButton>, "缩小（对左图）", {11400, 7920, 2175, 495}, 1,
     {.enabled = false}},
    {"Command1", Make<QPushButton>, "放大（对左图）", {13560, 7920, 1695, 495}, 0,
     {.enabled = false}},
    {"Command8", Make<QPushButton>, "缩放复位", {15240, 7920, 1335, 495}, 11,
     {.enabled = false}},
    {"Command6", Make<QPushButton>, "左框恢复打开原图", {9480, 8520, 1815, 495}, 9,
     {.enabled = false}},
    {"Command4", Make<QPushButton>, "向左复制", {11400, 8520, 1095, 495}, 7,
     {.enabled = false}},
    {"Command10", Make<QPushButton>, "向右复制", {12480, 8520, 1095, 495}, 16,
     {.enabled = false}},
    {"Command3", Make<QPushButton>, "保存缩放图片", {13560, 8520, 1695, 495}, 2,
     {.enabled = false}},
    {"Command7", Make<QPushButton>, "关闭", {15240, 8520, 1335, 495}, 10},
    {"Command11", Make<QPushButton>, "批量压缩jpg文件", {9480, 9120, 1815, 495}, 17},
    {"Command9", Make<QPushButton>, "进入：岚溪文坊", {11400, 9120, 5175, 495}, 12},
};
// clang-format on

// The strip below the designed area.
// clang-format off
const ControlDesign kStrip[] = {
    {"Label2", Make<VbLabel>, "上传要求：", {120, kForm1Height + 150, 900, 180}, kNoTab,
     {.autoSize = true, .labelFor = "Combo1"}},
    {"Combo1", Make<QComboBox>, "", {1080, kForm1Height + 75, 4800, 330}, 19,
     {.accessibleName = "上传要求"}},
    {"Label3", Make<VbLabel>, "上传副本：—", {6120, kForm1Height + 150, 6000, 180}, kNoTab,
     {.autoSize = true, .accessibleName = "上传副本"}},
    // The second row: the edits, enabled as the undo history and an opened picture allow, the
    // preview of the upload copy, and at the right, under the designed column of "缩放复位" and
    // "关闭", forgetting the choices.
    {"Command13", Make<QPushButton>, "撤销", {120, kForm1Height + kStripRowHeight + 60, 900, 360},
     20, {.enabled = false}},
    {"Command14", Make<QPushButton>, "重做", {1080, kForm1Height + kStripRowHeight + 60, 900, 360},
     21, {.enabled = false}},
    {"Command15", Make<QPushButton>, "裁掉空白边",
     {2040, kForm1Height + kStripRowHeight + 60, 1500, 360}, 22, {.enabled = false}},
    {"Command17", Make<QPushButton>, "预览上传副本",
     {3660, kForm1Height + kStripRowHeight + 60, 1800, 360}, 23, {.enabled = false}},
    {"Command16", Make<QPushButton>, "恢复默认",
     {15240, kForm1Height + kStripRowHeight + 60, 1335, 360}, 24},
};
// clang-format on

}  // namespace

std::span<const ControlDesign> Form1Design() {
    return kControls;
}

std::span<const ControlDesign> Form1StripDesign() {
    return kStrip;
}

}  // namespace lanxi
