#pragma once

// The core's texts are UTF-8; Qt's are UTF-16.

#include <QString>

#include <string_view>

namespace calorvin::ui {

inline QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace calorvin::ui
