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

// What a friend is pointed to: the download page, which offers the Debian package, and the
// package's name.
inline const QString PackageName = QStringLiteral("lockvex");

// The help base; a request's address is this, "/lockvex_help/index.html?contextid=" and the number.
// The build option LOCKVEX_HELP_BASE names the maker's help site. Until the maker has one it is
// empty, and the base is the folder of help pages installed with the program: share/doc/lockvex/help
// beside the program's bin folder (or, for a program run from its build folder, share/doc/lockvex/help
// inside that folder), as a file: address.
QString HelpSite();

// Where the "tell us what you think" mail goes.
inline const QString FeedbackAddress = QStringLiteral("feedback@lockvex.example");

// The social sites that the main window's two small pictures open.
inline const QString FacebookSite = QStringLiteral("https://www.facebook.com/");
inline const QString TwitterSite = QStringLiteral("https://twitter.com/");

} // namespace LockvexAddresses
