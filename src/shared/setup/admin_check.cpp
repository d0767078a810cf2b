#include "shared/setup/admin_check.h"

#include <stdlib.h>

namespace {

int TokenHoldsAdministrators(HANDLE token) {
    DWORD size = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
    if (!size) return 0;
    TOKEN_GROUPS *groups = static_cast<TOKEN_GROUPS *>(malloc(size));
    if (!groups) return 0;
    int member = 0;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (GetTokenInformation(token, TokenGroups, groups, size, &size) &&
        AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                 &administrators)) {
        for (DWORD i = 0; i < groups->GroupCount && !member; ++i)
            if (EqualSid(groups->Groups[i].Sid, administrators)) member = 1;
        FreeSid(administrators);
    }
    free(groups);
    return member;
}

}  // namespace

int UserIsAdministrator() {
    HANDLE token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    int member = TokenHoldsAdministrators(token);
    CloseHandle(token);
    return member;
}
