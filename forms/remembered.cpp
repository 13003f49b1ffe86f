#include "forms/remembered.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSettings>
#include <memory>

#include "base/log.h"

namespace lanxi::Remembered {
namespace {

QString& fileInUse() {
    static QString file;
    return file;
}

// The settings, or nothing while nothing is remembered. Short-lived: each change is written
// when it goes, so that a program ended at once keeps what was chosen.
std::unique_ptr<QSettings> settings() {
    if (fileInUse().isEmpty()) {
        return nullptr;
    }
    return std::make_unique<QSettings>(fileInUse(), QSettings::IniFormat);
}

QString value(const char* key) {
    const auto s = settings();
    return s ? s->value(QString::fromLatin1(key)).toString() : QString();
}

void setValue(const char* key, const QString& value) {
    if (const auto s = settings()) {
        s->setValue(QString::fromLatin1(key), value);
        s->sync();
        if (s->status() != QSettings::NoError) {
            qCDebug(lcProgram) << "a choice could not be remembered in" << s->fileName();
        }
    }
}

QString itemKey(const QComboBox* box, int index) {
    const QString data = box->itemData(index).toString();
    return data.isEmpty() ? box->itemText(index) : data;
}

}  // namespace

void UseUserSettings() {
    const QSettings user(QSettings::IniFormat, QSettings::UserScope,
                         QStringLiteral("lanxi-pictool"), QStringLiteral("remembered"));
    fileInUse() = user.fileName();
}

void UseFile(const QString& path) {
    fileInUse() = path;
}

QString FileInUse() {
    return fileInUse();
}

QString Folder(const char* key) {
    const QString folder = value(key);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void SetFolder(const char* key, const QString& folder) {
    if (!folder.isEmpty()) {
        setValue(key, QDir::toNativeSeparators(folder));
    }
}

void Choice(QComboBox* box, const char* key) {
    const QString remembered = value(key);
    for (int i = 0; i < box->count() && !remembered.isEmpty(); ++i) {
        if (itemKey(box, i) == remembered) {
            box->setCurrentIndex(i);
            break;
        }
    }
    QObject::connect(box, &QComboBox::activated, box,
                     [box, key](int index) { setValue(key, itemKey(box, index)); });
}

void Toggle(QAbstractButton* box, const char* key) {
    const QString remembered = value(key);
    if (remembered == QLatin1String("1") || remembered == QLatin1String("0")) {
        box->setChecked(remembered == QLatin1String("1"));
    }
    QObject::connect(box, &QAbstractButton::clicked, box, [key](bool checked) {
        setValue(key, checked ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void Forget() {
    if (const auto s = settings()) {
        s->clear();
        s->sync();
    }
}

}  // namespace lanxi::Remembered
