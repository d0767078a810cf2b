// Where users are sent with questions the program cannot answer itself.
#pragma once

inline const char *SupportAddress() { return "support@kovara.example"; }
