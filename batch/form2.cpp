#include "batch/form2.h"

#include <QDir>
#include <QFileInfo>

#include "base/errors.h"
#include "base/log.h"
#include "batch/batch_session.h"
#include "batch/form2_design.h"
#include "codec/formats.h"
#include "compress/batch_plan.h"
#include "forms/remembered.h"
#include "forms/ui.h"

namespace lanxi {

Form2::Form2(QObject* parent) : Form(QStringLiteral("Form2"), parent) {}

Form2::~Form2() = default;

void Form2::BuildControls(QWidget* w) {
    w->setWindowTitle(QStringLiteral("批量压缩bmp和jpg图像文件--岚溪文坊"));
    // The designed area, and the strip for the site's limits below it.
    setClientSizeTwips(w, kForm2Width, kForm2Height + kForm2StripHeight);
    BuildFromDesign(w, {Form2Design(), Form2StripDesign()});
    for (const PresetDescription& p : SitePresets()) {
        Combo1->addItem(p.caption, p.key);
    }
    Remembered::Choice(Combo1, kRememberedPreset);
    Remembered::Toggle(Check2, kRememberedFormats);
    Command5->setToolTip(
        QStringLiteral("列出上次压缩的每个文件：副本的名字、压缩前后的大小和像素、质量和结果；"
                       "双击已写入的一行查看上传副本。"));

    On(Drive1, &DriveListBox::Change, &Form2::Drive1_Change);
    On(Dir1, &DirListBox::Change, &Form2::Dir1_Change);
    On(File1, &FileListBox::Click, &Form2::File1_Click);
    On(Command1, &QPushButton::clicked, &Form2::Command1_Click);
    On(Command2, &QPushButton::clicked, &Form2::Command2_Click);
    On(Command3, &QPushButton::clicked, &Form2::Command3_Click);
    On(Command4, &QPushButton::clicked, &Form2::Command4_Click);
    On(Check2, &QCheckBox::clicked, &Form2::Check2_Click);
    On(Command5, &QPushButton::clicked, &Form2::Command5_Click);
    On(List1, &BatchListBox::FilesDropped, &Form2::List1_DragDrop);
}

void Form2::Form_Load() {
    try {
        Dir1->setPath(Drive1->Drive());
    } catch (const Error& e) {
        // The current directory has gone (removed, or its medium taken out): start at home.
        qCInfo(lcProgram) << "the batch window starts at home:" << e.message();
        Dir1->setPath(QDir::homePath());
        Drive1->setDrive(DriveOf(Dir1->Path()));
    }
    File1->setPath(Dir1->Path());
    File1->setPattern(Pattern());
    rememberFolder();
}

void Form2::rememberFolder() {
    // The browser goes back to where the user last was, when that is still a folder it can
    // read, and remembers where the user goes from there.
    if (const QString folder = Remembered::Folder(kRememberedFolder); !folder.isEmpty()) {
        try {
            Dir1->setPath(folder);
            Drive1->setDrive(DriveOf(Dir1->Path()));
        } catch (const Error&) {
            // Unreadable since: the browser stays where the designed start put it.
        }
    }
    connect(Dir1, &DirListBox::Change, this,
            [this] { Remembered::SetFolder(kRememberedFolder, Dir1->Path()); });
}

void Form2::Drive1_Change() {
    try {
        Dir1->setPath(Drive1->Drive());
    } catch (const Error&) {
        // A drive without a medium, or one that has gone: the browser stays where it was.
        MsgBox(window(),
               QStringLiteral("无法读取驱动器 %1，可能没有放入磁盘或磁盘已被移除。")
                   .arg(Drive1->Drive()),
               vbExclamation);
        Drive1->setDrive(DriveOf(Dir1->Path()));
    }
}

void Form2::Dir1_Change() {
    File1->setPath(Dir1->Path());
}

QString Form2::Pattern() const {
    return Check2 && Check2->isChecked() ? EveryPictureWildcards() : BmpAndJpegWildcards();
}

void Form2::Check2_Click() {
    File1->setPattern(Pattern());
}

void Form2::File1_Click() {
    const QString name = File1->FileName();
    if (!name.isEmpty() && !List1->Contains(name)) {
        List1->AddItem(BatchRow{name, File1->Path()});
    }
}

SitePreset Form2::Preset() const {
    return PresetAt(Combo1 ? Combo1->currentIndex() : 0);
}

void Form2::addFolder(const QString& folder, const QString& pattern) {
    const QString directory = QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath());
    for (const QString& name : MatchingFiles(directory, pattern)) {
        List1->AddItem(BatchRow{name, directory});
    }
}

void Form2::List1_DragDrop(const QStringList& paths) {
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            addFolder(path, Pattern());
        } else if (MatchesPattern(info.fileName(), EveryPictureWildcards())) {
            List1->AddItem(
                BatchRow{info.fileName(), QDir::toNativeSeparators(info.absolutePath())});
        }
    }
}

void Form2::CompressHandedOver(const QStringList& paths, SitePreset preset) {
    Show();
    List1->Clear();
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            addFolder(path, EveryPictureWildcards());
        } else {
            // Named by the user: a file that is no picture the program reads is a row too, and
            // the closing message says why it was not compressed.
            List1->AddItem(
                BatchRow{info.fileName(), QDir::toNativeSeparators(info.absolutePath())});
        }
    }
    for (int i = 0; i < Combo1->count(); ++i) {
        if (PresetAt(i) == preset) {
            Combo1->setCurrentIndex(i);
        }
    }
    // A copy beside each file: nothing the user did not name is written over.
    Check1->setChecked(false);
    if (paths.isEmpty()) {
        return;
    }
    if (List1->ListCount() == 0) {
        MsgBox(window(),
               QStringLiteral("所选的文件夹里没有可以压缩的图片：\n%1")
                   .arg(paths.join(QLatin1Char('\n'))),
               vbInformation);
        return;
    }
    Command1_Click();
}

void Form2::Command3_Click() {
    // Rows go from the end of the list, so that no selected row moves before its turn.
    List1->RemoveItems(List1->SelectedRows());
}

void Form2::Command4_Click() {
    List1->Clear();
}

void Form2::Command2_Click() {
    Unload();
}

void Form2::Command1_Click() {
    forgetResults();
    BatchSession session(PlanBatch(List1->Rows(), Check1->isChecked(), Preset()), window(),
                         RunWorkers);
    connect(this, &Form::unloaded, &session, &BatchSession::WindowClosed);
    connect(&session, &BatchSession::started, this,
            [this, &session] { emit runStarted(&session.run()); });
    const bool windowStays = session.Run();
    if (windowStays) {
        keepResults(session.run());
        File1->Refresh();  // files written into the shown directory appear in the list
        session.Tell();
    }
}

}  // namespace lanxi
