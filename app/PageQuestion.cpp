#include "app/PageQuestion.h"

#include <QPointer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>

void ask_page(QWebEnginePage& page, const QString& script, std::function<void(const QVariant&)> answer)
{
    QPointer<QWebEnginePage> asked(&page);
    page.runJavaScript(script, QWebEngineScript::MainWorld, [asked, script, answer](const QVariant& result) {
        if (result.isValid() || !asked)
            answer(result);
        else
            asked->runJavaScript(script, QWebEngineScript::ApplicationWorld, answer);
    });
}
