#include <stdio.h>
#include <stdlib.h>

#include "soft_token.h"

static std::string Trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

static std::set<std::string> Words(const std::string &list) {
    std::set<std::string> words;
    std::string word;
    for (char c : list + ",") {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!word.empty()) words.insert(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

static std::string Folder(const std::string &path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

static std::string Resolve(const std::string &folder, const std::string &name) {
    if (name.empty()) return name;
    if (name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':')) return name;
    return folder + name;
}

void ReadSoftConfig(const std::string &path, SoftConfig *config) {
    *config = SoftConfig();
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return;
    std::string folder = Folder(path);
    SoftSlot *slot = nullptr;
    char line[1024];
    while (fgets(line, sizeof line, f)) {
        std::string text = line;
        size_t hash = text.find('#');
        if (hash != std::string::npos) text.erase(hash);
        text = Trim(text);
        if (text.empty()) continue;
        if (text == "[slot]") {
            config->slots.push_back(SoftSlot());
            slot = &config->slots.back();
            continue;
        }
        size_t eq = text.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(text.substr(0, eq)), value = Trim(text.substr(eq + 1));
        if (!slot) {
            if (key == "fail")
                config->faults = Words(value);
            else if (key == "log")
                config->logPath = Resolve(folder, value);
            continue;
        }
        if (key == "present")
            slot->present = value != "0";
        else if (key == "description")
            slot->description = value;
        else if (key == "label")
            slot->label = value;
        else if (key == "manufacturer")
            slot->manufacturer = value;
        else if (key == "model")
            slot->model = value;
        else if (key == "serial")
            slot->serial = value;
        else if (key == "pin")
            slot->pin = value;
        else if (key == "capacity")
            slot->capacity = (size_t)strtoul(value.c_str(), nullptr, 10);
        else if (key == "store")
            slot->storePath = Resolve(folder, value);
        else if (key == "fullafterdestroy")
            slot->fullAfterDestroy = (unsigned)strtoul(value.c_str(), nullptr, 10);
        else if (key == "fail")
            slot->faults = Words(value);
    }
    fclose(f);
}
