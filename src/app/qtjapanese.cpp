#include "app/qtjapanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace karnea {
namespace {

// What Qt's Japanese translation does not hold, by Qt's context and text.
class MissingTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                      int /*n*/) const override {
        static constexpr struct {
            const char* context;
            const char* source;
            const char* japanese;
        } kTexts[] = {
            {"QPrintSettingsOutput", "Double Sided Printing", "両面印刷"},
            {"QPrintSettingsOutput", "Off", "しない"},
            {"QPrintSettingsOutput", "Long side binding", "長辺とじ"},
            {"QPrintSettingsOutput", "Short side binding", "短辺とじ"},
            {"QPrintSettingsOutput", "Pages", "ページ指定"},
            {"QPrintPropertiesWidget", "Advanced", "詳細設定"},
            {"QPrintPropertiesWidget", "There are conflicts in some options. Please fix them.",
             "両立しない設定があります。直して下さい。"},
        };
        for (const auto& t : kTexts) {
            if (context != nullptr && source != nullptr && std::strcmp(context, t.context) == 0 &&
                std::strcmp(source, t.source) == 0) {
                return QString::fromUtf8(t.japanese);
            }
        }
        return {};
    }
    bool isEmpty() const override { return false; }
};

}  // namespace

void InstallQtJapanese(QCoreApplication& app) {
    auto* qt = new QTranslator(&app);
    if (qt->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
    }
    // Asked first; what it does not hold goes on to Qt's.
    QCoreApplication::installTranslator(new MissingTexts(&app));
}

}  // namespace karnea
