#include "app/form3_design.h"

#include <QPushButton>

namespace lanxi {
namespace {

// clang-format off
const ControlDesign kControls[] = {
    // name, kind, caption, {Left, Top, Width, Height} in twips, tab index, {options}
    {"Command2", Make<QPushButton>, "图片文件大小（容量）压缩（尺寸不变）",
     {240, 360, 3735, 495}, 1},
    {"Command1", Make<QPushButton>, "图片尺寸（宽、高）减小、截剪", {240, 960, 3735, 495}, 0},
    {"Command4", Make<QPushButton>, "进入：岚溪文坊", {4200, 360, 1815, 495}, 3},
    {"Command3", Make<QPushButton>, "退  出", {4200, 960, 1815, 495}, 2},
    // The box around the site's requirements.
    {"Shape1", Make<ShapeRect>, "", {240, 1680, 5775, 2175}, kNoTab,
     {.color = qRgb(255, 128, 0), .accessibleName = "上传要求说明框"}},
    {"Label1(0)", Make<VbLabel>, "岚溪文坊图片上传要求说明：", {480, 1920, 2520, 180}, kNoTab,
     {.wordWrap = true, .color = qRgb(0, 0, 255)}},
    {"Label1(1)", Make<VbLabel>,
     "1.文章中插入图片尺寸：宽度不能大于700象素，高度不限；图片    容量大小不能大于200kb；",
     {480, 2280, 5250, 420}, kNoTab, {.wordWrap = true}},
    {"Label1(2)", Make<VbLabel>,
     "2.头徵形象图片：原图片要少于200kb，建议通过本软件处理后：   图片最小边为210象素或310象素",
     {480, 2760, 5175, 420}, kNoTab, {.wordWrap = true}},
    {"Label1(3)", Make<VbLabel>,
     "3.身份证图片每张容量大小不能大于100kb，周边多余空白可以剪   切掉。",
     {480, 3240, 5130, 420}, kNoTab, {.wordWrap = true}},
};
// clang-format on

}  // namespace

std::span<const ControlDesign> Form3Design() {
    return kControls;
}

}  // namespace lanxi
