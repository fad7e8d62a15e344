#include "platform/linux/Diagnostics.h"

#include <unistd.h>

namespace vostrel {

void WriteStderrLine(const std::string& line) {
    const std::string text = line + '\n';
    ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
    (void)ignored;
}

TDiagnostic DiagnosticOrStderr(TDiagnostic sink) {
    if (sink)
        return sink;
    return WriteStderrLine;
}

} // namespace vostrel
