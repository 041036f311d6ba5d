#include "qt_translations.hpp"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace lw::gui {

bool installQtTranslations(QObject* owner) {
    auto* translator = new QTranslator(owner);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace lw::gui
