// The token code against a PKCS#11 library that answers with fuzz data: slot
// lists of any length (more slots than the list holds included), slot and
// token information with unterminated fields, failing calls anywhere, object
// searches that report more than they were asked for, and attribute reads
// whose length changes between the two calls. The library is compiled into
// the harness: the module loader below stands in for the platform one (the
// archive's loader is not linked, as every symbol it holds is defined here).
#include <stdlib.h>
#include <string.h>

#include "fuzz_input.h"
#include "token/core/module_loader.h"
#include "token/core/token_binding.h"
#include "token/core/token_key_object.h"
#include "token/core/token_session_core.h"

namespace {

FuzzedDataProvider *answers;

CK_RV Result() {
    // Mostly success, so that the calls after it are reached.
    return answers->ConsumeIntegralInRange<int>(0, 7) == 0 ? CKR_GENERAL_ERROR : CKR_OK;
}

CK_RV CK_CALL Initialize(CK_VOID_PTR) { return Result(); }
CK_RV CK_CALL Finalize(CK_VOID_PTR) { return CKR_OK; }

CK_RV CK_CALL GetSlotList(CK_BBOOL, CK_SLOT_ID *slots, CK_ULONG *count) {
    CK_RV rv = Result();
    if (rv != CKR_OK) return rv;
    CK_ULONG reported = answers->ConsumeIntegralInRange<CK_ULONG>(0, 300);
    if (slots)
        for (CK_ULONG i = 0; i < reported && i < *count; ++i) slots[i] = answers->ConsumeIntegral<uint8_t>();
    *count = reported;
    return CKR_OK;
}

template <typename Info>
CK_RV Fill(Info *info) {
    CK_RV rv = Result();
    if (rv != CKR_OK) return rv;
    std::vector<unsigned char> bytes = Take(*answers, sizeof *info);
    memcpy(info, bytes.data(), sizeof *info);
    return CKR_OK;
}

CK_RV CK_CALL GetSlotInfo(CK_SLOT_ID, CK_SLOT_INFO *info) { return Fill(info); }
CK_RV CK_CALL GetTokenInfo(CK_SLOT_ID, CK_TOKEN_INFO *info) { return Fill(info); }

CK_RV CK_CALL OpenSession(CK_SLOT_ID, CK_FLAGS, CK_VOID_PTR, CK_NOTIFY, CK_SESSION_HANDLE *session) {
    *session = 7;
    return Result();
}
CK_RV CK_CALL CloseSession(CK_SESSION_HANDLE) { return CKR_OK; }
CK_RV CK_CALL Login(CK_SESSION_HANDLE, CK_USER_TYPE, CK_UTF8CHAR *, CK_ULONG) { return Result(); }
CK_RV CK_CALL Logout(CK_SESSION_HANDLE) { return CKR_OK; }
CK_RV CK_CALL DestroyObject(CK_SESSION_HANDLE, CK_OBJECT_HANDLE) { return Result(); }

CK_RV CK_CALL FindObjectsInit(CK_SESSION_HANDLE, CK_ATTRIBUTE *, CK_ULONG) { return Result(); }
CK_RV CK_CALL FindObjects(CK_SESSION_HANDLE, CK_OBJECT_HANDLE *objects, CK_ULONG maxCount, CK_ULONG *found) {
    CK_RV rv = Result();
    CK_ULONG reported = answers->ConsumeIntegralInRange<CK_ULONG>(0, maxCount + 2);
    for (CK_ULONG i = 0; i < reported && i < maxCount; ++i) objects[i] = answers->ConsumeIntegral<uint8_t>();
    *found = reported;
    return rv;
}
CK_RV CK_CALL FindObjectsFinal(CK_SESSION_HANDLE) { return Result(); }

// The value's length when asked without a buffer; with a buffer, a length
// that may differ from the first answer, and as many bytes as fit.
CK_RV CK_CALL GetAttributeValue(CK_SESSION_HANDLE, CK_OBJECT_HANDLE, CK_ATTRIBUTE *templ, CK_ULONG count) {
    CK_RV rv = Result();
    for (CK_ULONG i = 0; i < count; ++i) {
        CK_ULONG length = answers->ConsumeBool() ? CK_ULONG(kTokenKeySize)
                                                 : answers->ConsumeIntegralInRange<CK_ULONG>(0, 2048);
        if (answers->ConsumeIntegralInRange<int>(0, 15) == 0) length = CK_UNAVAILABLE_INFORMATION;
        if (templ[i].pValue && length != CK_UNAVAILABLE_INFORMATION) {
            CK_ULONG written = length < templ[i].ulValueLen ? length : templ[i].ulValueLen;
            std::vector<unsigned char> bytes = Take(*answers, written);
            if (written >= 3 && answers->ConsumeBool()) memcpy(bytes.data(), "900", 3);
            memcpy(templ[i].pValue, bytes.data(), written);
        }
        templ[i].ulValueLen = length;
    }
    return rv;
}

CK_FUNCTION_LIST MakeList() {
    CK_FUNCTION_LIST list;
    memset(&list, 0, sizeof list);
    list.C_Initialize = Initialize;
    list.C_Finalize = Finalize;
    list.C_GetSlotList = GetSlotList;
    list.C_GetSlotInfo = GetSlotInfo;
    list.C_GetTokenInfo = GetTokenInfo;
    list.C_OpenSession = OpenSession;
    list.C_CloseSession = CloseSession;
    list.C_Login = Login;
    list.C_Logout = Logout;
    list.C_DestroyObject = DestroyObject;
    list.C_GetAttributeValue = GetAttributeValue;
    list.C_FindObjectsInit = FindObjectsInit;
    list.C_FindObjects = FindObjects;
    list.C_FindObjectsFinal = FindObjectsFinal;
    return list;
}
CK_FUNCTION_LIST functionList = MakeList();

CK_RV CK_CALL GetFunctionList(CK_FUNCTION_LIST **list) {
    *list = &functionList;
    return CKR_OK;
}

int module;  // the one "loaded" library

int Choose(void *, const TokenIdentity *token) {
    if (strlen(token->label) > 32 || strlen(token->serialNumber) > 16) abort();
    return answers->ConsumeBool();
}

}  // namespace

void *LoadModule(const char *) { return &module; }
void *FindModuleSymbol(void *, const char *name) {
    return strcmp(name, "C_GetFunctionList") == 0 ? reinterpret_cast<void *>(GetFunctionList) : nullptr;
}
void UnloadModule(void *) {}
int ModuleFileAccessible(const char *) { return 1; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    answers = &in;
    TokenIdentity identity;
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        ProbeTokenLibrary("fuzz");
        break;
    case 1:
        if (IdentifyToken("fuzz", Choose, nullptr, &identity) == kTokenOk &&
            (strlen(identity.manufacturerId) > 32 || strlen(identity.model) > 16))
            abort();
        break;
    default: {
        TokenBinding binding;
        if (OpenSessionOnToken("fuzz", "Kovara Test", "0001", "1234", &binding, &identity) != kTokenOk) break;
        unsigned char value[kTokenKeySize];
        TokenOutcome read = ReadTokenKeyValue(&binding, kTokenKeySize, value);
        if (read == kTokenOk && memcmp(value, "900", 3) != 0) abort();
        CK_OBJECT_HANDLE handle = 0;
        size_t length = 0;
        if (FindExistingTokenKey(&binding, &handle, &length) == kTokenOk) DestroyTokenKeyObject(&binding, handle);
        CloseSessionOnToken(&binding);
        break;
    }
    }
    answers = nullptr;
    return 0;
}
