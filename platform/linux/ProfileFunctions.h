#pragma once
// The profile functions on Linux: INI files read and written with the same
// rules as on Windows. A write rewrites the file safely: a new file is written
// and flushed beside the old one and then renamed over it, so a crash or a full
// disk leaves the old file whole.

#include "platform/linux/FileSystem.h"
#include "settings/IniFile.h"

namespace vostrel {

class TLinuxProfileFunctions : public IProfileFunctions {
public:
    TLinuxProfileFunctions();
    explicit TLinuxProfileFunctions(IFileSystem& files);

    std::string ReadText(const std::string& section, const std::string& key,
                         const std::string& defaultText, const std::string& fileName) override;
    // Fails, leaving the file as it was, when the file is read-only (even for
    // root), cannot be read back, or lies in a folder we may not write; also
    // for a text with a line break. A symbolic link is followed to its target.
    bool WriteText(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& fileName) override;
    // Nothing is cached: every write is on disk when it returns.
    bool FlushFile(const std::string& fileName) override;

private:
    IFileSystem& files_;
};

} // namespace vostrel
