#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "res/EngineTexts.h"

namespace {

// The engine's texts from the program's table.
class EngineTextTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (!context || !source)
            return {};
        for (const res::EngineText& entry : res::engine_texts())
            if (entry.context == context && entry.source == source)
                return QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size()));
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

void install_translations(QCoreApplication& application)
{
    const QString language = QString::fromLatin1(res::kInterfaceLanguage.data(),
                                                 static_cast<qsizetype>(res::kInterfaceLanguage.size()));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // The translator installed last is asked first: the engine's own file, when it has the
    // language, comes before the table.
    QCoreApplication::installTranslator(new EngineTextTranslator(&application));
    for (const char* catalogue : {"qtbase", "qtwebengine"}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(QString::fromLatin1(catalogue) + QLatin1Char('_') + language, folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}
