#pragma once
// The maker's addresses, in one place. They lie on the reserved "example" domain until the
// product has its own; nothing else in the program spells them out.

#include <QString>

namespace LockvexAddresses
{

// The maker's web site, opened by the logo of the sign-in dialogs and the main window.
inline const QString MakerWebSite = QStringLiteral("https://www.lockvex.example/");

// The folder the set-up file is downloaded from; it ends in "/packages/".
inline const QString DownloadFolder = QStringLiteral("https://www.lockvex.example/packages/");

// The set-up file that a friend is pointed to.
inline const QString SetupFileName = QStringLiteral("LockvexSetup.exe");

// The help site; a request's address is this, "/lockvex_help/index.html?contextid=" and the number.
inline const QString HelpSite = QStringLiteral("https://help.lockvex.example");

// Where the "tell us what you think" mail goes.
inline const QString FeedbackAddress = QStringLiteral("feedback@lockvex.example");

} // namespace LockvexAddresses
