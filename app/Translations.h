#pragma once

#include <QString>
#include <string>

class QCoreApplication;

// The interface speaks Japanese or English. The program's texts are written in Japanese; the
// English interface comes from res/translations/marvo_en.ts, compiled into the program. Qt's
// own texts (standard buttons, the edit fields' menus, file dialogs) and the web engine's page
// menu follow the same language: Qt's translation files for Japanese, with the engine's texts
// falling back to the program's table (res/EngineTexts.h); Qt's own English otherwise.
// Data texts (trace lines, wire tags, file names, the settings file, stored Shift_JIS
// strings) never pass through a translation.

// "ja" or "en": the user's choice (`language` of the settings file) when it is one of them, else
// Japanese for a Japanese locale and English for every other.
QString interface_language(const std::string& choice);

// Installs the translators of the language, once, before the first widget.
void install_translations(QCoreApplication& application, const QString& language);
