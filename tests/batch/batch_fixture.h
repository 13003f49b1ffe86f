#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTreeWidgetItemIterator>

#include "batch/form2.h"
#include "tests/support/images.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/widgets.h"

namespace lanxi::test {

// A picture of one colour over a gentle gradient, told apart from another by its colour even
// after JPEG compression.
inline QImage Tinted(QRgb tint, int width = 64, int height = 48) {
    QImage image = SmoothImage(width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = qRgb((qRed(row[x]) + qRed(tint)) / 2, (qGreen(row[x]) + qGreen(tint)) / 2,
                          (qBlue(row[x]) + qBlue(tint)) / 2);
        }
    }
    return image;
}

// A loaded batch window, with the message boxes recorded, driven as a user drives it.
class BatchTest : public ::testing::Test {
  protected:
    void SetUp() override { form.Show(); }
    void TearDown() override {
        form.Unload();
        QApplication::processEvents();
    }

    // Opens a directory in the directory list, as a double click on it would after walking
    // there (the walk itself is tested on its own).
    void browseTo(const QString& directory) {
        form.Dir1->setPath(QDir::toNativeSeparators(directory));
        ASSERT_EQ(form.Dir1->Path(), QDir::toNativeSeparators(QDir::cleanPath(directory)));
    }
    // A double click on the entry of `directory` in the directory list.
    void doubleClickDirectory(const QString& directory) {
        QTreeWidgetItem* item = dirItem(directory);
        ASSERT_NE(item, nullptr) << directory;
        form.Dir1->scrollToItem(item);
        // The first press selects, the second arrives as the double click.
        const QPoint at = form.Dir1->visualItemRect(item).center();
        QTest::mouseClick(form.Dir1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(form.Dir1->viewport(), Qt::LeftButton, {}, at);
    }
    QTreeWidgetItem* dirItem(const QString& directory) {
        const QString wanted = QDir::toNativeSeparators(QDir::cleanPath(directory));
        for (QTreeWidgetItemIterator it(form.Dir1); *it; ++it) {
            if ((*it)->data(0, Qt::UserRole).toString() == wanted) {
                return *it;
            }
        }
        return nullptr;
    }
    // The names the file list shows.
    QStringList files() const {
        QStringList names;
        for (int i = 0; i < form.File1->count(); ++i) {
            names << form.File1->item(i)->text();
        }
        return names;
    }
    // A mouse click on a file of the file list.
    void clickFile(const QString& name) {
        const QList<QListWidgetItem*> found = form.File1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name;
        form.File1->scrollToItem(found.constFirst());
        QTest::mouseClick(form.File1->viewport(), Qt::LeftButton, {},
                          form.File1->visualItemRect(found.constFirst()).center());
    }
    // Puts files in a directory and picks each in the file list.
    void add(const QString& directory, const QStringList& names) {
        browseTo(directory);
        for (const QString& name : names) {
            clickFile(name);
        }
    }
    // The batch list's rows.
    QStringList rows() const {
        QStringList names;
        for (int i = 0; i < form.List1->ListCount(); ++i) {
            names << form.List1->List(i);
        }
        return names;
    }
    // Presses "开始压缩并保存" and returns the closing message (the run is over by then).
    QString run() {
        const std::size_t before = ui.messages.size();
        Click(form.Command1);
        EXPECT_EQ(ui.messages.size(), before + 1);
        if (ui.messages.size() != before + 1) {
            return {};
        }
        const MessageBoxRequest& m = ui.messages.back();
        EXPECT_EQ(m.parent, form.window());
        EXPECT_TRUE(m.title.isEmpty()) << "the box shows the program's title";
        return m.text;
    }

    ScriptedUi ui;
    TempDir dir;
    Form2 form;
};

}  // namespace lanxi::test
