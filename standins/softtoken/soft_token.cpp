// PKCS#11 entry points of the software token.
#include <stdio.h>
#include <string.h>

#include "soft_token.h"

#if defined(_WIN32)
#include <windows.h>
#define SOFT_EXPORT extern "C" __declspec(dllexport)
#else
#include <dlfcn.h>
#define SOFT_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

struct FindState {
    bool active = false;
    std::vector<CK_OBJECT_HANDLE> results;
    size_t position = 0;
};

struct Session {
    CK_SLOT_ID slot;
    bool readWrite;
    FindState find;
};

struct Library {
    bool initialized = false;
    SoftConfig config;
    std::map<CK_SESSION_HANDLE, Session> sessions;
    CK_SESSION_HANDLE nextSession = 1;
    CK_OBJECT_HANDLE nextObject = 1;
};

Library g_library;

std::string ConfigPath() {
    char path[4096] = {0};
#if defined(_WIN32)
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCSTR)&ConfigPath, &self);
    GetModuleFileNameA(self, path, sizeof path - 1);
#else
    Dl_info info;
    if (dladdr((void *)&ConfigPath, &info) && info.dli_fname) strncpy(path, info.dli_fname, sizeof path - 1);
#endif
    std::string p = path;
    size_t dot = p.find_last_of('.');
    size_t sep = p.find_last_of("/\\");
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) p.erase(dot);
    return p + ".conf";
}

void Log(const char *call, CK_RV rv) {
    if (g_library.config.logPath.empty()) return;
    FILE *f = fopen(g_library.config.logPath.c_str(), "ab");
    if (!f) return;
    fprintf(f, "%s %lu\n", call, (unsigned long)rv);
    fclose(f);
}

#define RETURN(rv)         \
    do {                   \
        CK_RV r_ = (rv);   \
        Log(__func__, r_); \
        return r_;         \
    } while (0)

void Pad(CK_UTF8CHAR *field, size_t width, const std::string &text) {
    memset(field, ' ', width);
    memcpy(field, text.data(), text.size() < width ? text.size() : width);
}

SoftSlot *SlotOf(CK_SLOT_ID id) {
    if (id >= g_library.config.slots.size()) return nullptr;
    return &g_library.config.slots[id];
}

// The session, or null with *rv set.
Session *SessionOf(CK_SESSION_HANDLE handle, CK_RV *rv) {
    if (!g_library.initialized) {
        *rv = CKR_CRYPTOKI_NOT_INITIALIZED;
        return nullptr;
    }
    auto it = g_library.sessions.find(handle);
    if (it == g_library.sessions.end()) {
        *rv = CKR_SESSION_HANDLE_INVALID;
        return nullptr;
    }
    SoftSlot *slot = SlotOf(it->second.slot);
    if (!slot->present) {
        *rv = CKR_DEVICE_REMOVED;
        return nullptr;
    }
    if (slot->loggedIn && slot->Fails("removed")) {
        *rv = CKR_DEVICE_REMOVED;
        return nullptr;
    }
    *rv = CKR_OK;
    return &it->second;
}

SoftObject *VisibleObject(SoftSlot *slot, CK_OBJECT_HANDLE handle) {
    for (SoftObject &o : slot->objects)
        if (o.handle == handle && (!o.isPrivate || slot->loggedIn)) return &o;
    return nullptr;
}

bool Matches(const SoftObject &o, const CK_ATTRIBUTE *templ, CK_ULONG count) {
    for (CK_ULONG i = 0; i < count; i++) {
        auto it = o.attributes.find(templ[i].type);
        if (it == o.attributes.end() || it->second.size() != templ[i].ulValueLen) return false;
        if (templ[i].ulValueLen && memcmp(it->second.data(), templ[i].pValue, templ[i].ulValueLen)) return false;
    }
    return true;
}

