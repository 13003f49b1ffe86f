#include "batch/form2_design.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "batch/batch_list.h"
#include "codec/formats.h"
#include "forms/file_lists.h"
#include "forms/picture_frame.h"

namespace lanxi {
namespace {

// clang-format off
const ControlDesign kControls[] = {
    // name, kind, caption, {Left, Top, Width, Height} in twips, tab index, {options}
    {"Drive1", Make<DriveListBox>, "", {120, 120, 3375, 300}, 0,
     {.accessibleName = "驱动器", .accessibleDescription = "选择要浏览的驱动器"}},
    {"Dir1", Make<DirListBox>, "", {120, 480, 3375, 1350}, 1,
     {.accessibleName = "文件夹", .accessibleDescription = "Enter或双击打开选中的文件夹"}},
    {"File1", Make<FileListBox>, "", {120, 1920, 3375, 4050}, 2,
     {.accessibleName = "文件夹中的图片", .accessibleDescription = "选中的图片加入要压缩的文件"}},
    {"List1", Make<BatchListBox>, "", {3720, 120, 3615, 4020}, 3,
     {.accessibleName = "要压缩的文件"}},
    {"Command1", Make<QPushButton>, "开始压缩并保存", {3720, 5400, 2175, 495}, 4},
    {"Command2", Make<QPushButton>, "关闭", {6120, 5400, 1215, 495}, 5},
    {"Check1", Make<QCheckBox>, "保存时覆盖原文图片（jpg格式的）", {3720, 5040, 3495, 255}, 6},
    {"Command3", Make<QPushButton>, "删除选中项", {3720, 4320, 1935, 375}, 7},
    {"Command4", Make<QPushButton>, "清空", {5760, 4320, 1575, 375}, 8},
    // As wide as its text: the notice reaches to the window's edge rather than being cut.
    {"Label1", Make<VbLabel>, "只对bmp和jpg格式压缩，并bmp转为jpg格式！",
     {3720, 4800, 3600, 180}, kNoTab, {.autoSize = true, .color = qRgb(255, 0, 0)}},
    // The work frame lies over the batch list and is never shown.
    {"Picture1", Make<PictureFrame>, "", {3600, 600, 3855, 2535}, kNoTab,
     {.visible = false, .borderStyle = 0}},
};
// clang-format on

}  // namespace

std::span<const ControlDesign> Form2Design() {
    return kControls;
}

std::span<const ControlDesign> Form2StripDesign() {
    // The box names the formats beyond BMP and JPEG that the codec reads.
    static const QByteArray formats =
        QStringLiteral("也处理 %1 图片").arg(AddedFormatNames()).toUtf8();
    // The strip below the designed area.
    // clang-format off
    static const ControlDesign strip[] = {
        {"Label2", Make<VbLabel>, "上传要求：", {120, kForm2Height + 150, 900, 180}, kNoTab,
         {.autoSize = true, .labelFor = "Combo1"}},
        {"Combo1", Make<QComboBox>, "", {1080, kForm2Height + 75, 6255, 330}, 9,
         {.accessibleName = "上传要求"}},
        {"Check2", Make<QCheckBox>, formats.constData(), {120, kForm2Height + 480, 6000, 255}, 10},
        // Under "关闭": what the last run did with each file.
        {"Command5", Make<QPushButton>, "查看结果", {6120, kForm2Height + 450, 1215, 330}, 11,
         {.enabled = false}},
    };
    // clang-format on
    return strip;
}

}  // namespace lanxi
