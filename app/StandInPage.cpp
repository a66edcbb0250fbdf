#include "app/StandInPage.h"

namespace stand_in_page {

QString html(const QString& title, const QString& reason, const QUrl& url, const QList<Button>& buttons)
{
    QString links;
    for (const Button& button : buttons)
        links += QStringLiteral("<a class='button' id='%1' href='%2'>%3</a> ")
                     .arg(button.id, button.target.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                          button.text.toHtmlEscaped());
    return QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset='utf-8'><title>%1</title><style>"
               "body{font-family:sans-serif;background:#f4f4f4;color:#222;margin:0}"
               "main{max-width:560px;margin:80px auto;padding:24px 32px;background:#fff;border:1px solid #ccc}"
               "h1{font-size:20px}p.url{color:#666;word-break:break-all;font-size:13px}"
               "a.button{display:inline-block;padding:6px 20px;margin-right:8px;background:#2a6ebb;color:#fff;"
               "text-decoration:none;border-radius:3px}</style></head><body><main>"
               "<h1>%1</h1><p id='reason'>%2</p><p class='url'>%3</p><p>%4</p></main></body></html>")
        .arg(title.toHtmlEscaped(), reason.toHtmlEscaped(), url.toString(QUrl::FullyEncoded).toHtmlEscaped(), links);
}

} // namespace stand_in_page
