#pragma once
// The settings-file object: opened for one load or one save, released at once.
// It reaches the file through the platform's profile functions.

#include "engine/Errors.h"

#include <cstdint>
#include <string>

namespace vostrel {

// The platform's profile functions (GetPrivateProfileStringA and
// WritePrivateProfileStringA on Windows, our own code on Linux).
class IProfileFunctions {
public:
    virtual ~IProfileFunctions() = default;
    // The value of `key` in `section` of file `fileName`, or `defaultText` when
    // the file, the section or the key is absent or the file cannot be read; at
    // most 2047 characters, one pair of enclosing quotation marks removed.
    virtual std::string ReadText(const std::string& section, const std::string& key,
                                 const std::string& defaultText, const std::string& fileName) = 0;
    // Writes key=value into the section, creating file, section or key as
    // needed and keeping everything else; false when the write failed.
    virtual bool WriteText(const std::string& section, const std::string& key,
                           const std::string& value, const std::string& fileName) = 0;
    // The write with section, key and value all null: hands any cached copy of
    // the file to the disk.
    virtual bool FlushFile(const std::string& fileName) = 0;
};

// A write to the settings file failed ("Unable to write to %s").
class ESettingsWrite : public Exception {
public:
    explicit ESettingsWrite(const std::string& fileName);
};

class TIniFile {
public:
    // Remembers the path; touches no file.
    TIniFile(IProfileFunctions& profile, std::string fileName);
    // Releases the file: asks the platform to flush it and ignores the answer.
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }

    // Never fail: defaults stand in for whatever is missing or unusable.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultText);
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue);

    // Raise ESettingsWrite when the platform reports failure, and for a text
    // with a line break, which would add lines of its own to the file.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);

private:
    IProfileFunctions& profile_;
    std::string fileName_;
};

} // namespace vostrel
