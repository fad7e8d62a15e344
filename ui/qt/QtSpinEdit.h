#pragma once
// The joystick number box on Qt: a line edit with the arrow pair over its right
// end. The rules live in TSpinEdit; this widget draws them and feeds them events.

#include "ui/SpinEdit.h"

#include <QWidget>

#include <exception>
#include <functional>
#include <memory>

class QLineEdit;

namespace vostrel {

class QtSpinField;
class QtSpinArrow;

class QtSpinEdit : public QWidget, private ISpinEditView {
    Q_OBJECT
public:
    // `beeper` and `timers` default to the desktop's beep and QTimer; tests pass fakes,
    // which must outlive the widget.
    explicit QtSpinEdit(QWidget* parent = nullptr, IBeeper* beeper = nullptr,
                        ITimerFactory* timers = nullptr);
    ~QtSpinEdit() override;

    // The box's properties, Value and steps.
    TSpinEdit& Box() { return box_; }
    const TSpinEdit& Box() const { return box_; }

    // Where errors raised by the arrows go ("Not enough timers available", a failed
    // step): the application's error display.
    void SetErrorDisplay(std::function<void(const std::exception&)> display);

    // The text field, which takes the focus for the box (it is the box's focus proxy).
    QLineEdit* Field() const;
    QWidget* ArrowPair() const { return pair_; }
    QWidget* UpArrow() const;
    QWidget* DownArrow() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class QtSpinField;
    friend class QtSpinArrow;

    // ISpinEditView
    void SetText(const std::string& text) override;
    void SelectAll() override;
    bool Focused() const override;
    bool CanFocus() const override;
    void SetFocus() override;
    void SetReadOnly(bool readOnly) override;

    void showError(const std::exception& error);
    TFontMetrics metrics() const;

    std::unique_ptr<IBeeper> ownBeeper_;
    std::unique_ptr<ITimerFactory> ownTimers_;
    std::function<void(const std::exception&)> errorDisplay_;
    TSpinEdit box_;
    QtSpinField* field_;
    QWidget* pair_;
    QtSpinArrow* up_;
    QtSpinArrow* down_;
};

} // namespace vostrel
