#include "picture/look.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "picture/ui.h"

namespace lanxi {

void SetUpProgramLook() {
    QApplication::setApplicationName(QStringLiteral("lanxi-pictool"));

    QFont font;
    font.setFamilies({QStringLiteral("Microsoft YaHei UI"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("SimSun")});
    font.setPointSize(9);
    QApplication::setFont(font);

    static QTranslator* qtTranslator = nullptr;
    if (qtTranslator == nullptr) {
        qtTranslator = new QTranslator(qApp);
        if (qtTranslator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                               QStringLiteral("_"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QApplication::installTranslator(qtTranslator);
        }
    }
}

}  // namespace lanxi
