#pragma once

#include <QString>
#include <QUrl>
#include <string>
#include <string_view>

// The one rule for how a page address enters the model, and how it comes back out.
namespace platform {

// The model form of an address: fully encoded ASCII (percent escapes as the page has them,
// every other non-ASCII character as the escapes of its UTF-8 bytes, an international host in
// punycode). Being ASCII it is the same bytes in Shift_JIS and loses nothing, so tabs, back
// entries, closed pages, history, favorites, memo keys and the sharing server all keep it.
std::string model_url(const QUrl& url);

// The address a model text names, to navigate to. Reads the model form, an address written
// without a scheme ("example.jp/x", "localhost:8080/x") and the Shift_JIS text that files
// written by older versions hold.
QUrl url_from_model(std::string_view text);

// The address as people read it: escapes of characters decoded (a space stays "%20", so
// the text is still one address). For display only; what is
// shown is never parsed back (the widgets keep the model form beside it).
QString shown_url(const QUrl& url);
QString shown_url(std::string_view model);

} // namespace platform
