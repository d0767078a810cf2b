#include "token/core/token_binding.h"

#include <stdlib.h>
#include <string.h>

#include "token/core/module_loader.h"

static void ResetBinding(TokenBinding *b) { memset(b, 0, sizeof *b); }

void FreeTokenSlotList(TokenBinding *b) {
    free(b->slots);
    b->slots = nullptr;
    b->slotCount = 0;
}

void UnbindTokenLibrary(TokenBinding *b) {
    FreeTokenSlotList(b);
    if (b->initialized && b->functions) b->functions->C_Finalize(nullptr);
    UnloadModule(b->module);
    ResetBinding(b);
}

static TokenOutcome Fail(TokenBinding *b, TokenOutcome outcome) {
    UnbindTokenLibrary(b);
    return outcome;
}

TokenOutcome BindTokenLibrary(const char *path, int checkFile, TokenBinding *b) {
    ResetBinding(b);
    if (checkFile && !ModuleFileAccessible(path)) return kTokenFileNotAccessible;
    b->module = LoadModule(path);
    if (!b->module) return kTokenLoadFailed;
    CK_C_GetFunctionList getList = (CK_C_GetFunctionList)FindModuleSymbol(b->module, "C_GetFunctionList");
    if (!getList) return Fail(b, kTokenNoGetFunctionList);
    if (getList(&b->functions) != CKR_OK || !b->functions) return Fail(b, kTokenNoFunctionList);
    if (b->functions->C_Initialize(nullptr) != CKR_OK) return Fail(b, kTokenInitializeFailed);
    b->initialized = 1;

    CK_ULONG count = 0;
    if (b->functions->C_GetSlotList(CK_FALSE, nullptr, &count) != CKR_OK) return Fail(b, kTokenSlotCountFailed);
    if (count == 0) return Fail(b, kTokenNoSlot);
    count = 0;
    if (b->functions->C_GetSlotList(CK_TRUE, nullptr, &count) != CKR_OK) return Fail(b, kTokenPresentCountFailed);
    if (count == 0) return Fail(b, kTokenNoPresentSlot);
    CK_ULONG room = count;
    b->slots = (CK_SLOT_ID *)calloc(room, sizeof(CK_SLOT_ID));
    if (!b->slots) return Fail(b, kTokenNoMemory);
    if (b->functions->C_GetSlotList(CK_TRUE, b->slots, &count) != CKR_OK) return Fail(b, kTokenPresentListFailed);
    if (count == 0) return Fail(b, kTokenPresentListEmpty);
    // A library may report more slots than the list it was given holds.
    b->slotCount = count < room ? count : room;
    return kTokenOk;
}

void TokenFieldText(const CK_UTF8CHAR *field, unsigned width, char *text) {
    memcpy(text, field, width);
    text[width] = 0;
}

void TokenIdentityOf(const CK_TOKEN_INFO *info, TokenIdentity *id) {
    TokenFieldText(info->label, sizeof info->label, id->label);
    TokenFieldText(info->manufacturerID, sizeof info->manufacturerID, id->manufacturerId);
    TokenFieldText(info->model, sizeof info->model, id->model);
    TokenFieldText(info->serialNumber, sizeof info->serialNumber, id->serialNumber);
}

static CK_ULONG CountSlotInfo(TokenBinding *b) {
    CK_ULONG ok = 0;
    for (CK_ULONG i = 0; i < b->slotCount; i++) {
        CK_SLOT_INFO info;
        memset(&info, 0, sizeof info);
        if (b->functions->C_GetSlotInfo(b->slots[i], &info) == CKR_OK) ok++;
    }
    return ok;
}

TokenOutcome ProbeTokenLibrary(const char *path) {
    TokenBinding b;
    TokenOutcome outcome = BindTokenLibrary(path, 1, &b);
    if (outcome != kTokenOk) return outcome;
    outcome = kTokenNoTokenInfo;
    if (CountSlotInfo(&b) == 0) {
        outcome = kTokenNoSlotInfo;
    } else {
        for (CK_ULONG i = 0; i < b.slotCount; i++) {
            CK_TOKEN_INFO info;
            memset(&info, 0, sizeof info);
            if (b.functions->C_GetTokenInfo(b.slots[i], &info) == CKR_OK) {
                outcome = kTokenOk;
                break;
            }
        }
    }
    UnbindTokenLibrary(&b);
    return outcome;
}

static TokenOutcome IdentifyBound(TokenBinding *b, TokenChooser choose, void *context, TokenIdentity *chosen) {
    CK_TOKEN_INFO info;
    if (b->slotCount == 1) {
        CK_SLOT_INFO slotInfo;
        memset(&slotInfo, 0, sizeof slotInfo);
        if (b->functions->C_GetSlotInfo(b->slots[0], &slotInfo) != CKR_OK) return kTokenNoSlotInfo;
        memset(&info, 0, sizeof info);
        if (b->functions->C_GetTokenInfo(b->slots[0], &info) != CKR_OK) return kTokenNoTokenInfo;
        TokenIdentityOf(&info, chosen);
        return kTokenOk;
    }
    if (CountSlotInfo(b) == 0) return kTokenNoSlotInfo;
    CK_ULONG reporting = 0;
    for (CK_ULONG i = 0; i < b->slotCount; i++) {
        CK_TOKEN_INFO each;
        memset(&each, 0, sizeof each);
        if (b->functions->C_GetTokenInfo(b->slots[i], &each) == CKR_OK) {
            if (reporting == 0) info = each;
            reporting++;
        }
    }
    if (reporting == 0) return kTokenNoTokenInfo;
    if (reporting == 1) {
        TokenIdentityOf(&info, chosen);
        return kTokenOk;
    }
    for (CK_ULONG i = 0; i < b->slotCount; i++) {
        memset(&info, 0, sizeof info);
        if (b->functions->C_GetTokenInfo(b->slots[i], &info) != CKR_OK) continue;
        TokenIdentity offered;
        TokenIdentityOf(&info, &offered);
        if (choose(context, &offered)) {
            *chosen = offered;
            return kTokenOk;
        }
    }
    return kTokenAllDeclined;
}

TokenOutcome IdentifyToken(const char *path, TokenChooser choose, void *context, TokenIdentity *chosen) {
    TokenBinding b;
    TokenOutcome outcome = BindTokenLibrary(path, 1, &b);
    if (outcome != kTokenOk) return outcome;
    outcome = IdentifyBound(&b, choose, context, chosen);
    UnbindTokenLibrary(&b);
    return outcome;
}
