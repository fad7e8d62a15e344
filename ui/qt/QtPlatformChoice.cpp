#include "ui/qt/QtPlatformChoice.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace vostrel::qt {

namespace {

bool xServerAnswers() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    xcb_connection_t* c = xcb_connect(display, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}

} // namespace

std::vector<char*> platformArguments(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if ((!chosen || !*chosen) && xServerAnswers()) {
        static char option[] = "-platform";
        static char xcb[] = "xcb";
        args.push_back(option);
        args.push_back(xcb);
    }
    args.push_back(nullptr);
    return args;
}

} // namespace vostrel::qt
