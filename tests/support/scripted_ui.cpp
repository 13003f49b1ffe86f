#include "tests/support/scripted_ui.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace lanxi::test {

ScriptedUi::ScriptedUi() {
    SetUi(this);
}
ScriptedUi::~ScriptedUi() {
    SetUi(nullptr);
}

QString ScriptedUi::fileDialog(const FileDialogRequest& request) {
    dialogs.push_back(request);
    if (onDialog) {
        onDialog(request);
    }
    if (answers_.empty()) {
        ADD_FAILURE() << "a file dialog was shown that the test did not expect";
        return {};
    }
    QString path = answers_.front();
    answers_.pop_front();
    if (request.kind == FileDialogRequest::Save && (request.flags & 2) != 0 && !path.isEmpty() &&
        QFileInfo::exists(path)) {
        ++replaceQuestions;
        if (!replaceExisting) {
            return {};
        }
    }
    return path;
}

void ScriptedUi::messageBox(const MessageBoxRequest& request) {
    messages.push_back(request);
    if (onMessage) {
        onMessage(request);
    }
}

void ScriptedUi::openAddress(QWidget* parent, const QString& address) {
    addresses.emplace_back(parent, address);
}

QStringList ScriptedUi::messageTexts() const {
    QStringList out;
    for (const auto& m : messages) {
        out << m.text;
    }
    return out;
}

}  // namespace lanxi::test
