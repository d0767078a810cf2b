#include "soft_token_fixture.h"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
static const char kSuffix[] = ".dll";
#else
#include <unistd.h>
static const char kSuffix[] = ".so";
#endif

static std::string SoftTokenBuilt() {
    std::string path = SOFTTOKEN_LIBRARY;
#if defined(_WIN32)
    // The build gives a host path; Wine shows the host's root as drive Z:.
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char &c : path)
        if (c == '/') c = '\\';
#endif
    return path;
}

SoftTokenFolder::SoftTokenFolder() {
#if defined(_WIN32)
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static int counter;
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%skvtok%lu-%d\\", temp, (unsigned long)GetCurrentProcessId(), ++counter);
    CreateDirectoryA(name, nullptr);
    dir = name;
#else
    char pattern[] = "/tmp/kovara-softtoken-XXXXXX";
    dir = std::string(mkdtemp(pattern)) + "/";
#endif
}

SoftTokenFolder::~SoftTokenFolder() {
#if defined(_WIN32)
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string file = dir + found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            }
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
#else
    std::string command = "rm -rf '" + dir + "'";
    if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
#endif
}

std::string SoftTokenFolder::Library(const std::string &name) {
    std::string target = dir + name + kSuffix;
    std::ifstream in(SoftTokenBuilt(), std::ios::binary);
    std::ofstream out(target, std::ios::binary);
    out << in.rdbuf();
    return target;
}

void SoftTokenFolder::Configure(const std::string &name, const std::string &text) {
    std::ofstream out(dir + name + ".conf", std::ios::binary | std::ios::trunc);
    out << text;
}

std::string SoftTokenFolder::ReadFile(const std::string &file) const {
    std::ifstream in(dir + file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void SoftTokenFolder::Remove(const std::string &file) const { remove((dir + file).c_str()); }

std::string SoftSlotSection(const std::string &serial, const std::string &extra, const std::string &pin) {
    return "[slot]\nlabel = Token " + serial + "\nmanufacturer = Kovara Test\nmodel = SoftToken\n" +
           "serial = " + serial + "\npin = " + pin + "\nstore = store-" + serial + ".dat\n" + extra;
}
