#include "engine/Errors.h"

namespace vostrel {

std::string formatText(const std::string& pattern, const std::string& arg) {
    std::string out = pattern;
    if (auto at = out.find("%s"); at != std::string::npos)
        out.replace(at, 2, arg);
    return out;
}

namespace {
std::string threadErrorText(const std::string& systemMessage, int code) {
    std::string text = formatText("Thread Error: %s (%d)", systemMessage);
    text.replace(text.rfind("%d"), 2, std::to_string(code));
    return text;
}
} // namespace

EThread::EThread(const std::string& systemMessage, int code)
    : Exception(threadErrorText(systemMessage, code)), code_(code) {}

EThreadCreation::EThreadCreation(const std::string& systemMessage)
    : Exception(formatText("Thread creation error: %s", systemMessage)) {}

} // namespace vostrel