bool SaveSlot(SoftSlot *slot) {
    return slot->storePath.empty() || SaveSoftStore(slot->storePath, slot->objects, slot->Fails("storerename"));
}

// The full-token fault armed by a destroy: creates left to refuse.
std::string FullMarkPath(const SoftSlot *slot) { return slot->storePath + ".full"; }

unsigned FullCreatesLeft(const SoftSlot *slot) {
    if (slot->storePath.empty()) return 0;
    FILE *f = fopen(FullMarkPath(slot).c_str(), "rb");
    if (!f) return 0;
    unsigned left = 0;
    if (fscanf(f, "%u", &left) != 1) left = 0;
    fclose(f);
    return left;
}

void SetFullCreatesLeft(const SoftSlot *slot, unsigned left) {
    if (slot->storePath.empty()) return;
    if (!left) {
        remove(FullMarkPath(slot).c_str());
        return;
    }
    FILE *f = fopen(FullMarkPath(slot).c_str(), "wb");
    if (!f) return;
    fprintf(f, "%u\n", left);
    fclose(f);
}

CK_RV CK_CALL NotSupported() { return CKR_FUNCTION_NOT_SUPPORTED; }

CK_RV CK_CALL C_Initialize(CK_VOID_PTR args) {
    if (g_library.initialized) return CKR_CRYPTOKI_ALREADY_INITIALIZED;
    Library fresh;
    ReadSoftConfig(ConfigPath(), &fresh.config);
    g_library = fresh;
    if (g_library.config.Fails("initialize")) {
        Log(__func__, CKR_DEVICE_ERROR);
        g_library = Library();
        return CKR_DEVICE_ERROR;
    }
    for (SoftSlot &slot : g_library.config.slots)
        if (!slot.storePath.empty()) LoadSoftStore(slot.storePath, &slot.objects, &g_library.nextObject);
    g_library.initialized = true;
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_Finalize(CK_VOID_PTR reserved) {
    if (reserved) RETURN(CKR_ARGUMENTS_BAD);
    if (!g_library.initialized) RETURN(CKR_CRYPTOKI_NOT_INITIALIZED);
    Log(__func__, CKR_OK);
    g_library = Library();
    return CKR_OK;
}

CK_RV CK_CALL C_GetInfo(CK_INFO *info) {
    if (!g_library.initialized) RETURN(CKR_CRYPTOKI_NOT_INITIALIZED);
    if (!info) RETURN(CKR_ARGUMENTS_BAD);
    memset(info, 0, sizeof *info);
    info->cryptokiVersion.major = 2;
    info->cryptokiVersion.minor = 20;
    Pad(info->manufacturerID, sizeof info->manufacturerID, "Kovara Test");
    Pad(info->libraryDescription, sizeof info->libraryDescription, "Software token");
    info->libraryVersion.major = 1;
    RETURN(CKR_OK);
}

CK_RV CK_CALL ListFunctions(CK_FUNCTION_LIST **list);

CK_RV CK_CALL C_GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID *list, CK_ULONG *count) {
    if (!g_library.initialized) RETURN(CKR_CRYPTOKI_NOT_INITIALIZED);
    if (!count) RETURN(CKR_ARGUMENTS_BAD);
    if (!list && !tokenPresent && g_library.config.Fails("slotcount")) RETURN(CKR_DEVICE_ERROR);
    if (!list && tokenPresent && g_library.config.Fails("presentcount")) RETURN(CKR_DEVICE_ERROR);
    if (list && g_library.config.Fails("presentlist")) RETURN(CKR_DEVICE_ERROR);
    std::vector<CK_SLOT_ID> ids;
    for (size_t i = 0; i < g_library.config.slots.size(); i++)
        if (!tokenPresent || g_library.config.slots[i].present) ids.push_back(i);
    // "lateinsert": the last token arrives between the count and the list, and
    // the library fills what fits but reports every token with CKR_OK.
    bool lateInsert = tokenPresent && g_library.config.Fails("lateinsert") && !ids.empty();
    if (!list && lateInsert) {
        *count = ids.size() - 1;
        RETURN(CKR_OK);
    }
    if (list && lateInsert && *count < ids.size()) {
        for (CK_ULONG i = 0; i < *count; i++) list[i] = ids[i];
        *count = ids.size();
        RETURN(CKR_OK);
    }
    if (list) {
        if (*count < ids.size()) {
            *count = ids.size();
            RETURN(CKR_BUFFER_TOO_SMALL);
        }
        for (size_t i = 0; i < ids.size(); i++) list[i] = ids[i];
    }
    *count = ids.size();
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_GetSlotInfo(CK_SLOT_ID id, CK_SLOT_INFO *info) {
    if (!g_library.initialized) RETURN(CKR_CRYPTOKI_NOT_INITIALIZED);
    SoftSlot *slot = SlotOf(id);
    if (!slot) RETURN(CKR_SLOT_ID_INVALID);
    if (!info) RETURN(CKR_ARGUMENTS_BAD);
    if (slot->Fails("slotinfo")) RETURN(CKR_DEVICE_ERROR);
    memset(info, 0, sizeof *info);
    Pad(info->slotDescription, sizeof info->slotDescription, slot->description);
    Pad(info->manufacturerID, sizeof info->manufacturerID, "Kovara Test");
    info->flags = CKF_REMOVABLE_DEVICE | CKF_HW_SLOT | (slot->present ? CKF_TOKEN_PRESENT : 0);
    info->hardwareVersion.major = 1;
    info->firmwareVersion.major = 1;
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_GetTokenInfo(CK_SLOT_ID id, CK_TOKEN_INFO *info) {
    if (!g_library.initialized) RETURN(CKR_CRYPTOKI_NOT_INITIALIZED);
    SoftSlot *slot = SlotOf(id);
    if (!slot) RETURN(CKR_SLOT_ID_INVALID);
    if (!info) RETURN(CKR_ARGUMENTS_BAD);
    if (!slot->present) RETURN(CKR_TOKEN_NOT_PRESENT);
    if (slot->Fails("tokeninfo")) RETURN(CKR_DEVICE_ERROR);
    memset(info, 0, sizeof *info);
    Pad(info->label, sizeof info->label, slot->label);
    Pad(info->manufacturerID, sizeof info->manufacturerID, slot->manufacturer);
    Pad(info->model, sizeof info->model, slot->model);
    Pad(info->serialNumber, sizeof info->serialNumber, slot->serial);
    info->flags = CKF_LOGIN_REQUIRED | CKF_USER_PIN_INITIALIZED | CKF_TOKEN_INITIALIZED;
    CK_ULONG sessions = 0;
    for (auto &s : g_library.sessions)
        if (s.second.slot == id) sessions++;
    info->ulMaxSessionCount = 16;
    info->ulSessionCount = sessions;
    info->ulMaxRwSessionCount = 16;
    info->ulRwSessionCount = sessions;
    info->ulMaxPinLen = 99;
    info->ulMinPinLen = 1;
    info->ulTotalPublicMemory = slot->capacity;
    info->ulTotalPrivateMemory = slot->capacity;
    size_t used = slot->UsedBytes();
    info->ulFreePublicMemory = info->ulFreePrivateMemory = used < slot->capacity ? slot->capacity - used : 0;
    info->hardwareVersion.major = 1;
    info->firmwareVersion.major = 1;
    memset(info->utcTime, ' ', sizeof info->utcTime);
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_OpenSession(CK_SLOT_ID id, CK_FLAGS flags, CK_VOID_PTR, CK_NOTIFY, CK_SESSION_HANDLE *session) {
    if (!g_library.initialized) RETURN(CKR_CRYPTOKI_NOT_INITIALIZED);
    SoftSlot *slot = SlotOf(id);
    if (!slot) RETURN(CKR_SLOT_ID_INVALID);
    if (!session) RETURN(CKR_ARGUMENTS_BAD);
    if (!(flags & CKF_SERIAL_SESSION)) RETURN(CKR_SESSION_PARALLEL_NOT_SUPPORTED);
    if (!slot->present) RETURN(CKR_TOKEN_NOT_PRESENT);
    if (slot->Fails("opensession")) RETURN(CKR_DEVICE_ERROR);
    Session s;
    s.slot = id;
    s.readWrite = (flags & CKF_RW_SESSION) != 0;
    *session = g_library.nextSession++;
    g_library.sessions[*session] = s;
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_CloseSession(CK_SESSION_HANDLE handle) {
    CK_RV rv;
    Session *s = SessionOf(handle, &rv);
    if (!s) RETURN(rv);
    CK_SLOT_ID slot = s->slot;
    g_library.sessions.erase(handle);
    bool others = false;
    for (auto &each : g_library.sessions) others |= each.second.slot == slot;
    if (!others) SlotOf(slot)->loggedIn = false;
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_Login(CK_SESSION_HANDLE handle, CK_USER_TYPE user, CK_UTF8CHAR *pin, CK_ULONG length) {
    CK_RV rv;
    Session *s = SessionOf(handle, &rv);
    if (!s) RETURN(rv);
    if (user != CKU_USER) RETURN(CKR_USER_TYPE_INVALID);
    SoftSlot *slot = SlotOf(s->slot);
    if (slot->loggedIn) RETURN(CKR_USER_ALREADY_LOGGED_IN);
    if (!pin && length) RETURN(CKR_ARGUMENTS_BAD);
    if (length == 0 || length > 99) RETURN(CKR_PIN_LEN_RANGE);
    if (std::string((const char *)pin, length) != slot->pin) RETURN(CKR_PIN_INCORRECT);
    slot->loggedIn = true;
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_Logout(CK_SESSION_HANDLE handle) {
    CK_RV rv;
    Session *s = SessionOf(handle, &rv);
    if (!s) RETURN(rv);
    SoftSlot *slot = SlotOf(s->slot);
    if (!slot->loggedIn) RETURN(CKR_USER_NOT_LOGGED_IN);
    slot->loggedIn = false;
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_CreateObject(CK_SESSION_HANDLE handle, CK_ATTRIBUTE *templ, CK_ULONG count, CK_OBJECT_HANDLE *object) {
    CK_RV rv;
    Session *s = SessionOf(handle, &rv);
    if (!s) RETURN(rv);
    if (!templ || !object) RETURN(CKR_ARGUMENTS_BAD);
    if (!s->readWrite) RETURN(CKR_SESSION_READ_ONLY);
    SoftSlot *slot = SlotOf(s->slot);
    if (slot->Fails("create")) RETURN(CKR_DEVICE_ERROR);
    SoftObject o;
    size_t bytes = 0;
    for (CK_ULONG i = 0; i < count; i++) {
        if (templ[i].ulValueLen && !templ[i].pValue) RETURN(CKR_ATTRIBUTE_VALUE_INVALID);
        const unsigned char *v = (const unsigned char *)templ[i].pValue;
        o.attributes[templ[i].type] = std::vector<unsigned char>(v, v + templ[i].ulValueLen);
        bytes += templ[i].ulValueLen;
    }
    auto cls = o.attributes.find(CKA_CLASS);
    if (cls == o.attributes.end()) RETURN(CKR_TEMPLATE_INCOMPLETE);
    if (cls->second.size() != sizeof(CK_OBJECT_CLASS)) RETURN(CKR_ATTRIBUTE_VALUE_INVALID);
    auto flag = [&](CK_ATTRIBUTE_TYPE type, bool otherwise, bool *valid) {
        auto it = o.attributes.find(type);
        if (it == o.attributes.end()) return otherwise;
        if (it->second.size() != sizeof(CK_BBOOL)) *valid = false;
        return it->second.size() == 1 && it->second[0] != 0;
    };
    bool valid = true;
    o.isToken = flag(CKA_TOKEN, false, &valid);
    o.isPrivate = flag(CKA_PRIVATE, false, &valid);
    if (!valid) RETURN(CKR_ATTRIBUTE_VALUE_INVALID);
    if (o.isPrivate && !slot->loggedIn) RETURN(CKR_USER_NOT_LOGGED_IN);
    if (slot->UsedBytes() + bytes > slot->capacity) RETURN(CKR_DEVICE_MEMORY);
    if (unsigned left = FullCreatesLeft(slot)) {
        SetFullCreatesLeft(slot, left - 1);
        RETURN(CKR_DEVICE_MEMORY);
    }
    o.handle = g_library.nextObject++;
    slot->objects.push_back(o);
    if (o.isToken && !SaveSlot(slot)) {
        slot->objects.pop_back();
        RETURN(CKR_DEVICE_ERROR);
    }
    *object = o.handle;
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_DestroyObject(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object) {
    CK_RV rv;
    Session *s = SessionOf(handle, &rv);
    if (!s) RETURN(rv);
    SoftSlot *slot = SlotOf(s->slot);
    SoftObject *o = VisibleObject(slot, object);
    if (!o) RETURN(CKR_OBJECT_HANDLE_INVALID);
    if (o->isToken && !s->readWrite) RETURN(CKR_SESSION_READ_ONLY);
    if (slot->Fails("destroy")) RETURN(CKR_DEVICE_ERROR);
    // A destroy the store cannot record leaves the object where it was.
    SoftObject destroyed = *o;
    size_t at = (size_t)(o - slot->objects.data());
    slot->objects.erase(slot->objects.begin() + at);
    if (destroyed.isToken && !SaveSlot(slot)) {
        slot->objects.insert(slot->objects.begin() + at, destroyed);
        RETURN(CKR_DEVICE_ERROR);
    }
    if (slot->fullAfterDestroy) SetFullCreatesLeft(slot, slot->fullAfterDestroy);
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_GetAttributeValue(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object, CK_ATTRIBUTE *templ,
                                  CK_ULONG count) {
    CK_RV rv;
    Session *s = SessionOf(handle, &rv);
    if (!s) RETURN(rv);
    if (!templ) RETURN(CKR_ARGUMENTS_BAD);
    SoftSlot *slot = SlotOf(s->slot);
    SoftObject *o = VisibleObject(slot, object);
    if (!o) RETURN(CKR_OBJECT_HANDLE_INVALID);
    if (slot->Fails("getattribute")) RETURN(CKR_DEVICE_ERROR);
    rv = CKR_OK;
    for (CK_ULONG i = 0; i < count; i++) {
        auto it = o->attributes.find(templ[i].type);
        if (it == o->attributes.end()) {
            templ[i].ulValueLen = CK_UNAVAILABLE_INFORMATION;
            rv = CKR_ATTRIBUTE_TYPE_INVALID;
        } else if (!templ[i].pValue) {
            templ[i].ulValueLen = it->second.size();
        } else if (templ[i].ulValueLen < it->second.size()) {
            templ[i].ulValueLen = CK_UNAVAILABLE_INFORMATION;
            if (rv == CKR_OK) rv = CKR_BUFFER_TOO_SMALL;
        } else {
            if (!it->second.empty()) memcpy(templ[i].pValue, it->second.data(), it->second.size());
            templ[i].ulValueLen = it->second.size();
        }
    }
    RETURN(rv);
}

CK_RV CK_CALL C_FindObjectsInit(CK_SESSION_HANDLE handle, CK_ATTRIBUTE *templ, CK_ULONG count) {
    CK_RV rv;
    Session *s = SessionOf(handle, &rv);
    if (!s) RETURN(rv);
    if (count && !templ) RETURN(CKR_ARGUMENTS_BAD);
    if (s->find.active) RETURN(CKR_OPERATION_ACTIVE);
    SoftSlot *slot = SlotOf(s->slot);
    if (slot->Fails("findinit")) RETURN(CKR_DEVICE_ERROR);
    s->find = FindState();
    s->find.active = true;
    for (const SoftObject &o : slot->objects)
        if ((!o.isPrivate || slot->loggedIn) && Matches(o, templ, count)) s->find.results.push_back(o.handle);
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_FindObjects(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE *objects, CK_ULONG maxCount, CK_ULONG *found) {
    CK_RV rv;
    Session *s = SessionOf(handle, &rv);
    if (!s) RETURN(rv);
    if (!objects || !found) RETURN(CKR_ARGUMENTS_BAD);
    if (!s->find.active) RETURN(CKR_OPERATION_NOT_INITIALIZED);
    if (SlotOf(s->slot)->Fails("findobjects")) RETURN(CKR_DEVICE_ERROR);
    CK_ULONG n = 0;
    while (n < maxCount && s->find.position < s->find.results.size())
        objects[n++] = s->find.results[s->find.position++];
    *found = n;
    RETURN(CKR_OK);
}

CK_RV CK_CALL C_FindObjectsFinal(CK_SESSION_HANDLE handle) {
    CK_RV rv;
    Session *s = SessionOf(handle, &rv);
    if (!s) RETURN(rv);
    if (!s->find.active) RETURN(CKR_OPERATION_NOT_INITIALIZED);
    s->find = FindState();
    if (SlotOf(s->slot)->Fails("findfinal")) RETURN(CKR_DEVICE_ERROR);
    RETURN(CKR_OK);
}

CK_FUNCTION_LIST MakeFunctionList() {
    CK_FUNCTION_LIST list;
    // Every entry first answers "not supported"; the calls the token serves
    // then take their places.
    CK_UNUSED_FN *first = (CK_UNUSED_FN *)((char *)&list + offsetof(CK_FUNCTION_LIST, C_Initialize));
    for (int i = 0; i < 68; i++) first[i] = (CK_UNUSED_FN)NotSupported;
    list.version.major = 2;
    list.version.minor = 20;
    list.C_Initialize = C_Initialize;
    list.C_Finalize = C_Finalize;
    list.C_GetInfo = C_GetInfo;
    list.C_GetFunctionList = ListFunctions;
    list.C_GetSlotList = C_GetSlotList;
    list.C_GetSlotInfo = C_GetSlotInfo;
    list.C_GetTokenInfo = C_GetTokenInfo;
    list.C_OpenSession = C_OpenSession;
    list.C_CloseSession = C_CloseSession;
    list.C_Login = C_Login;
    list.C_Logout = C_Logout;
    list.C_CreateObject = C_CreateObject;
    list.C_DestroyObject = C_DestroyObject;
    list.C_GetAttributeValue = C_GetAttributeValue;
    list.C_FindObjectsInit = C_FindObjectsInit;
    list.C_FindObjects = C_FindObjects;
    list.C_FindObjectsFinal = C_FindObjectsFinal;
    return list;
}

CK_FUNCTION_LIST g_functions = MakeFunctionList();

CK_RV CK_CALL ListFunctions(CK_FUNCTION_LIST **list) {
    if (!list) return CKR_ARGUMENTS_BAD;
    *list = &g_functions;
    return CKR_OK;
}

}  // namespace

SOFT_EXPORT CK_RV CK_CALL C_GetFunctionList(CK_FUNCTION_LIST **list) {
    // The configuration may also refuse the list, to model a broken library.
    SoftConfig config;
    ReadSoftConfig(ConfigPath(), &config);
    if (config.Fails("functionlist")) return CKR_GENERAL_ERROR;
    return ListFunctions(list);
}
