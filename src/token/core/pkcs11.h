// PKCS#11 (Cryptoki) v2 types, constants and the function list, as far as the
// token code and the software token use them. Windows libraries pack their
// structures to 1-byte boundaries and use cdecl entry points; elsewhere the
// platform's natural alignment applies.
#pragma once
#include <stddef.h>

#if defined(_WIN32)
#define CK_CALL __cdecl
#pragma pack(push, 1)
#else
#define CK_CALL
#endif

typedef unsigned char CK_BYTE;
typedef CK_BYTE CK_CHAR;
typedef CK_BYTE CK_UTF8CHAR;
typedef CK_BYTE CK_BBOOL;
typedef unsigned long CK_ULONG;
typedef long CK_LONG;
typedef CK_ULONG CK_FLAGS;
typedef CK_ULONG CK_RV;
typedef CK_ULONG CK_SLOT_ID;
typedef CK_ULONG CK_SESSION_HANDLE;
typedef CK_ULONG CK_OBJECT_HANDLE;
typedef CK_ULONG CK_OBJECT_CLASS;
typedef CK_ULONG CK_ATTRIBUTE_TYPE;
typedef CK_ULONG CK_USER_TYPE;
typedef CK_ULONG CK_NOTIFICATION;
typedef void *CK_VOID_PTR;

#define CK_FALSE 0
#define CK_TRUE 1

#define CKR_OK 0x00UL
#define CKR_HOST_MEMORY 0x02UL
#define CKR_SLOT_ID_INVALID 0x03UL
#define CKR_GENERAL_ERROR 0x05UL
#define CKR_FUNCTION_FAILED 0x06UL
#define CKR_ARGUMENTS_BAD 0x07UL
#define CKR_ATTRIBUTE_TYPE_INVALID 0x12UL
#define CKR_ATTRIBUTE_VALUE_INVALID 0x13UL
#define CKR_DEVICE_ERROR 0x30UL
#define CKR_DEVICE_MEMORY 0x31UL
#define CKR_DEVICE_REMOVED 0x32UL
#define CKR_FUNCTION_NOT_SUPPORTED 0x54UL
#define CKR_OBJECT_HANDLE_INVALID 0x82UL
#define CKR_OPERATION_ACTIVE 0x90UL
#define CKR_OPERATION_NOT_INITIALIZED 0x91UL
#define CKR_PIN_INCORRECT 0xA0UL
#define CKR_PIN_LEN_RANGE 0xA2UL
#define CKR_SESSION_CLOSED 0xB0UL
#define CKR_SESSION_HANDLE_INVALID 0xB3UL
#define CKR_SESSION_PARALLEL_NOT_SUPPORTED 0xB4UL
#define CKR_SESSION_READ_ONLY 0xB5UL
#define CKR_TEMPLATE_INCOMPLETE 0xD0UL
#define CKR_TEMPLATE_INCONSISTENT 0xD1UL
#define CKR_TOKEN_NOT_PRESENT 0xE0UL
#define CKR_USER_ALREADY_LOGGED_IN 0x100UL
#define CKR_USER_NOT_LOGGED_IN 0x101UL
#define CKR_USER_TYPE_INVALID 0x103UL
#define CKR_BUFFER_TOO_SMALL 0x150UL
#define CKR_CRYPTOKI_NOT_INITIALIZED 0x190UL
#define CKR_CRYPTOKI_ALREADY_INITIALIZED 0x191UL

#define CKF_TOKEN_PRESENT 0x01UL
#define CKF_REMOVABLE_DEVICE 0x02UL
#define CKF_HW_SLOT 0x04UL
#define CKF_RW_SESSION 0x02UL
#define CKF_SERIAL_SESSION 0x04UL
#define CKF_LOGIN_REQUIRED 0x04UL
#define CKF_USER_PIN_INITIALIZED 0x08UL
#define CKF_TOKEN_INITIALIZED 0x400UL

#define CKU_SO 0UL
#define CKU_USER 1UL

#define CKO_DATA 0UL

#define CKA_CLASS 0x00UL
#define CKA_TOKEN 0x01UL
#define CKA_PRIVATE 0x02UL
#define CKA_LABEL 0x03UL
#define CKA_APPLICATION 0x10UL
#define CKA_VALUE 0x11UL

