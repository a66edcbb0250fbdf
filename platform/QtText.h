#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/ShiftJis.h"

namespace platform {

// The widget edge: model text (Shift_JIS bytes) to and from QString.
inline QString to_qstring(std::string_view sjis)
{
    const std::u16string wide = sjis_to_utf16(sjis);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

inline std::string from_qstring(const QString& text)
{
    return utf16_to_sjis(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<std::size_t>(text.size())));
}

} // namespace platform
