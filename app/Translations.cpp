#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
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

void install_japanese(QCoreApplication& application)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // The translator installed last is asked first: the engine's own file, when it has the
    // language, comes before the table.
    QCoreApplication::installTranslator(new EngineTextTranslator(&application));
    for (const char* catalogue : {"qtbase", "qtwebengine"}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(QString::fromLatin1(catalogue) + QStringLiteral("_ja"), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace

QString interface_language(const std::string& choice)
{
    if (choice == "ja" || choice == "en")
        return QString::fromStdString(choice);
    const QStringList languages = QLocale::system().uiLanguages();
    return !languages.isEmpty() && languages.front().startsWith(QLatin1String("ja")) ? QStringLiteral("ja")
                                                                                       : QStringLiteral("en");
}

void install_translations(QCoreApplication& application, const QString& language)
{
    if (language == QLatin1String("ja")) {
        install_japanese(application);
        return;
    }
    auto* english = new QTranslator(&application);
    if (english->load(QStringLiteral(":/translations/marvo_en.qm")))
        QCoreApplication::installTranslator(english);
    else
        delete english;
}
