#pragma once

class QCoreApplication;

// Qt's own texts (standard buttons, the edit fields' menus, file dialogs) and the web engine's
// page menu in the interface's language, from Qt's translation files. The engine's texts fall
// back to the program's own table (res/EngineTexts.h) where its files lack the language.
// Installed once, before the first widget.
void install_translations(QCoreApplication& application);
