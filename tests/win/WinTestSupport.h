#pragma once
// Helpers for the Windows tests: a scratch folder, whole-file reads and writes,
// waiting on a condition while the thread's messages are dispatched, and acting
// from inside modal loops and message boxes.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/WinApi.h"
#include "support/Files.h"

namespace vostrel::wintest {

// A fresh folder under the temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

bool exists(const std::string& path);
using vostrel::test::readFile;
using vostrel::test::writeFile;

// Dispatches the thread's messages until `done()` holds or the bound passes.
bool pumpMessagesUntil(const std::function<bool()>& done,
                       std::chrono::milliseconds bound = std::chrono::seconds(20));

std::string windowText(HWND w);
// A child window's rectangle in its parent's client coordinates.
RECT childRect(HWND child);

// Calls `check` from inside whatever loop runs, every few milliseconds, through a
// thread timer: the way to act while a modal loop or a message box is up.
class DuringLoops {
public:
    explicit DuringLoops(std::function<void()> check);
    ~DuringLoops();
    DuringLoops(const DuringLoops&) = delete;
    DuringLoops& operator=(const DuringLoops&) = delete;

private:
    UINT_PTR id_;
};

// A message box seen from inside its own loop, then answered with OK.
struct SeenBox {
    std::string text;
    std::string caption;
    HWND owner = nullptr;
    std::vector<bool> enabled; // of the windows watched
};

class BoxAnswerer {
public:
    explicit BoxAnswerer(std::vector<HWND> watched = {})
        : watched_(std::move(watched)), during_([this] { answer(); }) {}
    std::vector<SeenBox> boxes;

private:
    void answer();
    std::vector<HWND> watched_;
    DuringLoops during_;
};

} // namespace vostrel::wintest
