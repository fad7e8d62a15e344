#pragma once
// Fakes of the world for core tests: a scripted joystick, a recording launcher,
// lamps and application, and a pump that plays the main thread.

#include "engine/HandOver.h"
#include "engine/Platform.h"
#include "engine/PollTick.h"

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vostrel::test {

// Answers readings from a script; when the script runs dry the last reading repeats.
class ScriptedJoystick : public IJoystick {
public:
    struct Reading {
        uint32_t result = JOYERR_NOERROR;
        uint32_t buttons = 0;
    };
    uint32_t devices = 1;
    std::deque<Reading> script;
    Reading last;
    std::vector<uint32_t> idsAsked;

    uint32_t NumDevs() override { return devices; }
    uint32_t GetPos(uint32_t id, TJoyInfo& info) override {
        idsAsked.push_back(id);
        if (!script.empty()) {
            last = script.front();
            script.pop_front();
        }
        info.wButtons = last.buttons;
        return last.result;
    }
};

// One ordered log that lamps, launches and message boxes all write to, so tests
// can check their interleaving.
class EventLog {
public:
    std::vector<std::string> events;
    void add(std::string e) { events.push_back(std::move(e)); }
};

class RecordingLauncher : public ILauncher {
public:
    explicit RecordingLauncher(EventLog& log) : log_(log) {}
    void Launch(const std::string& path, const std::string& argument) override {
        log_.add("launch " + path + " " + argument);
    }

private:
    EventLog& log_;
};

class RecordingLamp : public ILamp {
public:
    RecordingLamp(EventLog& log, int number) : log_(log), number_(number) {}
    TColor colour = clWhite;
    void SetColor(TColor c) override {
        colour = c;
        log_.add("lamp " + std::to_string(number_) + (c == clRed ? " red" : " white"));
    }

private:
    EventLog& log_;
    int number_;
};

class RecordingApplication : public IApplication {
public:
    explicit RecordingApplication(EventLog& log) : log_(log) {}
    int terminations = 0;
    std::function<void()> duringMessageBox; // e.g. pump the hand-over like a modal loop
    void MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        log_.add("box " + text + " | " + caption + " | " + std::to_string(flags));
        if (duringMessageBox)
            duringMessageBox();
    }
    void Terminate() override {
        ++terminations;
        log_.add("terminate");
    }

private:
    EventLog& log_;
};

// Plays the main thread: services the hand-over until `done()` or the bound.
bool pumpUntil(HandOver& handOver, const std::function<bool()>& done,
               std::chrono::milliseconds bound = std::chrono::seconds(10));

} // namespace vostrel::test

#include "settings/IniFile.h"

#include <map>
#include <tuple>

namespace vostrel::test {

// Profile functions over memory: one map per file, names compared as written.
class MemoryProfile : public IProfileFunctions {
public:
    std::map<std::string, std::map<std::pair<std::string, std::string>, std::string>> files;
    bool failWrites = false;
    int flushes = 0;

    std::string ReadText(const std::string& section, const std::string& key,
                         const std::string& defaultText, const std::string& fileName) override {
        auto f = files.find(fileName);
        if (f == files.end())
            return defaultText;
        auto v = f->second.find({section, key});
        return v == f->second.end() ? defaultText : v->second;
    }
    bool WriteText(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& fileName) override {
        if (failWrites)
            return false;
        files[fileName][{section, key}] = value;
        return true;
    }
    bool FlushFile(const std::string&) override {
        ++flushes;
        return true;
    }
};

} // namespace vostrel::test
