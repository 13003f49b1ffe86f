// The zoom, shrink, fixed-size and reset buttons, clicked on the real window.
#include "forms/clipboard.h"
#include "tests/workspace/workspace_fixture.h"

namespace lanxi {
namespace {

using test::Click;
using ScaleTest = test::WorkspaceTest;

// What the user does between opening the 300 x 200 picture and looking at the result:
// W and H type into the inputs, E enlarges, S shrinks, R resets, C is "取消".
struct Action {
    char what;
    const char* text = nullptr;
};

struct SizeCase {
    const char* name;
    std::vector<Action> actions;
    QSizeF twips;
    QStringList readouts;
};

TEST_F(ScaleTest, SizesOfTheThreeHundredByTwoHundredPicture) {
    const std::vector<SizeCase> cases = {
        {"reset", {{'R'}}, {4500, 3000}, {"300", "200"}},
        {"enlarge", {{'E'}}, {4950, 3300}, {"330", "220"}},
        {"enlarge then shrink is not the size before",
         {{'E'}, {'S'}},
         {4455, 2970},
         {"297", "198"}},
        {"fixed width, enlarge button", {{'W', "700"}, {'E'}}, {10500, 7000}, {"700", "466"}},
        {"fixed height", {{'H', "210"}, {'E'}}, {4725, 3150}, {"315", "210"}},
        {"cleared, shrink restores the proportions",
         {{'W', "210"}, {'H', "310"}, {'S'}, {'C'}, {'S'}},
         {2835, 1890},
         {"189", "126"}},
        {"empty inputs are 0", {{'W', ""}, {'H', ""}, {'E'}}, {4950, 3300}, {"330", "220"}},
        {"blanks around a number", {{'W', " 12 "}, {'E'}}, {180, 120}, {"12", "8"}},
        {"a half goes to the even pixel (down)", {{'W', "12.5"}, {'E'}}, {180, 120}, {"12", "8"}},
        {"a half goes to the even pixel (up)", {{'W', "13.5"}, {'E'}}, {210, 140}, {"14", "9"}},
        // A frame beyond 2184 pixels, the most a 16-bit count of twips holds.
        {"a large fixed height", {{'H', "2400"}, {'E'}}, {54000, 36000}, {"3600", "2400"}},
    };
    const QString path = pictureFile(test::PatternImage(300, 200));
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        setInputs(QStringLiteral("0"), QStringLiteral("0"));
        open(path);
        for (const Action& a : c.actions) {
            switch (a.what) {
                case 'W':
                    form.Text1->setText(QString::fromUtf8(a.text));
                    break;
                case 'H':
                    form.Text2->setText(QString::fromUtf8(a.text));
                    break;
                case 'E':
                    Click(form.Command1);
                    break;
                case 'S':
                    Click(form.Command2);
                    break;
                case 'R':
                    Click(form.Command8);
                    break;
                case 'C':
                    Click(form.Command12);
                    break;
            }
        }
        EXPECT_EQ(resultTwips(), c.twips);
        EXPECT_EQ(readouts(), c.readouts);
        // The frame on screen has the size the readouts give.
        EXPECT_EQ(form.Picture1->size(), QSize(c.readouts[0].toInt(), c.readouts[1].toInt()));
    }
    // Nothing was ever reported, and the left frame never changed.
    EXPECT_EQ(ui.messages.size(), cases.size());  // the hints after each opening
    EXPECT_FLOAT_EQ(form.Picture2->Width(), 4500);
    EXPECT_EQ(form.Text1->text(), QStringLiteral("0"));
}

TEST_F(ScaleTest, TheFirstZoomAfterACropStartsFromTheWholePicture) {
    openPicture(test::PatternImage(300, 200));
    drag(form.Picture2, QPoint(10, 10), QPoint(110, 60));
    ASSERT_EQ(resultTwips(), QSizeF(1500, 750));
    EXPECT_FLOAT_EQ(form.BaseWidth, 100);

    Click(form.Command1);
    EXPECT_EQ(resultTwips(), QSizeF(4950, 3300));
    EXPECT_EQ(readouts(), QStringList({"330", "220"}));
    EXPECT_EQ(form.SelectionMade, kFalse);
    EXPECT_FLOAT_EQ(form.BaseWidth, 4500);
    // The second click does not start over.
    Click(form.Command1);
    EXPECT_EQ(resultTwips(), QSizeF(5445, 3630));
}

TEST_F(ScaleTest, StartingOverTakesTheOpenedSizeNotTheLeftFramesSize) {
    openPicture(test::PatternImage(300, 200));
    drag(form.Picture2, QPoint(10, 10), QPoint(60, 60));
    Click(form.Command4);  // the left frame takes the cut's size
    ASSERT_FLOAT_EQ(form.Picture2->Width(), 750);
    Click(form.Command1);
    EXPECT_FLOAT_EQ(form.BaseWidth, 750);  // the reset's base: the left frame as it is now
    EXPECT_EQ(resultTwips(), QSizeF(4950, 3300));
}

TEST_F(ScaleTest, AResetRepaintShowsTheWholePicture) {
    const QImage pattern = test::PatternImage(300, 200);
    openPicture(pattern);
    Click(form.Command1);
    Click(form.Command1);
    Click(form.Command8);
    EXPECT_EQ(form.Picture1->Image().image(), pattern);
    // And that is what the screen shows.
    EXPECT_EQ(form.Picture1->grab().toImage().convertToFormat(QImage::Format_RGB32), pattern);
}

TEST_F(ScaleTest, TheAssignedPictureIsStretchedNotWhatIsPaintedOnTheLeftFrame) {
    const QImage smooth = test::SmoothImage(300, 200);
    openPicture(smooth);
    // Something painted over the left frame is not what gets scaled.
    form.Picture2->PaintPicture(StdPicture(test::PatternImage(50, 50)), 0, 0, 300, 200, 0, 0, 50,
                                50);
    setInputs(QStringLiteral("600"), QStringLiteral("400"));
    Click(form.Command1);
    const QImage result = form.Picture1->Image().image();
    ASSERT_EQ(result.size(), QSize(600, 400));
    const QImage expected =
        smooth.scaled(600, 400, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(test::MeanDifference(result, expected), 2.0);
    EXPECT_LT(test::MaxDifference(result, expected), 16);
    // The screen shows the same enlargement.
    const QImage shown = form.Picture1->grab(QRect(0, 0, 300, 300)).toImage();
    EXPECT_LT(test::MeanDifference(shown, expected.copy(0, 0, 300, 300)), 2.0);
}

// Thin black and white lines that a careless shrink turns into black, white or moiré.
QImage fineLines(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            row[x] = (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    return image;
}

TEST_F(ScaleTest, ShrinkingAveragesTheLinesToGrey) {
    openPicture(fineLines(1400, 1000));
    setInputs(QStringLiteral("233"), QStringLiteral("0"));  // a factor of about 1 / 6
    Click(form.Command2);
    const QImage saved = form.Picture1->Image().image();
    ASSERT_EQ(saved.width(), 233);
    const QImage shown = form.Picture1->grab().toImage();
    for (int y = 3; y < 160; y += 17) {
        for (int x = 3; x < 230; x += 13) {
            EXPECT_NEAR(qGray(saved.pixel(x, y)), 128, 6) << x << "," << y;
            EXPECT_NEAR(qGray(shown.pixel(x, y)), 128, 12) << x << "," << y;
        }
    }
}

TEST_F(ScaleTest, TextThatIsNoNumberIsRefusedAndNothingChanges) {
    openPicture(test::PatternImage(300, 200));
    Click(form.Command1);
    drag(form.Picture2, QPoint(10, 10), QPoint(40, 30));
    const QSizeF before = resultTwips();
    const QStringList shown = readouts();
    const StdPicture cut = form.Picture1->Picture();
    ui.messages.clear();

    const struct {
        const char* width;
        const char* height;
        const char* named;
    } bad[] = {{"12abc", "0", "宽"},
               {"abc", "0", "宽"},
               {"0", "1 0", "高"},
               {"700", "x", "高"},
               {"99999", "0", "宽"}};
    for (const auto& b : bad) {
        setInputs(QString::fromUtf8(b.width), QString::fromUtf8(b.height));
        for (QPushButton* button : {form.Command1.data(), form.Command2.data()}) {
            ui.messages.clear();
            Click(button);
            ASSERT_EQ(ui.messages.size(), 1u) << b.width << " " << b.height;
            const QString text = ui.messages[0].text;
            EXPECT_TRUE(text.contains(QString::fromUtf8(b.named))) << text;
            EXPECT_EQ(ui.messages[0].style, vbExclamation);
            EXPECT_EQ(resultTwips(), before);
            EXPECT_EQ(readouts(), shown);
            EXPECT_EQ(form.SelectionMade, kTrue);  // the crop still waits for the next zoom
            EXPECT_TRUE(form.Picture1->Picture() == cut);
            EXPECT_EQ(form.Picture1->paintingCount(), 0);
        }
    }
    // The inputs keep what was typed; the reset reads no input and says nothing.
    EXPECT_EQ(form.Text1->text(), QStringLiteral("99999"));
    ui.messages.clear();
    Click(form.Command8);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(resultTwips(), QSizeF(4500, 3000));
}

}  // namespace
}  // namespace lanxi
