// The batch window's choices remembered from one start of the program to the next, kept in a
// settings file of the test's own.
#include <QComboBox>
#include <functional>

#include "codec/formats.h"
#include "forms/remembered.h"
#include "tests/batch/batch_fixture.h"

namespace lanxi {
namespace {

TEST(Form2Remembered, TheBrowsersFolderThePresetAndTheFormatsSurviveARestart) {
    test::ScriptedUi ui;
    test::TempDir dir;
    Remembered::UseFile(dir.file(QStringLiteral("remembered.ini")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("扫描件")));
    const QString scans = QDir::toNativeSeparators(dir.file(QStringLiteral("扫描件")));
    const QString designed = QDir::toNativeSeparators(QDir::currentPath());
    // One start of the program: a window object of its own.
    const auto start = [](const std::function<void(Form2&)>& work) {
        Form2 form;
        form.Show();
        work(form);
        form.Unload();
    };
    start([&](Form2& form) {
        EXPECT_EQ(form.Dir1->Path(), designed) << "the first start is the designed one";
        EXPECT_EQ(PresetAt(form.Combo1->currentIndex()), SitePreset::Unlimited);
        EXPECT_FALSE(form.Check2->isChecked());
        form.Check2->click();
        form.Dir1->setPath(scans);  // as a double click on it does
        for (int i = 0; i < form.Combo1->count(); ++i) {
            if (PresetAt(i) == SitePreset::IdCard) {
                form.Combo1->setCurrentIndex(i);
                emit form.Combo1->activated(i);
            }
        }
    });
    start([&](Form2& form) {
        EXPECT_EQ(form.Dir1->Path(), scans);
        EXPECT_EQ(form.File1->Path(), scans);
        EXPECT_EQ(form.Drive1->Drive(), DriveOf(scans));
        EXPECT_EQ(PresetAt(form.Combo1->currentIndex()), SitePreset::IdCard);
        EXPECT_TRUE(form.Check2->isChecked());
        EXPECT_EQ(form.Pattern(), EveryPictureWildcards());
    });
    // A folder that has gone is passed over without a word.
    QDir(scans).removeRecursively();
    start([&](Form2& form) { EXPECT_EQ(form.Dir1->Path(), designed); });
    EXPECT_TRUE(ui.messages.empty());
    Remembered::UseFile({});
}

}  // namespace
}  // namespace lanxi
