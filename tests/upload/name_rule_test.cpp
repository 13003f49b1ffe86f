#include <gtest/gtest.h>

#include "tests/support/printers.h"
#include "upload/name_rule.h"

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
        // A copy holds JPEG data, and its name says so whatever the source was.
        {"/pics/shot.PNG", "/pics/shot_YS.jpg"},
        {"/pics/a.b.webp", "/pics/a_YS.b_YS.jpg"},
        {"/pics/a.xbmp", "/pics/a_YS.jpg"},
        {"/pics/a.jpe", "/pics/a_YS.jpg"},
        {".hidden", ".hidden_YS.jpg"},
        {"/pics/.a.png", "/pics/_YS.a_YS.jpg"},
    };
    for (const auto& [from, to] : table) {
        EXPECT_EQ(YsName(QString::fromUtf8(from)), QString::fromUtf8(to)) << from;
    }
}

TEST(JpegName, KeepsAJpegsNameAndGivesAnyOtherAJpgEnding) {
    const std::pair<const char*, const char*> table[] = {
        {"D:\\pics\\a.BMP", "D:\\pics\\a.jpg"},   {"D:\\pics\\a.JPG", "D:\\pics\\a.JPG"},
        {"D:\\pics\\a.jpeg", "D:\\pics\\a.jpeg"}, {"/p/logo.png", "/p/logo.jpg"},
        {"/p/anim.gif", "/p/anim.jpg"},           {"mp", "mp.jpg"},
        {"/my.pics/photo", "/my.pics/photo.jpg"}, {"/p/.hidden", "/p/.hidden.jpg"},
    };
    for (const auto& [from, to] : table) {
        EXPECT_EQ(JpegName(QString::fromUtf8(from)), QString::fromUtf8(to)) << from;
    }
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
