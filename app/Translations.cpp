#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/RegistryStore.h"
#include "res/EngineTexts.h"

namespace {

const QString kLanguageKey = QStringLiteral("Software\\Marvo");
const QString kLanguageValue = QStringLiteral("InterfaceLanguage");

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

QString chosen_language(const platform::RegistryStore& registry)
{
    const QString value = QString::fromLatin1(
        registry.value(platform::RegistryStore::Root::CurrentUser, kLanguageKey, kLanguageValue).value_or(QByteArray()));
    return value == QLatin1String("ja") || value == QLatin1String("en") ? value : QString();
}

void set_chosen_language(platform::RegistryStore& registry, const QString& language)
{
    if (language.isEmpty())
        registry.remove_value(platform::RegistryStore::Root::CurrentUser, kLanguageKey, kLanguageValue);
    else
        registry.set_value(platform::RegistryStore::Root::CurrentUser, kLanguageKey, kLanguageValue, language.toLatin1());
}

QString interface_language(const QString& choice)
{
    if (!choice.isEmpty())
        return choice;
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
