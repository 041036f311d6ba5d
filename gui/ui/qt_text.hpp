#pragma once

#include <QString>

#include <string>

namespace lw::gui {

// Program text is UTF-8; Qt holds UTF-16.
inline QString toQ(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string fromQ(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace lw::gui
