// Writes its arguments, one a line, then its current folder into "<own path>.args".
// The file appears whole (written aside, then renamed), so a test can poll for it.

#include <cstdio>
#include <string>
#include <windows.h>

int main(int argc, char** argv) {
    char self[1024];
    const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    char folder[1024];
    GetCurrentDirectoryA(sizeof folder, folder);
    const std::string target = std::string(self, n) + ".args";
    const std::string temporary = target + ".part";
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f)
        return 1;
    for (int i = 1; i < argc; ++i)
        std::fprintf(f, "%s\n", argv[i]);
    std::fprintf(f, "cwd %s\n", folder);
    std::fclose(f);
    return MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
