#pragma once

#include <QString>

class QCoreApplication;

namespace platform {
class RegistryStore;
}

// The interface speaks Japanese or English. The program's texts are written in Japanese; the
// English interface comes from res/translations/marvo_en.ts, compiled into the program. Qt's
// own texts (standard buttons, the edit fields' menus, file dialogs) and the web engine's page
// menu follow the same language: Qt's translation files for Japanese, with the engine's texts
// falling back to the program's table (res/EngineTexts.h); Qt's own English otherwise.
// Data texts (trace lines, wire tags, file names, the settings file, stored Shift_JIS
// strings) never pass through a translation.

// The user's choice, kept in the registry store: "ja", "en", or empty for the desktop's locale.
QString chosen_language(const platform::RegistryStore& registry);
void set_chosen_language(platform::RegistryStore& registry, const QString& language);

// "ja" or "en": the choice when there is one, else Japanese for a Japanese locale and English
// for every other.
QString interface_language(const QString& choice);

// Installs the translators of the language, once, before the first widget.
void install_translations(QCoreApplication& application, const QString& language);
