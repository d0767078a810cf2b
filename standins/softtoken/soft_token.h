// Internal model of the software token: configuration, slots and objects.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "token/core/pkcs11.h"

struct SoftObject {
    CK_OBJECT_HANDLE handle;
    std::map<CK_ATTRIBUTE_TYPE, std::vector<unsigned char>> attributes;
    bool isToken;    // persisted in the store
    bool isPrivate;  // visible only after a login
};

struct SoftSlot {
    std::string description = "Soft token reader";
    std::string label = "Soft Token";
    std::string manufacturer = "Kovara Test";
    std::string model = "SoftToken";
    std::string serial = "0000";
    std::string pin = "1234";
    std::string storePath;  // empty: objects are not persisted
    size_t capacity = 4096;
    // After a destroy, this many C_CreateObject calls find the token full. The
    // count left is kept in storePath + ".full" so that it outlives C_Finalize.
    unsigned fullAfterDestroy = 0;
    bool present = true;
    std::set<std::string> faults;
    // Run-time state.
    std::vector<SoftObject> objects;
    bool loggedIn = false;

    bool Fails(const char *what) const { return faults.count(what) != 0; }
    size_t UsedBytes() const;
};

struct SoftConfig {
    std::set<std::string> faults;
    std::string logPath;
    std::vector<SoftSlot> slots;

    bool Fails(const char *what) const { return faults.count(what) != 0; }
};

// Reads the configuration; relative paths are taken from the file's folder.
// A missing file gives a configuration without slots.
void ReadSoftConfig(const std::string &path, SoftConfig *config);
// The object store of one token. Loading assigns fresh handles from *next.
bool LoadSoftStore(const std::string &path, std::vector<SoftObject> *objects, CK_OBJECT_HANDLE *next);
// Writes a new store beside the old one and renames it over the old; the
// old one stays whole when any step fails. refuseRename makes the rename fail
// as a full or failing disk would (the slot fault "storerename").
bool SaveSoftStore(const std::string &path, const std::vector<SoftObject> &objects, bool refuseRename = false);
