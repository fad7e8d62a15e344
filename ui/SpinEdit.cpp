#include "ui/SpinEdit.h"

#include "settings/NumberText.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace vostrel {

// ---------------------------------------------------------------- TArrow

TArrow::TArrow(ITimerFactory& timers) : timers_(timers) {}

TArrow::~TArrow() = default;

void TArrow::setPressed(bool pressed) {
    if (pressed_ == pressed)
        return;
    pressed_ = pressed;
    if (view_)
        view_->Invalidate();
}

void TArrow::MouseDown(TMouseButton button) {
    if (button != TMouseButton::Left)
        return;
    if (OnPress)
        OnPress();
    dragging_ = true;
    setPressed(true);
    if (view_)
        view_->SetCapture(true);
    if (!timer_)
        timer_ = timers_.CreateTimer([this] { timerFired(); });
    period_ = FirstRepeatMs;
    if (!timer_ || !timer_->Start(period_))
        throw EOutOfResources(SNoTimers);
}

void TArrow::MouseMove(bool overArrow) {
    if (dragging_)
        setPressed(overArrow);
}

void TArrow::endDrag() {
    dragging_ = false;
    setPressed(false);
    if (view_)
        view_->SetCapture(false);
    if (timer_)
        timer_->Stop();
}

void TArrow::MouseUp(TMouseButton button, bool overArrow) {
    if (button != TMouseButton::Left || !dragging_)
        return;
    // The timer is disarmed before the step, so a step that fails leaves no timer behind.
    endDrag();
    if (overArrow && OnClick)
        OnClick();
}

void TArrow::CancelMode() {
    if (dragging_)
        endDrag();
}

void TArrow::timerFired() {
    if (!dragging_) {
        timer_->Stop();
        return;
    }
    // A lost capture means the release will not reach this arrow: drop the press
    // rather than keep a timer running for a hold that has ended.
    if (view_ && !view_->HasCapture()) {
        endDrag();
        return;
    }
    if (period_ != RepeatMs) {
        period_ = RepeatMs;
        if (!timer_->Start(period_))
            throw EOutOfResources(SNoTimers);
    }
    if (!pressed_ || !OnClick)
        return;
    try {
        OnClick();
    } catch (...) {
        timer_->Stop();
        throw;
    }
}

// ---------------------------------------------------------------- TSpinEdit

TSpinEdit::TSpinEdit(IBeeper& beeper, ITimerFactory& timers, char32_t decimalSeparator)
    : beeper_(beeper), decimalSeparator_(decimalSeparator), up_(timers), down_(timers) {
    up_.OnPress = down_.OnPress = [this] { focusFromArrow(); };
    up_.OnClick = [this] { UpClick(); };
    down_.OnClick = [this] { DownClick(); };
}

void TSpinEdit::SetView(ISpinEditView* view) {
    view_ = view;
    if (view_) {
        view_->SetText(text_);
        view_->SetReadOnly(readOnly_);
        view_->SetMaxLength(maxLength_);
    }
}

void TSpinEdit::SetText(const std::string& text) {
    text_ = text;
    if (view_)
        view_->SetText(text_);
}

void TSpinEdit::SetMaxLength(int v) {
    maxLength_ = v;
    if (view_)
        view_->SetMaxLength(v);
}

void TSpinEdit::SetReadOnly(bool v) {
    readOnly_ = v;
    if (view_)
        view_->SetReadOnly(v);
}

std::optional<int32_t> TSpinEdit::ParseInteger(std::string_view s) {
    // The box reads numbers exactly as the settings file does.
    return parseInteger(s);
}

int32_t TSpinEdit::Value() const {
    return ParseInteger(text_).value_or(minValue_);
}

int32_t TSpinEdit::CheckValue(int32_t value) const {
    if (minValue_ == maxValue_)
        return value;
    if (value < minValue_)
        return minValue_;
    if (value > maxValue_)
        return maxValue_;
    return value;
}

void TSpinEdit::SetValue(int32_t value) {
    SetText(std::to_string(CheckValue(value)));
}

void TSpinEdit::step(int64_t delta) {
    if (readOnly_) {
        beeper_.Beep();
        return;
    }
    // Steps past the signed 32-bit range stop at its end instead of wrapping.
    const int64_t n =
        std::clamp<int64_t>(int64_t(Value()) + delta, std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max());
    SetValue(int32_t(n));
}

