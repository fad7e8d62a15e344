// The number box under arbitrary sequences of typing, steps, writes and focus
// changes: reads never fail or change the text, leaving the box brings a
// number into range, and steps never overflow.

#include "support/FakeWidgetServices.h"
#include "ui/SpinEdit.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace vostrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8)
        return 0;
    test::CountingBeeper beeper;
    test::ManualTimers timers;
    TSpinEdit box(beeper, timers);
    int32_t lo, hi;
    std::memcpy(&lo, data, 4);
    std::memcpy(&hi, data + 4, 4);
    box.SetMinValue(lo);
    box.SetMaxValue(hi);
    box.SetMaxLength(2);
    for (size_t i = 8; i < size; ++i) {
        const uint8_t op = data[i];
        const std::string text = box.Text();
        switch (op % 8) {
        case 0: // a typed character, as the widget set applies it
            if (box.KeyPress(op / 8 + 32) && box.InsertRoom(int(text.size()), 0) > 0)
                box.TextEdited(text + char(op / 8 + 32));
            break;
        case 1:
            box.UpClick();
            break;
        case 2:
            box.DownClick();
            break;
        case 3: {
            const int32_t value = box.Value();
            if (box.Text() != text)
                std::abort(); // reading changed the text
            box.Exit();
            const auto n = TSpinEdit::ParseInteger(box.Text());
            if (n && lo < hi && (*n < lo || *n > hi) && n == value)
                std::abort(); // leaving did not bring the number into range
            break;
        }
        case 4:
            box.SetValue(static_cast<int32_t>(int64_t(op) * 0x01010101 - 0x7F7F7F7F));
            break;
        case 5:
            box.SetText(std::string(op % 5, char('0' + op % 10)));
            break;
        case 6:
            box.KeyDown(op & 8 ? TKey::Up : TKey::Down);
            break;
        default:
            box.SetIncrement(static_cast<int32_t>(op) << 24);
            break;
        }
        if (lo < hi && box.Value() == box.CheckValue(box.Value()) &&
            (box.Value() < lo || box.Value() > hi))
            std::abort(); // CheckValue let an out-of-range number through
    }
    return 0;
}
