#include "token/core/token_session_core.h"

#include <string.h>
#include <strings.h>

static int SameIdentity(const TokenIdentity *token, const char *manufacturerId, const char *serialNumber) {
    return strcasecmp(token->manufacturerId, manufacturerId) == 0 && strcasecmp(token->serialNumber, serialNumber) == 0;
}

static int ReadIdentity(TokenBinding *b, CK_SLOT_ID slot, TokenIdentity *id) {
    CK_TOKEN_INFO info;
    memset(&info, 0, sizeof info);
    if (b->functions->C_GetTokenInfo(slot, &info) != CKR_OK) return 0;
    TokenIdentityOf(&info, id);
    return 1;
}

// Picks the slot of the wanted token; kTokenOk with *slot set.
static TokenOutcome FindWantedSlot(TokenBinding *b, const char *manufacturerId, const char *serialNumber,
                                   TokenIdentity *connected, CK_SLOT_ID *slot) {
    TokenIdentity id;
    if (b->slotCount == 1) {
        CK_SLOT_INFO slotInfo;
        memset(&slotInfo, 0, sizeof slotInfo);
        if (b->functions->C_GetSlotInfo(b->slots[0], &slotInfo) != CKR_OK) return kTokenNoConnectedSlotInfo;
        if (!ReadIdentity(b, b->slots[0], &id)) return kTokenNoConnectedTokenInfo;
        *connected = id;
        if (!SameIdentity(&id, manufacturerId, serialNumber)) return kTokenMismatch;
        *slot = b->slots[0];
        return kTokenOk;
    }
    CK_ULONG slotInfoOk = 0;
    for (CK_ULONG i = 0; i < b->slotCount; i++) {
        CK_SLOT_INFO slotInfo;
        memset(&slotInfo, 0, sizeof slotInfo);
        if (b->functions->C_GetSlotInfo(b->slots[i], &slotInfo) == CKR_OK) slotInfoOk++;
    }
    if (slotInfoOk == 0) return kTokenNoSlotInfo;
    CK_ULONG reporting = 0;
    CK_SLOT_ID reportingSlot = 0;
    for (CK_ULONG i = 0; i < b->slotCount; i++) {
        TokenIdentity each;
        if (ReadIdentity(b, b->slots[i], &each)) {
            if (reporting == 0) {
                id = each;
                reportingSlot = b->slots[i];
            }
            reporting++;
        }
    }
    if (reporting == 0) return kTokenNoTokenInfo;
    if (reporting == 1) {
        *connected = id;
        if (!SameIdentity(&id, manufacturerId, serialNumber)) return kTokenMismatch;
        *slot = reportingSlot;
        return kTokenOk;
    }
    for (CK_ULONG i = 0; i < b->slotCount; i++) {
        if (ReadIdentity(b, b->slots[i], &id) && SameIdentity(&id, manufacturerId, serialNumber)) {
            *slot = b->slots[i];
            return kTokenOk;
        }
    }
    return kTokenNotFoundConnected;
}

TokenOutcome OpenSessionOnToken(const char *path, const char *manufacturerId, const char *serialNumber, const char *pin,
                                TokenBinding *b, TokenIdentity *connected) {
    TokenOutcome outcome = BindTokenLibrary(path, 0, b);
    if (outcome != kTokenOk) return outcome;
    CK_SLOT_ID slot = 0;
    outcome = FindWantedSlot(b, manufacturerId, serialNumber, connected, &slot);
    if (outcome == kTokenOk &&
        b->functions->C_OpenSession(slot, CKF_RW_SESSION | CKF_SERIAL_SESSION, nullptr, nullptr, &b->session) != CKR_OK)
        outcome = kTokenOpenSessionFailed;
    if (outcome == kTokenOk &&
        b->functions->C_Login(b->session, CKU_USER, (CK_UTF8CHAR *)pin, (CK_ULONG)strlen(pin)) != CKR_OK)
        outcome = kTokenLoginFailed;
    if (outcome != kTokenOk) {
        UnbindTokenLibrary(b);
        return outcome;
    }
    FreeTokenSlotList(b);
    return kTokenOk;
}

void CloseSessionOnToken(TokenBinding *b) {
    if (b->functions) b->functions->C_Logout(b->session);
    UnbindTokenLibrary(b);
}
