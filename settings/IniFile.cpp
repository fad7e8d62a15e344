#include "settings/IniFile.h"

#include "settings/IniText.h"
#include "settings/NumberText.h"

namespace vostrel {

ESettingsWrite::ESettingsWrite(const std::string& fileName)
    : Exception(formatText("Unable to write to %s", fileName)) {}

TIniFile::TIniFile(IProfileFunctions& profile, std::string fileName)
    : profile_(profile), fileName_(std::move(fileName)) {}

TIniFile::~TIniFile() {
    try {
        profile_.FlushFile(fileName_);
    } catch (...) {
        // The answer to the flush is not used, whatever form it takes.
    }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultText) {
    return profile_.ReadText(section, key, defaultText, fileName_);
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                              int32_t defaultValue) {
    return strToIntDef(ReadString(section, key, ""), defaultValue);
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    bool oneLine =
        ini::fitsOnOneLine(section) && ini::fitsOnOneLine(key) && ini::fitsOnOneLine(value);
    if (!oneLine || !profile_.WriteText(section, key, value, fileName_))
        throw ESettingsWrite(fileName_);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

} // namespace vostrel
