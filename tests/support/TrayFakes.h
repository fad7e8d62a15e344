#pragma once
// Fakes of the tray cycle's and the chooser's peers. Each call is written to one
// ordered log, so tests can check the order of the steps across peers.

#include "support/Fakes.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/Peers.h"

#include <deque>
#include <optional>

namespace vostrel::test {

class FakeApplicationWindow : public IApplicationWindowPeer {
public:
    explicit FakeApplicationWindow(EventLog& log) : log_(log) {}
    bool minimized = false;
    std::deque<std::function<void()>> posted;

    bool Minimized() const override { return minimized; }
    void Minimize() override {
        minimized = true;
        log_.add("minimize");
    }
    void ShowTaskbarEntry(bool show) override { log_.add(show ? "taskbar show" : "taskbar hide"); }
    void Restore() override {
        minimized = false;
        log_.add("restore");
    }
    void BringToFront() override { log_.add("front"); }
    void PostCall(std::function<void()> call) override { posted.push_back(std::move(call)); }
    // What the main loop does with the posted calls.
    void RunPosted() {
        while (!posted.empty()) {
            auto call = std::move(posted.front());
            posted.pop_front();
            call();
        }
    }

private:
    EventLog& log_;
};

class FakeTrayIcon : public ITrayIconPeer {
public:
    explicit FakeTrayIcon(EventLog& log) : log_(log) {}
    bool hostAvailable = true;
    bool failAdd = false;
    bool failRemove = false;

    bool HostAvailable() const override { return hostAvailable; }
    bool Add() override {
        log_.add("icon add");
        return !failAdd;
    }
    bool Remove() override {
        log_.add("icon remove");
        return !failRemove;
    }

private:
    EventLog& log_;
};

class FakePopupMenu : public IPopupMenuPeer {
public:
    explicit FakePopupMenu(EventLog& log) : log_(log) {}
    std::vector<std::vector<std::string>> openings; // the captions of each opening
    int prepares = 0;
    int choice = -1;
    std::function<void()> whileOpen;

    void Prepare() override { ++prepares; }
    int Popup(const std::vector<std::string>& captions) override {
        openings.push_back(captions);
        log_.add("menu open");
        if (whileOpen)
            whileOpen();
        log_.add("menu closed");
        return choice;
    }

private:
    EventLog& log_;
};

class FakeOpenDialog : public IOpenDialogPeer {
public:
    explicit FakeOpenDialog(const TOpenDialog& dialog) : dialog_(dialog) {}
    std::vector<std::string> fileNamesShown; // the dialog's FileName at each opening
    std::optional<std::string> answer;

    std::optional<std::string> Execute() override {
        fileNamesShown.push_back(dialog_.FileName);
        return answer;
    }

private:
    const TOpenDialog& dialog_;
};

class RecordingFolder : public ICurrentFolder {
public:
    std::vector<std::string> entered;
    void EnterFolderOf(const std::string& file) override { entered.push_back(file); }
};

// Message boxes and the quit request, logged instead of shown. Windows are
// named by C strings; what a modal window does to them is logged too.
class RecordingApplicationPeer : public IApplicationPeer {
public:
    explicit RecordingApplicationPeer(EventLog& log) : log_(log) {}
    std::vector<TNativeWindow> usable;
    TActivation activation;
    TNativeWindow defaultOwner = nullptr;

    void MessageBox(TNativeWindow owner, const std::string& text, const std::string& caption,
                    unsigned) override {
        log_.add("box " + text + " | " + caption + (owner ? " @" + name(owner) : ""));
    }
    void PostQuit() override { log_.add("quit"); }
    void Run(TForm&) override {}
    void SetTitle(const std::string&) override {}
    std::vector<TNativeWindow> UsableWindows() override { return usable; }
    void SetWindowEnabled(TNativeWindow w, bool on) override {
        log_.add((on ? "enable " : "disable ") + name(w));
    }
    TActivation Activation() override { return activation; }
    void SetActivation(const TActivation& a) override {
        log_.add("activate " + name(a.Window) + " focus " + name(a.Focus));
    }
    TNativeWindow DefaultOwner() override { return defaultOwner; }

    static TNativeWindow Window(const char* name) { return const_cast<char*>(name); }

private:
    static std::string name(TNativeWindow w) { return w ? static_cast<const char*>(w) : "-"; }
    EventLog& log_;
};

} // namespace vostrel::test
