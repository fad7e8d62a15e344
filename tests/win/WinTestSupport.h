#pragma once
// Helpers for the Windows tests: a scratch folder, whole-file reads and writes,
// and waiting on a condition while the thread's messages are dispatched.

#include <chrono>
#include <functional>
#include <string>

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
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// Dispatches the thread's messages until `done()` holds or the bound passes.
bool pumpMessagesUntil(const std::function<bool()>& done,
                       std::chrono::milliseconds bound = std::chrono::seconds(20));

} // namespace vostrel::wintest
