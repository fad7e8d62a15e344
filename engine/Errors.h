#pragma once
// Error types raised by the core. Their texts reach the user through the
// application's error display, so they are kept word for word.

#include <stdexcept>
#include <string>

namespace vostrel {

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A platform thread operation failed ("Thread Error: %s (%d)").
class EThread : public Exception {
public:
    EThread(const std::string& systemMessage, int code);
    int code() const noexcept { return code_; }

private:
    int code_;
};

// The worker thread could not be made ("Thread creation error: %s").
class EThreadCreation : public Exception {
public:
    explicit EThreadCreation(const std::string& systemMessage);
};

// Replaces the first "%s" of a message template; the templates are fixed texts.
std::string formatText(const std::string& pattern, const std::string& arg);

} // namespace vostrel
