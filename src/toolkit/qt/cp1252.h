#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tk {

// Conversions between the application's single-byte Windows-1252 texts and Qt's UTF-16.
QString FromCp1252(std::string_view text);
// Characters outside Windows-1252 become '?'.
std::string ToCp1252(const QString& text);

} // namespace tk