#define CK_UNAVAILABLE_INFORMATION (~0UL)

typedef struct CK_VERSION {
    CK_BYTE major;
    CK_BYTE minor;
} CK_VERSION;

typedef struct CK_INFO {
    CK_VERSION cryptokiVersion;
    CK_UTF8CHAR manufacturerID[32];
    CK_FLAGS flags;
    CK_UTF8CHAR libraryDescription[32];
    CK_VERSION libraryVersion;
} CK_INFO;

typedef struct CK_SLOT_INFO {
    CK_UTF8CHAR slotDescription[64];
    CK_UTF8CHAR manufacturerID[32];
    CK_FLAGS flags;
    CK_VERSION hardwareVersion;
    CK_VERSION firmwareVersion;
} CK_SLOT_INFO;

typedef struct CK_TOKEN_INFO {
    CK_UTF8CHAR label[32];
    CK_UTF8CHAR manufacturerID[32];
    CK_UTF8CHAR model[16];
    CK_CHAR serialNumber[16];
    CK_FLAGS flags;
    CK_ULONG ulMaxSessionCount;
    CK_ULONG ulSessionCount;
    CK_ULONG ulMaxRwSessionCount;
    CK_ULONG ulRwSessionCount;
    CK_ULONG ulMaxPinLen;
    CK_ULONG ulMinPinLen;
    CK_ULONG ulTotalPublicMemory;
    CK_ULONG ulFreePublicMemory;
    CK_ULONG ulTotalPrivateMemory;
    CK_ULONG ulFreePrivateMemory;
    CK_VERSION hardwareVersion;
    CK_VERSION firmwareVersion;
    CK_CHAR utcTime[16];
} CK_TOKEN_INFO;

typedef struct CK_ATTRIBUTE {
    CK_ATTRIBUTE_TYPE type;
    CK_VOID_PTR pValue;
    CK_ULONG ulValueLen;
} CK_ATTRIBUTE;

typedef CK_RV(CK_CALL *CK_NOTIFY)(CK_SESSION_HANDLE, CK_NOTIFICATION, CK_VOID_PTR);

struct CK_FUNCTION_LIST;

// Entries this system never calls keep their place in the list with an opaque
// type; a library fills them with its own functions.
typedef CK_RV(CK_CALL *CK_UNUSED_FN)(void);

