#include "app/identity.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "forms/ui.h"

#ifndef LANXI_HOME_PAGE
#define LANXI_HOME_PAGE "https://www.lanxi-wenfang.example/"
#endif

// The icon lives in this library's resources; a static library must register them itself.
static void initAppResources() {
    Q_INIT_RESOURCE(app);
}

namespace lanxi {

QString ProgramName() {
    return QStringLiteral("岚溪文坊图片工具");
}

QString HomePageAddress() {
    return QStringLiteral(LANXI_HOME_PAGE);
}

void SetUpProgramLook() {
    QApplication::setApplicationName(QStringLiteral("lanxi-pictool"));
    SetProgramTitle(ProgramName());
    initAppResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/lanxi/icon.png")));

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
