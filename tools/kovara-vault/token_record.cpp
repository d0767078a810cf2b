// The token as a key source: bind the library, pick the token by label or
// slot, log in on a read-only session and read the key objects. A token
// normally holds one; a key replacement cut short between the creation of the
// new object and the removal of the old one leaves two, and the password
// decides which one is the user's.
#include <string.h>

#include "crypto/core/secure_wipe.h"
#include "refusal.h"
#include "secret_input.h"
#include "token/core/token_binding.h"
#include "token/core/token_key_object.h"
#include "user_info_source.h"

namespace {

enum : CK_RV { kPinLocked = 0xA4UL, kPinExpired = 0xA3UL };

std::string TrimmedField(const char *field) {
    std::string text(field);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

std::string BindingFailure(TokenOutcome outcome) {
    switch (outcome) {
    case kTokenFileNotAccessible: return "the library file cannot be reached";
    case kTokenLoadFailed: return "it does not load as a shared library";
    case kTokenNoGetFunctionList:
    case kTokenNoFunctionList: return "it is no PKCS#11 library (no function list)";
    case kTokenInitializeFailed: return "the library does not initialise";
    case kTokenNoSlot:
    case kTokenNoPresentSlot:
    case kTokenPresentListEmpty: return "no slot holds a token";
    case kTokenNoMemory: return "not enough memory";
    default: return "the library cannot list its slots";
    }
}

// Fails the binding and refuses with message.
[[noreturn]] void Abandon(TokenBinding *binding, const std::string &message) {
    UnbindTokenLibrary(binding);
    Refuse(message);
}

// The slot that holds the wanted token, and that token's label.
CK_SLOT_ID ChooseSlot(TokenBinding *binding, const KeySourceOptions &source, std::string *label) {
    for (CK_ULONG i = 0; i < binding->slotCount; i++) {
        CK_TOKEN_INFO info;
        memset(&info, 0, sizeof info);
        bool reports = binding->functions->C_GetTokenInfo(binding->slots[i], &info) == CKR_OK;
        TokenIdentity identity;
        TokenIdentityOf(&info, &identity);
        std::string name = reports ? TrimmedField(identity.label) : std::string();
        bool wanted = source.slot >= 0 ? binding->slots[i] == CK_SLOT_ID(source.slot)
                                       : reports && name == source.tokenLabel;
        if (!wanted) continue;
        if (!reports) Abandon(binding, "the token in slot " + std::to_string(source.slot) + " does not report its information");
        *label = name;
        return binding->slots[i];
    }
    if (source.slot >= 0) Abandon(binding, "slot " + std::to_string(source.slot) + " of " + source.tokenLibrary + " holds no token");
    Abandon(binding, "no token labelled \"" + source.tokenLabel + "\" in " + source.tokenLibrary);
}

// The value of one key object, wiped on every way out.
struct KeyValue {
    unsigned char bytes[kTokenKeySize];
    KeyValue() { LockInMemory(bytes, sizeof bytes); }
    ~KeyValue() { SecureWipe(bytes, sizeof bytes); }
};

// Reads one object's value into a fixed buffer: a value of another length is
// not taken (it is no key of ours), so nothing is allocated for it.
TokenOutcome ReadKeyObject(TokenBinding *binding, CK_OBJECT_HANDLE handle, KeyValue *value) {
    CK_ATTRIBUTE attribute = {CKA_VALUE, nullptr, 0};
    if (binding->functions->C_GetAttributeValue(binding->session, handle, &attribute, 1) != CKR_OK ||
        attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION)
        return kTokenSizeFailed;
    if (attribute.ulValueLen != kTokenKeySize) return kTokenKeyNotOk;
    attribute.pValue = value->bytes;
    if (binding->functions->C_GetAttributeValue(binding->session, handle, &attribute, 1) != CKR_OK ||
        attribute.ulValueLen != kTokenKeySize)
        return kTokenValueFailed;
    return CheckTokenKeyValue(value->bytes, kTokenKeySize, kTokenKeySize);
}

// Every key object's record into records; the outcome of the first object
// that failed when none is a Kovara key.
TokenOutcome ReadKeyObjects(TokenBinding *binding, TokenRecords *records) {
    // The label with its zero byte, as the key object is stored.
    CK_ATTRIBUTE label = {CKA_LABEL, (void *)kTokenKeyLabel, CK_ULONG(strlen(kTokenKeyLabel) + 1)};
    if (binding->functions->C_FindObjectsInit(binding->session, &label, 1) != CKR_OK) return kTokenFindInitFailed;
    CK_OBJECT_HANDLE handles[kMaxTokenKeyObjects];
    CK_ULONG found = 0;
    CK_RV rv = binding->functions->C_FindObjects(binding->session, handles, kMaxTokenKeyObjects, &found);
    binding->functions->C_FindObjectsFinal(binding->session);
    if (rv != CKR_OK) return kTokenFindFailed;
    if (found == 0) return kTokenNoKeyObject;
    TokenOutcome firstFailure = kTokenOk;
    for (CK_ULONG i = 0; i < found && i < kMaxTokenKeyObjects; i++) {
        KeyValue value;
        TokenOutcome outcome = ReadKeyObject(binding, handles[i], &value);
        if (outcome == kTokenOk) memcpy(records->records[records->count++], value.bytes + 3, kUserInfoSize);
        else if (firstFailure == kTokenOk) firstFailure = outcome;
    }
    return records->count ? kTokenOk : firstFailure;
}

}  // namespace

TokenRecords::TokenRecords() : count(0) { LockInMemory(records, sizeof records); }

TokenRecords::~TokenRecords() { SecureWipe(records, sizeof records); }

void ReadTokenRecords(const KeySourceOptions &source, TokenRecords *records, std::string *description) {
    TokenBinding binding;
    TokenOutcome outcome = BindTokenLibrary(source.tokenLibrary.c_str(), 1, &binding);
    if (outcome != kTokenOk) Refuse("cannot use the token library " + source.tokenLibrary + ": " + BindingFailure(outcome));

    std::string label;
    CK_SLOT_ID slot = ChooseSlot(&binding, source, &label);
    *description = "token \"" + label + "\"";
    if (binding.functions->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &binding.session) != CKR_OK)
        Abandon(&binding, "cannot open a session on the " + *description);