void TSpinEdit::UpClick() {
    step(increment_);
}

void TSpinEdit::DownClick() {
    step(-int64_t(increment_));
}

bool TSpinEdit::KeyPress(char32_t ch) {
    constexpr char32_t backspace = 8, carriageReturn = 13;
    bool accepted;
    if (ch < 32)
        accepted = ch != carriageReturn && (editorEnabled_ || ch != backspace);
    else
        accepted = editorEnabled_ && ((ch >= U'0' && ch <= U'9') || ch == U'+' || ch == U'-' ||
                                      ch == decimalSeparator_);
    if (!accepted)
        beeper_.Beep();
    return accepted;
}

void TSpinEdit::KeyDown(TKey key) {
    if (key == TKey::Up)
        UpClick();
    else if (key == TKey::Down)
        DownClick();
}

int TSpinEdit::InsertRoom(int textLength, int selectionLength) const {
    if (maxLength_ <= 0)
        return std::numeric_limits<int>::max();
    return std::max(0, maxLength_ - (textLength - selectionLength));
}

TCharCommand TSpinEdit::CharCommand(char32_t ch) {
    switch (ch) {
    case 1: // Ctrl+A
        return TCharCommand::SelectAll;
    case 3: // Ctrl+C
        return TCharCommand::Copy;
    case 8:
        return TCharCommand::Backspace;
    case 0x16: // Ctrl+V
        return TCharCommand::Paste;
    case 0x18: // Ctrl+X
        return TCharCommand::Cut;
    case 0x1A: // Ctrl+Z
        return TCharCommand::Undo;
    }
    return ch < 32 ? TCharCommand::None : TCharCommand::Type;
}

std::optional<std::string> TSpinEdit::PasteText(const std::optional<std::string>& clipboard,
                                                int textLength, int selectionLength) const {
    if (!CutPasteAllowed() || !clipboard)
        return std::nullopt;
    // A one-line field takes the first line: a line break would hide a text that
    // is no number behind one that looks like it.
    std::string line = clipboard->substr(0, clipboard->find_first_of("\r\n"));
    int room = InsertRoom(textLength, selectionLength);
    size_t end = 0;
    while (end < line.size() && room > 0) {
        ++end; // one character: its lead byte and any continuation bytes
        while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
            ++end;
        --room;
    }
    line.resize(end);
    return line;
}

void TSpinEdit::FocusIn(bool byLeftPressOnText) {
    if (std::exchange(awayFromWindow_, false))
        return;
    Enter(byLeftPressOnText);
}

void TSpinEdit::FocusOut(bool toControlOfSameWindow) {
    if (toControlOfSameWindow)
        Exit();
    else
        awayFromWindow_ = true;
}

void TSpinEdit::Enter(bool byLeftPressOnText) {
    if (autoSelect_ && !byLeftPressOnText && view_)
        view_->SelectAll();
}

void TSpinEdit::Exit() {
    const int32_t value = Value();
    if (CheckValue(value) != value)
        SetValue(value);
}

void TSpinEdit::focusFromArrow() {
    if (view_ && !view_->Focused() && view_->CanFocus())
        view_->SetFocus();
}

// ---------------------------------------------------------------- layout

int SpinFontHeight(const TFontMetrics& m) {
    return m.TextHeight + 8 * m.CyBorder;
}

int SpinMinHeight(const TFontMetrics& m) {
    return m.TextHeight + std::min(m.TextHeight, m.ScreenTextHeight) / 4 + 4 * m.CyBorder + 2;
}

TSpinEditLayout SpinLayout(int width, int height, const TFontMetrics& m) {
    TSpinEditLayout out;
    out.Height = std::max(height, SpinMinHeight(m));

    const int left = width - SpinPairWidth - 5;
    out.Pair = {left, 0, left + SpinPairWidth, out.Height - 5};

    const int pairHeight = out.Pair.Height();
    const int upHeight = pairHeight / 2;
    out.UpArrow = {0, 0, SpinPairWidth, upHeight};
    out.DownArrow = {0, upHeight - 1, SpinPairWidth, pairHeight};

    const int clientWidth = width - 2 * SpinEdgeWidth;
    const int clientHeight = out.Height - 2 * SpinEdgeWidth;
    out.Text = {0, 0, clientWidth - SpinPairWidth - 2, clientHeight + 1};
    return out;
}

} // namespace vostrel
