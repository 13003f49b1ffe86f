// Opening a picture into the left frame, and restoring it from its file.
#include <QDir>
#include <QThread>
#include <new>

#include "base/errors.h"
#include "codec/loader.h"
#include "forms/ui.h"
#include "workspace/form1.h"

namespace lanxi {
namespace {

// Loads a picture, or tells the user why it cannot be loaded and gives nothing. A picture whose
// data is partly damaged is given, with a word that what shows grey is lost data.
StdPicture loadOrExplain(QWidget* parent, const QString& path, const QString& what) {
    QString reason;
    try {
        LoadControl load;
        // The user waits for this one picture: a HEIC grid's tiles are decoded on every core.
        load.threads = QThread::idealThreadCount();
        StdPicture picture = LoadPicture(path, &load);
        if (load.damaged) {
            MsgBox(parent,
                   QStringLiteral("图片文件的数据有损坏：\n%1\n\n损坏的部分无法解码，显示为灰色。")
                       .arg(QDir::toNativeSeparators(path)),
                   vbExclamation);
        }
        return picture;
    } catch (const Error& e) {
        reason = e.message();
    } catch (const std::bad_alloc&) {
        reason = QStringLiteral("内存不足，无法打开这张图片");
    }
    MsgBox(parent,
           QStringLiteral("%1：\n%2\n\n原因：%3").arg(what, QDir::toNativeSeparators(path), reason),
           vbExclamation);
    return {};
}

}  // namespace

void Form1::Command5_Click() {
    CommonDialog1.Filter = kOpenFilter;
    CommonDialog1.ShowOpen(window());
    CommonDialog1.Flags = 14;
    if (!IsLoaded()) {
        // The window went while the dialog was up: there is nothing left to open into.
        return;
    }
    openChosen(CommonDialog1.FileName);
}

void Form1::Form_DragDrop(const QStringList& files) {
    if (files.isEmpty()) {
        return;
    }
    // A drop stands for the open dialog, and leaves the dialog component as a file chosen there
    // would: the next save dialog asks before it replaces a file only because of these flags.
    CommonDialog1.Filter = kOpenFilter;
    CommonDialog1.FileName = files.constFirst();
    CommonDialog1.Flags = 14;
    openChosen(files.constFirst());
}

void Form1::openChosen(const QString& path) {
    if (!path.isEmpty()) {
        const StdPicture picture =
            loadOrExplain(window(), path, QStringLiteral("无法打开图片文件"));
        if (picture.isEmpty() || !IsLoaded()) {
            // Nothing has changed and the user has been told why, or the window went while a
            // word on the file was up.
            return;
        }
        Picture2->setPicture(picture);
        OpenedFileName = path;
        Picture1->setHeight(Picture2->Height());
        Picture1->setWidth(Picture2->Width());
        for (QPushButton* b : std::initializer_list<QPushButton*>{
                 Command1, Command2, Command3, Command4, Command6, Command8, Command10}) {
            b->setEnabled(true);
        }
        BaseWidth = Picture2->Width();
        BaseHeight = Picture2->Height();
        OpenedWidth = Picture2->Width();
        OpenedHeight = Picture2->Height();
        // The strip's trim and preview need a picture as the crop does; the steps taken on the
        // last picture are not undone into this one.
        Command15->setEnabled(true);
        Command17->setEnabled(true);
        beforeCrop_.reset();
        history_.Clear();
    }
    MsgBox(window(), QStringLiteral("用鼠标在左框图片上拉框可以自由剪切图片。"), vbInformation,
           kTitle);
}

void Form1::Command6_Click() {
    step([&] {
        StdPicture picture =
            loadOrExplain(window(), OpenedFileName, QStringLiteral("无法恢复打开的原图"));
        if (picture.isEmpty() || !IsLoaded()) {
            return QString();
        }
        // A file unchanged on disk gives the pixels the frame holds already: they are kept
        // once, so that neither the frame nor the undo history holds the picture twice.
        const StdPicture& shown = Picture2->Picture();
        if (!shown.isEmpty() && shown.image() == picture.image()) {
            picture = shown;
        }
        Picture2->setPicture(picture);
        BaseWidth = Picture2->Width();
        BaseHeight = Picture2->Height();
        return QStringLiteral("恢复打开原图");
    });
}

}  // namespace lanxi