    CK_RV login;
    {
        Secret pin;
        try {
            ReadSecret(source.pin, "PIN of " + *description + ": ", "token PIN", &pin);
        } catch (...) {
            UnbindTokenLibrary(&binding);
            throw;
        }
        login = binding.functions->C_Login(binding.session, CKU_USER, (CK_UTF8CHAR *)pin.text, CK_ULONG(pin.length));
    }
    if (login == CKR_PIN_INCORRECT || login == CKR_PIN_LEN_RANGE)
        Abandon(&binding, "bad PIN: the " + *description + " refused it");
    if (login == kPinLocked) Abandon(&binding, "the PIN of the " + *description + " is locked");
    if (login == kPinExpired) Abandon(&binding, "the PIN of the " + *description + " has expired");
    if (login != CKR_OK && login != CKR_USER_ALREADY_LOGGED_IN)
        Abandon(&binding, "cannot log in to the " + *description);

    outcome = ReadKeyObjects(&binding, records);
    binding.functions->C_Logout(binding.session);
    UnbindTokenLibrary(&binding);
    if (outcome == kTokenNoKeyObject)
        Refuse("the " + *description + " holds no key object (no data object labelled \"" + kTokenKeyLabel + "\")");
    if (outcome == kTokenKeyNotOk) Refuse("the key object on the " + *description + " is not " + std::to_string(kTokenKeySize) + " bytes long");
    if (outcome == kTokenNotKovaraKey) Refuse("the key object on the " + *description + " is not a Kovara key");
    if (outcome != kTokenOk) Refuse("cannot read the key object on the " + *description);
}
