#pragma once
// Which of Qt's window-system backends the program runs on.

#include <vector>

namespace vostrel::qt {

// The arguments to give QApplication: argv, and "-platform xcb" after it when
// an X server answers on $DISPLAY and the user named no backend in
// QT_QPA_PLATFORM. A native Wayland client can neither place its window nor
// learn that it was minimised, so in a Wayland session with XWayland the
// program runs as an X11 client; without an X server Qt's own choice stands.
// The environment is left alone: launched programs inherit it as it was.
std::vector<char*> platformArguments(int argc, char** argv);

} // namespace vostrel::qt
