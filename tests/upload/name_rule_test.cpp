#include <gtest/gtest.h>

#include "upload/name_rule.h"
#include "tests/support/printers.h"

namespace lanxi {
namespace {

TEST(YsName, NamesTheCompressedCopyBesideItsSource) {
    const std::pair<const char*, const char*> table[] = {
        {"D:\\pics\\a.jpg", "D:\\pics\\a_YS.jpg"},
        {"D:\\pics\\a.bmp", "D:\\pics\\a_YS.jpg"},
        {"D:\\pics\\a.BMP", "D:\\pics\\a_YS.jpg"},
        {"D:\\pics\\a.Bmp", "D:\\pics\\a_YS.jpg"},
        {"D:\\pics\\a.jpeg", "D:\\pics\\a_YS.jpeg"},
        {"D:\\pics\\a.JPG", "D:\\pics\\a_YS.JPG"},
        {"D:\\pics\\a.b.jpg", "D:\\pics\\a_YS.b_YS.jpg"},
        {"D:\\\\a.jpg", "D:\\\\a_YS.jpg"},
        // The directory keeps its name, dots and all.
        {"D:\\my.pics\\a.jpg", "D:\\my.pics\\a_YS.jpg"},
        {"/home/李.雷/照片.v2/猫.bmp", "/home/李.雷/照片.v2/猫_YS.jpg"},
        // A name without a dot gets its own copy instead of being overwritten by it.
        {"D:\\pics\\a", "D:\\pics\\a_YS.jpg"},
        {"D:\\my.pics\\abmp", "D:\\my.pics\\abmp_YS.jpg"},
        {"a.bmp", "a_YS.jpg"},
        {".hidden", "_YS.hidden"},
    };
    for (const auto& [from, to] : table) {
        EXPECT_EQ(YsName(QString::fromUtf8(from)), QString::fromUtf8(to)) << from;
    }
}

TEST(JpgEnding, TurnsOnlyABmpEndingIntoJpg) {
    EXPECT_EQ(JpgEnding(QStringLiteral("D:\\pics\\a.BMP")), QStringLiteral("D:\\pics\\a.jpg"));
    EXPECT_EQ(JpgEnding(QStringLiteral("D:\\pics\\a.JPG")), QStringLiteral("D:\\pics\\a.JPG"));
    EXPECT_EQ(JpgEnding(QStringLiteral("D:\\pics\\a.jpeg")), QStringLiteral("D:\\pics\\a.jpeg"));
    EXPECT_EQ(JpgEnding(QStringLiteral("mp")), QStringLiteral("mp"));
}

TEST(HasJpegEnding, KnowsTheJpegNamesInAnyCase) {
    for (const char* name : {"a.jpg", "a.JPG", "a.Jpeg", "D:\\my.bmp\\a.jpeg", "/照片/猫.jPg"}) {
        EXPECT_TRUE(HasJpegEnding(QString::fromUtf8(name))) << name;
    }
    for (const char* name :
         {"a.bmp", "a", "ajpg", "a.jpg.bmp", "a.jpe", "a.jpg ", "D:\\x.jpg\\a"}) {
        EXPECT_FALSE(HasJpegEnding(QString::fromUtf8(name))) << name;
    }
}

}  // namespace
}  // namespace lanxi
