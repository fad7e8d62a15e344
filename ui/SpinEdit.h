#pragma once
// The joystick number box: a one-line text field with a pair of arrows at its
// right end. The number lives only as the text; every read parses it afresh and
// the range is applied on writes, steps and leaving the box, never on reads.
//
// This file holds the rules; a widget set draws the field and the arrows,
// implements the view interfaces and forwards its keyboard, mouse and focus
// events to the calls below.

#include "ui/WidgetServices.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vostrel {

enum class TMouseButton { Left, Right, Middle };

class IArrowView {
public:
    virtual ~IArrowView() = default;
    // The pressed look changed; draw the arrow again.
    virtual void Invalidate() = 0;
    // Takes (true) or gives back (false) the pointer for this arrow.
    virtual void SetCapture(bool on) = 0;
    // Whether the arrow still holds the pointer it took at the press.
    virtual bool HasCapture() const = 0;
};

// One arrow: a push button with a pressed look and auto-repeat.
class TArrow {
public:
    static constexpr int FirstRepeatMs = 400;
    static constexpr int RepeatMs = 100;

    explicit TArrow(ITimerFactory& timers);
    ~TArrow();
    TArrow(const TArrow&) = delete;
    TArrow& operator=(const TArrow&) = delete;

    void SetView(IArrowView* view) { view_ = view; }
    // Called at a left press before the arrow reacts (the pair moves the focus).
    std::function<void()> OnPress;
    // One step.
    std::function<void()> OnClick;

    bool Pressed() const { return pressed_; }

    // A press of the left button arms the repeat timer; throws EOutOfResources when
    // no timer can be had (the press then gets no auto-repeat).
    void MouseDown(TMouseButton button);
    void MouseMove(bool overArrow);
    void MouseUp(TMouseButton button, bool overArrow);
    // Drops a press in progress without a step (the error display cancels mouse modes).
    void CancelMode();

private:
    void timerFired();
    void setPressed(bool pressed);
    void endDrag();

    ITimerFactory& timers_;
    std::unique_ptr<IRepeatTimer> timer_;
    IArrowView* view_ = nullptr;
    int period_ = 0;
    bool dragging_ = false;
    bool pressed_ = false;
};

class ISpinEditView {
public:
    virtual ~ISpinEditView() = default;
    // Replaces the whole text; the program's own writes are not limited by MaxLength.
    virtual void SetText(const std::string& text) = 0;
    virtual void SelectAll() = 0;
    virtual bool Focused() const = 0;
    virtual bool CanFocus() const = 0;
    virtual void SetFocus() = 0;
    virtual void SetReadOnly(bool readOnly) = 0;
    // For a field whose own limit holds back the user's input but not the program's
    // writes; 0 is no limit. Other fields ask InsertRoom instead.
    virtual void SetMaxLength(int /*maxLength*/) {}
};

enum class TKey { Up, Down, Other };

// What a character that passed the typing filter does in the field, as the
// Windows edit field does it: printable ones are typed, a few control
// characters are editing commands, and the others do nothing.
enum class TCharCommand { Type, Backspace, Copy, Cut, Paste, Undo, SelectAll, None };

class TSpinEdit {
public:
    // `decimalSeparator` is the user's locale's; pass '.' where the locale gives none.
    TSpinEdit(IBeeper& beeper, ITimerFactory& timers, char32_t decimalSeparator = U'.');
    TSpinEdit(const TSpinEdit&) = delete;
    TSpinEdit& operator=(const TSpinEdit&) = delete;

    void SetView(ISpinEditView* view);

    const std::string& Text() const { return text_; }
    // The program's write of the whole text.
    void SetText(const std::string& text);

    // The text parsed; MinValue when it is not a number. Never changes the text.
    int32_t Value() const;
    // Writes the number brought into range.
    void SetValue(int32_t value);
    // The number brought into range; no bound applies while both bounds are equal.
    int32_t CheckValue(int32_t value) const;

