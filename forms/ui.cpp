#include "forms/ui.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QUrl>
#include <utility>

#include "base/log.h"

namespace lanxi {
namespace {

// Turns "description|pattern|..." into Qt's filter list. The patterns are widened to any
// letter case, as the file systems of the platform the filters were written for compare names,
// so that a camera's IMG_0001.JPG is offered too; only the descriptions are shown.
QStringList qtFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            QString anyCase;
            for (const QChar c : pattern.trimmed()) {
                if (c.isLetter() && c.toLower() != c.toUpper()) {
                    anyCase += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
                } else {
                    anyCase += c;
                }
            }
            patterns << anyCase;
        }
        out << parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
    }
    return out;
}

class RealUserInterface : public UserInterface {
  public:
    QString fileDialog(const FileDialogRequest& request) override {
        // On the heap, as a child of the window: should the window be freed while the dialog
        // is up, it takes the dialog along and the answer is "cancelled".
        const QPointer<QFileDialog> dialog = new QFileDialog(request.parent);
        const auto done = qScopeGuard([&dialog] { delete dialog.data(); });
        dialog->setAcceptMode(request.kind == FileDialogRequest::Save ? QFileDialog::AcceptSave
                                                                      : QFileDialog::AcceptOpen);
        dialog->setFileMode(request.kind == FileDialogRequest::Save ? QFileDialog::AnyFile
                                                                    : QFileDialog::ExistingFile);
        QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
        if ((request.flags & 2) == 0) {
            options |= QFileDialog::DontConfirmOverwrite;
        }
        dialog->setOptions(options);
        if (!request.filter.isEmpty()) {
            dialog->setNameFilters(qtFilters(request.filter));
        }
        if (!request.directory.isEmpty()) {
            dialog->setDirectory(request.directory);
        }
        // Named here, not left to the labels beside them, which name them for readers on Linux
        // but not on Windows.
        const std::pair<const char*, QString> names[] = {
            {"lookInCombo", QStringLiteral("查找范围")},
            {"fileTypeCombo", QStringLiteral("文件类型")},
            {"fileNameEdit", QStringLiteral("文件名")},
        };
        for (const auto& [objectName, name] : names) {
            if (auto* control = dialog->findChild<QWidget*>(QLatin1String(objectName))) {
                control->setAccessibleName(name);
            }
        }
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
            return {};
        }
        return QDir::toNativeSeparators(dialog->selectedFiles().constFirst());
    }

    void messageBox(const MessageBoxRequest& request) override {
        // On the heap, for the same reason as the file dialog.
        const QPointer<QMessageBox> box = new QMessageBox(request.parent);
        const auto done = qScopeGuard([&box] { delete box.data(); });
        box->setWindowTitle(request.shownTitle());
        box->setText(request.text);
        QString iconName;  // what screen readers call the icon
        switch (request.style & 0x70) {
            case vbCritical:
                box->setIcon(QMessageBox::Critical);
                iconName = QStringLiteral("错误");
                break;
            case vbExclamation:
                box->setIcon(QMessageBox::Warning);
                iconName = QStringLiteral("警告");
                break;
            case vbInformation:
                box->setIcon(QMessageBox::Information);
                iconName = QStringLiteral("信息");
                break;
            default:
                box->setIcon(QMessageBox::NoIcon);
        }
        if (auto* icon = box->findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"))) {
            icon->setAccessibleName(iconName);
        }
        box->setStandardButtons(QMessageBox::Ok);
        box->button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box->exec();
    }

    void openAddress(QWidget*, const QString& address) override {
        if (!QDesktopServices::openUrl(QUrl(address))) {
            qCWarning(lcProgram) << "no browser opened" << address;
        }
    }
};

RealUserInterface& realUi() {
    static RealUserInterface ui;
    return ui;
}

UserInterface* current = nullptr;

QString& programTitle() {
    static QString title;
    return title;
}

}  // namespace

QString ProgramTitle() {
    return programTitle();
}
void SetProgramTitle(const QString& title) {
    programTitle() = title;
}

UserInterface& Ui() {
    return current != nullptr ? *current : realUi();
}
void SetUi(UserInterface* ui) {
    current = ui;
}

void MsgBox(QWidget* parent, const QString& text, int style, const QString& title) {
    Ui().messageBox(MessageBoxRequest{parent, text, style, title});
}

void ShellOpen(QWidget* parent, const QString& address) {
    Ui().openAddress(parent, address);
}

}  // namespace lanxi
