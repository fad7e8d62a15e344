#pragma once
// A window's look as typed values: what the layout data says, read once, with
// every default and every rule between values decided here. Widget sets draw
// these values and never read a layout themselves.

#include "engine/PollTick.h" // TColor
#include "ui/Layout.h"

#include <string>

namespace vostrel {

// A rectangle in pixels.
struct TBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TBounds&) const = default;
};

// The desktop's own colours, numbered as the Windows system colours are.
enum class TSystemColor {
    ScrollBar = 0,
    Background = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    Window = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkSpace = 12,
    Highlight = 13,
    HighlightText = 14,
    BtnFace = 15,
    BtnShadow = 16,
    GrayText = 17,
    BtnText = 18,
    InactiveCaptionText = 19,
    BtnHighlight = 20,
    DkShadow3D = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBk = 24,
};

// A colour: a fixed 0x00BBGGRR value, or a system colour that the desktop decides.
struct TColorSpec {
    bool IsSystem = false;
    TSystemColor System = TSystemColor::BtnFace;
    TColor Rgb = 0;

    static TColorSpec Fixed(TColor rgb) { return {false, TSystemColor::BtnFace, rgb}; }
    static TColorSpec Of(TSystemColor c) { return {true, c, 0}; }
    bool operator==(const TColorSpec&) const = default;
};

// A layout's colour: a name (clWhite, clBtnFace, ...) or a number, in which
// 0x80000000 plus an index names a system colour. Raises ELayoutError for others.
TColorSpec ParseColor(const TValue& value);

enum class TBevel { None, Lowered, Raised, Space };

// The outer frame of a window, with the rules between the border style and the
// border icons applied: a dialog frame or a tool window has no minimise or
// maximise button, and neither button comes without the system menu.
struct TWindowFrame {
    bool Caption = true;
    bool Sizeable = true;
    bool DialogFrame = false; // the dialog's border: no icon in the title bar
    bool ToolWindow = false;  // the small title bar
    bool SystemMenu = true;   // the system menu and the close box
    bool MinimizeBox = true;
    bool MaximizeBox = true;
    bool operator==(const TWindowFrame&) const = default;
};

struct TFontSpec {
    std::string Name = "MS Sans Serif";
    int Height = 11; // the characters' height in pixels (a layout's -Font.Height)
    TColorSpec Color = TColorSpec::Of(TSystemColor::WindowText);
    bool operator==(const TFontSpec&) const = default;
};

enum class TPosition {
    Designed,    // where Left and Top say
    ScreenCenter // centred on the screen the first time it is shown
};

struct TFormProps {
    std::string Caption;
    int Left = 0; // the frame's top-left corner on the screen
    int Top = 0;
    int ClientWidth = 0;
    int ClientHeight = 0;
    TColorSpec Color = TColorSpec::Of(TSystemColor::BtnFace);
    TFontSpec Font;
    TWindowFrame Frame;
    TPosition Position = TPosition::Designed;
    bool HasIcon = false; // the program icon in the title bar and the task switcher
};

enum class TControlKind { Panel, Label, Edit, Button, Image, SpinEdit };

// A control's values. Each kind uses those that the comments give it.
struct TControlProps {
    TControlKind Kind = TControlKind::Label;
    TBounds Bounds;                     // in the parent's client area
    std::string Caption;                // panel, label, button
    std::string Text;                   // edit: the text it starts with
    TColorSpec Color;                   // the fill: panel, label, edit (ParentColor resolved)
    TColorSpec TextColor;               // the form's font colour
    TBevel BevelOuter = TBevel::Raised; // panel
    TBevel BevelInner = TBevel::None;   // panel
    bool AutoSize = false;              // label: as wide as its text (Bounds says so already)
    bool ReadOnly = false;              // edit
    bool Default = false;               // button: Enter presses it
    int ModalResult = 0;                // button: ends a modal form with this result
    bool TabStop = false;               // whether Tab stops on it
    int TabOrder = 0;                   // its place among the tab stops of its parent
    std::string Picture;                // image: the resource it shows
};

TFormProps ReadFormProps(const TObjectDesc& desc);
// `parentColor` is the colour of the form or panel the control sits on.
TControlProps ReadControlProps(const TObjectDesc& desc, const TColorSpec& parentColor,
                               const TFontSpec& formFont);

} // namespace vostrel
