#include "ui/Properties.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace vostrel {

namespace {

struct NamedColor {
    std::string_view name;
    TColorSpec color;
};

constexpr TColorSpec fixed(TColor rgb) {
    return {false, TSystemColor::BtnFace, rgb};
}
constexpr TColorSpec sys(TSystemColor c) {
    return {true, c, 0};
}

// The names a layout may use, with their 0x00BBGGRR values.
constexpr NamedColor kColors[] = {
    {"clBlack", fixed(0x000000)},
    {"clMaroon", fixed(0x000080)},
    {"clGreen", fixed(0x008000)},
    {"clOlive", fixed(0x008080)},
    {"clNavy", fixed(0x800000)},
    {"clPurple", fixed(0x800080)},
    {"clTeal", fixed(0x808000)},
    {"clGray", fixed(0x808080)},
    {"clSilver", fixed(0xC0C0C0)},
    {"clRed", fixed(0x0000FF)},
    {"clLime", fixed(0x00FF00)},
    {"clYellow", fixed(0x00FFFF)},
    {"clBlue", fixed(0xFF0000)},
    {"clFuchsia", fixed(0xFF00FF)},
    {"clAqua", fixed(0xFFFF00)},
    {"clWhite", fixed(0xFFFFFF)},
    {"clScrollBar", sys(TSystemColor::ScrollBar)},
    {"clBackground", sys(TSystemColor::Background)},
    {"clActiveCaption", sys(TSystemColor::ActiveCaption)},
    {"clInactiveCaption", sys(TSystemColor::InactiveCaption)},
    {"clMenu", sys(TSystemColor::Menu)},
    {"clWindow", sys(TSystemColor::Window)},
    {"clWindowFrame", sys(TSystemColor::WindowFrame)},
    {"clMenuText", sys(TSystemColor::MenuText)},
    {"clWindowText", sys(TSystemColor::WindowText)},
    {"clCaptionText", sys(TSystemColor::CaptionText)},
    {"clActiveBorder", sys(TSystemColor::ActiveBorder)},
    {"clInactiveBorder", sys(TSystemColor::InactiveBorder)},
    {"clAppWorkSpace", sys(TSystemColor::AppWorkSpace)},
    {"clHighlight", sys(TSystemColor::Highlight)},
    {"clHighlightText", sys(TSystemColor::HighlightText)},
    {"clBtnFace", sys(TSystemColor::BtnFace)},
    {"clBtnShadow", sys(TSystemColor::BtnShadow)},
    {"clGrayText", sys(TSystemColor::GrayText)},
    {"clBtnText", sys(TSystemColor::BtnText)},
    {"clInactiveCaptionText", sys(TSystemColor::InactiveCaptionText)},
    {"clBtnHighlight", sys(TSystemColor::BtnHighlight)},
    {"cl3DDkShadow", sys(TSystemColor::DkShadow3D)},
    {"cl3DLight", sys(TSystemColor::Light3D)},
    {"clInfoText", sys(TSystemColor::InfoText)},
    {"clInfoBk", sys(TSystemColor::InfoBk)},
};

constexpr int64_t kSystemColorFlag = 0x80000000;
constexpr int kLastSystemColor = static_cast<int>(TSystemColor::InfoBk);

[[noreturn]] void badValue(const std::string& prop, const std::string& what) {
    throw ELayoutError("bad value for " + prop + ": " + what);
}

// An identifier from `names`, by its place among them.
template <size_t N>
int choice(const TObjectDesc& d, const char* prop, const std::string_view (&names)[N],
           int fallback) {
    const TValue* v = d.find(prop);
    if (!v)
        return fallback;
    for (size_t i = 0; i < N; ++i)
        if (v->kind == TValue::Kind::Ident && v->text == names[i])
            return static_cast<int>(i);
    badValue(prop, v->text);
}

int integer(const TObjectDesc& d, const char* prop, int fallback = 0) {
    return static_cast<int>(d.number(prop, fallback));
}

TBevel bevel(const TObjectDesc& d, const char* prop, TBevel fallback) {
    static constexpr std::string_view names[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
    return static_cast<TBevel>(choice(d, prop, names, static_cast<int>(fallback)));
}

TWindowFrame frameOf(const TObjectDesc& d) {
    enum Style { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
    static constexpr std::string_view styles[] = {"bsNone",   "bsSingle",     "bsSizeable",
                                                  "bsDialog", "bsToolWindow", "bsSizeToolWin"};
    const int style = choice(d, "BorderStyle", styles, bsSizeable);
    std::vector<std::string> icons = {"biSystemMenu", "biMinimize", "biMaximize"};
    if (const TValue* v = d.find("BorderIcons"))
        icons = v->items;
    auto has = [&](const char* icon) {
        return std::find(icons.begin(), icons.end(), icon) != icons.end();
    };
    TWindowFrame f;
    f.Caption = style != bsNone;
    f.Sizeable = style == bsSizeable || style == bsSizeToolWin;
    f.DialogFrame = style == bsDialog;
    f.ToolWindow = style == bsToolWindow || style == bsSizeToolWin;
    f.SystemMenu = f.Caption && has("biSystemMenu");
    const bool buttons = f.SystemMenu && !f.DialogFrame && !f.ToolWindow;
    f.MinimizeBox = buttons && has("biMinimize");
    f.MaximizeBox = buttons && has("biMaximize");
    return f;
}

} // namespace

TColorSpec ParseColor(const TValue& v) {
    if (v.kind == TValue::Kind::Number) {
        if (v.number >= 0 && v.number <= 0xFFFFFF)
            return fixed(static_cast<TColor>(v.number));
        const int64_t index = v.number - kSystemColorFlag;
        if (index >= 0 && index <= kLastSystemColor)
            return sys(static_cast<TSystemColor>(index));
        badValue("a colour", std::to_string(v.number));
    }
    for (const NamedColor& c : kColors)
        if (v.kind == TValue::Kind::Ident && c.name == v.text)
            return c.color;
    badValue("a colour", v.text);
}

TFormProps ReadFormProps(const TObjectDesc& d) {
    TFormProps p;
    p.Caption = d.text("Caption");
    p.Left = integer(d, "Left");
    p.Top = integer(d, "Top");
    p.ClientWidth = integer(d, "ClientWidth");
    p.ClientHeight = integer(d, "ClientHeight");
    if (const TValue* v = d.find("Color"))
        p.Color = ParseColor(*v);
    p.Font.Name = d.text("Font.Name", p.Font.Name);
    // A negative height is the characters' own; a positive one, the cell's, is
    // taken as theirs too: no layout here gives one.
    if (const int height = integer(d, "Font.Height"))
        p.Font.Height = std::abs(height);
    if (const TValue* v = d.find("Font.Color"))
        p.Font.Color = ParseColor(*v);
    p.Frame = frameOf(d);
    static constexpr std::string_view positions[] = {"poDesigned", "poScreenCenter"};
    p.Position = static_cast<TPosition>(choice(d, "Position", positions, 0));
    p.HasIcon = d.find("Icon") != nullptr;
    return p;
}

TControlProps ReadControlProps(const TObjectDesc& d, const TColorSpec& parentColor,
                               const TFontSpec& formFont) {
    TControlProps p;
    const std::string& kind = d.className;
    if (kind == "TPanel")
        p.Kind = TControlKind::Panel;
    else if (kind == "TLabel")
        p.Kind = TControlKind::Label;
    else if (kind == "TEdit")
        p.Kind = TControlKind::Edit;
    else if (kind == "TButton")
        p.Kind = TControlKind::Button;
    else if (kind == "TImage")
        p.Kind = TControlKind::Image;
    else if (kind == "TSpinEdit")
        p.Kind = TControlKind::SpinEdit;
    else
        throw ELayoutError("unknown class " + kind + " for " + d.name);

    p.Bounds = {integer(d, "Left"), integer(d, "Top"), integer(d, "Width"), integer(d, "Height")};
    p.Caption = d.text("Caption");
    p.Text = d.text("Text");
    p.TextColor = formFont.Color;

    // Panels have a colour of their own, labels take their parent's, edits the window's.
    const bool ownColor = p.Kind == TControlKind::Panel || p.Kind == TControlKind::Edit;
    const TColorSpec own =
        p.Kind == TControlKind::Edit ? sys(TSystemColor::Window) : sys(TSystemColor::BtnFace);
    if (d.flag("ParentColor", !ownColor))
        p.Color = parentColor;
    else if (const TValue* v = d.find("Color"))
        p.Color = ParseColor(*v);
    else
        p.Color = own;

    if (p.Kind == TControlKind::Panel) {
        p.BevelOuter = bevel(d, "BevelOuter", TBevel::Raised);
        p.BevelInner = bevel(d, "BevelInner", TBevel::None);
    } else {
        p.BevelOuter = TBevel::None;
    }
    p.AutoSize = p.Kind == TControlKind::Label && d.flag("AutoSize", true);
    p.ReadOnly = d.flag("ReadOnly");
    p.Default = d.flag("Default");
    p.ModalResult = integer(d, "ModalResult");
    const bool focusable = p.Kind == TControlKind::Edit || p.Kind == TControlKind::Button ||
                           p.Kind == TControlKind::SpinEdit;
    p.TabStop = focusable && d.flag("TabStop", true);
    p.TabOrder = integer(d, "TabOrder");
    p.Picture = d.text("Picture");
    return p;
}

} // namespace vostrel