typedef struct CK_FUNCTION_LIST {
    CK_VERSION version;
    CK_RV(CK_CALL *C_Initialize)(CK_VOID_PTR initArgs);
    CK_RV(CK_CALL *C_Finalize)(CK_VOID_PTR reserved);
    CK_RV(CK_CALL *C_GetInfo)(CK_INFO *info);
    CK_RV(CK_CALL *C_GetFunctionList)(struct CK_FUNCTION_LIST **list);
    CK_RV(CK_CALL *C_GetSlotList)(CK_BBOOL tokenPresent, CK_SLOT_ID *slots, CK_ULONG *count);
    CK_RV(CK_CALL *C_GetSlotInfo)(CK_SLOT_ID slot, CK_SLOT_INFO *info);
    CK_RV(CK_CALL *C_GetTokenInfo)(CK_SLOT_ID slot, CK_TOKEN_INFO *info);
    CK_UNUSED_FN C_GetMechanismList;
    CK_UNUSED_FN C_GetMechanismInfo;
    CK_UNUSED_FN C_InitToken;
    CK_UNUSED_FN C_InitPIN;
    CK_UNUSED_FN C_SetPIN;
    CK_RV(CK_CALL *C_OpenSession)
    (CK_SLOT_ID slot, CK_FLAGS flags, CK_VOID_PTR application, CK_NOTIFY notify, CK_SESSION_HANDLE *session);
    CK_RV(CK_CALL *C_CloseSession)(CK_SESSION_HANDLE session);
    CK_UNUSED_FN C_CloseAllSessions;
    CK_UNUSED_FN C_GetSessionInfo;
    CK_UNUSED_FN C_GetOperationState;
    CK_UNUSED_FN C_SetOperationState;
    CK_RV(CK_CALL *C_Login)(CK_SESSION_HANDLE session, CK_USER_TYPE user, CK_UTF8CHAR *pin, CK_ULONG pinLen);
    CK_RV(CK_CALL *C_Logout)(CK_SESSION_HANDLE session);
    CK_RV(CK_CALL *C_CreateObject)
    (CK_SESSION_HANDLE session, CK_ATTRIBUTE *templ, CK_ULONG count, CK_OBJECT_HANDLE *object);
    CK_UNUSED_FN C_CopyObject;
    CK_RV(CK_CALL *C_DestroyObject)(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object);
    CK_UNUSED_FN C_GetObjectSize;
    CK_RV(CK_CALL *C_GetAttributeValue)
    (CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE *templ, CK_ULONG count);
    CK_UNUSED_FN C_SetAttributeValue;
    CK_RV(CK_CALL *C_FindObjectsInit)(CK_SESSION_HANDLE session, CK_ATTRIBUTE *templ, CK_ULONG count);
    CK_RV(CK_CALL *C_FindObjects)
    (CK_SESSION_HANDLE session, CK_OBJECT_HANDLE *objects, CK_ULONG maxCount, CK_ULONG *found);
    CK_RV(CK_CALL *C_FindObjectsFinal)(CK_SESSION_HANDLE session);
    CK_UNUSED_FN C_EncryptInit;
    CK_UNUSED_FN C_Encrypt;
    CK_UNUSED_FN C_EncryptUpdate;
    CK_UNUSED_FN C_EncryptFinal;
    CK_UNUSED_FN C_DecryptInit;
    CK_UNUSED_FN C_Decrypt;
    CK_UNUSED_FN C_DecryptUpdate;
    CK_UNUSED_FN C_DecryptFinal;
    CK_UNUSED_FN C_DigestInit;
    CK_UNUSED_FN C_Digest;
    CK_UNUSED_FN C_DigestUpdate;
    CK_UNUSED_FN C_DigestKey;
    CK_UNUSED_FN C_DigestFinal;
    CK_UNUSED_FN C_SignInit;
    CK_UNUSED_FN C_Sign;
    CK_UNUSED_FN C_SignUpdate;
    CK_UNUSED_FN C_SignFinal;
    CK_UNUSED_FN C_SignRecoverInit;
    CK_UNUSED_FN C_SignRecover;
    CK_UNUSED_FN C_VerifyInit;
    CK_UNUSED_FN C_Verify;
    CK_UNUSED_FN C_VerifyUpdate;
    CK_UNUSED_FN C_VerifyFinal;
    CK_UNUSED_FN C_VerifyRecoverInit;
    CK_UNUSED_FN C_VerifyRecover;
    CK_UNUSED_FN C_DigestEncryptUpdate;
    CK_UNUSED_FN C_DecryptDigestUpdate;
    CK_UNUSED_FN C_SignEncryptUpdate;
    CK_UNUSED_FN C_DecryptVerifyUpdate;
    CK_UNUSED_FN C_GenerateKey;
    CK_UNUSED_FN C_GenerateKeyPair;
    CK_UNUSED_FN C_WrapKey;
    CK_UNUSED_FN C_UnwrapKey;
    CK_UNUSED_FN C_DeriveKey;
    CK_UNUSED_FN C_SeedRandom;
    CK_UNUSED_FN C_GenerateRandom;
    CK_UNUSED_FN C_GetFunctionStatus;
    CK_UNUSED_FN C_CancelFunction;
    CK_UNUSED_FN C_WaitForSlotEvent;
} CK_FUNCTION_LIST;

typedef CK_RV(CK_CALL *CK_C_GetFunctionList)(CK_FUNCTION_LIST **list);

#if defined(_WIN32)
#pragma pack(pop)
static_assert(sizeof(CK_ULONG) == 4, "Windows libraries use 32-bit CK_ULONG");
static_assert(sizeof(CK_TOKEN_INFO) == 160, "CK_TOKEN_INFO as Windows libraries lay it out");
static_assert(sizeof(CK_SLOT_INFO) == 104, "CK_SLOT_INFO as Windows libraries lay it out");
#endif
static_assert(offsetof(CK_FUNCTION_LIST, C_WaitForSlotEvent) ==
                  offsetof(CK_FUNCTION_LIST, C_Initialize) + 67 * sizeof(void *),
              "the function list holds 68 entries in the standard's order");
