// The strip's second row: undoing and redoing steps, trimming the blank margins as a crop, and
// forgetting the remembered choices.
#include "base/errors.h"
#include "base/numbers.h"
#include "forms/remembered.h"
#include "forms/ui.h"
#include "workspace/blank_margins.h"
#include "workspace/form1.h"

namespace lanxi {

WorkspaceState Form1::State() const {
    WorkspaceState s;
    s.result = {Picture1->Drawing(), Picture1->Width(), Picture1->Height()};
    s.working = {Picture2->Drawing(), Picture2->Width(), Picture2->Height()};
    s.crop = {Shape1->Visible(), Shape1->Left(), Shape1->Top(), Shape1->Width(), Shape1->Height()};
    s.baseWidth = BaseWidth;
    s.baseHeight = BaseHeight;
    s.selectionMade = SelectionMade != kFalse;
    s.readoutWidth = Label1[2]->Caption();
    s.readoutHeight = Label1[4]->Caption();
    return s;
}

void Form1::setState(const WorkspaceState& s) {
    if (!IsLoaded()) {
        return;
    }
    Picture1->Restore(s.result.drawing, s.result.width, s.result.height);
    Picture2->Restore(s.working.drawing, s.working.width, s.working.height);
    Shape1->setLeft(s.crop.left);
    Shape1->setTop(s.crop.top);
    Shape1->setWidth(s.crop.width);
    Shape1->setHeight(s.crop.height);
    Shape1->setVisible(s.crop.visible);
    BaseWidth = s.baseWidth;
    BaseHeight = s.baseHeight;
    SelectionMade = s.selectionMade ? kTrue : kFalse;
    Label1[2]->setCaption(s.readoutWidth);
    Label1[4]->setCaption(s.readoutHeight);
}

void Form1::step(const std::function<QString()>& body) {
    if (!IsLoaded()) {
        return;
    }
    const WorkspaceState before = State();
    QString name;
    try {
        name = body();
    } catch (...) {
        // What the step changed before it failed can be undone like the rest.
        if (IsLoaded()) {
            history_.Record(QString(), before, State());
        }
        throw;
    }
    // The window may have gone while the step waited on the user.
    if (IsLoaded()) {
        history_.Record(name, before, State());
    }
}

void Form1::showHistory() {
    if (!Command13 || !Command14) {
        return;
    }
    const auto tip = [](const QString& what, const QString& name, const QString& keys) {
        return name.isEmpty() ? QStringLiteral("%1（%2）").arg(what, keys)
                              : QStringLiteral("%1：%2（%3）").arg(what, name, keys);
    };
    Command13->setEnabled(history_.CanUndo());
    Command13->setToolTip(
        tip(QStringLiteral("撤销上一步"), history_.UndoName(), QStringLiteral("Ctrl+Z")));
    Command14->setEnabled(history_.CanRedo());
    Command14->setToolTip(
        tip(QStringLiteral("重做撤销的一步"), history_.RedoName(), QStringLiteral("Ctrl+Y")));
}

void Form1::Command13_Click() {
    // Not in the middle of a crop drag: its release makes the next step.
    if (SelectDragging == kFalse) {
        history_.Undo();
    }
}

void Form1::Command14_Click() {
    if (SelectDragging == kFalse) {
        history_.Redo();
    }
}

void Form1::Command15_Click() {
    const StdPicture& picture = Picture2->Picture();
    if (picture.isEmpty() || SelectDragging != kFalse) {
        return;
    }
    const QRect content = ContentRect(picture.image());
    if (content == picture.image().rect() || content.isEmpty()) {
        MsgBox(window(),
               content.isEmpty()
                   ? QStringLiteral("左框图片是一片纯色，没有可以留下的内容，图片保持原样。")
                   : QStringLiteral("左框图片四周没有找到可以裁掉的空白边，图片保持原样。"),
               vbInformation);
        return;
    }
    step([&] {
        // As a drag over exactly the content would: the rectangle and its size in the readouts,
        // the crop waiting for its first zoom, then the release's cut.
        showCrop(content);
        cutSelection();
        return QStringLiteral("裁掉空白边");
    });
}

void Form1::Command16_Click() {
    Remembered::Forget();
    MsgBox(window(),
           QStringLiteral("已忘记记住的选择（文件夹和上传要求）。\n下次启动时恢复为默认。"),
           vbInformation);
}

}  // namespace lanxi
