#pragma once
// The program's look in one place: colours, font sizes, spacing and the few pictures every
// window shares (the maker's logo, the header padlock). The sign-in dialogs, the message dialog
// and every window take their colours from here, so that they look like one product.
//
// Style sheets are written with colour tokens ("@Accent") and sizes for the reference screen
// ("12px"); Sheet() puts in the colours and scales the sizes for a window drawn larger.

#include <QColor>
#include <QPalette>
#include <QPixmap>
#include <QString>

class QWidget;
struct TScreenMetrics;

namespace LockvexStyle
{

// ---- colours -----------------------------------------------------------------------------------
// Each has a token of the same name for style sheets: "@WindowBack" and so on.
namespace Colour
{
inline const QColor WindowBack{0xee, 0xf2, 0xf7};  // behind everything
inline const QColor Text{0x1f, 0x2d, 0x3d};        // ordinary text
inline const QColor MutedText{0x5b, 0x6b, 0x7f};   // captions, notes
inline const QColor HeaderStart{0x0e, 0x27, 0x46}; // header band gradient, top left
inline const QColor HeaderMid{0x1a, 0x4f, 0x82};   //   middle (also the padlock's keyhole)
inline const QColor HeaderEnd{0x16, 0x5a, 0x75};   //   bottom right: dark enough for the header text
inline const QColor HeaderTitle{0xff, 0xff, 0xff}; // "Lockvex" on the band
inline const QColor HeaderText{0xcf, 0xe2, 0xf4};  // the line under it
inline const QColor PanelBack{0xff, 0xff, 0xff};   // white panels (group boxes)
inline const QColor PanelBorder{0xd2, 0xda, 0xe5};
inline const QColor Rule{0xe3, 0xe8, 0xef};      // thin separating lines
inline const QColor FieldBack{0xfb, 0xfc, 0xfe}; // edit boxes
inline const QColor FieldReadOnly{0xf1, 0xf4, 0xf8};
inline const QColor FieldBorder{0xb7, 0xc3, 0xd3};
inline const QColor FieldText{0x10, 0x24, 0x3a};
inline const QColor Focus{0x1e, 0x6c, 0xab}; // selection, the chosen letter tab (white text on it)
// The keyboard focus frame: at least 3:1 against the unfocused border and the backgrounds it
// replaces, so the control that has the focus is seen at a glance.
inline const QColor FocusRing{0x1d, 0x5f, 0x96};
inline const QColor SelectionBack{0xd6, 0xe8, 0xf8};
inline const QColor ButtonBack{0xf7, 0xf9, 0xfc};
inline const QColor ButtonHover{0xe9, 0xf1, 0xfa};
inline const QColor ButtonPressed{0xdb, 0xe7, 0xf4};
inline const QColor PrimaryTop{0x1f, 0x72, 0xb6}; // the main button of a window (white text on it)
inline const QColor PrimaryBottom{0x1b, 0x62, 0xa6};
inline const QColor PrimaryHoverTop{0x20, 0x76, 0xbb};
inline const QColor PrimaryHoverBottom{0x1d, 0x67, 0xab};
inline const QColor PrimaryBorder{0x15, 0x51, 0x8a};
inline const QColor PrimaryFocus{0x07, 0x1c, 0x30};
inline const QColor PrimaryPressed{0x19, 0x5c, 0x9c};
inline const QColor DisabledText{0x8c, 0x98, 0xa8}; // a button that cannot be pressed now
inline const QColor DisabledBack{0xee, 0xf1, 0xf5};
inline const QColor DangerText{0xa3, 0x2a, 0x1f}; // a button that deletes
inline const QColor DangerBorder{0xe0, 0xb4, 0xae};
inline const QColor NoteText{0x7a, 0x4d, 0x00}; // a caveat or a mode the user must notice
inline const QColor NoteBack{0xff, 0xf5, 0xdc};
inline const QColor NoteBorder{0xef, 0xd6, 0x9a};
inline const QColor LocationText{0x33, 0x47, 0x5b};
inline const QColor LogoTop{0xf2, 0x9a, 0x3a}; // the maker's badge
inline const QColor LogoBottom{0xc8, 0x55, 0x1b};
inline const QColor LogoText{0x4a, 0x55, 0x63};
inline const QColor QualityWeak{0xd2, 0x3f, 0x31}; // password rating indicators
inline const QColor QualitySoSo{0xe8, 0xa3, 0x17};
inline const QColor QualityOK{0x2e, 0x9d, 0x4f};
inline const QColor HeaderButtonBack{0xff, 0xff, 0xff, 30}; // the header band's buttons, over the band
inline const QColor HeaderButtonHover{0xff, 0xff, 0xff, 40};
inline const QColor HeaderButtonPressed{0xff, 0xff, 0xff, 50};
inline const QColor HeaderButtonBorder{0xff, 0xff, 0xff, 150};
} // namespace Colour

// The program's palette, set for the whole application at start whatever the desktop's: the
// style draws check boxes, radio buttons, scroll bars and menus from it, so they look like the
// rest of the program and a ticked box stays distinct from an empty one under a dark desktop
// palette too. (The window style sheets take these from the application's palette.)
QPalette WindowPalette();

// ---- font sizes in pixels on the reference screen ----------------------------------------------
constexpr int FontBody = 12;        // labels
constexpr int FontField = 13;       // edit boxes and lists of a window
constexpr int FontSignInField = 16; // the sign-in password boxes
constexpr int FontButton = 13;
constexpr int FontCaption = 14; // titles of groups and boxes
constexpr int FontHeaderTitle = 30;
constexpr int FontHeaderText = 14;

// ---- spacing in pixels on the reference screen --------------------------------------------------
constexpr int Margin = 18;  // around a window's body and inside panels
constexpr int Gap = 12;     // between groups of controls
constexpr int SmallGap = 6; // between a control and its neighbour
constexpr int Radius = 5;   // rounded corners of boxes and buttons

// ---- message dialog colour schemes --------------------------------------------------------------
// One per message type, after the office looks the program's dialogs always had.
enum class TSchemeKind { Information, Error, Warning, Confirmation, Custom };

// The white sheen over the upper half of a message band, fading out at its middle.
inline const QColor MessageBandSheen{0xff, 0xff, 0xff, 40};

struct TMsgScheme {
    QColor BandTop, BandBottom, BandLine, TitleText;
    QColor Body, BodyText, Rule;
    QColor ButtonTop, ButtonBottom, ButtonBorder, ButtonText;
    QColor HoverTop, HoverBottom;
    QColor IconFace, IconMark;
};
const TMsgScheme &MessageScheme(TSchemeKind kind);

// ---- scaling and style sheets -------------------------------------------------------------------

// The factor a window created now is drawn larger by: the screen's ScreenHeight / RefScreenHeight
// while its ScaleForms is on, else 1.
double WindowScale(const TScreenMetrics &screen);
// pixels on the reference screen, scaled; never below 1.
int Px(int pixels, double scale);

// Puts the palette's colours in place of their "@Name" tokens and scales every size above 2px.
QString Sheet(const QString &sheet, double scale = 1.0);
// The rules every window shares: window background, labels, edit boxes, memos, lists, check
// boxes, group boxes and buttons. A button with the property lvRole = "primary" is the window's
// main button, "danger" one that deletes; a label with lvRole = "note" stands out as a caveat,
// "caption" is the title of a box. Windows add their own rules after it.
QString WindowSheet(double scale = 1.0);
// Marks a widget with a role the window sheet knows ("primary", "danger", "note", "caption").
void SetRole(QWidget *widget, const char *role);

// ---- pictures -----------------------------------------------------------------------------------
// Drawn, so they stay sharp at any scale.
// A transparent picture of width x height at twice the screen's resolution, sharp at 200 %
// scaling and below: the canvas of every picture the program draws itself.
QPixmap BlankPicture(int width, int height);
QPixmap MakerLogo(int height);   // the maker's badge and name, four times as wide as high
QPixmap HeaderPadlock(int size); // the padlock at the right of the header band

} // namespace LockvexStyle
