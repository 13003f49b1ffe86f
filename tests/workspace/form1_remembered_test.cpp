// The workspace's choices remembered from one start of the program to the next, kept in a
// settings file of the test's own.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QSettings>

#include "forms/remembered.h"
#include "tests/support/images.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/widgets.h"
#include "workspace/form1.h"

namespace lanxi {
namespace {

using test::Click;

class RememberedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Remembered::UseFile(dir.file(QStringLiteral("设置/remembered.ini")));
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("照片")));
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("结果")));
        test::WriteBmp(test::PatternImage(60, 40), picture);
    }
    void TearDown() override { Remembered::UseFile({}); }

    // One start of the program, until `work` is done: a window object of its own.
    template <class F>
    void start(F&& work) {
        Form1 form;
        form.Show();
        work(form);
        form.Unload();
    }
    static SitePreset chosen(const Form1& form) { return PresetAt(form.Combo1->currentIndex()); }
    static void choose(Form1& form, SitePreset preset) {
        for (int i = 0; i < form.Combo1->count(); ++i) {
            if (PresetAt(i) == preset) {
                form.Combo1->setCurrentIndex(i);
                emit form.Combo1->activated(i);
            }
        }
    }
    // Where the open dialog opens.
    QString openDialogFolder(Form1& form) {
        ui.cancel();
        Click(form.Command5);
        return ui.dialogs.back().directory;
    }

    test::ScriptedUi ui;
    test::TempDir dir;
    const QString photos = QDir::toNativeSeparators(dir.file(QStringLiteral("照片")));
    const QString results = QDir::toNativeSeparators(dir.file(QStringLiteral("结果")));
    const QString picture = dir.file(QStringLiteral("照片/证件.bmp"));
};

TEST_F(RememberedTest, TheDialogsFolderAndThePresetSurviveARestart) {
    start([&](Form1& form) {
        // The first start is the designed one.
        EXPECT_EQ(chosen(form), SitePreset::Unlimited);
        EXPECT_EQ(openDialogFolder(form), QString());
        ui.answer(picture);
        Click(form.Command5);
        choose(form, SitePreset::IdCard);
    });
    start([&](Form1& form) {
        EXPECT_EQ(chosen(form), SitePreset::IdCard);
        EXPECT_EQ(openDialogFolder(form), photos);
        // The save dialog shares the folder, and moves it.
        ui.answer(picture);
        Click(form.Command5);
        ui.answer(QDir(results).filePath(QStringLiteral("结果.bmp")));
        Click(form.Command3);
        EXPECT_EQ(ui.dialogs.back().directory, photos);
    });
    start([&](Form1& form) { EXPECT_EQ(openDialogFolder(form), results); });

    // Choices that no longer make sense are passed over without a word.
    QDir(results).removeRecursively();
    QSettings(Remembered::FileInUse(), QSettings::IniFormat)
        .setValue(QString::fromLatin1(Form1::kRememberedPreset), QStringLiteral("a-preset-gone"));
    ui.messages.clear();
    start([&](Form1& form) {
        EXPECT_EQ(chosen(form), SitePreset::Unlimited);
        EXPECT_EQ(openDialogFolder(form), QString());
    });
    EXPECT_EQ(ui.messages.size(), 1u) << "only the hint after the open dialog";

    // "恢复默认" forgets them: the next start is the first again.
    start([&](Form1& form) {
        ui.answer(picture);
        Click(form.Command5);
        choose(form, SitePreset::Article);
        ui.messages.clear();
        Click(form.Command16);
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(chosen(form), SitePreset::Article) << "this start keeps what it shows";
    });
    start([&](Form1& form) {
        EXPECT_EQ(chosen(form), SitePreset::Unlimited);
        EXPECT_EQ(openDialogFolder(form), QString());
    });
}

}  // namespace
}  // namespace lanxi