    int32_t MinValue() const { return minValue_; }
    void SetMinValue(int32_t v) { minValue_ = v; }
    int32_t MaxValue() const { return maxValue_; }
    void SetMaxValue(int32_t v) { maxValue_ = v; }
    int32_t Increment() const { return increment_; }
    void SetIncrement(int32_t v) { increment_ = v; }
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool v) { editorEnabled_ = v; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    // Most characters the user can put into the text; 0 is no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int v);
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool v) { autoSelect_ = v; }

    void UpClick();
    void DownClick();

    TArrow& UpArrow() { return up_; }
    TArrow& DownArrow() { return down_; }

    // --- Events forwarded by the widget set ---

    // The field's ordinary editing changed the text.
    void TextEdited(const std::string& text) { text_ = text; }
    // The typing filter: true lets the character on to ordinary editing; false drops it
    // (with the default sound).
    bool KeyPress(char32_t ch);
    // A key-down: Up and Down make a step; the key goes on to ordinary handling too.
    void KeyDown(TKey key);
    static TCharCommand CharCommand(char32_t ch);
    // Whether cut and paste may go ahead; otherwise they are ignored without a sound.
    bool CutPasteAllowed() const { return editorEnabled_ && !readOnly_; }
    // How many characters the user may insert over a selection of `selectionLength`
    // into a text of `textLength`.
    int InsertRoom(int textLength, int selectionLength) const;
    // What a paste puts in place of the selection, from every route (menu, keys,
    // the middle button): nothing when paste is not allowed or the clipboard
    // holds no text; else the clipboard's first line, cut to the room MaxLength
    // leaves (UTF-8). Pasted text skips the typing filter.
    std::optional<std::string> PasteText(const std::optional<std::string>& clipboard,
                                         int textLength, int selectionLength) const;
    // The focus came to the box. Coming back from another window, or from where
    // a message box or a menu had taken it, is no entry; otherwise the whole text
    // is selected unless a left press on the text gave the focus.
    void FocusIn(bool byLeftPressOnText);
    // The focus went from the box: to another control of the same window (the
    // box is left: Exit), or elsewhere (another window, a menu, nowhere).
    void FocusOut(bool toControlOfSameWindow);
    // Entering and leaving as such.
    void Enter(bool byLeftPressOnText);
    void Exit();

    // Reads a whole text as a signed 32-bit integer: leading blanks, one sign, then
    // decimal digits or hexadecimal ones after "$", "x" or "0x"; nothing may follow.
    static std::optional<int32_t> ParseInteger(std::string_view text);

private:
    void step(int64_t delta);
    void focusFromArrow();

    IBeeper& beeper_;
    char32_t decimalSeparator_;
    ISpinEditView* view_ = nullptr;
    std::string text_ = "0";
    int32_t minValue_ = 0;
    int32_t maxValue_ = 0;
    int32_t increment_ = 1;
    int maxLength_ = 0;
    bool editorEnabled_ = true;
    bool readOnly_ = false;
    bool autoSelect_ = true;
    bool awayFromWindow_ = false;
    TArrow up_;
    TArrow down_;
};

// --- Layout, in pixels ---

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

struct TFontMetrics {
    int TextHeight = 0;       // the box's font: ascent plus descent
    int ScreenTextHeight = 0; // the screen's default font
    int CyBorder = 1;         // the thin border's height
};

struct TSpinEditLayout {
    // The box's height after the minimum; when it differs from the height asked for,
    // the widget set resizes the box and lays it out again at the new height.
    int Height = 0;
    TRect Pair;      // in the field's client area
    TRect UpArrow;   // in the pair
    TRect DownArrow; // in the pair; lies on top in the row the two share
    TRect Text;      // the text rectangle, in the client area
};

inline constexpr int SpinEdgeWidth = 2; // the sunken 3-D edge, each side
inline constexpr int SpinPairWidth = 15;

int SpinMinHeight(const TFontMetrics& m);
// The height the field takes for its font, before the minimum applies.
int SpinFontHeight(const TFontMetrics& m);
TSpinEditLayout SpinLayout(int width, int height, const TFontMetrics& m);

} // namespace vostrel
