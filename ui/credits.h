// Texts shared by the splash and About windows.
#pragma once

#include <QString>

namespace morvane {

inline const QString kProgramName = QStringLiteral("Morvane");
inline const QString kVersionLine = QStringLiteral("Version 1.11");
inline const QString kFreewareLine = QStringLiteral("Freeware");
inline const QString kAuthorCredit = QStringLiteral("Written by the Morvane developers");
inline const QString kWebSiteLine = QStringLiteral("morvane.example.org");
inline const QString kLogoCredit = QStringLiteral("Logo: grid square and compass rose, drawn for Morvane");
inline const QString kLogoResource = QStringLiteral(":/morvane/logo.gif");
inline const QString kIconResource = QStringLiteral(":/morvane/morvane.ico");

}  // namespace morvane
