// The system's own text for an error code, as every program of the product
// shows it after its own words.
#pragma once
#include <windows.h>

#include <string>

// The message table's text for error (neutral language, inserts ignored, with
// the system's own line ending); empty when the table has none.
std::string SystemErrorText(DWORD error);
