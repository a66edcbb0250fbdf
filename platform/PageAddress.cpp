#include "platform/PageAddress.h"

#include <algorithm>

#include "platform/QtText.h"

namespace platform {

std::string model_url(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded).toStdString();
}

QUrl url_from_model(std::string_view text)
{
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const QString address = ascii ? QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()))
                                  : to_qstring(text);
    return address.isEmpty() ? QUrl() : QUrl::fromUserInput(address);
}

QString shown_url(const QUrl& url)
{
    return url.toDisplayString(QUrl::EncodeSpaces);
}

QString shown_url(std::string_view model)
{
    return model.empty() ? QString() : shown_url(url_from_model(model));
}

} // namespace platform
