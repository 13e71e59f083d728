#pragma once
// The program's text is UTF-8 in std::string; Qt's is QString. The views
// cross between the two with these.

#include <QString>
#include <string>

namespace tarnfold::app {

inline QString QtFromUtf8(const std::string& utf8) { return QString::fromStdString(utf8); }
inline std::string Utf8FromQt(const QString& text) { return text.toStdString(); }

}  // namespace tarnfold::app
